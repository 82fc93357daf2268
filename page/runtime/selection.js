// The selected element, the multi-selection gathered by Ctrl-presses, and the three kinds of
// outline that mark them and the element under the pointer. Outlines are fixed to the viewport,
// so they are placed again whenever anything scrolls or the window changes size.

/* global endTextEditing, renderStylePanel */

function ownNames(names) {
  return names.filter(function (name) { return name && !startsWith(name, PREFIX); });
}

function elementPathStep(element) {
  var step = element.tagName.toLowerCase();
  if (element.id && !startsWith(element.id, PREFIX)) return step + '#' + element.id;
  var classes = ownNames(String(element.getAttribute('class') || '').split(/\s+/)).slice(0, 2);
  return classes.length ? step + '.' + classes.join('.') : step;
}

// The content wrapper of edit mode is no part of the document's own structure, so the path stops
// there as it stops at the body.
function elementPath(element) {
  var steps = [];
  for (var node = element; node && node.nodeType === 1; node = node.parentElement) {
    var tag = node.tagName.toLowerCase();
    if (tag === 'body' || tag === 'html' || node.hasAttribute('data-lmw-wrapper')) break;
    steps.unshift(elementPathStep(node));
  }
  return steps.join(' \u203a ');
}

function outlineLabel(element) {
  var label = element.tagName.toLowerCase();
  if (typeof element.className !== 'string') return label;
  var own = ownNames(element.className.split(/\s+/));
  return own.length ? label + '.' + own[0] : label;
}

function labelOutline(outline, element) {
  var tag = outline.querySelector(CLASS_PREFIX + 'ov-tag');
  if (tag) setText(tag, outlineLabel(element));
}

function setStyleValue(style, name, value) {
  if (style[name] !== value) style[name] = value;
}

// An outline placed or hidden now is no longer placed at the frame.
function dropFromFrame(outline) {
  if (state.outlinesForFrame) state.outlinesForFrame.delete(outline);
}

function placeOutline(outline, element) {
  dropFromFrame(outline);
  var box = element.getBoundingClientRect();
  setStyleValue(outline.style, 'display', 'block');
  setStyleValue(outline.style, 'top', box.top + 'px');
  setStyleValue(outline.style, 'left', box.left + 'px');
  setStyleValue(outline.style, 'width', box.width + 'px');
  setStyleValue(outline.style, 'height', box.height + 'px');
  labelOutline(outline, element);
}

// Reading a box in an event handler lays the document out there and then; for the pointer's moves
// and for typing, the read waits for the next frame, which lays the document out anyway, and is
// taken once for however many moves or keys came before it. The label goes in at once.
function placeOutlineAtFrame(outline, element) {
  labelOutline(outline, element);
  if (!state.outlinesForFrame) {
    state.outlinesForFrame = new Map();
    window.requestAnimationFrame(placeOutlinesOfFrame);
  }
  state.outlinesForFrame.set(outline, element);
}

function placeOutlinesOfFrame() {
  var waiting = state.outlinesForFrame;
  state.outlinesForFrame = null;
  waiting.forEach(function (element, outline) { if (element.isConnected) placeOutline(outline, element); });
}

function hideOutline(outline) {
  if (!outline) return;
  dropFromFrame(outline);
  setStyleValue(outline.style, 'display', 'none');
}

function outlineShown(outline) {
  return !!outline && outline.style.display === 'block';
}

function refreshSelectionOutline() {
  if (state.selected && ui.selOv) placeOutline(ui.selOv, state.selected);
}

// For typing and the start and end of text editing, which seldom move the element.
function refreshSelectionOutlineAtFrame() {
  if (state.selected && ui.selOv) placeOutlineAtFrame(ui.selOv, state.selected);
}

// The content wrapper, the body and the html element stand for the whole document: they are
// blank space to the pointer, never an element to select, move or copy.
function isDocumentFrame(element) {
  return element === ui.contentWrap || element === document.body || element === document.documentElement;
}

function isDocumentElement(node) {
  return !!node && node.nodeType === 1 && !isEditorUi(node) && !isDocumentFrame(node);
}

