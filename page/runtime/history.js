// The undo history: entries recorded before every edit (through the one door, edit.js), undo and
// redo writing a snapshot in place of the document, and the stacks handed from one runtime
// instance to the next.

// Undo works on whole-document snapshots: every operation records the document as it stands,
// before it changes anything, and the redo stack is forgotten from then on.
function pushHistoryEntry(entry) {
  pushLimited(state.history, entry);
  state.future = [];
}

function pushLimited(stack, entry) {
  stack.push(entry);
  if (stack.length > HISTORY_LIMIT) stack.shift();
}

// An entry is taken before every change the editor makes, so the elements have their marks
// before any of them moves.
function historyEntry(reason) {
  ensureSourceMarks(state.model);
  return { html: serializeDocument(), reason: reason || 'change' };
}

// A typing spell's entry holds the document as it was when the spell began. The model takes in
// typing only when something reads it, so once the edits before the spell are in, it keeps that
// document until the spell's first input: the press brings those edits in, and the first input
// takes the entry before its own edit is noted. A press thus costs no copy of the document.
function awaitSpellEntry() {
  flushModel(state.model);
  state.spellAwaitsEntry = true;
}

function recordSpellEntry() {
  if (!state.spellAwaitsEntry) return;
  state.spellAwaitsEntry = false;
  pushHistoryEntry(historyEntry('text'));
}

function recordHistory(reason) {
  state.spellAwaitsEntry = false;
  pushHistoryEntry(historyEntry(reason));
  refreshToolbar();
}

// Undo and redo replace the whole document with a snapshot. The stacks travel to the next
// instance through a window global, which survives the rewrite whatever its size; sessionStorage,
// whose quota a few snapshots of a large document overflow, carries them only when the global
// cannot.
var HISTORY_LOST_MESSAGE = '存储空间不足，历史记录可能丢失';
var HISTORY_LOST_TOAST_MS = 4000;

// Opening another file starts without history, whichever way the stacks would have come.
function forgetHistory() {
  window.__LW_HISTORY_STACKS = undefined;
  forgetSessionKeys(HISTORY_KEYS);
}

// The stacks are handed over as one object, so the next instance gets both whole or neither.
function handOverStacksThroughWindow() {
  var stacks = { history: state.history.slice(), future: state.future.slice() };
  window.__LW_HISTORY_STACKS = stacks;
  return window.__LW_HISTORY_STACKS === stacks;
}

// Stale keys go first, so a stack whose write fails is missing rather than an older one.
function writeHistoryStorage(withStacks) {
  forgetSessionKeys(HISTORY_KEYS);
  var writes = withStacks ? [[HISTORY_KEY, JSON.stringify(state.history)], [FUTURE_KEY, JSON.stringify(state.future)]] : [];
  writes.push([RESTORING_KEY, '1'], [AUTO_EDIT_KEY, '1']);
  try {
    writes.forEach(function (write) {
      sessionStorage.setItem(write[0], write[1]);
    });
  } catch (ignored) {
    // The next instance finds a stack missing and tells the user that history was lost.
  }
}

function handOverHistory() {
  var carried = false;
  try {
    carried = handOverStacksThroughWindow();
  } catch (ignored) {
    // A window that refuses the global leaves sessionStorage to carry the stacks.
  }
  writeHistoryStorage(!carried);
}

// A save under way must end in the instance that started it: its outcome (the new fingerprint,
// the dirty flag) belongs to this state, which a replacement would leave behind unread.
function refusedWhileSaving() {
  if (!state.saving) return false;
  showToast('正在保存，请稍候再试');
  return true;
}

// Undo and redo are mirror images: the taken snapshot replaces the document, and the document as
// it stands goes onto the other stack.
function stepThroughHistory(from, to, reason, emptyMessage) {
  if (!from.length) {
    showToast(emptyMessage);
    return;
  }
  if (refusedWhileSaving()) return;
  var entry = from.pop();
  pushLimited(to, { html: serializeAndLeaveTextEditing(), reason: reason });
  handOverHistory();
  replaceDocument(entry.html);
}

function undo() {
  stepThroughHistory(state.history, state.future, 'redo', '没有可撤销的操作');
}

function redo() {
  stepThroughHistory(state.future, state.history, 'undo', '没有可复原的操作');
}

// The replaced document starts dirty, and the next instance finds that in the published globals.
// Every snapshot is a clean text, which already declares UTF-8.
function replaceDocument(html) {
  state.restoring = true;
  setDirty(true);
  publishHandoffGlobals();
  try {
    sessionStorage.setItem(RESTORING_KEY, '1');
  } catch (ignored) {
    // The stacks may still arrive through the window.
  }
  writeWithRuntime(html, { declared: true });
}

function isHistoryEntry(entry) {
  return !!entry && typeof entry.html === 'string';
}

function isWholeStack(stack) {
  return Array.isArray(stack) && stack.every(isHistoryEntry);
}

function takeStacksFromWindow() {
  var stacks = window.__LW_HISTORY_STACKS;
  window.__LW_HISTORY_STACKS = undefined;
  if (!stacks || !isWholeStack(stacks.history) || !isWholeStack(stacks.future)) return false;
  state.history = stacks.history;
  state.future = stacks.future;
  return true;
}

// True when the stack arrived whole. Undo and redo always write both stacks, so one that is
// missing now was lost to a full storage.
function restoreStackFromStorage(key, field) {
  var text = sessionStorage.getItem(key);
  if (text === null) return false;
  var stack = JSON.parse(text) || [];
  if (!isWholeStack(stack)) return false;
  state[field] = stack;
  sessionStorage.removeItem(key);
  return true;
}

function restoreStacksFromStorage() {
  if (sessionStorage.getItem(RESTORING_KEY) !== '1') return true;
  sessionStorage.removeItem(RESTORING_KEY);
  var historyArrived = restoreStackFromStorage(HISTORY_KEY, 'history');
  return restoreStackFromStorage(FUTURE_KEY, 'future') && historyArrived;
}

// False when history the previous instance handed over was lost on the way.
function restoreHistory() {
  if (takeStacksFromWindow()) {
    forgetSessionKeys(HISTORY_KEYS);
    return true;
  }
  var whole = false;
  try {
    whole = restoreStacksFromStorage();
  } catch (ignored) {
    // Unreachable storage or text that is not JSON: whatever arrived before stays.
  }
  return whole;
}
