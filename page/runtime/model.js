// The document's model: the text it was opened with, plus the user's edits, never what its own
// scripts made of it. The text is kept as pieces (slices of the opened text and the markup of
// edited elements), so that a history entry shares the unchanged text instead of copying it;
// every marked element's place in the text is known, and an edit rewrites only the element it
// lands in. Saving, copying and every history entry take their text from here.

// The text as one string made of the pieces: joined, not copied.
function joinPieces(pieces) {
  var text = '';
  for (var i = 0; i < pieces.length; i++) text += pieces[i];
  return text;
}

// Where the opened text's elements stand is read in slices after opening, or at once where it is
// needed first: the text is written into the window without waiting for it. `revision`
// counts the changes to the text; `declaredAt` is the revision whose text last declared UTF-8.
function newModel(text, spans) {
  return {
    pieces: [text], offsets: [0], length: text.length, spans: spans, pending: [], registry: [], generation: 0,
    verifiedAt: [], revision: 0, declaredAt: -1, unread: null, unassigned: null, scan: null
  };
}

function ensureSpans(model) {
  advanceSpans(model, null);
  return model.spans;
}

// Follows the opened text's markup further, until `outOfTime` says so; true once the span table
// is made. The text is still the opened one: every change to it makes the table first.
function advanceSpans(model, outOfTime) {
  if (model.spans) return true;
  if (!model.scan) model.scan = newSourceScan(model.pieces[0]);
  if (!continueScan(model.scan, outOfTime)) return false;
  model.spans = spanTableOf(model.scan);
  model.scan = null;
  return true;
}

// The text's tags, then the marks still to be given, then the span table, are made in slices
// from the first frame after opening; whatever needs them first makes the rest at once.
function prepareInSlices(model) {
  inSlices(function (outOfTime) {
    if (state.model !== model || state.restoring) return true;
    return readWrittenTags(model, outOfTime) && !state.restoring && assignSourceMarks(model, outOfTime) &&
      advanceSpans(model, outOfTime);
  });
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
  model.revision++;
}

function modelText(model) {
  return joinPieces(model.pieces);
}

function takeHandedDocument() {
  var handed = window.__LMW_DOCUMENT_SOURCE;
  window.__LMW_DOCUMENT_SOURCE = undefined;
  return handed && typeof handed.text === 'string' ? handed : null;
}

// The model this instance starts from: the text the writer of the document handed over, with its
// elements' marks written into it or found later by walking the parsed tree, whose elements are
// taken now, before the runtime adds any. Without a text (a document written some other way) the
// live document is all there is.
function takeDocumentModel(handed) {
  if (!handed) {
    var live = newModel('<!DOCTYPE html>\n' + cleanMarkup(document.documentElement), newSpanTable(0));
    watchForCopies(live);
    return live;
  }
  var model = newModel(handed.text, null);
  if (handed.declared) model.declaredAt = model.revision;
  if (handed.unmarked) model.unread = { elements: document.querySelectorAll('*'), places: handed.unmarked.places };
  else watchForCopies(model);
  prepareInSlices(model);
  return model;
}

// Reads the tags of a text written without its marks, until `outOfTime` says so, and finds the
// element each made; true once that is over. The text is written again, marks and all, when the
// reading finds the editor's parts written in at other places than it would have put them, or a
// parsed tree that does not follow the tags: the model is then left with no marks to give.
function readWrittenTags(model, outOfTime) {
  var unread = model.unread;
  if (!unread) return true;
  if (!unread.reading) unread.reading = newQuickReading(modelText(model));
  if (!continueQuickReading(unread.reading, outOfTime)) return false;
  model.unread = null;
  var reading = unread.reading;
  var tags = reading.tags;
  var agree = !reading.failed && insertionsAgree(tags.places, unread.places, reading.text.length);
  var elements = agree ? elementsOfTags(unread.elements, tags.markNames) : null;
  if (elements) model.unassigned = { elements: elements, ids: tags.markIds, next: 0 };
  else writeAgainWithMarks(model);
  return true;
}

// Gives the walked elements their marks until `outOfTime`, if given, says so; true once every one
// has its mark, from when on copies of them are watched for. Nothing but the editor changes
// a document walked so, and the editor looks at the marks before every change it makes.
function assignSourceMarks(model, outOfTime) {
  var unassigned = model.unassigned;
  if (!unassigned) return true;
  while (unassigned.next < unassigned.elements.length) {
    var at = unassigned.next++;
    var id = unassigned.ids[at];
    unassigned.elements[at].setAttribute(SOURCE_MARK, String(id));
    model.registry[id] = unassigned.elements[at];
    model.verifiedAt[id] = model.generation;
    if (isTimeUp(outOfTime, unassigned.next)) return false;
  }
  model.unassigned = null;
  watchForCopies(model);
  return true;
}

