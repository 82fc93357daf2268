// The markup of the editor's icon link and runtime script, which the start page's hand-off and
// the runtime's own document replacement both put into every document they write.

function escapeAttribute(value) {
  return String(value).replace(/&/g, '&amp;').replace(/"/g, '&quot;');
}

function iconLinkMarkup(dataUri) {
  return '<link rel="icon" type="image/png" sizes="64x64" data-lmw-runtime="icon" href="' +
    escapeAttribute(dataUri) + '">';
}

var RUNTIME_SCRIPT_START = '<script data-lmw-runtime="editor">';
var RUNTIME_SCRIPT_END = '<\/script>';

function runtimeScriptMarkup(source) {
  return RUNTIME_SCRIPT_START + source + RUNTIME_SCRIPT_END;
}

function runtimeScriptText(markup) {
  return markup.slice(RUNTIME_SCRIPT_START.length, markup.length - RUNTIME_SCRIPT_END.length);
}
