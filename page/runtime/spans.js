// The span table of the model's text: where each element's start tag and end stand, by the
// element's number, made from the opened text in slices after opening or at once where it is
// needed first, and kept in step with every change to the text. No page is needed here.

function ensureSpans(model) {
  advanceSpans(model, null);
  return model.spans;
}

// Follows the opened text's markup further, until `outOfTime` says so; true once the span table
// is made. The text is still the opened one: every change to it makes the table first.
function advanceSpans(model, outOfTime) {
  if (model.spans) return true;
  if (!model.spanScan) model.spanScan = newSourceScan(model.pieces[0]);
  if (!continueScan(model.spanScan, outOfTime)) return false;
  model.spans = spanTableOf(model.spanScan);
  model.spanScan = null;
  return true;
}

// Many places of the text replaced at once, in order and apart from one another, none across a
// tag: one pass over the pieces and one over the elements' places, however many places there are.
function replaceModelRanges(model, edits) {
  ensureSpans(model);
  var pieces = [];
  var copied = 0;
  edits.forEach(function (edit) {
    copyPieces(model, copied, edit.from, pieces);
    if (edit.text) pieces.push(edit.text);
    copied = edit.to;
  });
  copyPieces(model, copied, model.length, pieces);
  model.pieces = pieces;
  reindexPieces(model, 0);
  shiftPlacesPast(model.spans, edits);
  model.textChanges++;
}

// A place at or after the end of an edit moves by what that edit and those before it added; no
// element begins or ends inside one.
function shiftPlacesPast(spans, edits) {
  var ends = new Int32Array(edits.length);
  var shifts = new Int32Array(edits.length + 1);
  edits.forEach(function (edit, index) {
    ends[index] = edit.to;
    shifts[index + 1] = shifts[index] + edit.text.length - (edit.to - edit.from);
  });
  var moved = function (at) {
    if (at < 0) return at;
    var low = 0;
    var high = ends.length;
    while (low < high) {
      var middle = (low + high) >> 1;
      if (ends[middle] <= at) low = middle + 1;
      else high = middle;
    }
    return at + shifts[low];
  };
  for (var id = 0; id < spans.count; id++) {
    spans.start[id] = moved(spans.start[id]);
    spans.tagEnd[id] = moved(spans.tagEnd[id]);
    spans.end[id] = moved(spans.end[id]);
  }
}

function forgetSpan(spans, id) {
  spans.start[id] = spans.tagEnd[id] = spans.end[id] = spans.parent[id] = -1;
}

// After [from, to) became `length` characters long: places after it move, the elements that
// hold it grow or shrink, and those inside it are no longer known, unless `placed` puts them at
// places relative to `from` again.
function shiftSpans(spans, from, to, length, placed) {
  var delta = length - (to - from);
  for (var id = 0; id < spans.count; id++) {
    var start = spans.start[id];
    if (start < 0) continue;
    var end = spans.end[id];
    if (start >= to) {
      spans.start[id] = start + delta;
      spans.tagEnd[id] += delta;
      if (end >= 0) spans.end[id] = end + delta;
    } else if (start >= from || spans.tagEnd[id] > from) {
      forgetSpan(spans, id);
    } else if (end > to || (end === to && to > from)) {
      spans.end[id] = end + delta;
    } else if (end > from) {
      forgetSpan(spans, id);
    }
  }
  (placed || []).forEach(function (mark) {
    setSpan(spans, mark.id, from + mark.start, from + mark.tagEnd, mark.end < 0 ? -1 : from + mark.end, mark.parent);
  });
}

// Every change to the model's text goes through here.
function replaceModelText(model, from, to, text, placed) {
  ensureSpans(model);
  replacePieces(model, from, to, text);
  shiftSpans(model.spans, from, to, text.length, placed);
  model.textChanges++;
}

function isSpanned(model, id) {
  var spans = ensureSpans(model);
  return id >= 0 && id < spans.count && spans.start[id] >= 0;
}

function isCertain(model, id) {
  return isSpanned(model, id) && model.spans.end[id] >= 0;
}

// Ids of elements that have a place inside [from, to), other than `except`.
function idsPlacedWithin(model, from, to, except) {
  var ids = [];
  var spans = model.spans;
  for (var id = 0; id < spans.count; id++) {
    if (id !== except && spans.start[id] >= from && spans.start[id] < to) ids.push(id);
  }
  return ids;
}

// The places of the marked elements inside [from, to), relative to `from`.
function placesWithin(model, from, to) {
  var spans = model.spans;
  return idsPlacedWithin(model, from, to, -1).map(function (id) {
    return {
      id: id, start: spans.start[id] - from, tagEnd: spans.tagEnd[id] - from,
      end: spans.end[id] < 0 ? -1 : spans.end[id] - from, parent: spans.parent[id]
    };
  });
}

function nextMarkId(model) {
  var id = ensureSpans(model).count;
  setSpan(model.spans, id, -1, -1, -1, -1);
  return id;
}
