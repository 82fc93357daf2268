// The markup of the editor's icon link and runtime script, which the start page's hand-off and
// the runtime's own document replacement both put into every document they write.

function escapeAttribute(value) {
  return String(value).replace(/&/g, '&amp;').replace(/"/g, '&quot;');
}

function iconLinkMarkup(dataUri) {
  return '<link rel="icon" type="image/png" sizes="64x64" data-lmw-runtime="icon" href="' +
    escapeAttribute(dataUri) + '">';
}

var RUNTIME_SCRIPTS = 'script[data-lmw-runtime="editor"]';
var RUNTIME_SCRIPT_START = '<script data-lmw-runtime="editor">';

function runtimeScriptMarkup(source) {
  return RUNTIME_SCRIPT_START + source + '<\/script>';
}
