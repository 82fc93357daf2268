// Start-up of a runtime instance. The script stands at the end of the body and may run while
// the document is still loading; the instance then waits for the parsed document.

// A navigation the document itself starts (a link, a script, a form) asks first when there are
// unsaved changes, which are in their draft before the question.
function guardUnload(event) {
  if (!state.dirty || state.leaving) return undefined;
  writeDraftBeforeLeaving();
  event.preventDefault();
  event.returnValue = '';
  return '';
}

function takeAutoEditRequest() {
  try {
    if (sessionStorage.getItem(AUTO_EDIT_KEY) !== '1') return false;
    sessionStorage.removeItem(AUTO_EDIT_KEY);
    return true;
  } catch (ignored) {
    return false;
  }
}

// Nothing writes this localStorage key any more; it is cleared at every start, once the start is
// over: the first touch of localStorage waits on the browser's own process. The drafts themselves
// live in IndexedDB (drafts.js).
function forgetStorageDraftKey() {
  try {
    localStorage.removeItem('__lw-draft');
  } catch (ignored) {
    // A refused storage holds no draft either.
  }
}

// The text's tags, then the marks still to be given, then the span table, are made in slices
// from the first frame after opening; whatever needs them first makes the rest at once. A model
// left behind by a replaced document is not worked on.
function prepareModelInSlices(model) {
  inSlices(function (outOfTime) {
    if (state.model !== model || state.restoring) return true;
    return advancePreparation(model, outOfTime);
  });
}

function injectStylesheet() {
  var style = createUiElement('style', '', { 'data-lmw-runtime': 'style', text: runtimeStylesheet() });
  (document.head || document.documentElement).appendChild(style);
}

function startRuntime() {
  var autoEnter = !!window.__LW_AUTO_ENTER_EDIT;
  var handed = takeHandedDocument();
  state.model = takeDocumentModel(handed, writeAgainWithMarks);
  prepareModelInSlices(state.model);
  adoptWrittenWrapper();
  injectStylesheet();
  buildInterface();
  whenIdle(forgetStorageDraftKey);
  startDrafts();
  var historyArrived = restoreHistory();
  if (takeAutoEditRequest()) autoEnter = true;
  refreshToolbar();
  document.addEventListener('keydown', handleKeyDown);
  window.addEventListener('beforeunload', guardUnload);
  window.addEventListener('click', followPageLink, true);
  guardWindowDrops();
  if (autoEnter) enterEditMode();
  else removeContentWrapper();
  noticeReferences();
  tellGranted();
  // Told last, so that the edit-mode hint does not cover it.
  if (!historyArrived) showToast(HISTORY_LOST_MESSAGE, HISTORY_LOST_TOAST_MS);
}

if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', startRuntime);
else startRuntime();
