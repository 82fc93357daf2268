// The marks that tie the live document's elements to their spans: read from the written text, or
// given by walking the parsed tree of a text written without them; the registry of which live
// element holds each mark; and the watch for copies of marked elements that the document's own
// scripts insert.

// The live element as markup, cleaned of every mark: what stands for a document written without a
// text of its own.
function cleanMarkup(element) {
  var copy = element.cloneNode(true);
  stripMarkers(copy);
  return copy.outerHTML;
}

function takeHandedDocument() {
  var handed = window.__LMW_DOCUMENT_SOURCE;
  window.__LMW_DOCUMENT_SOURCE = undefined;
  return handed && typeof handed.text === 'string' ? handed : null;
}

// The model this instance starts from: the text the writer of the document handed over, with its
// elements' marks written into it or found later by walking the parsed tree, whose elements are
// taken now, before the runtime adds any. Without a text (a document written some other way) the
// live document is all there is. `writeAgain` writes the text again where its tags cannot be read.
function takeDocumentModel(handed, writeAgain) {
  if (!handed) {
    var live = newModel('<!DOCTYPE html>\n' + cleanMarkup(document.documentElement), newSpanTable(0));
    watchForCopies(live);
    return live;
  }
  var model = newModel(handed.text, null);
  model.writeAgain = writeAgain;
  if (handed.declared) model.declaredAt = model.textChanges;
  if (handed.unmarked) {
    model.phase = 'reading';
    model.preparation = { elements: document.querySelectorAll('*'), places: handed.unmarked.places, reading: null };
  } else {
    watchForCopies(model);
    model.phase = 'spanning';
  }
  return model;
}

// Works the preparation on until `outOfTime` says so, or to its end without one; true once it is
// over, the model ready or its text being written again.
function advancePreparation(model, outOfTime) {
  if (model.phase === 'reading' && !readWrittenTags(model, outOfTime)) return false;
  if (model.phase === 'marking' && !assignSourceMarks(model, outOfTime)) return false;
  if (model.phase === 'spanning') {
    if (!advanceSpans(model, outOfTime)) return false;
    model.phase = 'ready';
  }
  return true;
}

// Reads the tags of a text written without its marks, until `outOfTime` says so, and finds the
// element each made; true once that is over. The text is written again, marks and all, when the
// reading finds the editor's parts written in at other places than it would have put them, or a
// parsed tree that does not follow the tags: the model is then left with no marks to give.
function readWrittenTags(model, outOfTime) {
  var unread = model.preparation;
  if (!unread.reading) unread.reading = newQuickReading(modelText(model));
  if (!continueQuickReading(unread.reading, outOfTime)) return false;
  var reading = unread.reading;
  var tags = reading.tags;
  var agree = !reading.failed && insertionsAgree(tags.places, unread.places, reading.text.length);
  var elements = agree ? elementsOfTags(unread.elements, tags.markNames) : null;
  if (elements) {
    model.phase = 'marking';
    model.preparation = { elements: elements, ids: tags.markIds, next: 0 };
  } else {
    model.phase = 'abandoned';
    model.preparation = null;
    model.writeAgain(model);
  }
  return true;
}

// Gives the walked elements their marks until `outOfTime`, if given, says so; true once every one
// has its mark, from when on copies of them are watched for. Nothing but the editor changes
// a document walked so, and the editor looks at the marks before every change it makes.
function assignSourceMarks(model, outOfTime) {
  var unassigned = model.preparation;
  while (unassigned.next < unassigned.elements.length) {
    var at = unassigned.next++;
    var id = unassigned.ids[at];
    unassigned.elements[at].setAttribute(SOURCE_MARK, String(id));
    model.registry[id] = unassigned.elements[at];
    model.verifiedAt[id] = model.insertionsSeen;
    if (isTimeUp(outOfTime, unassigned.next)) return false;
  }
  model.phase = 'spanning';
  model.preparation = null;
  watchForCopies(model);
  return true;
}

// The text of a model read no further than this is being written again: whatever asked for the
// marks stops here, before it changes anything.
var WRITTEN_AGAIN = '文档正在重新载入';

function ensureSourceMarks(model) {
  if (model.phase === 'reading') readWrittenTags(model, null);
  if (model.phase === 'abandoned') throw new Error(WRITTEN_AGAIN);
  if (model.phase === 'marking') assignSourceMarks(model, null);
}

var DUPLICATED_MARK = { duplicated: true };

function markOf(element) {
  var value = element && element.getAttribute ? element.getAttribute(SOURCE_MARK) : null;
  return value !== null && /^\d+$/.test(value) ? Number(value) : -1;
}

function markSelector(id) {
  return '[' + SOURCE_MARK + '="' + id + '"]';
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
  if (records.some(addsElements)) model.insertionsSeen++;
}

function takeMutations(model) {
  if (model.observer) noteMutations(model, model.observer.takeRecords());
}

// The editor's own changes of the document's elements (the content wrapper, element moves) copy
// nothing.
function withoutObservation(model, change) {
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
  if (known === element && model.verifiedAt[id] === model.insertionsSeen) return true;
  var holders = document.querySelectorAll(markSelector(id));
  if (holders.length > 1) model.registry[id] = DUPLICATED_MARK;
  if (holders.length !== 1 || holders[0] !== element) return false;
  model.registry[id] = element;
  model.verifiedAt[id] = model.insertionsSeen;
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
    model.verifiedAt[id] = model.insertionsSeen;
  });
}

// A census is taken when more of the elements than a few are not known since the last change
// that could have copied one.
function takeCensusFor(model, elements) {
  var unknown = 0;
  elements.forEach(function (element) {
    var id = markOf(element);
    if (id >= 0 && (model.registry[id] !== element || model.verifiedAt[id] !== model.insertionsSeen)) unknown++;
  });
  if (unknown > CENSUS_THRESHOLD) takeMarkCensus(model);
}

// The nearest trusted element at or above a node, skipping what the editor put in between.
function trustedAncestor(model, node) {
  for (var element = node && (node.nodeType === 1 ? node : node.parentElement); element && element.nodeType === 1;
    element = element.parentElement) {
    if (markOf(element) >= 0 && isTrusted(model, element)) return element;
  }
  return null;
}

// The interface carries no marks, so every marked descendant is the document's.
function markedDescendants(element) {
  return Array.prototype.slice.call(element.querySelectorAll(SOURCE_MARK_SELECTOR));
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

// Elements that came into an element under rewrite (typed, pasted, made by a script) get marks of
// their own, so that a later edit in one of them rewrites it alone.
function markNewElements(model, element) {
  withoutObservation(model, function () {
    [element].concat(Array.prototype.slice.call(element.querySelectorAll('*'))).forEach(function (descendant) {
      if (descendant.hasAttribute(SOURCE_MARK) || UNMARKED_ELEMENTS[descendant.localName] === true ||
          isEditorUi(descendant)) return;
      var id = nextMarkId(model);
      descendant.setAttribute(SOURCE_MARK, String(id));
      model.registry[id] = descendant;
      model.verifiedAt[id] = model.insertionsSeen;
    });
  });
}
