// Where the author wrote a text node's characters: a text node of the document is traced to the
// nearest marked element around it, whose markup is read beside its live content. Where every
// text node reads as the markup's text, each replaced match is written over the characters that
// wrote it, and nothing else of the text changes; elsewhere the element is rewritten as any edit
// of it is.

var HTML_NAMESPACE = 'http://www.w3.org/1999/xhtml';
var DROPS_LEADING_NEWLINE = wordSet('pre listing textarea');
var ESCAPABLE_RAW_TEXT = wordSet('textarea title');
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
function replaceTextInModel(model, changes) {
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
    else held.forEach(function (change) { noteEdited(model, change.node.parentNode); });
  });
  edits.sort(function (a, b) { return a.from - b.from; });
  if (edits.length) replaceModelRanges(model, edits);
}
