// Pictures: inserted from a chosen file, pasted from the clipboard, replaced by dropping an image
// file onto an image. Every picture is embedded as a data URL, so a saved file stands alone.

// A read that fails adds nothing and records nothing. A read that ends after this instance has
// begun replacing the document must not touch the new document either.
function readAsDataUrl(file, done) {
  var reader = new FileReader();
  reader.onload = function () {
    if (!state.restoring && typeof reader.result === 'string') done(reader.result);
  };
  reader.readAsDataURL(file);
}

function createImage(dataUrl) {
  var image = document.createElement('img');
  image.src = dataUrl;
  image.style.maxWidth = '100%';
  return image;
}

function editedRangeFor(element) {
  var selection = window.getSelection();
  if (!selection.rangeCount) return null;
  var range = selection.getRangeAt(0);
  return range.intersectsNode(element) ? range : null;
}

// Typing goes on right after the picture: a selected text is replaced by it.
function putImageAtCaret(image, element) {
  var range = editedRangeFor(element);
  if (!range) {
    element.appendChild(image);
    return;
  }
  range.deleteContents();
  range.insertNode(image);
  range.setStartAfter(image);
  range.collapse(true);
  // The toolbar button took the focus; typing goes back to the element under edit.
  element.focus({ preventScroll: true });
  var selection = window.getSelection();
  selection.removeAllRanges();
  selection.addRange(range);
}

// A picture goes in at the caret of the element under edit, which is then written as it stands,
// or after the selected element (or at the end), with a text of its own.
function placeImage(dataUrl, reason, message) {
  var image = createImage(dataUrl);
  var editing = state.textEditing;
  var selected = state.selected;
  var atCaret = !!editing && editing.isConnected;
  editDocument({
    reason: reason,
    change: function () {
      if (atCaret) putImageAtCaret(image, editing);
      else if (isDocumentElement(selected) && selected.isConnected) selected.parentNode.insertBefore(image, selected.nextSibling);
      else (ui.contentWrap || document.body).appendChild(image);
    },
    after: function (model) {
      if (atCaret) noteEdited(model, editing);
      else insertInModel(model, image);
    },
    message: message
  });
  if (!atCaret) selectElement(image);
  refreshToolbar();
}

// Each click makes a fresh input that never enters the document; choosing nothing does nothing.
function insertImageFromPicker() {
  if (!state.active) return;
  var input = createUiElement('input', '', { type: 'file', accept: 'image/*' });
  input.addEventListener('change', function () {
    var file = input.files && input.files[0];
    if (file) readAsDataUrl(file, function (dataUrl) { placeImage(dataUrl, 'insertImage', '图片已插入'); });
  });
  input.click();
}

// A paste without pictures is the browser's: text and markup go into the element under edit.
function pasteImages(event) {
  if (!state.active || !event.clipboardData) return;
  forEachNode(event.clipboardData.items, function (item) {
    if (!startsWith(item.type, 'image')) return;
    event.preventDefault();
    var file = item.getAsFile();
    if (file) readAsDataUrl(file, function (dataUrl) { placeImage(dataUrl, 'pasteImage', '图片已粘贴'); });
  });
}

function imageToReplace(target) {
  if (target && target.tagName && target.tagName.toLowerCase() === 'img') return target;
  var selected = state.selected;
  return selected && selected.tagName.toLowerCase() === 'img' ? selected : null;
}

// A dropped file that is not a picture is refused with a note; the drop is cancelled all the
// same, so the browser never opens the file in place of the document being edited.
function dropImageFile(event) {
  var files = event.dataTransfer && event.dataTransfer.files;
  if (!files || !files.length) return;
  var file = files[0];
  event.preventDefault();
  if (!startsWith(file.type, 'image/')) {
    showToast('请拖入图片文件');
    return;
  }
  if (isEditorUi(event.target)) return;
  var image = imageToReplace(event.target);
  if (!image) {
    showToast('请选择要替换的图片元素');
    return;
  }
  readAsDataUrl(file, function (dataUrl) {
    editDocument({
      reason: 'image',
      change: function () { image.src = dataUrl; },
      after: function (model) { setAttributeInModel(model, image, 'src', image.getAttribute('src')); },
      message: '图片已替换'
    });
  });
}