// The text of a model read no further than this is being written again: whatever asked for the
// marks stops here, before it changes anything.
var WRITTEN_AGAIN = '文档正在重新载入';

function ensureSourceMarks(model) {
  if (model.unread) {
    readWrittenTags(model, null);
    if (!model.unassigned) throw new Error(WRITTEN_AGAIN);
  }
  assignSourceMarks(model, null);
}

var DUPLICATED_MARK = { duplicated: true };

function markOf(element) {
  var value = element && element.getAttribute ? element.getAttribute(SOURCE_MARK) : null;
  return value !== null && /^\d+$/.test(value) ? Number(value) : -1;
}

function markSelector(id) {
  return '[' + SOURCE_MARK + '="' + id + '"]';
}

function isSpanned(model, id) {
  var spans = ensureSpans(model);
  return id >= 0 && id < spans.count && spans.start[id] >= 0;
}

function isCertain(model, id) {
  return isSpanned(model, id) && model.spans.end[id] >= 0;
}

// Whatever the document's own scripts insert may be a copy of a marked element: from then on an
// element that was found to hold its mark alone is looked at again.
function watchForCopies(model) {
  if (!window.MutationObserver) return;
  model.observer = new MutationObserver(function (records) { noteMutations(model, records); });
  model.observer.observe(document.documentElement, {
    childList: true, subtree: true, attributes: true, attributeFilter: [SOURCE_MARK]
  });
}

function addsElements(record) {
  if (record.type === 'attributes') return !isEditorUi(record.target);
  for (var i = 0; i < record.addedNodes.length; i++) {
    if (record.addedNodes[i].nodeType === 1 && !isEditorUi(record.addedNodes[i])) return true;
  }
  return false;
}

function noteMutations(model, records) {
  if (records.some(addsElements)) model.generation++;
}

function takeMutations(model) {
  if (model.observer) noteMutations(model, model.observer.takeRecords());
}

// The editor's own moves of the document's elements (the content wrapper, element moves) copy
// nothing.
function withoutObservation(change) {
  var model = state.model;
  if (model) takeMutations(model);
  change();
  if (model && model.observer) model.observer.takeRecords();
}

// An element is trusted when its mark has a place in the text and no other element holds it.
function isTrusted(model, element) {
  var id = markOf(element);
  if (!isSpanned(model, id) || !element.isConnected) return false;
  var known = model.registry[id];
  if (known === DUPLICATED_MARK) return false;
  if (known === element && model.verifiedAt[id] === model.generation) return true;
  var holders = document.querySelectorAll(markSelector(id));
  if (holders.length > 1) model.registry[id] = DUPLICATED_MARK;
  if (holders.length !== 1 || holders[0] !== element) return false;
  model.registry[id] = element;
  model.verifiedAt[id] = model.generation;
  return true;
}

// Many elements are told apart at once by reading every mark of the document once.
var CENSUS_THRESHOLD = 24;

function takeMarkCensus(model) {
  var holders = [];
  forEachNode(document.querySelectorAll(SOURCE_MARK_SELECTOR), function (element) {
    var id = markOf(element);
    if (id < 0) return;
    holders[id] = holders[id] === undefined ? element : DUPLICATED_MARK;
  });
  holders.forEach(function (holder, id) {
    model.registry[id] = holder;
    model.verifiedAt[id] = model.generation;
  });
}

// A census is taken when more of the elements than a few are not known since the last change
// that could have copied one.
function takeCensusFor(model, elements) {
  var unknown = 0;
  elements.forEach(function (element) {
    var id = markOf(element);
    if (id >= 0 && (model.registry[id] !== element || model.verifiedAt[id] !== model.generation)) unknown++;
  });
  if (unknown > CENSUS_THRESHOLD) takeMarkCensus(model);
}

function isDocumentFrameNode(element) {
  return !element || element === document || element.nodeType !== 1;
}

// The nearest trusted element at or above a node, skipping what the editor put in between.
function trustedAncestor(model, node) {
  for (var element = node && (node.nodeType === 1 ? node : node.parentElement); !isDocumentFrameNode(element);
    element = element.parentElement) {
    if (markOf(element) >= 0 && isTrusted(model, element)) return element;
  }
  return null;
}

