// The content wrapper, zoom and device preview: while edit mode lasts, the document's body content
// sits in one wrapper that zoom scales and the preview narrows. The interface stays outside it,
// so it is never scaled with the content.

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
}

function zoomIn() {
  setZoom(Math.min(ZOOM_MAX, state.zoomLevel + ZOOM_STEP));
}

function zoomOut() {
  setZoom(Math.max(ZOOM_MIN, state.zoomLevel - ZOOM_STEP));
}

function ensureContentWrapper() {
  if (ui.contentWrap) return;
  var wrapper = createUiElement('div', PREFIX + '-zoom-container ' + PREFIX + '-preview-container',
    { 'data-lmw-wrapper': 'content' });
  var content = [];
  forEachNode(document.body.childNodes, function (node) {
    if (!isEditorUi(node)) content.push(node);
  });
  withoutObservation(function () {
    content.forEach(function (node) { wrapper.appendChild(node); });
    document.body.appendChild(wrapper);
  });
  ui.contentWrap = wrapper;
  if (state.zoomLevel !== 100) setZoom(state.zoomLevel);
  fitContentWrapper();
}

// A document written without its marks has the wrapper in its text already, around the body's
// content, which spares moving every node of a large document into it. What the parser put after
// it (the runtime's own script, content after the body's end tag) joins it; a wrapper the parser
// left anywhere but first in the body is taken apart.
function adoptWrittenWrapper() {
  var first = document.body && document.body.firstElementChild;
  if (!first || first.getAttribute('data-lmw-wrapper') !== 'content') {
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
  withoutObservation(function () { unwrapElement(ui.contentWrap); });
  delete ui.contentWrap;
}

function setPreviewSize(width, height) {
  state.previewActive = !!width;
  state.previewMode = width ? { width: width, height: height } : null;
  var wrapper = ui.contentWrap;
  if (wrapper) {
    wrapper.style.width = width ? width + 'px' : '';
    wrapper.style.maxWidth = width ? '100%' : '';
    wrapper.style.margin = width ? '0 auto' : '';
  }
  fitContentWrapper();
  refreshToolbar();
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
