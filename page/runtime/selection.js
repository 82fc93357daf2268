// The selected element and the outline that marks it. The outline is fixed to the viewport, so it
// is placed again whenever the page scrolls or the window changes size.

function outlineLabel(element) {
  var label = element.tagName.toLowerCase();
  if (typeof element.className !== 'string') return label;
  var own = ownNames(element.className.split(/\s+/));
  return own.length ? label + '.' + own[0] : label;
}

function placeOutline(outline, element) {
  var box = element.getBoundingClientRect();
  outline.style.display = 'block';
  outline.style.top = box.top + 'px';
  outline.style.left = box.left + 'px';
  outline.style.width = box.width + 'px';
  outline.style.height = box.height + 'px';
  var tag = outline.querySelector(CLASS_PREFIX + 'ov-tag');
  if (tag) tag.textContent = outlineLabel(element);
}

function hideOutline(outline) {
  if (outline) outline.style.display = 'none';
}

function outlineShown(outline) {
  return !!outline && outline.style.display === 'block';
}

function refreshSelectionOutline() {
  if (state.selected && ui.selOv) placeOutline(ui.selOv, state.selected);
}

function repositionOutlines() {
  if (state.selected && outlineShown(ui.selOv)) placeOutline(ui.selOv, state.selected);
}

function clearMultiSelection() {
  state.multiSelected = [];
  forEachMatch(document, CLASS_PREFIX + 'multi-ov', removeNode);
}

function writeBreadcrumb(element) {
  if (ui.breadcrumb) ui.breadcrumb.textContent = element ? elementPath(element) : '';
}

function selectElement(element) {
  var editing = state.textEditing;
  if (editing && editing !== element && !editing.contains(element)) endTextEditing();
  clearMultiSelection();
  state.selected = element;
  placeOutline(ui.selOv, element);
  hideOutline(ui.hoverOv);
  writeBreadcrumb(element);
  refreshToolbar();
}

// Text editing outlives a cleared selection on purpose: Escape leaves text editing first and only
// a second Escape drops the selection.
function clearSelection() {
  state.selected = null;
  hideOutline(ui.selOv);
  writeBreadcrumb(null);
  clearMultiSelection();
  refreshToolbar();
}