// The interface carries no marks, so every marked descendant is the document's.
function markedDescendants(element) {
  return Array.prototype.slice.call(element.querySelectorAll(SOURCE_MARK_SELECTOR));
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

// Whether any of the marks stands on a live element of the document.
function anyLive(ids) {
  if (!ids.length) return false;
  if (ids.length <= CENSUS_THRESHOLD) return !!document.querySelector(ids.map(markSelector).join(','));
  var wanted = {};
  ids.forEach(function (id) { wanted[id] = true; });
  var found = false;
  forEachNode(document.querySelectorAll(SOURCE_MARK_SELECTOR), function (element) {
    if (wanted[markOf(element)] === true && !isEditorUi(element)) found = true;
  });
  return found;
}

// The element's text can stand for it only while it holds, live, just the marked elements its
// text holds: one that a script moved in from elsewhere would be written twice, one it moved out
// would be lost. One that a script removed for good is not looked for.
function holdsItsOwnElements(model, element) {
  var id = markOf(element);
  var from = model.spans.start[id];
  var to = model.spans.end[id];
  var inside = {};
  var movedIn = markedDescendants(element).some(function (descendant) {
    var own = markOf(descendant);
    inside[own] = true;
    return isSpanned(model, own) && (model.spans.start[own] < from || model.spans.start[own] >= to);
  });
  if (movedIn) return false;
  return !anyLive(idsPlacedWithin(model, from, to, id).filter(function (own) { return !inside[own]; }));
}

// The live element as markup, cleaned of the editor's marking, its source marks kept.
function markupWithMarks(element) {
  var copy = element.cloneNode(true);
  stripEditorParts(copy);
  return copy.outerHTML;
}

function cleanMarkup(element) {
  var copy = element.cloneNode(true);
  stripMarkers(copy);
  return copy.outerHTML;
}

function nextMarkId(model) {
  var id = ensureSpans(model).count;
  setSpan(model.spans, id, -1, -1, -1, -1);
  return id;
}

// Elements that came into an element under rewrite (typed, pasted, made by a script) get marks of
// their own, so that a later edit in one of them rewrites it alone.
function markNewElements(model, element) {
  withoutObservation(function () {
    [element].concat(Array.prototype.slice.call(element.querySelectorAll('*'))).forEach(function (descendant) {
      if (descendant.hasAttribute(SOURCE_MARK) || UNMARKED_ELEMENTS[descendant.localName] === true ||
          isEditorUi(descendant)) return;
      var id = nextMarkId(model);
      descendant.setAttribute(SOURCE_MARK, String(id));
      model.registry[id] = descendant;
      model.verifiedAt[id] = model.generation;
    });
  });
}

// Puts markup where [from, to) stood: its marked elements get their places, the one of `id` (if
// given) keeps its parent.
function placeMarkup(model, from, to, markup, id) {
  var taken = takeSourceMarks(markup);
  var parent = id >= 0 ? model.spans.parent[id] : -1;
  taken.marks.forEach(function (mark) { if (mark.parent < 0) mark.parent = parent; });
  replaceModelText(model, from, to, taken.text, taken.marks);
}

// The element that holds the edit, written as it stands live.
function rewriteLive(model, element) {
  var id = markOf(element);
  markNewElements(model, element);
  placeMarkup(model, model.spans.start[id], model.spans.end[id], markupWithMarks(element), id);
}

// What stands before the html element in the text: the doctype and comments, as the file has them.
function documentPrefix(model) {
  var html = markOf(document.documentElement);
  if (isSpanned(model, html)) return modelSlice(model, 0, model.spans.start[html]);
  var head = modelSlice(model, 0, Math.min(model.length, 4096));
  return /^(?:\s+|<\!--[\s\S]*?-->|<![^>]*>|<\?[^>]*>)*/.exec(head)[0];
}

// With no element of the author's around an edit, the whole document is written as it stands.
function rewriteWholeDocument(model) {
  var prefix = documentPrefix(model);
  replaceModelText(model, 0, model.length, prefix, null);
  placeMarkup(model, prefix.length, prefix.length, markupWithMarks(document.documentElement), -1);
}

// The model's text with every placed element's mark back in its start tag, for an inert parse.
function markedModelText(model) {
  var spans = model.spans;
  var ids = [];
  for (var id = 0; id < spans.count; id++) if (spans.start[id] >= 0) ids.push(id);
  ids.sort(function (a, b) { return spans.start[a] - spans.start[b]; });
  var text = modelText(model);
  var pieces = [];
  var copied = 0;
  ids.forEach(function (own) {
    var nameEnd = stickyMatchEnd(TAG_NAME, text, spans.start[own] + 1);
    pieces.push(text.slice(copied, nameEnd), sourceMarkAttribute(own));
    copied = nameEnd;
  });
  pieces.push(text.slice(copied));
  return pieces.join('');
}

function idsIn(element) {
  var ids = {};
  forEachMatch(element, SOURCE_MARK_SELECTOR, function (descendant) { ids[markOf(descendant)] = true; });
  return ids;
}

// An edited element whose end the text does not settle is written as it stands live inside the
// nearest element around it that is settled, and that one as the author wrote it, from a parse of
// the model where no script runs. False when the edited element's live content would lose an
// element of the author's that a script moved out of it.
function rewriteInside(model, holder, edited) {
  var inert = new DOMParser().parseFromString(markedModelText(model), 'text/html');
  var inertEdited = inert.querySelector(markSelector(markOf(edited)));
  var inertHolder = holder ? inert.querySelector(markSelector(markOf(holder))) : inert.documentElement;
  if (!inertEdited || !inertHolder || !inertHolder.contains(inertEdited)) return false;
  var authored = idsIn(inertEdited);
  var live = idsIn(edited);
  var movedOut = Object.keys(authored).filter(function (id) { return !live[id]; }).map(Number);
  if (anyLive(movedOut)) return false;
  markNewElements(model, edited);
  var copy = inert.importNode(edited.cloneNode(true), true);
  stripEditorParts(copy);
  // Elements the author wrote elsewhere stand there; a script's move does not bring them here.
  forEachMatch(copy, SOURCE_MARK_SELECTOR, function (descendant) {
    var own = markOf(descendant);
    if (isSpanned(model, own) && !authored[own]) removeNode(descendant);
  });
  inertEdited.parentNode.replaceChild(copy, inertEdited);
  if (holder) {
    var id = markOf(holder);
    placeMarkup(model, model.spans.start[id], model.spans.end[id], inertHolder.outerHTML, id);
  } else {
    var prefix = documentPrefix(model);
    replaceModelText(model, 0, model.length, prefix, null);
    placeMarkup(model, prefix.length, prefix.length, inertHolder.outerHTML, -1);
  }
  return true;
}

// The nearest trusted element above `element` whose end is settled, or null for the document.
function settledAncestor(model, element) {
  for (var above = trustedAncestor(model, element.parentElement); above; above = trustedAncestor(model, above.parentElement)) {
    if (isCertain(model, markOf(above))) return above;
  }
  return null;
}

// Brings the model in line with an edit inside `node`: the nearest element of the author's
// around it is written as it stands live; where that element's text cannot stand for it alone,
// the next one around it is.
function rewriteAround(model, node) {
  var element = trustedAncestor(model, node);
  while (element) {
    var id = markOf(element);
    if (!isCertain(model, id)) {
      var holder = settledAncestor(model, element);
      if (rewriteInside(model, holder, element)) return;
      element = holder;
    } else if (holdsItsOwnElements(model, element)) {
      rewriteLive(model, element);
      return;
    } else {
      element = trustedAncestor(model, element.parentElement);
    }
  }
  rewriteWholeDocument(model);
}

// Edits inside these nodes reach the text at the next look at it: typing goes on in between.
function noteEdited(node) {
  var model = state.model;
  if (model && node && model.pending.indexOf(node) < 0) model.pending.push(node);
}

function flushModel(model) {
  ensureSourceMarks(model);
  if (!model.pending.length) return;
  takeMutations(model);
  var pending = model.pending;
  model.pending = [];
  if (pending.length > CENSUS_THRESHOLD) takeMarkCensus(model);
  pending.forEach(function (node) {
    if (node.isConnected) rewriteAround(model, node);
  });
}

// An element whose text can be moved, copied or cut as a whole.
function isWholeInText(model, element) {
  return isTrusted(model, element) && isCertain(model, markOf(element)) && holdsItsOwnElements(model, element);
}

// Markup can follow an element in the text only where the element's end is written: after an
// element whose end the parser implies, it would land inside it.
function endsInText(model, element) {
  var id = markOf(element);
  if (!isCertain(model, id)) return false;
  var spans = model.spans;
  if (spans.end[id] === spans.tagEnd[id]) return true;
  var tail = modelSlice(model, Math.max(spans.tagEnd[id], spans.end[id] - element.localName.length - 16), spans.end[id]);
  return new RegExp('</' + element.localName + '[\\t\\n\\f\\r ]*>$', 'i').test(tail);
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

// Where a node now standing next to `neighbour` goes in the text: after it, or before it.
function placeBeside(model, neighbour, after) {
  if (!neighbour || !isTrusted(model, neighbour)) return -1;
  var id = markOf(neighbour);
  if (!after) return model.spans.start[id];
  return endsInText(model, neighbour) ? model.spans.end[id] : -1;
}

function documentElementSibling(node, direction) {
  var sibling = node[direction];
  while (sibling && (isEditorUi(sibling) || sibling.hasAttribute('data-lmw-runtime'))) sibling = sibling[direction];
  return sibling;
}

// The place in the text for a node where it now stands live, by its element neighbours.
function placeOfNode(model, node) {
  var at = placeBeside(model, documentElementSibling(node, 'previousElementSibling'), true);
  return at >= 0 ? at : placeBeside(model, documentElementSibling(node, 'nextElementSibling'), false);
}

function parentOfPlace(model, node) {
  var parent = trustedAncestor(model, node.parentElement);
  return parent ? markOf(parent) : -1;
}

// Takes an element's text out; call while the element still stands in the document.
function cutFromModel(element) {
  var model = state.model;
  flushModel(model);
  if (!isWholeInText(model, element)) {
    noteEdited(element.parentElement);
    return;
  }
  var id = markOf(element);
  replaceModelText(model, model.spans.start[id], model.spans.end[id], '', null);
}

// A copy about to be put right after its original: the original's text is copied after it, and
// the copy's marks become its own.
function copyInModel(original, copy) {
  var model = state.model;
  flushModel(model);
  var originals = [original].concat(markedDescendants(original));
  var copies = [copy].concat(markedDescendants(copy));
  if (!isWholeInText(model, original) || !endsInText(model, original)) {
    copies.forEach(function (element) { element.removeAttribute(SOURCE_MARK); });
    noteEdited(original.parentElement);
    return;
  }
  var id = markOf(original);
  var from = model.spans.start[id];
  var to = model.spans.end[id];
  var renumbered = {};
  var places = placesWithin(model, from, to);
  places.forEach(function (place) { renumbered[place.id] = nextMarkId(model); });
  originals.forEach(function (element, index) {
    var own = renumbered[markOf(element)];
    if (own === undefined) copies[index].removeAttribute(SOURCE_MARK);
    else copies[index].setAttribute(SOURCE_MARK, String(own));
  });
  places.forEach(function (place) {
    place.id = renumbered[place.id];
    place.parent = renumbered[place.parent] === undefined ? place.parent : renumbered[place.parent];
  });
  replaceModelText(model, to, to, modelSlice(model, from, to), places);
}

// An element the editor has moved: its text goes to its new place among its neighbours. Where
// the neighbours give no place, its old and new parents are written as they stand.
function moveInModel(element, oldParent) {
  var model = state.model;
  flushModel(model);
  var whole = isWholeInText(model, element);
  var at = whole ? placeOfNode(model, element) : -1;
  if (at < 0) {
    if (whole) replaceModelText(model, model.spans.start[markOf(element)], model.spans.end[markOf(element)], '', null);
    noteEdited(oldParent);
    noteEdited(element.parentElement);
    return;
  }
  var id = markOf(element);
  var from = model.spans.start[id];
  var to = model.spans.end[id];
  if (at >= from && at <= to) return;
  var text = modelSlice(model, from, to);
  var places = placesWithin(model, from, to);
  places.forEach(function (place) { if (place.id === id) place.parent = parentOfPlace(model, element); });
  replaceModelText(model, from, to, '', null);
  if (at > to) at -= to - from;
  replaceModelText(model, at, at, text, places);
}

// A node the editor has put into the document (a picture): its markup goes in beside its
// neighbours, with a mark of its own so that later changes to it rewrite it alone.
function insertInModel(node) {
  var model = state.model;
  flushModel(model);
  var at = placeOfNode(model, node);
  if (at < 0) {
    noteEdited(node.parentElement);
    return;
  }
  markNewElements(model, node);
  var taken = takeSourceMarks(markupWithMarks(node));
  var parent = parentOfPlace(model, node);
  taken.marks.forEach(function (mark) { if (mark.parent < 0) mark.parent = parent; });
  replaceModelText(model, at, at, taken.text, taken.marks);
}

// The attributes of a start tag's text.
function tagTextAttributes(tag) {
  var attributes = [];
  var rest = readTagRest(tag, stickyMatchEnd(TAG_NAME, tag, 1), attributes);
  return { attributes: attributes, end: rest ? rest.end : tag.length, selfClosing: !!(rest && rest.selfClosing) };
}

function findAttribute(attributes, name) {
  for (var i = 0; i < attributes.length; i++) if (attributes[i].name === name) return attributes[i];
  return null;
}

var attributeReader = null;

// An attribute's value as the parser reads it, character references and all; null when absent.
function attributeOfTag(tag, name) {
  attributeReader = attributeReader || document.createElement('template');
  attributeReader.innerHTML = '<b' + tag.slice(stickyMatchEnd(TAG_NAME, tag, 1));
  var element = attributeReader.content.firstElementChild;
  return element ? element.getAttribute(name) : null;
}

var UNQUOTED_SAFE = /^[^\t\n\f\r "'=<>`&]+$/;

// An attribute's new value written the way the author wrote the old one: in the same quotes, or
// unquoted where it can stand so.
function writtenValue(tag, found, value) {
  var quote = found.valueStart > 0 ? tag.charAt(found.valueStart - 1) : '';
  if (quote === "'") return "'" + String(value).replace(/&/g, '&amp;').replace(/'/g, '&#39;') + "'";
  if (quote !== '"' && found.valueStart >= 0 && UNQUOTED_SAFE.test(value)) return value;
  return '"' + escapeAttribute(value) + '"';
}

// The start tag's text with one attribute set (null removes it); the other attributes stay as
// written.
function withAttribute(tag, name, value) {
  var read = tagTextAttributes(tag);
  var found = findAttribute(read.attributes, name);
  var written = value === null ? '' : name + '="' + escapeAttribute(value) + '"';
  if (found) {
    if (value !== null && found.valueStart >= 0) {
      var valueFrom = tag.charAt(found.valueStart - 1) === '"' || tag.charAt(found.valueStart - 1) === "'" ? found.valueStart - 1 : found.valueStart;
      var valueTo = valueFrom === found.valueStart ? found.valueEnd : found.valueEnd + 1;
      return tag.slice(0, valueFrom) + writtenValue(tag, found, value) + tag.slice(valueTo);
    }
    if (value !== null) return tag.slice(0, found.start) + written + tag.slice(found.end);
    var before = found.start;
    while (before > 0 && /[\t\n\f\r ]/.test(tag.charAt(before - 1))) before--;
    return tag.slice(0, before) + tag.slice(found.end);
  }
  if (value === null) return tag;
  var at = read.selfClosing ? read.end - 2 : read.end - 1;
  var spaced = /[\t\n\f\r ]$/.test(tag.slice(0, at)) ? '' : ' ';
  return tag.slice(0, at) + spaced + written + tag.slice(at);
}

// Changes a trusted element's start tag in the text; an element that is not trusted is written
// as it stands instead, when `rewriteOtherwise` says so.
function patchStartTag(element, change, rewriteOtherwise) {
  var model = state.model;
  flushModel(model);
  if (!isTrusted(model, element)) {
    if (rewriteOtherwise) noteEdited(element);
    return;
  }
  var id = markOf(element);
  var spans = model.spans;
  var tag = modelSlice(model, spans.start[id], spans.tagEnd[id]);
  var changed = change(tag);
  if (changed === tag) return;
  var grown = changed.length - tag.length;
  var place = { id: id, start: 0, tagEnd: changed.length, end: spans.end[id] < 0 ? -1 : spans.end[id] - spans.start[id] + grown, parent: spans.parent[id] };
  replaceModelText(model, spans.start[id], spans.tagEnd[id], changed, [place]);
}

function setAttributeInModel(element, name, value) {
  patchStartTag(element, function (tag) { return withAttribute(tag, name, value); }, true);
}

var styleScratch = null;

// One property of the inline style, set as the element now has it; the author's other
// declarations stay.
function setStylePropertyInModel(element, property) {
  var name = cssName(property);
  var grant = folderGrant();
  var value = element.style.getPropertyValue(name);
  if (grant) value = authoredAddresses(value, grant);
  var priority = element.style.getPropertyPriority(name);
  patchStartTag(element, function (tag) {
    var written = attributeOfTag(tag, 'style');
    styleScratch = styleScratch || document.createElement('div');
    styleScratch.setAttribute('style', written || '');
    styleScratch.style.setProperty(name, value, priority);
    var style = styleScratch.getAttribute('style');
    return withAttribute(tag, 'style', style || (written === null ? null : ''));
  }, true);
}

// A class the editor's page navigation sets or clears on a page; the author's other classes
// stay as written. Pages that are not the author's own take it live only.
function setClassTokenInModel(element, token, on) {
  patchStartTag(element, function (tag) {
    var written = attributeOfTag(tag, 'class');
    var classes = written || '';
    var tokens = classes.split(/[\t\n\f\r ]+/);
    var has = tokens.indexOf(token) >= 0;
    if (has === on) return tag;
    var next = on ? classes + (/[^\t\n\f\r ]$/.test(classes) ? ' ' : '') + token
      : tokens.filter(function (own) { return own && own !== token; }).join(' ');
    return withAttribute(tag, 'class', next || (written === null ? null : ''));
  }, false);
}

// Replacing text where the author wrote it: a text node of the document is traced to the nearest
// marked element around it, whose markup is read beside its live content. Where every text node
// reads as the markup's text, each replaced match is written over the characters that wrote it,
// and nothing else of the text changes; elsewhere the element is rewritten as any edit of it is.

var HTML_NAMESPACE = 'http://www.w3.org/1999/xhtml';
var DROPS_LEADING_NEWLINE = elementSet('pre listing textarea');
var ESCAPABLE_RAW_TEXT = elementSet('textarea title');
var CHARACTER_REFERENCE = /&(?:#[xX][0-9a-fA-F]+;?|#[0-9]+;?|[a-zA-Z0-9]+;?)/y;
var referenceReader = null;
var readReferences = Object.create(null);

// What a character reference reads as. Its characters run to the first that no reference name
// holds, so it reads alone as it does in its text; what the parser leaves of it as text is in
// the reading too.
function readReference(reference) {
  if (readReferences[reference] === undefined) {
    referenceReader = referenceReader || document.createElement('template');
    referenceReader.innerHTML = reference;
    readReferences[reference] = referenceReader.content.textContent;
  }
  return readReferences[reference];
}

// The characters of the text in [from, to) as the parser reads them: `data`, and in `places`
// where the writing of each character begins in the text, -1 for the later characters of a
// reference, and `to` after the last. Without references or carriage returns, character i stands
// at from + i and there are no places.
function readRun(text, from, to, references) {
  var written = text.slice(from, to);
  if (written.indexOf('\r') < 0 && (!references || written.indexOf('&') < 0)) {
    return { data: written, from: from, to: to, places: null };
  }
  var data = '';
  var places = [];
  for (var at = from; at < to;) {
    var next = at + 1;
    var read = text.charAt(at);
    if (read === '\r') {
      read = '\n';
      if (next < to && text.charAt(next) === '\n') next++;
    } else if (read === '&' && references) {
      CHARACTER_REFERENCE.lastIndex = at;
      var reference = CHARACTER_REFERENCE.exec(text);
      if (reference && at + reference[0].length <= to) {
        read = readReference(reference[0]);
        next = at + reference[0].length;
      }
    }
    places.push(at);
    for (var i = 1; i < read.length; i++) places.push(-1);
    data += read;
    at = next;
  }
  places.push(to);
  return { data: data, from: from, to: to, places: places };
}

// Where the text node's character at `offset` begins in the text; -1 inside a reference.
function placeInRun(run, offset) {
  return run.places ? run.places[offset] : run.from + offset;
}

// Where text ends: at the first tag, comment or other markup, or at the limit.
function textRunEnd(text, from, limit) {
  for (var at = from; ;) {
    var lt = text.indexOf('<', at);
    if (lt < 0 || lt >= limit) return limit;
    var tag = readTagAt(text, lt, false);
    if (!tag || tag.kind !== 'text') return lt;
    at = lt + 1;
  }
}

// The markup at the reading's place, when it is of the kind wanted and ends within the limit.
function markupAt(reading, kind, limit) {
  var tag = reading.text.charAt(reading.at) === '<' ? readTagAt(reading.text, reading.at, false) : null;
  return tag && tag.kind === kind && tag.end <= limit ? tag : null;
}

function readTextNode(reading, node, limit) {
  var to = textRunEnd(reading.text, reading.at, limit);
  var run = readRun(reading.text, reading.at, to, true);
  if (run.data !== node.data) return false;
  reading.runs.set(node, run);
  reading.at = to;
  return true;
}

function readEndTag(reading, name, limit) {
  var tag = markupAt(reading, 'end', limit);
  if (!tag || tag.name !== name) return false;
  reading.at = tag.end;
  return true;
}

// A marked element stands at its own place and is passed over whole; a text-level one, which
// carries no mark, is read through to its end tag.
function readElementNode(reading, element, limit) {
  var tag = markupAt(reading, 'start', limit);
  if (!tag || tag.name !== element.localName) return false;
  var spans = reading.model.spans;
  var id = markOf(element);
  if (id >= 0) {
    if (!isCertain(reading.model, id) || spans.start[id] !== reading.at || spans.end[id] > limit) return false;
    reading.at = spans.end[id];
    return true;
  }
  if (UNMARKED_ELEMENTS[tag.name] !== true || element.namespaceURI !== HTML_NAMESPACE) return false;
  reading.at = tag.end;
  if (VOID_ELEMENTS[tag.name] === true) return true;
  return readChildNodes(reading, element, limit) && readEndTag(reading, tag.name, limit);
}

function readChildNode(reading, node, limit) {
  if (node.nodeType === 3) return readTextNode(reading, node, limit);
  if (node.nodeType === 1) return readElementNode(reading, node, limit);
  var comment = node.nodeType === 8 ? markupAt(reading, 'other', limit) : null;
  if (comment) reading.at = comment.end;
  return !!comment;
}

function readChildNodes(reading, parent, limit) {
  for (var child = parent.firstChild; child; child = child.nextSibling) {
    if (!readChildNode(reading, child, limit)) return false;
  }
  return true;
}

// The text of a script, a style and the like is one text node of raw text.
function readRawContent(reading, element, limit) {
  var name = element.localName;
  var end = rawTextEnd(reading.text, name, reading.at);
  if (end < 0 || end > limit || element.childNodes.length > 1) return false;
  var run = readRun(reading.text, reading.at, end, ESCAPABLE_RAW_TEXT[name] === true);
  var node = element.firstChild;
  if (node ? node.nodeType !== 3 || node.data !== run.data : run.data !== '') return false;
  if (node) reading.runs.set(node, run);
  reading.at = end;
  return true;
}

function skipLeadingNewline(reading) {
  if (reading.text.charAt(reading.at) === '\r') reading.at++;
  if (reading.text.charAt(reading.at) === '\n') reading.at++;
}

// Where each text node of the element's own content stands in the text (`runs`, by node), and
// where that content begins; null when its live content does not read as its markup.
function ownTextReading(model, text, element) {
  var id = markOf(element);
  if (!isTrusted(model, element) || !isCertain(model, id) || element.namespaceURI !== HTML_NAMESPACE) return null;
  var name = element.localName;
  var limit = model.spans.end[id];
  var reading = { model: model, text: text, at: model.spans.tagEnd[id], runs: new Map() };
  if (DROPS_LEADING_NEWLINE[name] === true) skipLeadingNewline(reading);
  reading.contentStart = reading.at;
  var read = RAW_TEXT_IN_HTML[name] === true ? readRawContent(reading, element, limit)
    : readChildNodes(reading, element, limit);
  if (read && reading.at < limit) read = readEndTag(reading, name, limit) && reading.at === limit;
  return read ? reading : null;
}

function escapeText(value) {
  return String(value).replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;').replace(/\u00a0/g, '&nbsp;');
}

// Raw text takes the replacement as it is, unless the new text would end its element early.
function rawTextTakes(name, change) {
  return rawTextEnd(change.text, name, 0) < 0 && !(name === 'script' && hidesScriptEnd(change.text));
}

// Whether the run's text with the edits made reads as the node's new text: a replacement next to
// an ampersand or a reference could otherwise read as another character.
function editedRunReads(text, run, edits, expected, references) {
  var pieces = [];
  var copied = run.from;
  edits.forEach(function (edit) {
    pieces.push(text.slice(copied, edit.from), edit.text);
    copied = edit.to;
  });
  pieces.push(text.slice(copied, run.to));
  var edited = pieces.join('');
  return readRun(edited, 0, edited.length, references).data === expected;
}

// The edits of the text that replace one node's matches, or null when a match begins or ends
// inside a reference, or the edited text would not read as the node's new text.
function editsOfChange(text, run, change, written, references) {
  var edits = [];
  var inside = change.matches.some(function (match) {
    var edit = { from: placeInRun(run, match.at), to: placeInRun(run, match.at + match.length), text: written };
    edits.push(edit);
    return edit.from < 0 || edit.to < 0;
  });
  if (inside) return null;
  var plain = !run.places && written === change.replacement;
  return plain || editedRunReads(text, run, edits, change.text, references) ? edits : null;
}

// The edits of the text that replace the changes' matches inside one element, or null when they
// cannot be written where the author wrote the matched text. Where the parser drops a newline
// that begins the element's text, its first characters are left to the element's rewriting.
function editsInElement(model, text, element, changes) {
  var reading = ownTextReading(model, text, element);
  if (!reading) return null;
  var name = element.localName;
  var raw = RAW_TEXT_IN_HTML[name] === true && ESCAPABLE_RAW_TEXT[name] !== true;
  var edits = [];
  var placed = changes.every(function (change) {
    var run = reading.runs.get(change.node);
    if (!run || (raw && !rawTextTakes(name, change))) return false;
    var own = editsOfChange(text, run, change, raw ? change.replacement : escapeText(change.replacement), !raw);
    if (!own || (DROPS_LEADING_NEWLINE[name] === true && own[0].from === reading.contentStart)) return false;
    own.forEach(function (edit) { edits.push(edit); });
    return true;
  });
  return placed ? edits : null;
}

function markedHolder(node) {
  for (var element = node.parentElement; element; element = element.parentElement) {
    if (markOf(element) >= 0) return element;
  }
  return null;
}

// Text nodes about to be replaced in the live document, each { node, text: its new text,
// matches: [{ at, length }], replacement }: written into the model in one pass where the author
// wrote them, and rewritten with their elements otherwise. Call before the live text changes.
function replaceTextInModel(changes) {
  var model = state.model;
  flushModel(model);
  takeMutations(model);
  var holders = new Map();
  changes.forEach(function (change) {
    var holder = markedHolder(change.node);
    if (!holders.has(holder)) holders.set(holder, []);
    holders.get(holder).push(change);
  });
  takeCensusFor(model, Array.from(holders.keys()));
  var text = modelText(model);
  var edits = [];
  holders.forEach(function (held, holder) {
    var placed = holder ? editsInElement(model, text, holder, held) : null;
    if (placed) placed.forEach(function (edit) { edits.push(edit); });
    else held.forEach(function (change) { noteEdited(change.node.parentNode); });
  });
  edits.sort(function (a, b) { return a.from - b.from; });
  if (edits.length) replaceModelRanges(model, edits);
}
