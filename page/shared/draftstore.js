// Drafts of documents with unsaved changes, kept in this page's IndexedDB so that a browser that
// dies without asking loses nothing. A draft's record (file name, fingerprint, time and size) and
// its text stand in two stores, so that listing the drafts never reads their texts. The store is
// shared by every document the editor ever opens, and their scripts can read it: it never keeps a
// file handle, and a draft goes back onto its file only when the user points at that file.

var DRAFT_DATABASE = 'lumaweave-drafts';
var DRAFT_RECORDS = 'records';
var DRAFT_TEXTS = 'texts';
var DRAFT_LIMIT = 20;

function newDraftId() {
  return Date.now().toString(36) + '-' + Math.random().toString(36).slice(2, 10);
}

function openDraftDatabase() {
  return new Promise(function (resolve, reject) {
    if (!window.indexedDB) throw new Error('浏览器不支持本地存储');
    var request = window.indexedDB.open(DRAFT_DATABASE, 1);
    request.onupgradeneeded = function () {
      request.result.createObjectStore(DRAFT_RECORDS, { keyPath: 'id' });
      request.result.createObjectStore(DRAFT_TEXTS);
    };
    request.onsuccess = function () { resolve(request.result); };
    request.onerror = function () { reject(request.error); };
    request.onblocked = function () { reject(new Error('本地存储正被另一个窗口升级')); };
  });
}

// Runs `work(records, texts, settle)` in one transaction over both stores and resolves, once the
// transaction is durable, to what `work` settled on.
function draftTransaction(mode, work) {
  return openDraftDatabase().then(function (database) {
    return new Promise(function (resolve, reject) {
      var result;
      var transaction = database.transaction([DRAFT_RECORDS, DRAFT_TEXTS], mode);
      transaction.oncomplete = function () { database.close(); resolve(result); };
      transaction.onabort = function () { database.close(); reject(transaction.error || new Error('草稿存储被中止')); };
      work(transaction.objectStore(DRAFT_RECORDS), transaction.objectStore(DRAFT_TEXTS), function (value) {
        result = value;
      });
    });
  });
}

function newestFirst(records) {
  return records.sort(function (a, b) { return b.savedAt - a.savedAt; });
}

// The oldest drafts beyond the limit go in the same transaction that stores the new one.
function storeDraft(records, texts, draft, pieces) {
  records.put(draft);
  texts.put(pieces, draft.id);
  records.getAll().onsuccess = function (event) {
    newestFirst(event.target.result).slice(DRAFT_LIMIT).forEach(function (old) {
      records.delete(old.id);
      texts.delete(old.id);
    });
  };
}

function putDraft(draft, pieces) {
  return draftTransaction('readwrite', function (records, texts) {
    storeDraft(records, texts, draft, pieces);
  });
}

// Written through a connection already open, and committed at once: the page may be leaving,
// and nothing after this task is sure to run. The browser finishes the commit on its own.
function putDraftAtOnce(database, draft, pieces) {
  var transaction = database.transaction([DRAFT_RECORDS, DRAFT_TEXTS], 'readwrite');
  storeDraft(transaction.objectStore(DRAFT_RECORDS), transaction.objectStore(DRAFT_TEXTS), draft, pieces);
  if (typeof transaction.commit === 'function') transaction.commit();
}

// Earlier versions kept the file's handle in the draft's record, where any opened document's
// script could take it and write to that file: such handles are dropped from the store.
function forgetDraftHandles() {
  return draftTransaction('readwrite', function (records) {
    records.openCursor().onsuccess = function (event) {
      var cursor = event.target.result;
      if (!cursor) return;
      if ('handle' in cursor.value) {
        var record = cursor.value;
        delete record.handle;
        cursor.update(record);
      }
      cursor.continue();
    };
  });
}

function listDrafts() {
  return draftTransaction('readonly', function (records, texts, settle) {
    records.getAll().onsuccess = function (event) { settle(newestFirst(event.target.result)); };
  });
}

// A draft's text is kept as the pieces of the document's model, so that writing a draft never
// makes a copy of a whole large text in the page, which the page would then have to collect;
// drafts of earlier versions hold the text whole.
function draftTextOf(stored) {
  return Array.isArray(stored) ? stored.join('') : stored;
}

// Resolves to undefined when the draft is gone.
function readDraftText(id) {
  return draftTransaction('readonly', function (records, texts, settle) {
    texts.get(id).onsuccess = function (event) { settle(draftTextOf(event.target.result)); };
  });
}

function removeDraft(id) {
  return draftTransaction('readwrite', function (records, texts) {
    records.delete(id);
    texts.delete(id);
  });
}

// The draft of a file opened again unchanged since the draft's edits began, other than the one
// whose changes the user has just given up for another file; a store that cannot be read offers
// none. `listed`, when given, is the list of drafts already asked for.
function draftOfFile(fileName, fingerprint, givenUp, listed) {
  if (!fingerprint) return Promise.resolve(null);
  return (listed || listDrafts()).then(function (drafts) {
    return drafts.filter(function (draft) {
      return draft.fileName === fileName && draft.fingerprint === fingerprint && draft.id !== givenUp;
    })[0] || null;
  }, function () {
    return null;
  });
}

function draftTimeText(draft) {
  return new Date(draft.savedAt).toLocaleString('zh-CN', { hour12: false });
}

function restoreDraftQuestion(draft) {
  return '“' + draft.fileName + '”有一份未保存的草稿（' + draftTimeText(draft) + '）。\n\n' +
    '要恢复草稿吗？选择“取消”则打开磁盘上的文件，草稿仍会保留。';
}

// What an opened file shows: the codec's reading of it, or, when the user takes it, the draft
// kept for the same unchanged file, which opens with its unsaved changes.
function offerDraftOf(fileName, read, givenUp, listed) {
  return draftOfFile(fileName, read.fingerprint, givenUp, listed).then(function (draft) {
    if (!draft || !window.confirm(restoreDraftQuestion(draft))) return read;
    return readDraftText(draft.id).then(function (text) {
      return text === undefined ? read : draftReading(draft, text);
    });
  });
}

// A draft's text is what a save would write: UTF-8, declared so.
function draftReading(draft, text) {
  return { text: text, fingerprint: draft.fingerprint, encoding: 'utf-8', draftId: draft.id };
}
