// The draft of a document with unsaved changes: the text a save would write, kept in IndexedDB
// after a short quiet, whenever the page is hidden and before the page is left, so that a browser
// killed without asking loses nothing. A save that leaves nothing unsaved removes it; leaving the
// page never does.

var DRAFT_QUIET_MS = 2000;
var DRAFT_REFUSED_MESSAGE = '无法保存草稿（浏览器存储已满或被拒绝）；意外关闭时修改可能丢失，请及时保存';

var draftTimer = null;
// Draft writes and removals run one after another, so a removal is never overtaken by an
// earlier write that finishes later.
var draftWork = Promise.resolve();

// The returned promise fails with the step, for a caller that must know the draft is kept; the
// line of work goes on past a failure, which the user is told of.
function queueDraftWork(step) {
  var done = draftWork.then(step);
  draftWork = done.catch(tellDraftRefused);
  return done;
}

// Told once per document, across the replacements that undo and redo make.
function tellDraftRefused() {
  if (window.__LMW_DRAFT_REFUSAL_TOLD === state.draftId) return;
  window.__LMW_DRAFT_REFUSAL_TOLD = state.draftId;
  showToast(DRAFT_REFUSED_MESSAGE, 5000);
}

function scheduleDraft() {
  clearTimeout(draftTimer);
  draftTimer = setTimeout(writeDraftAfterQuiet, DRAFT_QUIET_MS);
  openDraftConnection();
}

// A page about to be left has no time to open the store: a document with unsaved changes keeps a
// connection open for that last write.
function openDraftConnection() {
  if (state.draftConnection) return;
  var connection = state.draftConnection = { database: null };
  openDraftDatabase().then(function (database) {
    database.onversionchange = function () { database.close(); };
    if (state.draftConnection === connection) connection.database = database;
    else database.close();
  }, function () {
    // The ordinary writes tell the user what the store refuses.
  });
}

// The window outlives this instance: its connection is closed before the document is replaced.
function closeDraftConnection() {
  var database = state.draftConnection && state.draftConnection.database;
  if (database) database.close();
  state.draftConnection = null;
}

// A save under way is writing the same edits to the file: the draft waits for its outcome, and
// is written only when that leaves the document unsaved.
function writeDraftAfterQuiet() {
  if (state.saving) scheduleDraft();
  else writeDraft();
}

// The size the text takes in UTF-8, counted piece by piece without encoding or joining it: a
// surrogate pair takes four bytes.
function utf8Length(pieces) {
  var length = 0;
  pieces.forEach(function (piece) {
    length += piece.length;
    for (var i = 0; i < piece.length; i++) {
      var code = piece.charCodeAt(i);
      if (code >= 0x80) length += code < 0x800 || (code >= 0xd800 && code <= 0xdfff) ? 1 : 2;
    }
  });
  return length;
}

function draftRecord(pieces) {
  return {
    id: state.draftId,
    fileName: state.fileName || '未命名文件',
    fingerprint: state.fileFingerprint,
    savedAt: Date.now(),
    size: utf8Length(pieces)
  };
}

// The record is taken now, while the state is this document's: a file opened next may replace
// the state before the write's turn comes.
function writeDraft() {
  clearTimeout(draftTimer);
  if (!state.dirty) return draftWork;
  var pieces = serializeDocumentPieces();
  var record = draftRecord(pieces);
  return queueDraftWork(function () { return putDraft(record, pieces); });
}

function discardDraft() {
  clearTimeout(draftTimer);
  var id = state.draftId;
  return queueDraftWork(function () { return removeDraft(id); });
}

// The last write before the page is left, made within this task; where the connection is not open
// yet, the ordinary write is started and may still land.
function writeDraftBeforeLeaving() {
  clearTimeout(draftTimer);
  var database = state.draftConnection && state.draftConnection.database;
  if (!database) {
    writeDraft();
    return;
  }
  var pieces = serializeDocumentPieces();
  try {
    putDraftAtOnce(database, draftRecord(pieces), pieces);
  } catch (refused) {
    tellDraftRefused();
  }
}

function writeDraftWhenHidden() {
  if (document.visibilityState === 'hidden' && state.dirty) writeDraft();
}

function startDrafts() {
  // The id reaches the next instance through the hand-off globals published before every replacement.
  if (!state.draftId) state.draftId = newDraftId();
  document.addEventListener('visibilitychange', writeDraftWhenHidden);
  if (state.dirty) scheduleDraft();
}
