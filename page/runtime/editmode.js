// Edit mode: the runtime takes over the pointer, a plain press selects an element and makes that
// one element editable in place with the caret where the user pressed. The element's own
// editability is remembered in a marker and put back when editing ends, so nothing of the
// marking reaches a saved file.

/* global shieldPageKeys */

var NOT_TEXT_EDITABLE = {
  script: 1, style: 1, html: 1, head: 1, body: 1, img: 1, video: 1, audio: 1, canvas: 1, svg: 1, iframe: 1
};
var INLINE_FORMATTING = 'b, strong, i, em, u, s, strike, font, mark, big, small';
var EDIT_MODE_HINT_MS = 3000;

function isTextEditable(element) {
  return !!element && !isEditorUi(element) && !isDocumentFrame(element) &&
    !NOT_TEXT_EDITABLE[element.tagName.toLowerCase()];
}

function isInsideTextEditing(node) {
  return !!state.textEditing && (node === state.textEditing || state.textEditing.contains(node));
}

// Listeners that exist only while edit mode is on, added and removed by the same list.
function editModeListeners() {
  return [
    [document, 'mousemove', trackHover, true],
    [document, 'mousedown', handleMouseDown, true],
    [document, 'click', suppressPageClick, true],
    [document, 'contextmenu', openContextMenu, true],
    [document, 'dragover', acceptElementDrag, true],
    [document, 'drop', handleDocumentDrop, true],
    [document, 'paste', pasteImages, false],
    [window, 'keydown', shieldPageKeys, true],
    [window, 'scroll', repositionOutlines, true],
    [window, 'resize', repositionOutlines, false],
    [window, 'scroll', followCurrentPage, true],
    [window, 'resize', followCurrentPage, false]
  ];
}

function setEditModeListeners(add) {
  editModeListeners().forEach(function (row) {
    if (add) row[0].addEventListener(row[1], row[2], row[3]);
    else row[0].removeEventListener(row[1], row[2], row[3]);
  });
}

function showToggleState(active) {
  ui.toggle.classList.toggle('active', active);
  ui.toggle.textContent = active ? '退出编辑' : '开始编辑';
  ui.toggle.title = active ? '退出编辑模式 (Alt+E)' : '切换编辑模式 (Alt+E)';
}

function enterEditMode() {
  if (state.active) return;
  state.active = true;
  showToggleState(true);
  ui.toolbar.classList.add('visible');
  state.layoutOpen = false;
  refreshToolbar();
  showToast('点击选中元素 · 按住 Ctrl 点击可触发页面原有功能', EDIT_MODE_HINT_MS);
  setEditModeListeners(true);
  wrapContent();
  schedulePageDetection();
}

function exitEditMode() {
  endTextEditing();
  state.active = false;
  state.selected = null;
  state.hovered = null;
  showToggleState(false);
  ui.toolbar.classList.remove('visible');
  ui.panel.classList.remove('visible');
  ui.findBar.style.display = 'none';
  state.findVisible = false;
  state.layoutOpen = false;
  hideOutline(ui.hoverOv);
  hideOutline(ui.selOv);
  writeBreadcrumb(null);
  hidePreviewMenu();
  closeContextMenu();
  clearMultiSelection();
  clearHighlights();
  setPreviewSize();
  refreshToolbar();
  setEditModeListeners(false);
  stopWatchingPages();
  removeContentWrapper();
}

function toggleEditMode() {
  if (state.active) exitEditMode();
  else enterEditMode();
}

function takeOverEvent(event) {
  event.preventDefault();
  event.stopPropagation();
}

function handleMouseDown(event) {
  var target = event.target;
  if (!state.active || isEditorUi(target)) return;
  if (isInsideTextEditing(target)) {
    // The browser places the caret itself; the page's own handlers still stay out of it.
    if (target.tagName.toLowerCase() !== 'img') {
      event.stopPropagation();
      return;
    }
    endTextEditing();
  }
  if (event.altKey) return;
  takeOverEvent(event);
  if (event.ctrlKey) {
    // A Ctrl+click on a link to another page of a granted folder follows it (site.js).
    if (!linkedPagePath(target)) toggleMultiSelection(target);
    return;
  }
  if (isDocumentFrame(target)) {
    endTextEditing();
    clearSelection();
    return;
  }
  // The caret is read from the layout the press was hit-tested on, before anything changes it:
  // once an element is made editable or stops being so, the read would lay the whole document
  // out again first.
  var caret = isTextEditable(target) ? caretAtPoint(target, event.clientX, event.clientY) : null;
  selectElement(target);
  beginTextEditing(caret);
}

