// The content wrapper: while edit mode lasts, the document's body content sits in one box that
// zoom scales. The interface stays outside it, so it is never scaled with the content.

function setZoom(level) {
  state.zoomLevel = level;
  ensureContentWrapper();
  ui.contentWrap.style.transform = 'scale(' + level / 100 + ')';
  ui.contentWrap.style.transformOrigin = '50% 0';
  refreshToolbar();
}

function ensureContentWrapper() {
  if (ui.contentWrap) return;
  var wrapper = createUiElement('div', PREFIX + '-zoom-container ' + PREFIX + '-preview-container',
    { 'data-lmw-wrapper': 'content' });
  var content = [];
  forEachNode(document.body.childNodes, function (node) {
    if (!isEditorUi(node)) content.push(node);
  });
  content.forEach(function (node) { wrapper.appendChild(node); });
  document.body.appendChild(wrapper);
  ui.contentWrap = wrapper;
  if (state.zoomLevel !== 100) setZoom(state.zoomLevel);
}

// The zoom level stays in the state and is applied again on the next entry.
function removeContentWrapper() {
  if (!ui.contentWrap) return;
  unwrapElement(ui.contentWrap);
  delete ui.contentWrap;
}
