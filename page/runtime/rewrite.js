// Rewriting the text around an edit: the nearest element of the author's around it is written
// as it stands live, or, where its text cannot stand for it alone, the next one around it; and
// elements the editor cuts, copies, moves or inserts take their text with them.

// The live element as markup, cleaned of the editor's marking, its source marks kept.
function markupWithMarks(element) {
  var copy = element.cloneNode(true);
  stripEditorParts(copy);
  return copy.outerHTML;
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
function noteEdited(model, node) {
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

// Where a node now standing next to `neighbour` goes in the text: after it, or before it.
function placeBeside(model, neighbour, after) {
  if (!neighbour || !isTrusted(model, neighbour)) return -1;
  var id = markOf(neighbour);
  if (!after) return model.spans.start[id];
  return endsInText(model, neighbour) ? model.spans.end[id] : -1;
}

// Siblings that belong to the editor (the runtime's script, its interface) are not the
// document's: a place beside them, or a move over them, is no place in the text.
function documentSibling(node, direction) {
  var sibling = node[direction];
  while (sibling && (isEditorUi(sibling) || sibling.hasAttribute('data-lmw-runtime'))) sibling = sibling[direction];
  return sibling;
}

// The place in the text for a node where it now stands live, by its element neighbours.
function placeOfNode(model, node) {
  var at = placeBeside(model, documentSibling(node, 'previousElementSibling'), true);
  return at >= 0 ? at : placeBeside(model, documentSibling(node, 'nextElementSibling'), false);
}

function parentOfPlace(model, node) {
  var parent = trustedAncestor(model, node.parentElement);
  return parent ? markOf(parent) : -1;
}

// Takes an element's text out; call while the element still stands in the document.
function cutFromModel(model, element) {
  flushModel(model);
  if (!isWholeInText(model, element)) {
    noteEdited(model, element.parentElement);
    return;
  }
  var id = markOf(element);
  replaceModelText(model, model.spans.start[id], model.spans.end[id], '', null);
}

// A copy about to be put right after its original: the original's text is copied after it, and
// the copy's marks become its own.
function copyInModel(model, original, copy) {
  flushModel(model);
  var originals = [original].concat(markedDescendants(original));
  var copies = [copy].concat(markedDescendants(copy));
  if (!isWholeInText(model, original) || !endsInText(model, original)) {
    copies.forEach(function (element) { element.removeAttribute(SOURCE_MARK); });
    noteEdited(model, original.parentElement);
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
function moveInModel(model, element, oldParent) {
  flushModel(model);
  var whole = isWholeInText(model, element);
  var at = whole ? placeOfNode(model, element) : -1;
  if (at < 0) {
    if (whole) replaceModelText(model, model.spans.start[markOf(element)], model.spans.end[markOf(element)], '', null);
    noteEdited(model, oldParent);
    noteEdited(model, element.parentElement);
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
function insertInModel(model, node) {
  flushModel(model);
  var at = placeOfNode(model, node);
  if (at < 0) {
    noteEdited(model, node.parentElement);
    return;
  }
  markNewElements(model, node);
  var taken = takeSourceMarks(markupWithMarks(node));
  var parent = parentOfPlace(model, node);
  taken.marks.forEach(function (mark) { if (mark.parent < 0) mark.parent = parent; });
  replaceModelText(model, at, at, taken.text, taken.marks);
}
