// Document replacement: every document the runtime writes itself (undo, redo, another file)
// gets the icon link and the runtime script attached the same way the start page attached them.

function runtimeScriptForNextDocument() {
  var inlineText = '';
  var externalSrc = '';
  forEachNode(document.querySelectorAll('script[data-lmw-runtime="editor"]'), function (script) {
    if (script.hasAttribute('src')) externalSrc = externalSrc || script.src;
    else inlineText = inlineText || script.textContent;
  });
  if (inlineText) return runtimeScriptMarkup(inlineText);
  if (typeof window.EDITOR_JS_SOURCE === 'string') return runtimeScriptMarkup(window.EDITOR_JS_SOURCE);
  var src = externalSrc || new URL('editor.js', location.href).href;
  return '<script data-lmw-runtime="editor" src="' + escapeAttribute(src) + '"><\/script>';
}

function attachRuntime(html) {
  var icon = window.__LMW_APP_ICON_DATA_URI ? iconLinkMarkup(window.__LMW_APP_ICON_DATA_URI) : '';
  return insertRuntimeParts(html, icon, runtimeScriptForNextDocument());
}
