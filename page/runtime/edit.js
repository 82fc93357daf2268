// The one door for every change the editor makes to the document. Every operation runs in the
// same phases: the history entry is recorded; the model takes in what it must read from the page
// as it stands; the page changes, unwatched for copies of marks; the model takes in what it must
// read from the new places; the document is marked changed. An operation is a plain object:
// - reason: the history entry's word, or none where the entry is already taken (a slider drag
//   going on with the entry its first move took);
// - spell: true for typing, whose entry is taken at the first input of a typing spell only;
// - before(model), change(), after(model): the phases, each optional; a change that returns false
//   did not happen, and the document is not marked changed;
// - message: the toast that tells of it.

function editDocument(operation) {
  if (state.restoring) return false;
  if (operation.spell) recordSpellEntry();
  else if (operation.reason) recordHistory(operation.reason);
  var model = state.model;
  if (operation.before) operation.before(model);
  var changed = true;
  if (operation.change) withoutObservation(model, function () { changed = operation.change() !== false; });
  if (!changed) return false;
  if (operation.after) operation.after(model);
  markChanged(operation.message);
  return true;
}
