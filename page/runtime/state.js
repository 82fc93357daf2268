// Runtime state and the small routines every other file shares: constants, the one `state`
// object, the `ui` registry, dirty tracking, the toast and the toolbar refresh. Each document
// replacement starts a fresh instance, so the state is rebuilt from the hand-off globals.

/* global detectPagesAfterChange, scheduleDraft */

var PREFIX = '__lw';
var CLASS_PREFIX = '.' + PREFIX + '-';
var LAYER_BASE = 999990;
var EASE_STANDARD = 'cubic-bezier(.4,0,.2,1)';
var EASE_SPRING = 'cubic-bezier(0,.7,.3,1)';
var HISTORY_LIMIT = 30;
var DEFAULT_TOAST_MS = 2000;
var PRESS_CLICK_WINDOW_MS = 700;

var state = {
  active: false,
  selected: null,
  hovered: null,
  textEditing: null,
  history: [],
  future: [],
  pages: [],
  pageMode: 'scroll',
  currentPage: 0,
  // The page detection under way in slices, if any (pager.js).
  pageDetection: null,
  // What could have moved the pages since they were detected (pager.js): a count of the changes
  // that could, a count of those that shift their places only, the stamp of both at the moment
  // the pages shown were detected (null when they are not to be reused), and the watch that
  // counts the changes while edit mode is on; the elements of the pages shown, whether they stand
  // in the order of their places, the parents where elements put in or taken out regroup them
  // (pagewatch.js), and those regroupings since the pages were shown.
  pageChanges: 0,
  pageShifts: 0,
  pagesStamp: null,
  pageWatch: null,
  pageElements: null,
  pagesInPlaceOrder: false,
  pageParents: null,
  pageRegroups: [],
  // The pages found again, out of sight, after the user's changes, with their stamp, for the next
  // page change (pager.js).
  pagesInWaiting: null,
  // The outlines waiting for the next frame to be placed, each with the element it is to cover
  // (selection.js).
  outlinesForFrame: null,
  // The works waiting for slices of the main thread, and the channel that carries them.
  sliceLine: null,
  restoring: false,
  layoutOpen: false,
  saveHandle: window.__LW_OPEN_FILE_HANDLE || null,
  fileName: window.__LW_OPEN_FILE_NAME || '',
  entryUrl: window.__LW_ENTRY_URL || '',
  saving: false,
  dirty: !!window.__LW_DIRTY,
  fileFingerprint: window.__LMW_OPEN_FILE_FINGERPRINT || '',
  sourceEncoding: window.__LMW_OPEN_FILE_ENCODING || 'utf-8',
  multiSelected: [],
  sliderGesture: null,
  ctxTarget: null,
  findVisible: false,
  zoomLevel: 100,
  previewMode: null,
  previewActive: false,
  textInputHandler: null,
  // Set while a typing spell waits for its first input, which records the spell's entry (history.js).
  spellAwaitsEntry: false,
  // The edits made so far, counted so that a save can tell whether the document changed while it wrote.
  editCount: 0,
  // The document's text as opened plus the user's edits (model.js).
  model: null,
  // Whether this instance has entered edit mode before (zoom.js).
  enteredBefore: false,
  // The draft that keeps this document's unsaved text, and the store's connection kept open for
  // the write before the page is left (drafts.js).
  draftId: window.__LMW_DRAFT_ID || '',
  draftConnection: null,
  // Set once the user has chosen to leave for the start page, which asks nothing more (opening.js).
  leaving: false
};

var ui = {};

var toastTimer = null;

function forEachNode(list, callback) {
  for (var i = 0; i < list.length; i++) callback(list[i], i);
}

function startsWith(value, prefix) {
  return String(value).indexOf(prefix) === 0;
}

function showToast(message, duration) {
  if (!ui.toast) return;
  ui.toast.textContent = message;
  ui.toast.classList.add('show');
  clearTimeout(toastTimer);
  toastTimer = setTimeout(function () {
    ui.toast.classList.remove('show');
  }, duration || DEFAULT_TOAST_MS);
}

function setDirty(flag) {
  state.dirty = !!flag;
  window.__LW_DIRTY = state.dirty;
  if (state.dirty) scheduleDraft();
  refreshToolbar();
}

