// The start page: asks for one local HTML file, reads it through the codec and hands its text
// to launchEditor, which replaces this page with the document and the editor runtime.

var STATUS_TEXTS = {
  tooOld: '当前浏览器版本过旧。Windows 7 请使用 Chrome / Edge 109，Windows 11 请使用当前版 Edge / Chrome。',
  noPicker: '当前浏览器仅支持读取并下载副本，不能直接覆盖原文件。建议改用 Edge / Chrome 86 或更高版本。',
  pickerOpening: '正在打开文件选择窗口...',
  cancelled: '已取消打开文件。',
  notHtml: '请选择 .html 或 .htm 文件。'
};

var fileInput = document.getElementById('file-input');
var dropZone = document.getElementById('drop-zone');
var openButton = document.getElementById('btn-open');
var statusLine = document.getElementById('status');

function setStatus(text, type) {
  statusLine.textContent = text;
  statusLine.className = type ? 'status ' + type : 'status';
}

function isHtmlFile(file) {
  return !!file && isHtmlFileName(file.name);
}

function minimumBrowserReady() {
  return !!(window.Promise && window.FileReader && window.DOMParser && window.Uint8Array &&
    window.Blob && window.URL && window.TextDecoder && window.crypto && window.crypto.subtle &&
    window.LumaweaveFileCodec && document.querySelector && window.addEventListener);
}

function launchEditor(source, handle, fileName, fingerprint, encoding) {
  var text = documentForEditing(source);
  if (!text) return;

  var iconLink = document.getElementById('lmw-app-icon');
  window.__LW_OPEN_FILE_HANDLE = handle || null;
  window.__LW_OPEN_FILE_NAME = fileName || '';
  window.__LW_CAN_OVERWRITE = !!handle;
  window.__LW_AUTO_ENTER_EDIT = true;
  window.__LW_DIRTY = false;
  window.__LW_ENTRY_URL = location.href;
  window.__LMW_OPEN_FILE_FINGERPRINT = fingerprint || '';
  window.__LMW_OPEN_FILE_ENCODING = encoding || 'utf-8';
  window.__LMW_APP_ICON_DATA_URI = iconLink ? iconLink.getAttribute('href') : '';

  var iconMarkup = window.__LMW_APP_ICON_DATA_URI ? iconLinkMarkup(window.__LMW_APP_ICON_DATA_URI) : '';
  writeSourceDocument(text, iconMarkup, runtimeScriptMarkup(window.EDITOR_JS_SOURCE));
}

function readFile(file, handle) {
  if (!isHtmlFile(file)) {
    setStatus(STATUS_TEXTS.notHtml, 'error');
    return Promise.resolve();
  }
  setStatus('正在读取：' + file.name);
  return window.LumaweaveFileCodec.readFile(file).then(function (result) {
    launchEditor(result.text, handle || null, file.name, result.fingerprint, result.encoding);
  }).catch(function (error) {
    if (isAbortError(error)) setStatus((error && error.message) || STATUS_TEXTS.cancelled);
    else setStatus('文件读取失败：' + errorText(error), 'error');
  });
}

function chooseFile() {
  if (!window.showOpenFilePicker) {
    fileInput.value = '';
    fileInput.click();
    return;
  }
  setStatus(STATUS_TEXTS.pickerOpening);
  pickHtmlFile().then(function (picked) {
    if (picked) return readFile(picked.file, picked.handle);
  }, function (error) {
    if (isAbortError(error)) setStatus(STATUS_TEXTS.cancelled);
    else setStatus('无法打开文件：' + errorText(error), 'error');
  });
}

function handleDragOver(event) {
  event.preventDefault();
  dropZone.classList.add('dragover');
}

function handleDragLeave() {
  dropZone.classList.remove('dragover');
}

// The File is taken during the drop event itself: browsers may empty the drop's file list once
// the event is over, and the handle request settles only later.
function handleDrop(event) {
  event.preventDefault();
  dropZone.classList.remove('dragover');
  var transfer = event.dataTransfer;
  var item = transfer && transfer.items && transfer.items[0];
  var droppedFile = (transfer && transfer.files && transfer.files[0]) || null;
  if (!item || typeof item.getAsFileSystemHandle !== 'function') {
    if (droppedFile) readFile(droppedFile, null);
    return;
  }
  item.getAsFileSystemHandle().then(function (handle) {
    return handle && handle.kind === 'file' ? fileWithHandle(handle) : null;
  }).catch(function () {
    return null;
  }).then(function (picked) {
    if (picked) readFile(picked.file, picked.handle);
    else if (droppedFile) readFile(droppedFile, null);
  });
}

function handleInputChange() {
  var file = fileInput.files && fileInput.files[0];
  if (file) readFile(file, null);
}

function startPage() {
  if (!minimumBrowserReady()) {
    openButton.disabled = true;
    dropZone.style.cursor = 'not-allowed';
    setStatus(STATUS_TEXTS.tooOld, 'error');
    return;
  }
  if (!window.showOpenFilePicker) setStatus(STATUS_TEXTS.noPicker);
  openButton.addEventListener('click', chooseFile);
  dropZone.addEventListener('click', chooseFile);
  dropZone.addEventListener('dragover', handleDragOver);
  dropZone.addEventListener('dragleave', handleDragLeave);
  dropZone.addEventListener('drop', handleDrop);
  fileInput.addEventListener('change', handleInputChange);
}

startPage();
