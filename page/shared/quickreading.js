// The quick reading of a document's tags: well-formed tags of the usual shapes, comments, raw
// text, SVG and MathML without the parser's special cases, numbered as the full scan numbers them;
// at the first thing outside that it gives up (null), and the full scan reads the text instead.

var QUICK_START_TAG = /<([a-zA-Z][^\t\n\f\r \/>]*)(?:[\t\n\f\r ]+[^\t\n\f\r \/>"'=<]+(?:[\t\n\f\r ]*=[\t\n\f\r ]*(?:"[^"]*"|'[^']*'|[^\t\n\f\r >"'=<`]+))?)*[\t\n\f\r ]*(\/?)>/y;
var QUICK_END_TAG = /<\/([a-zA-Z][^\t\n\f\r \/>]*)[\t\n\f\r ]*>/y;
var QUICK_COMMENT = /<\!--(?:>|->|[\s\S]*?--!?>)/y;
var QUICK_DECLARATION = /<[!?][^>]*>/y;
var QUICK_FOREIGN_STOPS = wordSet('foreignobject desc title mi mo mn ms mtext annotation-xml');

function quickMatch(pattern, text, at) {
  pattern.lastIndex = at;
  return pattern.exec(text);
}

var SLASH = 47;
var BANG = 33;
var QUESTION = 63;

function isAsciiLetter(code) {
  var lower = code | 32;
  return lower >= 97 && lower <= 122;
}

function quickDocumentTags(text) {
  var reading = newQuickReading(text);
  continueQuickReading(reading, null);
  return reading.failed ? null : reading.tags;
}

// The reading also names each marked tag, for the walk of the parsed tree that gives a document
// written without marks its marks.
function newQuickReading(text) {
  var tags = { markAt: [], markIds: [], markNames: [], scripts: [], places: newPlaces() };
  return { text: text, pos: 0, ordinal: 0, templates: 0, foreign: [], tags: tags, tagsRead: 0, inBody: false, seen: {}, failed: false };
}

// Reads further, to the end or until `outOfTime` says so; true once the reading is over, read to
// the end or given up (`failed`).
function continueQuickReading(reading, outOfTime) {
  var text = reading.text;
  for (var tags = 1; reading.pos < text.length; tags++) {
    if (isTimeUp(outOfTime, tags)) return false;
    var lt = text.indexOf('<', reading.pos);
    if (lt < 0) break;
    if (!reading.inBody && NOT_SPACE.test(text.slice(reading.pos, lt))) reading.inBody = true;
    var next = text.charCodeAt(lt + 1) | 0;
    var read = isAsciiLetter(next) ? quickStartTag(reading, lt)
      : next === SLASH ? quickEndTag(reading, lt)
        : next === BANG || next === QUESTION ? quickDeclaration(reading, lt) : quickLoneBracket(reading, lt);
    if (read < 0) {
      reading.failed = true;
      break;
    }
    reading.pos = read;
  }
  return true;
}

// A "<" that opens no tag is text, which begins the body.
function quickLoneBracket(reading, lt) {
  reading.inBody = true;
  return lt + 1;
}

// A second html, head or body start tag, or one that no longer starts its element (an html tag
// after other tags, a head tag after others than html, a body tag once the body has begun),
// makes no element, and a frameset drops what follows it: the full scan reads such a text.
function quickDocumentElement(reading, name) {
  var seen = reading.seen;
  if (name === 'frameset') return false;
  if (name !== 'html' && name !== 'head' && name !== 'body') {
    if (HEAD_CONTENT[name] !== true) reading.inBody = true;
    return true;
  }
  var starts = !seen[name] && !reading.inBody &&
    (name === 'html' ? reading.tagsRead === 0 : name === 'head' ? reading.tagsRead === (seen.html ? 1 : 0) : true);
  seen[name] = true;
  if (name === 'body') reading.inBody = true;
  return starts;
}

function quickDeclaration(reading, lt) {
  var text = reading.text;
  if (text.startsWith('<![CDATA[', lt) && reading.foreign.length) return -1;
  var match = quickMatch(text.startsWith('<\!--', lt) ? QUICK_COMMENT : QUICK_DECLARATION, text, lt);
  return match ? lt + match[0].length : -1;
}

function quickEndTag(reading, lt) {
  var match = quickMatch(QUICK_END_TAG, reading.text, lt);
  if (!match) return -1;
  var name = match[1].toLowerCase();
  notePlace(reading.tags.places, 'end', name, lt, lt + match[0].length);
  reading.tagsRead++;
  if (name === 'body' || name === 'html' || name === 'br') reading.inBody = true;
  var foreign = reading.foreign;
  if (foreign.length) {
    if (foreign[foreign.length - 1] !== name) return -1;
    foreign.pop();
  } else if (name === 'template' && reading.templates > 0) {
    reading.templates--;
  }
  return lt + match[0].length;
}

function quickStartTag(reading, lt) {
  var text = reading.text;
  var match = quickMatch(QUICK_START_TAG, text, lt);
  if (!match) return -1;
  var name = match[1].toLowerCase();
  if (!quickDocumentElement(reading, name)) return -1;
  reading.tagsRead++;
  var end = lt + match[0].length;
  var id = reading.ordinal++;
  notePlace(reading.tags.places, 'start', name, lt, end);
  if (!reading.templates && UNMARKED_ELEMENTS[name] !== true) {
    reading.tags.markAt.push(lt + 1 + match[1].length);
    reading.tags.markIds.push(id);
    reading.tags.markNames.push(name);
  }
  if (reading.foreign.length) {
    if (FOREIGN_BREAKOUT[name] === true || name === 'font' || QUICK_FOREIGN_STOPS[name] === true) return -1;
    if (!match[2]) reading.foreign.push(name);
    return end;
  }
  if (name === 'svg' || name === 'math') {
    if (!match[2]) reading.foreign.push(name);
    return end;
  }
  if (name === 'template') reading.templates++;
  if (name === 'plaintext') return -1;
  return RAW_TEXT_IN_HTML[name] === true ? quickRawText(reading, name, lt, end) : end;
}

function quickRawText(reading, name, lt, end) {
  var text = reading.text;
  var contentEnd = rawTextEnd(text, name, end);
  var closing = contentEnd < 0 ? null : quickMatch(QUICK_END_TAG, text, contentEnd);
  if (!closing) return -1;
  if (name === 'script') {
    if (hidesScriptEnd(text.slice(end, contentEnd))) return -1;
    if (!reading.templates) noteInlineScript(reading.tags.scripts, text, lt, end, contentEnd);
  }
  return contentEnd + closing[0].length;
}

// Elements the parser makes where the text has no tag for them.
var IMPLIED_ELEMENTS = wordSet('html head body tbody tr colgroup');

function isEditorPart(element, name) {
  if (name === 'div') return element.hasAttribute('data-lmw-wrapper');
  return (name === 'script' || name === 'link') && element.hasAttribute('data-lmw-runtime');
}

// The elements of a parsed document that its text's marked start tags made, in the order of the
// tags, or null where the tree does not follow them (the parser moved, dropped or made an element
// of its own). `elements` are the document's elements in tree order, as they stood before the
// runtime added anything to the document but what the text was written with: its script, icon
// link and content wrapper.
function elementsOfTags(elements, names) {
  var found = new Array(names.length);
  var next = 0;
  for (var i = 0; i < elements.length; i++) {
    var element = elements[i];
    var name = element.localName;
    if (UNMARKED_ELEMENTS[name] === true || isEditorPart(element, name)) continue;
    if (next < names.length && (name === names[next] || name.toLowerCase() === names[next])) found[next++] = element;
    else if (IMPLIED_ELEMENTS[name] !== true) return null;
  }
  return next === names.length ? found : null;
}