function markChanged(message) {
  state.editCount++;
  setDirty(true);
  detectPagesAfterChange();
  if (message) showToast(message);
}

function publishHandoffGlobals() {
  window.__LW_OPEN_FILE_HANDLE = state.saveHandle || null;
  window.__LW_OPEN_FILE_NAME = state.fileName || '';
  window.__LW_CAN_OVERWRITE = !!state.saveHandle;
  window.__LW_ENTRY_URL = state.entryUrl || location.href;
  window.__LW_DIRTY = state.dirty;
  window.__LMW_OPEN_FILE_FINGERPRINT = state.fileFingerprint || '';
  window.__LMW_OPEN_FILE_ENCODING = state.sourceEncoding || 'utf-8';
  window.__LMW_DRAFT_ID = state.draftId;
  window.__LW_AUTO_ENTER_EDIT = true;
}

function createUiElement(tagName, className, attributes) {
  var element = document.createElement(tagName);
  if (className) element.className = className;
  Object.keys(attributes || {}).forEach(function (key) {
    if (key === 'text') element.textContent = attributes[key];
    else if (key === 'html') element.innerHTML = attributes[key];
    else element.setAttribute(key, attributes[key]);
  });
  return element;
}

// Buttons that act on the press, not the release. The click that follows a press is swallowed;
// a click with no press before it, as from the keyboard, still acts.
function bindPress(button, action) {
  var pressed = false;
  var timer = null;
  button.addEventListener(window.PointerEvent ? 'pointerdown' : 'mousedown', function (event) {
    if (button.disabled) return;
    event.preventDefault();
    event.stopPropagation();
    pressed = true;
    clearTimeout(timer);
    action();
    timer = setTimeout(function () { pressed = false; }, PRESS_CLICK_WINDOW_MS);
  });
  button.addEventListener('click', function (event) {
    event.preventDefault();
    event.stopPropagation();
    if (pressed) {
      pressed = false;
      clearTimeout(timer);
    } else if (!button.disabled) {
      action();
    }
  });
}

// The interface is written only where it differs: a text or a title written again as it was
// still has the browser lay it out anew at the next look at any box, which in a large document
// costs as much as a change to the document itself.
function setDisabled(control, disabled) {
  if (control && control.disabled !== !!disabled) control.disabled = !!disabled;
}

function setText(element, text) {
  if (element.textContent !== text) element.textContent = text;
}

function setTitle(element, title) {
  if (element.title !== title) element.title = title;
}

function refreshFileStatus() {
  if (!ui.fileStatus) return;
  var name = state.fileName || '未命名文件';
  setText(ui.fileStatus, (state.dirty ? '\u25cf ' : '') + name);
  ui.fileStatus.classList.toggle('dirty', state.dirty);
  setTitle(ui.fileStatus, name + (state.dirty ? '（有未保存修改）' : '（已保存）'));
}

function saveButtonTitle() {
  if (!state.saveHandle) return '首次保存需要选择文件位置 (Ctrl+S)';
  return '覆盖保存到 ' + (state.fileName || '原文件') + ' (Ctrl+S)';
}

// Brings the toolbar's texts and enabled states into line with the state; every control is
// checked first, so this may run while the interface is still being built.
function refreshToolbar() {
  refreshFileStatus();
  setDisabled(ui.saveBtn, state.saving || !state.dirty);
  if (ui.saveBtn) setTitle(ui.saveBtn, saveButtonTitle());
  setDisabled(ui.saveAsBtn, state.saving);
  setDisabled(ui.undoBtn, !state.history.length);
  setDisabled(ui.redoBtn, !state.future.length);
  setDisabled(ui.clearFormatBtn, !state.selected);
  if (ui.layoutBtn) {
    ui.layoutBtn.classList.toggle('active', state.layoutOpen);
    setDisabled(ui.layoutBtn, false);
  }
  if (ui.panel) ui.panel.classList.toggle('visible', state.active && state.layoutOpen);
  if (ui.zoomLabel) setText(ui.zoomLabel, state.zoomLevel + '%');
  setDisabled(ui.zoomInBtn, state.zoomLevel >= 200);
  setDisabled(ui.zoomOutBtn, state.zoomLevel <= 50);
}
