// The undo history's recording side, and document replacement: every document the runtime
// writes itself (undo, redo, another file) gets the icon link and the runtime script attached
// the same way the start page attached them.

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

// Undo works on whole-document snapshots: every operation records the document as it stands,
// before it changes anything, and the redo stack is forgotten from then on.
function pushHistoryEntry(entry) {
  state.history.push(entry);
  if (state.history.length > HISTORY_LIMIT) state.history.shift();
  state.future = [];
}

function historyEntry(reason) {
  return { html: serializeDocument(), reason: reason || 'change' };
}

// Once this instance has begun replacing the document, nothing it sees is worth recording.
function recordHistory(reason) {
  if (state.restoring) return;
  state.pendingTextSnapshot = null;
  pushHistoryEntry(historyEntry(reason));
  refreshToolbar();
}