// Clicks inside the element under edit keep their default (the caret, text selection) but,
// like every other click in edit mode, never reach the page's own handlers.
function suppressPageClick(event) {
  var target = event.target;
  if (!state.active || isEditorUi(target) || event.ctrlKey || event.altKey) return;
  if (isInsideTextEditing(target)) {
    event.stopPropagation();
    return;
  }
  takeOverEvent(event);
}

// With a caret range (read at the press), the caret goes there; without one the element is
// focused only.
function beginTextEditing(caret) {
  var element = state.selected;
  if (!isTextEditable(element)) {
    showToast('这个元素不适合直接编辑文字');
    return;
  }
  awaitSpellEntry();
  state.textEditing = element;
  if (!element.hasAttribute('data-lmw-prev-contenteditable')) {
    var own = element.getAttribute('contenteditable');
    element.setAttribute('data-lmw-prev-contenteditable', own === null ? '__lw_absent' : own);
  }
  element.setAttribute('contenteditable', 'true');
  element.setAttribute('data-lmw-editing', '1');
  state.textInputHandler = recordFirstInput;
  element.addEventListener('input', recordFirstInput);
  element.focus({ preventScroll: true });
  if (caret) placeCaret(caret);
  hideOutline(ui.hoverOv);
  refreshSelectionOutlineAtFrame();
}

// The first input of an editing spell records the document as it was when the spell began,
// before the input itself reaches the model; later input of the same spell records nothing.
function recordFirstInput() {
  var element = state.textEditing;
  editDocument({ spell: true, after: function (model) { noteEdited(model, element); } });
  refreshSelectionOutlineAtFrame();
}

function caretFromPosition(element, x, y) {
  if (!document.caretPositionFromPoint) return null;
  var position = document.caretPositionFromPoint(x, y);
  if (!position || !element.contains(position.offsetNode)) return null;
  var range = document.createRange();
  range.setStart(position.offsetNode, position.offset);
  range.collapse(true);
  return range;
}

function caretFromRange(element, x, y) {
  if (!document.caretRangeFromPoint) return null;
  var range = document.caretRangeFromPoint(x, y);
  return range && element.contains(range.startContainer) ? range : null;
}

// The caret at a viewport point inside the element, or else at the end of its contents.
function caretAtPoint(element, x, y) {
  var range = caretFromPosition(element, x, y) || caretFromRange(element, x, y);
  if (!range) {
    range = document.createRange();
    range.selectNodeContents(element);
    range.collapse(false);
  }
  return range;
}

function placeCaret(range) {
  var selection = window.getSelection();
  selection.removeAllRanges();
  selection.addRange(range);
}

function endTextEditing() {
  var element = state.textEditing;
  if (!element) return;
  element.removeEventListener('input', state.textInputHandler);
  state.textInputHandler = null;
  state.spellAwaitsEntry = false;
  // Taking contenteditable off the focused element makes the browser lay the whole document out
  // at once; unfocused, that waits for the next frame.
  if (document.activeElement === element) element.blur();
  dropEditingMarks(element);
  state.textEditing = null;
  if (element === state.selected) refreshSelectionOutlineAtFrame();
}

function closestElement(node) {
  return node.nodeType === 1 ? node : node.parentElement;
}

function selectionInside(element) {
  var selection = window.getSelection();
  if (!state.textEditing || !selection.rangeCount || selection.isCollapsed) return false;
  var ancestor = closestElement(selection.getRangeAt(0).commonAncestorContainer);
  return !!ancestor && element.contains(ancestor);
}

function clearTextFormatting() {
  try {
    document.execCommand('removeFormat');
    document.execCommand('unlink');
    return true;
  } catch (error) {
    showToast('无法清除当前选中文字的格式');
    return false;
  }
}

function clearElementFormatting(element) {
  element.removeAttribute('style');
  forEachMatch(element, '[style]', function (descendant) { descendant.removeAttribute('style'); });
  forEachMatch(element, INLINE_FORMATTING, unwrapElement);
}

function clearFormatting() {
  var element = state.selected;
  if (!element || isEditorUi(element)) {
    showToast('请先选择文字或元素');
    return;
  }
  var edited = selectionInside(element) ? state.textEditing : null;
  var cleared = editDocument({
    reason: 'clearFormat',
    change: function () { return edited ? clearTextFormatting() : clearElementFormatting(element); },
    after: function (model) { noteEdited(model, edited || element); },
    message: edited ? '已清除选中文字的格式' : '已清除所选元素的内联格式'
  });
  if (!cleared) return;
  refreshSelectionOutline();
  renderStylePanel();
}
