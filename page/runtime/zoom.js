// The content wrapper, zoom and device preview: while edit mode lasts, the document's body content
// sits in one wrapper that zoom scales and the preview narrows. The interface stays outside it,
// so it is never scaled with the content.

/* global detectPagesAfterChange */

var ZOOM_MIN = 50;
var ZOOM_MAX = 200;
var ZOOM_STEP = 10;
var PREVIEW_SIZES = [
  { label: '手机 (375×667)', width: 375, height: 667 },
  { label: '平板 (768×1024)', width: 768, height: 1024 },
  { label: '桌面 (1280×800)', width: 1280, height: 800 },
  { label: '原始', width: 0, height: 0 }
];

// At 100% without a preview the wrapper generates no box of its own, so every element keeps the
// box it has in view mode: height:100% chains from html and body still reach the slides, and a
// first child's top margin still collapses through the body. Zoom and preview need a real box.
function fitContentWrapper() {
  var wrapper = ui.contentWrap;
  if (!wrapper) return;
  wrapper.style.display = state.zoomLevel === 100 && !state.previewActive ? 'contents' : '';
}

function setZoom(level) {
  state.zoomLevel = level;
  ensureContentWrapper();
  ui.contentWrap.style.transform = 'scale(' + level / 100 + ')';
  ui.contentWrap.style.transformOrigin = '50% 0';
  fitContentWrapper();
  refreshToolbar();
  detectPagesAfterChange();
}

function zoomIn() {
  setZoom(Math.min(ZOOM_MAX, state.zoomLevel + ZOOM_STEP));
}

function zoomOut() {
  setZoom(Math.max(ZOOM_MIN, state.zoomLevel - ZOOM_STEP));
}

function newContentWrapper() {
  ui.contentWrap = createUiElement('div', PREFIX + '-zoom-container ' + PREFIX + '-preview-container',
    { 'data-lmw-wrapper': 'content' });
  fitContentWrapper();
  return ui.contentWrap;
}

// The body's own nodes that stand before `stop` (or all of them), in their order.
function bodyContentBefore(stop) {
  var content = [];
  for (var node = document.body.firstChild; node && node !== stop; node = node.nextSibling) {
    if (!isEditorUi(node)) content.push(node);
  }
  return content;
}

// A wrapper put in place before the content stands last in the body; the content goes in at its
// start, in its order, ahead of whatever was put into the wrapper meanwhile.
function ensureContentWrapper() {
  var wrapper = ui.contentWrap;
  if (wrapper) {
    var first = wrapper.firstChild;
    var outside = bodyContentBefore(wrapper);
    withoutObservation(state.model, function () {
      outside.forEach(function (node) { wrapper.insertBefore(node, first); });
    });
    return;
  }
  wrapper = newContentWrapper();
  var content = bodyContentBefore(null);
  withoutObservation(state.model, function () {
    content.forEach(function (node) { wrapper.appendChild(node); });
    document.body.appendChild(wrapper);
  });
  if (state.zoomLevel !== 100) setZoom(state.zoomLevel);
}

// Moving every node of the body costs about as much as laying the whole document out, and the
// browser then lays all of it out again. At 100% without a preview the wrapper has no box of its
// own and changes nothing shown, so a later entry only puts it in place: the content moves in
// when zoom or a preview gives it a box. The first entry of an instance comes at start-up,
// before the first frame has laid the content out, and moves it at once.
function wrapContent() {
  var later = state.enteredBefore && state.zoomLevel === 100 && !state.previewActive;
  state.enteredBefore = true;
  if (!later) {
    ensureContentWrapper();
    return;
  }
  var wrapper = newContentWrapper();
  withoutObservation(state.model, function () { document.body.appendChild(wrapper); });
}

// A document written without its marks has the wrapper in its text already, around the body's
// content, which spares moving every node of a large document into it. What the parser put after
// it (the runtime's own script, content after the body's end tag) joins it; a wrapper the parser
// left anywhere but first in the body is taken apart.
function adoptWrittenWrapper() {
  var first = writtenContentWrapper();
  if (!first) {
    var misplaced = document.querySelector('[data-lmw-wrapper]');
    if (misplaced) unwrapElement(misplaced);
    return;
  }
  for (var node = first.nextSibling, next; node; node = next) {
    next = node.nextSibling;
    if (!isEditorUi(node)) first.appendChild(node);
  }
  ui.contentWrap = first;
  fitContentWrapper();
}

// The zoom level stays in the state and is applied again on the next entry.
function removeContentWrapper() {
  if (!ui.contentWrap) return;
  withoutObservation(state.model, function () { unwrapElement(ui.contentWrap); });
  delete ui.contentWrap;
}

function setPreviewSize(width, height) {
  state.previewActive = !!width;
  state.previewMode = width ? { width: width, height: height } : null;
  if (width) ensureContentWrapper();
  var wrapper = ui.contentWrap;
  if (wrapper) {
    wrapper.style.width = width ? width + 'px' : '';
    wrapper.style.maxWidth = width ? '100%' : '';
    wrapper.style.margin = width ? '0 auto' : '';
  }
  fitContentWrapper();
  refreshToolbar();
  detectPagesAfterChange();
}

function buildPreviewMenuItems() {
  PREVIEW_SIZES.forEach(function (size) {
    var item = createUiElement('button', PREFIX + '-ctxmenu-item', { type: 'button', text: size.label });
    item.addEventListener('click', function () {
      setPreviewSize(size.width, size.height);
      hidePreviewMenu();
    });
    ui.previewMenu.appendChild(item);
  });
}

function previewMenuShown() {
  return ui.previewMenu.style.display === 'block';
}

function hidePreviewMenu() {
  if (ui.previewMenu) ui.previewMenu.style.display = 'none';
  if (ui.previewCloseHandler) document.removeEventListener('click', ui.previewCloseHandler, true);
  delete ui.previewCloseHandler;
}

// The closer listens in the capture phase, so it sees clicks on the document's content too, which
// edit mode keeps from going any further.
function closePreviewMenuFromOutside(event) {
  var target = event.target;
  if (ui.previewMenu.contains(target) || target === ui.previewBtn) return;
  hidePreviewMenu();
}

function togglePreviewMenu() {
  if (previewMenuShown()) {
    hidePreviewMenu();
    return;
  }
  var box = ui.previewBtn.getBoundingClientRect();
  ui.previewMenu.style.left = box.left + 'px';
  ui.previewMenu.style.top = box.bottom + 4 + 'px';
  ui.previewMenu.style.display = 'block';
  var closer = closePreviewMenuFromOutside;
  ui.previewCloseHandler = closer;
  // The click that opened the menu is still on its way; the closer starts after it.
  setTimeout(function () {
    if (ui.previewCloseHandler === closer) document.addEventListener('click', closer, true);
  }, 0);
}