function trackHover(event) {
  if (!state.active || state.textEditing) return;
  var target = event.target;
  if (!isDocumentElement(target)) {
    hideOutline(ui.hoverOv);
    state.hovered = null;
    return;
  }
  if (target === state.hovered) return;
  state.hovered = target;
  placeOutlineAtFrame(ui.hoverOv, target);
}

function repositionOutlines() {
  if (state.hovered && outlineShown(ui.hoverOv)) placeOutline(ui.hoverOv, state.hovered);
  if (state.selected && outlineShown(ui.selOv)) placeOutline(ui.selOv, state.selected);
  if (state.multiSelected.length) drawMultiOutlines();
}

function removeMultiOutlines() {
  if (ui.root) forEachMatch(ui.root, CLASS_PREFIX + 'multi-ov', removeNode);
}

function drawMultiOutlines() {
  removeMultiOutlines();
  state.multiSelected.forEach(function (member) {
    if (member === state.selected) return;
    var outline = createUiElement('div', PREFIX + '-multi-ov', { 'data-lmw-ui': 'multi-selection' });
    placeOutline(outline, member);
    ui.root.appendChild(outline);
  });
}

function clearMultiSelection() {
  state.multiSelected = [];
  removeMultiOutlines();
}

function writeBreadcrumb(element) {
  if (ui.breadcrumb) ui.breadcrumb.textContent = element ? elementPath(element) : '';
}

function endTextEditingOutside(element) {
  var editing = state.textEditing;
  if (editing && editing !== element && !editing.contains(element)) endTextEditing();
}

// Everything that shows the selection follows it: the outline, the hidden path, the toolbar and
// the style panel.
function showSelection() {
  if (state.selected) {
    placeOutline(ui.selOv, state.selected);
    hideOutline(ui.hoverOv);
  } else {
    hideOutline(ui.selOv);
  }
  writeBreadcrumb(state.selected);
  refreshToolbar();
  renderStylePanel();
}

// The browser works style out again from the nearest element that holds every change made since
// it last did. The interface and the document meet only at the body, whose children a long
// document counts by the ten thousand, and two elements of the document often meet no lower:
// changes on either side are settled apart, each from its own element, rather than together by a
// walk through every child of the body (several milliseconds at 5 MB, on every press).
function settleStyleOf(element) {
  if (element && element.isConnected) window.getComputedStyle(element).getPropertyValue('display');
}

// The outline is placed before text editing elsewhere ends: that end changes the layout, which
// the outline's read would otherwise lay out again. Editing that starts in the selected element
// next has its style worked out apart from both.
function selectElement(element) {
  clearMultiSelection();
  state.selected = element;
  showSelection();
  settleStyleOf(ui.selOv);
  var editing = state.textEditing;
  endTextEditingOutside(element);
  if (state.textEditing !== editing) settleStyleOf(editing);
}

// Text editing outlives a cleared selection on purpose: Escape leaves text editing first and only
// a second Escape drops the selection.
function clearSelection() {
  state.selected = null;
  clearMultiSelection();
  showSelection();
}

// A plain selection is not carried over: the first Ctrl-press after it starts a multi-selection
// that holds the pressed element alone.
function toggleMultiSelection(element) {
  if (!isDocumentElement(element)) return;
  endTextEditingOutside(element);
  var members = state.multiSelected;
  var index = members.indexOf(element);
  if (index >= 0) {
    members.splice(index, 1);
    if (state.selected === element) state.selected = members[0] || null;
  } else {
    members.push(element);
    state.selected = element;
  }
  if (!members.length) state.selected = null;
  showSelection();
  drawMultiOutlines();
}

// Drops every reference the selection keeps into a part of the document that is about to go.
function forgetSelectionWithin(element) {
  if (isInsideTextEditingOf(element)) endTextEditing();
  var gathered = state.multiSelected.some(function (member) { return element.contains(member); });
  if ((state.selected && element.contains(state.selected)) || gathered) clearSelection();
  if (state.hovered && element.contains(state.hovered)) {
    state.hovered = null;
    hideOutline(ui.hoverOv);
  }
}

function isInsideTextEditingOf(element) {
  return !!state.textEditing && element.contains(state.textEditing);
}
