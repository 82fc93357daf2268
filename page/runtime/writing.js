// Writing the document again into the window, as undo, redo, a granted folder and another page
// of it do: every document the runtime writes itself gets the icon link and the runtime script
// attached the same way the start page attached them, and the files of a granted folder served.

/* global closeDraftConnection, handOverHistory, withServedFiles */

function runtimeScriptForNextDocument() {
  var inlineText = '';
  var externalSrc = '';
  forEachNode(document.querySelectorAll(RUNTIME_SCRIPTS), function (script) {
    if (script.hasAttribute('src')) externalSrc = externalSrc || script.src;
    else inlineText = inlineText || script.textContent;
  });
  if (inlineText) return runtimeScriptMarkup(inlineText);
  if (typeof window.EDITOR_JS_SOURCE === 'string') return runtimeScriptMarkup(window.EDITOR_JS_SOURCE);
  var src = externalSrc || new URL('editor.js', location.href).href;
  return '<script data-lmw-runtime="editor" src="' + escapeAttribute(src) + '"><\/script>';
}

// Writes a document's text into the window with the icon link and the runtime script attached,
// and the files of a granted folder served; `how` as writeSourceDocument takes it.
function writeWithRuntime(html, how) {
  closeDraftConnection();
  var icon = window.__LMW_APP_ICON_DATA_URI ? iconLinkMarkup(window.__LMW_APP_ICON_DATA_URI) : '';
  var script = runtimeScriptForNextDocument();
  withServedFiles(html, function (served) {
    writeSourceDocument(html, icon, script, { marked: !!(how && how.marked), declared: !!(how && how.declared), served: served });
  });
}

// A text whose parsed tree could not be walked in the order of its tags is written again, its
// elements' marks in it this time, with the state and stacks handed on as undo hands them; this
// instance does nothing more. Nothing has changed the text before its tags were read.
function writeAgainWithMarks(model) {
  state.restoring = true;
  publishHandoffGlobals();
  handOverHistory();
  writeWithRuntime(modelText(model), { marked: true, declared: model.declaredAt === model.textChanges });
}
