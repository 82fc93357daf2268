// The markup of the editor's icon link and runtime script, which the start page's hand-off and
// the runtime's own document replacement both put into every document they write.

function escapeAttribute(value) {
  return String(value).replace(/&/g, '&amp;').replace(/"/g, '&quot;');
}

function iconLinkMarkup(dataUri) {
  return '<link rel="icon" type="image/png" sizes="64x64" data-lmw-runtime="icon" href="' +
    escapeAttribute(dataUri) + '">';
}

function runtimeScriptMarkup(source) {
  return '<script data-lmw-runtime="editor">' + source + '<\/script>';
}
