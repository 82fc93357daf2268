// Choosing an HTML file: the pickers' file types and options, the name test and the wording of
// failures, the same for the start page, for saving as and for opening from inside the editor.

var HTML_FILE_TYPES = [{ description: 'HTML 文件', accept: { 'text/html': ['.html', '.htm'] } }];
var HTML_PICKER_OPTIONS = { multiple: false, types: HTML_FILE_TYPES };

function isHtmlFileName(name) {
  return /\.html?$/i.test(name || '');
}

function errorText(error) {
  return (error && error.message) || '未知错误';
}

// A cancellation by the user: callers stay silent or say so plainly, never report a failure.
function isAbortError(error) {
  return !!error && error.name === 'AbortError';
}

// The File behind a handle, kept with the handle so that saving can write back through it.
function fileWithHandle(handle) {
  return handle.getFile().then(function (file) {
    return { file: file, handle: handle };
  });
}

// Resolves to the first chosen file with its handle, or to null when the picker returned none.
function pickHtmlFile() {
  return window.showOpenFilePicker(HTML_PICKER_OPTIONS).then(function (handles) {
    return handles && handles[0] ? fileWithHandle(handles[0]) : null;
  });
}
