// The document's model: the text it was opened with, plus the user's edits, never what its own
// scripts made of it. Saving, copying and every history entry take their text from here. The
// model is built in layers, each in a file of its own and each using only those below it: the
// text as pieces (this file), the span table of where each element stands in it (spans.js), the
// marks that tie live elements to their spans (marks.js), rewriting the text around an edit
// (rewrite.js), changing start tags (starttags.js), and finding where a text node's characters
// were written (textplaces.js). Every routine takes the model it works on.
//
// The words the model uses:
// - piece: a slice of the text as one string; the text is its pieces joined, so that a history
//   entry shares the unchanged text instead of copying it.
// - place: an offset in the text.
// - span: where an element stands in the text: its start tag's start and end, its own end, its
//   parent; kept for every element by its number, the span table.
// - mark: the number of an element's start tag in the text, which the live element carries in an
//   attribute (data-lmw-n) so that it can be traced back to its span.
// - certain: an element whose end the text settles, so that its text can be cut out alone; the
//   parser restructures some markup, and there the end is uncertain (-1).
// - settled: of the elements around an edit, the nearest whose end is certain.
// - trusted: a live element whose mark has a span and stands on no other live element.
// - census: one reading of every mark in the live document, taken where many elements must be
//   told apart at once.
// - registry: the live element last found holding each mark, with the count of foreign insertions
//   (`insertionsSeen`) at which it was found so; an insertion of the document's own scripts may
//   have copied a mark since.
// - pending: live nodes edited since the text last took in the edits (typing goes on meanwhile).
// - spell: one run of typing into an element under edit, recorded as one history entry.
// - preparation: what the model works out after opening, in slices, in this order: reading the
//   written tags (a text written without its marks), giving the marks, making the span table;
//   its phase names where it stands.

// The text as one string made of the pieces: joined, not copied.
function joinPieces(pieces) {
  var text = '';
  for (var i = 0; i < pieces.length; i++) text += pieces[i];
  return text;
}

// A model of a text whose span table is given, or is made later (null). `textChanges` counts the
// changes to the text; `declaredAt` is the count at which the text last declared UTF-8, and
// `declaredUtf8` whether a declaration was put in for a text read in another encoding. The
// preparation's `phase` is 'reading', 'marking', 'spanning' or 'ready' ('abandoned' when the
// text is being written again instead); `preparation` holds what the phase under way works on.
// `writeAgain`, given by the runtime, writes a text whose tags cannot be read into the window
// once more, with its marks.
function newModel(text, spans) {
  return {
    pieces: [text], offsets: [0], length: text.length, spans: spans, spanScan: null,
    textChanges: 0, declaredAt: -1, declaredUtf8: false,
    pending: [], registry: [], verifiedAt: [], insertionsSeen: 0, observer: null,
    phase: 'ready', preparation: null, writeAgain: null
  };
}

function pieceAt(model, at) {
  var low = 0;
  var high = model.pieces.length - 1;
  while (low < high) {
    var middle = (low + high + 1) >> 1;
    if (model.offsets[middle] <= at) low = middle;
    else high = middle - 1;
  }
  return low;
}

// The model's text between two places, taken from the pieces.
function modelSlice(model, from, to) {
  if (from >= to) return '';
  var text = '';
  for (var i = pieceAt(model, from); i < model.pieces.length && model.offsets[i] < to; i++) {
    var start = model.offsets[i];
    text += model.pieces[i].slice(Math.max(0, from - start), Math.min(model.pieces[i].length, to - start));
  }
  return text;
}

// The pieces with [from, to) replaced by the given text.
function replacePieces(model, from, to, text) {
  var first = pieceAt(model, from);
  var last = pieceAt(model, Math.max(from, to - 1));
  var head = model.pieces[first].slice(0, from - model.offsets[first]);
  var tailPiece = model.pieces[last];
  var tail = tailPiece.slice(Math.min(tailPiece.length, to - model.offsets[last]));
  var middle = [head, text, tail].filter(function (piece) { return piece.length > 0; });
  model.pieces.splice.apply(model.pieces, [first, last - first + 1].concat(middle));
  reindexPieces(model, first);
}

// The offsets of the pieces from `first` on, and the length, after the pieces changed there.
function reindexPieces(model, first) {
  model.offsets.length = first;
  var at = first ? model.offsets[first - 1] + model.pieces[first - 1].length : 0;
  for (var i = first; i < model.pieces.length; i++) {
    model.offsets.push(at);
    at += model.pieces[i].length;
  }
  if (!model.pieces.length) {
    model.pieces.push('');
    model.offsets.push(0);
  }
  model.length = at;
}

// The pieces of the text between two places, as slices of the pieces, added to `into`.
function copyPieces(model, from, to, into) {
  for (var i = pieceAt(model, from); from < to && i < model.pieces.length && model.offsets[i] < to; i++) {
    var start = model.offsets[i];
    var piece = model.pieces[i];
    var slice = piece.slice(Math.max(0, from - start), Math.min(piece.length, to - start));
    if (slice.length) into.push(slice);
  }
}

function modelText(model) {
  return joinPieces(model.pieces);
}
