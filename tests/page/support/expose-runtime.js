// Test builds only: hands the runtime's internals to the test driver. The shipped page never
// carries this file; each runtime instance replaces the previous one's entry.
window.__lmwRuntime = {
  state: state,
  ui: ui,
  serializeDocument: serializeDocument,
  putDraft: putDraft,
  writeDraft: writeDraft,
  stripMarkers: stripMarkers,
  writeWithRuntime: writeWithRuntime,
  noteEdited: function (node) { noteEdited(state.model, node); },
  openAnotherFile: openAnotherFile,
  publishHandoffGlobals: publishHandoffGlobals,
  toggleEditMode: toggleEditMode,
  recordHistory: recordHistory,
  bindPress: bindPress,
  detectPages: detectPages,
  beginPageDetection: beginPageDetection,
  advancePageDetection: advancePageDetection,
  inSlices: inSlices,
  runFind: runFind,
  replaceAll: replaceAll,
  clearHighlights: clearHighlights,
  undo: undo,
  redo: redo,
  saveDocument: saveDocument,
  saveDocumentAs: saveDocumentAs,
  suggestedFileName: suggestedFileName,
  markChanged: markChanged,
  overwriteSave: overwriteSave,
  redeclarableDocument: function (text, canRedeclare) {
    return composeDocument(text, documentTags(text), { canRedeclare: canRedeclare });
  },
  canRedeclareInWindow: canRedeclareInWindow,
  selectElement: selectElement,
  fillStylePanel: fillStylePanel
};

// When this instance started, on the window's clock, for the benchmarks.
if (document.readyState === 'loading') {
  document.addEventListener('DOMContentLoaded', function () { window.__lmwStartedAt = performance.timeOrigin + performance.now(); });
} else {
  window.__lmwStartedAt = performance.timeOrigin + performance.now();
}

// When the document this instance stands in is first shown with what it refers to loaded: the
// first frame after its load event, for the benchmarks.
window.addEventListener('load', function () {
  requestAnimationFrame(function () {
    setTimeout(function () { window.__lmwShownAt = performance.timeOrigin + performance.now(); }, 0);
  });
});
