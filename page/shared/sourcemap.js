// Where each element of a document's text stands in that text. Every document written into the
// window gets a number in each start tag (the source mark), so that an element met in the live
// document can be traced back to the markup its author wrote. The scan follows the browser's
// parser far enough to know where an element ends; where the parser would restructure the
// markup (misnested formatting, content moved out of a table), the element's end is left
// uncertain, and such an element is never cut out of the text on its own.

var SOURCE_MARK = 'data-lmw-n';
var SOURCE_MARK_SELECTOR = '[' + SOURCE_MARK + ']';

function elementSet(names) {
  return wordSet(names);
}

var VOID_ELEMENTS = elementSet('area base br col embed hr img input link meta param source track wbr keygen ' +
  'basefont bgsound frame image');
var FORMATTING_ELEMENTS = elementSet('a b big code em font i nobr s small strike strong tt u');
var CLOSES_P = elementSet('address article aside blockquote center details dialog dir div dl fieldset ' +
  'figcaption figure footer header hgroup main menu nav ol p search section summary ul h1 h2 h3 h4 h5 h6 ' +
  'pre listing form hr xmp plaintext li dd dt table');
var IMPLIED_END = elementSet('dd dt li optgroup option p rb rp rt rtc');
var HEADINGS = elementSet('h1 h2 h3 h4 h5 h6');
var SCOPE_BOUNDARIES = elementSet('applet caption html table td th marquee object template select');
// Formatting elements open inside these are not rebuilt after them.
var FORMATTING_MARKERS = elementSet('applet caption td th marquee object');
var FOREIGN_BOUNDARIES = elementSet('mi mo mn ms mtext annotation-xml foreignobject desc title');
var SPECIAL_ELEMENTS = elementSet('address applet area article aside base basefont bgsound blockquote body br ' +
  'button caption center col colgroup dd details dir div dl dt embed fieldset figcaption figure footer form ' +
  'frame frameset h1 h2 h3 h4 h5 h6 head header hgroup hr html iframe img input keygen li link listing main ' +
  'marquee menu meta nav noembed noframes noscript object ol p param plaintext pre script search section ' +
  'select source style summary table tbody td template textarea tfoot th thead title tr track ul wbr xmp');
var HEAD_CONTENT = elementSet('base basefont bgsound link meta noframes noscript script style template title');
var TABLE_CONTEXT = elementSet('table tbody thead tfoot tr');
var TABLE_PARTS = elementSet('caption colgroup col tbody thead tfoot tr td th');
var KEPT_IN_TABLE = elementSet('caption colgroup col tbody thead tfoot tr td th table style script template form');
// A start tag of these names inside SVG or MathML ends the foreign content.
var FOREIGN_BREAKOUT = elementSet('b big blockquote body br center code dd div dl dt em embed h1 h2 h3 h4 h5 ' +
  'h6 head hr i img li listing menu meta nobr ol p pre ruby s small span strong strike sub sup table tt u ul var');
var SVG_INTEGRATION = elementSet('foreignobject desc title');
var MATH_TEXT_INTEGRATION = elementSet('mi mo mn ms mtext');

var TAG_NAME = /[A-Za-z][^\t\n\f\r \/>]*/y;
var TAG_SPACE = /[\t\n\f\r ]*/y;
var ATTRIBUTE_NAME = /[^\t\n\f\r \/>][^\t\n\f\r \/>=]*/y;
var VALUE_ASSIGNMENT = /[\t\n\f\r ]*=[\t\n\f\r ]*/y;
var UNQUOTED_VALUE = /[^\t\n\f\r >]*/y;
var NOT_SPACE = /[^\t\n\f\r ]/;
var HTML5_DOCTYPE_AT_START = /^[\t\n\f\r ]*<!doctype[\t\n\f\r ]+html[\t\n\f\r ]*>/i;

// Where the match of a sticky pattern at `at` ends, or `at` when it does not match.
function stickyMatchEnd(pattern, text, at) {
  pattern.lastIndex = at;
  return pattern.test(text) ? pattern.lastIndex : at;
}

// The attributes of a tag from the end of its name, each as { name, start, end, valueStart,
// valueEnd } (valueStart -1 when it has no value), then where the tag ends and whether it closes
// itself. Null when the text ends inside the tag: the parser drops such a tag.
function readTagRest(text, at, attributes) {
  var pos = at;
  for (;;) {
    pos = stickyMatchEnd(TAG_SPACE, text, pos);
    var character = text.charAt(pos);
    if (character === '') return null;
    if (character === '>') return { end: pos + 1, selfClosing: false };
    if (character === '/') {
      if (text.charAt(pos + 1) === '>') return { end: pos + 2, selfClosing: true };
      pos++;
      continue;
    }
    var attribute = readAttribute(text, pos);
    if (!attribute) return null;
    if (attributes) attributes.push(attribute);
    pos = attribute.end;
  }
}

function readAttribute(text, start) {
  var nameEnd = stickyMatchEnd(ATTRIBUTE_NAME, text, start);
  var attribute = { name: text.slice(start, nameEnd).toLowerCase(), start: start, end: nameEnd, valueStart: -1, valueEnd: -1 };
  var valueAt = stickyMatchEnd(VALUE_ASSIGNMENT, text, nameEnd);
  if (valueAt === nameEnd) return attribute;
  var quote = text.charAt(valueAt);
  if (quote === '"' || quote === "'") {
    var close = text.indexOf(quote, valueAt + 1);
    if (close < 0) return null;
    attribute.valueStart = valueAt + 1;
    attribute.valueEnd = close;
    attribute.end = close + 1;
  } else {
    attribute.valueStart = valueAt;
    attribute.valueEnd = attribute.end = stickyMatchEnd(UNQUOTED_VALUE, text, valueAt);
  }
  return attribute;
}

// One tag of the markup at a "<": a start or end tag with its name, a comment, another
// declaration, or plain text. `end` is where it ends; null when the text ends inside it.
function readTagAt(text, at, foreign) {
  var next = text.charAt(at + 1);
  if (next === '!') return readDeclaration(text, at, foreign);
  if (next === '?') return boundedToken(text, at, '>', 1);
  var closing = next === '/';
  var nameStart = closing ? at + 2 : at + 1;
  var nameEnd = stickyMatchEnd(TAG_NAME, text, nameStart);
  if (nameEnd === nameStart) {
    if (!closing) return { kind: 'text', end: at + 1 };
    return text.charAt(nameStart) === '>' ? { kind: 'other', end: nameStart + 1 } : boundedToken(text, at, '>', 1);
  }
  var rest = readTagRest(text, nameEnd, null);
  if (!rest) return null;
  return {
    kind: closing ? 'end' : 'start', name: text.slice(nameStart, nameEnd).toLowerCase(), start: at,
    nameEnd: nameEnd, end: rest.end, selfClosing: rest.selfClosing
  };
}

function boundedToken(text, at, terminator, kind) {
  var end = text.indexOf(terminator, at + kind);
  return end < 0 ? null : { kind: 'other', end: end + terminator.length };
}

function readDeclaration(text, at, foreign) {
  if (text.startsWith('<\!--', at)) return readComment(text, at);
  if (foreign && text.startsWith('<![CDATA[', at)) return boundedToken(text, at, ']]>', 9);
  return boundedToken(text, at, '>', 2);
}

// A comment ends at "-->" or "--!>"; one whose opener is followed at once by ">" or "->" is empty.
// Both ends are looked for in one search: the rare "--!>" looked for on its own would be searched
// for to the end of the text at every comment.
var COMMENT_END = /--!?>/g;

function readComment(text, at) {
  var body = at + 4;
  if (text.charAt(body) === '>') return { kind: 'other', end: body + 1 };
  if (text.startsWith('->', body)) return { kind: 'other', end: body + 2 };
  COMMENT_END.lastIndex = body;
  var end = COMMENT_END.exec(text);
  return end ? { kind: 'other', end: end.index + end[0].length } : null;
}

// Where the text of a raw text element ends: at its own end tag followed by white space, "/" or
// ">", which ends there too. -1 when the text ends first.
function rawTextEnd(text, name, from) {
  var pattern = new RegExp('</' + name + '(?=[\\t\\n\\f\\r />])', 'ig');
  pattern.lastIndex = from;
  var match = pattern.exec(text);
  return match ? match.index : -1;
}

// Every start tag that the parser reads as one, in order, with its attributes: tags in comments and
// in the raw text of scripts, styles and the like are passed over. No more than a light reading
// for finding particular tags; it does not follow the tree the parser builds.
function eachStartTag(text, visit) {
  for (var at = text.indexOf('<'); at >= 0; at = text.indexOf('<', at)) {
    var tag = readTagAt(text, at, false);
    if (!tag) return;
    at = tag.end;
    if (tag.kind !== 'start') continue;
    var attributes = [];
    readTagRest(text, tag.nameEnd, attributes);
    visit(tag, attributes);
    if (RAW_TEXT_IN_HTML[tag.name] === true) {
      at = rawTextEnd(text, tag.name, tag.end);
      if (at < 0) return;
    }
  }
}

// The scan's running state: per element (in the order of their start tags) where its start tag
// begins, where the tag's name and the whole tag end, where the element ends (-1 until known),
// its parent, name and namespace, and whether its end is certain; the stack of open elements.
var SCAN_NUMBERS = ['starts', 'nameEnds', 'tagEnds', 'ends', 'parents', 'ordinals'];
var SCAN_FLAGS = ['spaces', 'certain', 'marked'];

function newSourceScan(text) {
  var scan = {
    text: text, pos: 0, count: 0, capacity: 0, names: [], stack: [], phase: 'initial', templates: 0, stopped: false,
    noQuirks: HTML5_DOCTYPE_AT_START.test(text.slice(0, 1024)), htmlAnnotation: {}, places: { htmlStartEnd: -1, bodyStartEnd: -1, headClose: -1, bodyClose: -1, htmlClose: -1 }, orphans: [], clones: {}, rebuilt: 0, formOpen: false, head: -1, bodyEndTag: null,
    tables: 0, selects: 0, tagCount: 0, scripts: [], markAt: []
  };
  growScan(scan, Math.max(64, text.length >> 5));
  return scan;
}

// The per-element fields live in typed arrays, grown by doubling.
function growScan(scan, capacity) {
  SCAN_NUMBERS.concat(SCAN_FLAGS).forEach(function (field) {
    var grown = SCAN_FLAGS.indexOf(field) >= 0 ? new Uint8Array(capacity) : new Int32Array(capacity);
    if (scan[field]) grown.set(scan[field]);
    scan[field] = grown;
  });
  scan.capacity = capacity;
}

var HTML_SPACE = 0;
var SVG_SPACE = 1;
var MATH_SPACE = 2;

function currentElement(scan) {
  return scan.stack.length ? scan.stack[scan.stack.length - 1] : -1;
}

function currentName(scan) {
  var current = currentElement(scan);
  return current < 0 ? '' : scan.names[current];
}

function recordElement(scan, tag, space, end) {
  var index = scan.count++;
  if (index >= scan.capacity) growScan(scan, scan.capacity * 2);
  scan.starts[index] = tag.start;
  scan.nameEnds[index] = tag.nameEnd;
  scan.tagEnds[index] = tag.end;
  scan.ends[index] = end;
  scan.parents[index] = currentElement(scan);
  scan.names[index] = tag.name;
  scan.ordinals[index] = typeof tag.ordinal === 'number' ? tag.ordinal : -1;
  scan.spaces[index] = space;
  // What a select holds is parsed by rules of its own.
  scan.certain[index] = scan.orphans.length === 0 && scan.rebuilt === 0 && scan.selects === 0 ? 1 : 0;
  scan.marked[index] = scan.templates === 0 ? 1 : 0;
  return index;
}

function openElement(scan, tag, space) {
  var index = recordElement(scan, tag, space, -1);
  scan.stack.push(index);
  if (space === HTML_SPACE) countOpen(scan, tag.name, 1);
  return index;
}

// Open templates, table parts and selects are counted, so that the common case of none open is
// told without looking through the stack.
function countOpen(scan, name, step) {
  if (name === 'template') scan.templates += step;
  else if (name === 'select') scan.selects += step;
  else if (TABLE_CONTEXT[name] === true) scan.tables += step;
}

// Where the parser restructures what is open, no open element's end can be placed with certainty.
function distrustOpenElements(scan) {
  scan.stack.forEach(function (index) { scan.certain[index] = 0; });
}

function endElement(scan, index, at) {
  scan.ends[index] = at;
  if (scan.clones[index] === true) scan.rebuilt--;
  if (scan.spaces[index] === HTML_SPACE) countOpen(scan, scan.names[index], -1);
}

// Closes the open elements from the top of the stack down to the one at `position`: those above
// it end before the tag that closes them, the element itself at `end`. Formatting elements closed
// that way are opened again by the parser further on, unless a cell or the like closes with them.
function closeThrough(scan, position, before, end) {
  var target = scan.stack[position];
  var boundary = FORMATTING_MARKERS[scan.names[target]] === true;
  for (var i = scan.stack.length - 1; i > position; i--) {
    var index = scan.stack[i];
    if (!boundary && FORMATTING_ELEMENTS[scan.names[index]] === true && scan.spaces[index] === HTML_SPACE) {
      orphanFormatting(scan, scan.names[index]);
    }
    // Written back with its end tag, a form closed this way would let a later form tag count.
    if (scan.names[index] === 'form') distrustOpenElements(scan);
    endElement(scan, index, before);
  }
  // Closed before a tag of another name, a formatting element stays active as well.
  if (end === before && FORMATTING_ELEMENTS[scan.names[target]] === true && scan.spaces[target] === HTML_SPACE) {
    orphanFormatting(scan, scan.names[target]);
  }
  endElement(scan, target, end);
  scan.stack.length = position;
  if (boundary) dropOrphansInside(scan);
}

function openMarkers(scan) {
  var count = 0;
  scan.stack.forEach(function (index) { if (FORMATTING_MARKERS[scan.names[index]] === true) count++; });
  return count;
}

// A formatting element closed by something else stays in the parser's list of active formatting
// and is rebuilt around later content, until its own end tag or the cell it stands in ends: till
// then nothing opened, and nothing open, ends where its text says.
function orphanFormatting(scan, name) {
  distrustOpenElements(scan);
  scan.orphans.push({ name: name, markers: openMarkers(scan) });
}

// Content met while formatting elements stand closed but active opens copies of them first; the
// copies carry the originals' marks, so they are elements of no place of their own.
function reconstructFormatting(scan, at) {
  if (!scan.orphans.length) return;
  var markers = openMarkers(scan);
  scan.orphans = scan.orphans.filter(function (orphan) {
    if (orphan.markers !== markers) return true;
    var index = openElement(scan, { name: orphan.name, start: at, nameEnd: at, end: at }, HTML_SPACE);
    scan.marked[index] = 0;
    scan.clones[index] = true;
    scan.rebuilt++;
    return false;
  });
}

function dropOrphansInside(scan) {
  var markers = openMarkers(scan);
  scan.orphans = scan.orphans.filter(function (orphan) { return orphan.markers <= markers; });
}

function dropOrphanNamed(scan, name) {
  for (var i = scan.orphans.length - 1; i >= 0; i--) {
    if (scan.orphans[i].name === name) {
      scan.orphans.splice(i, 1);
      return;
    }
  }
}

// The stack position of the nearest open element of a name, looking down no further than the
// first element that bounds the scope; -1 when there is none.
function positionInScope(scan, name, extraBoundaries) {
  for (var i = scan.stack.length - 1; i >= 0; i--) {
    var index = scan.stack[i];
    var open = scan.names[index];
    if (open === name && scan.spaces[index] === HTML_SPACE) return i;
    if (scan.spaces[index] !== HTML_SPACE ? FOREIGN_BOUNDARIES[open] === true
        : SCOPE_BOUNDARIES[open] === true || (extraBoundaries && extraBoundaries[open] === true)) return -1;
  }
  return -1;
}

var BUTTON_SCOPE = elementSet('button');
var LIST_ITEM_SCOPE = elementSet('ol ul');
var TABLE_SCOPE_ONLY = elementSet('html table template');

function positionInTableScope(scan, names) {
  for (var i = scan.stack.length - 1; i >= 0; i--) {
    var open = scan.names[scan.stack[i]];
    if (names[open] === true) return i;
    if (TABLE_SCOPE_ONLY[open] === true) return -1;
  }
  return -1;
}

function closeParagraph(scan, at) {
  var position = positionInScope(scan, 'p', BUTTON_SCOPE);
  if (position >= 0) closeThrough(scan, position, at, at);
}

// An li, dd or dt closes the open one of its kind, unless a special element other than address,
// div or p stands between them.
function closeListItem(scan, names, at) {
  for (var i = scan.stack.length - 1; i >= 0; i--) {
    var open = scan.names[scan.stack[i]];
    if (open === 'select') return;
    if (names[open] === true) {
      closeThrough(scan, i, at, at);
      return;
    }
    if (SPECIAL_ELEMENTS[open] === true && open !== 'address' && open !== 'div' && open !== 'p') return;
  }
}

function popWhileCurrentIn(scan, names, at) {
  while (scan.stack.length && names[currentName(scan)] === true) {
    endElement(scan, scan.stack.pop(), at);
  }
}

var LIST_ITEMS = elementSet('li');
var DEFINITIONS = elementSet('dd dt');
var RUBY_PARTS = elementSet('rb rp rt rtc');
var RUBY_TEXT_PARTS = elementSet('rb rp rt');
var OPTIONS = elementSet('option');
var ROWS = elementSet('tr');
var TABLES = elementSet('table');
var TEMPLATES = elementSet('template');
var COLUMN_GROUPS = elementSet('colgroup');
// Start tags before which the parser does not reopen closed formatting elements.
var KEEPS_FORMATTING_CLOSED = elementSet('address article aside blockquote center details dialog dir div dl fieldset ' +
  'figcaption figure footer header hgroup main menu nav ol p search section summary ul h1 h2 h3 h4 h5 h6 pre ' +
  'listing form li dd dt plaintext table hr textarea iframe noembed noscript option optgroup rb rp rt rtc param ' +
  'source track base basefont bgsound link meta noframes script style template title frameset');
var CELLS_AND_CAPTIONS = elementSet('td th caption');
var TABLE_END_NAMES = {
  table: TABLES, caption: elementSet('caption'), colgroup: elementSet('colgroup'), col: elementSet('col'),
  tbody: elementSet('tbody'), thead: elementSet('thead'), tfoot: elementSet('tfoot'), tr: ROWS, td: elementSet('td'),
  th: elementSet('th')
};

function isIntegrationPoint(scan, index) {
  var space = scan.spaces[index];
  var name = scan.names[index];
  if (space === SVG_SPACE) return SVG_INTEGRATION[name] === true;
  if (space === MATH_SPACE) return MATH_TEXT_INTEGRATION[name] === true || (name === 'annotation-xml' && scan.htmlAnnotation[index] === true);
  return false;
}

function currentIsForeign(scan) {
  var current = currentElement(scan);
  return current >= 0 && scan.spaces[current] !== HTML_SPACE;
}

function inForeignContent(scan) {
  var current = currentElement(scan);
  return current >= 0 && scan.spaces[current] !== HTML_SPACE && !isIntegrationPoint(scan, current);
}

function tagAttributes(scan, tag) {
  var attributes = [];
  readTagRest(scan.text, tag.nameEnd, attributes);
  return attributes;
}

function attributeValue(scan, attributes, name) {
  for (var i = 0; i < attributes.length; i++) {
    if (attributes[i].name === name) {
      return attributes[i].valueStart < 0 ? '' : scan.text.slice(attributes[i].valueStart, attributes[i].valueEnd);
    }
  }
  return null;
}

// In an escaped script (a comment opener with a "<script" after it) the closing tag found is
// not the real one, so nothing after it can be placed with certainty.
function hidesScriptEnd(content) {
  var escape = content.indexOf('<\!--');
  return escape >= 0 && /<script[\s\/>]/i.test(content.slice(escape));
}

// A raw text element's content is not markup; its end tag ends it. When the text has no such end
// tag, or a script's text hides where it really ends, nothing after it can be read with certainty.
function rawTextElement(scan, tag) {
  var index = recordElement(scan, tag, HTML_SPACE, -1);
  if (tag.name === 'plaintext') {
    // What follows is its text to the end; written back it would gain an end tag as text.
    scan.certain[index] = 0;
    scan.ends[index] = scan.text.length;
    scan.pos = scan.text.length;
    return;
  }
  var contentEnd = rawTextEnd(scan.text, tag.name, tag.end);
  var closing = contentEnd < 0 ? null : readTagAt(scan.text, contentEnd, false);
  if (!closing || (tag.name === 'script' && hidesScriptEnd(scan.text.slice(tag.end, contentEnd)))) {
    scan.certain[index] = 0;
    stopScan(scan);
    return;
  }
  scan.ends[index] = closing.end;
  scan.pos = closing.end;
  if (tag.name === 'script' && !scan.templates && !insideForeign(scan)) noteInlineScript(scan.scripts, scan.text, tag.start, tag.end, contentEnd);
}

function insideForeign(scan) {
  return scan.stack.some(function (index) { return scan.spaces[index] !== HTML_SPACE; });
}

// Inline classic scripts run from their text: those are the ones made safe to run again.
function noteInlineScript(scripts, text, tagStart, tagEnd, contentEnd) {
  if (isInlineClassicScript(scriptTagAttributes(text.slice(tagStart, tagEnd)))) {
    scripts.push({ tagStart: tagStart, tagEnd: tagEnd, contentEnd: contentEnd });
  }
}

function stopScan(scan) {
  distrustOpenElements(scan);
  scan.stopped = true;
}

var RAW_TEXT_IN_HTML = elementSet('script style xmp iframe noembed noframes noscript textarea title plaintext');

// An element that takes no content, holds raw text, or opens.
function placeElement(scan, tag) {
  if (VOID_ELEMENTS[tag.name] === true) recordElement(scan, tag, HTML_SPACE, tag.end);
  else if (RAW_TEXT_IN_HTML[tag.name] === true) rawTextElement(scan, tag);
  else if (tag.name === 'svg') openForeign(scan, tag, SVG_SPACE);
  else if (tag.name === 'math') openForeign(scan, tag, MATH_SPACE);
  else openElement(scan, tag, HTML_SPACE);
}

function openForeign(scan, tag, space) {
  if (tag.selfClosing) recordElement(scan, tag, space, tag.end);
  else openElement(scan, tag, space);
  if (tag.name === 'annotation-xml') {
    var encoding = String(attributeValue(scan, tagAttributes(scan, tag), 'encoding') || '').toLowerCase();
    scan.htmlAnnotation[scan.count - 1] = encoding === 'text/html' || encoding === 'application/xhtml+xml';
  }
}

// Inside SVG or MathML every tag is an element of that language, closing itself when written so,
// except that certain HTML tags end the foreign content first.
function foreignStartTag(scan, tag) {
  var breaks = FOREIGN_BREAKOUT[tag.name] === true || (tag.name === 'font' && tagAttributes(scan, tag).some(function (a) {
    return a.name === 'color' || a.name === 'face' || a.name === 'size';
  }));
  if (!breaks) {
    openForeign(scan, tag, scan.spaces[currentElement(scan)]);
    return;
  }
  while (inForeignContent(scan)) endElement(scan, scan.stack.pop(), tag.start);
  bodyStartTag(scan, tag);
}

// A part of a table first ends an open cell, caption or column group, then whatever the parser
// had moved out in front of the table, then the row or row group it cannot stand in; outside a
// table it is no element at all.
var ROW_CONTEXT = elementSet('tr tbody thead tfoot table template html');
var ROW_GROUP_CONTEXT = elementSet('tbody thead tfoot table template html');
var TABLE_ONLY_CONTEXT = elementSet('table template html');
var PART_CONTEXTS = {
  td: ROW_CONTEXT, th: ROW_CONTEXT, tr: ROW_GROUP_CONTEXT, tbody: TABLE_ONLY_CONTEXT, thead: TABLE_ONLY_CONTEXT,
  tfoot: TABLE_ONLY_CONTEXT, caption: TABLE_ONLY_CONTEXT, colgroup: TABLE_ONLY_CONTEXT, col: TABLE_ONLY_CONTEXT
};
var OPEN_TABLE_PARTS = elementSet('td th caption colgroup');

function tableStartTag(scan, tag) {
  if (positionInTableScope(scan, TABLES) < 0 && positionInTableScope(scan, TEMPLATES) < 0) return;
  var open = positionInTableScope(scan, OPEN_TABLE_PARTS);
  if (open >= 0 && !(tag.name === 'col' && scan.names[scan.stack[open]] === 'colgroup')) {
    closeThrough(scan, open, tag.start, tag.start);
  }
  var context = positionInTableScope(scan, tag.name === 'col' && currentName(scan) === 'colgroup' ? COLUMN_GROUPS : PART_CONTEXTS[tag.name]);
  if (context >= 0 && context + 1 < scan.stack.length) closeThrough(scan, context + 1, tag.start, tag.start);
  openImpliedParts(scan, tag);
  placeElement(scan, tag);
}

// Rows and cells written straight into a table get the row group and row the parser puts
// around them; they stand open like written ones, without a mark.
var IMPLIED_PARTS = {
  td: { table: ['tbody', 'tr'], tbody: ['tr'], thead: ['tr'], tfoot: ['tr'] },
  th: { table: ['tbody', 'tr'], tbody: ['tr'], thead: ['tr'], tfoot: ['tr'] },
  tr: { table: ['tbody'] },
  col: { table: ['colgroup'] }
};

function openImpliedParts(scan, tag) {
  var implied = IMPLIED_PARTS[tag.name] && IMPLIED_PARTS[tag.name][currentName(scan)];
  (implied || []).forEach(function (name) {
    var index = openElement(scan, { name: name, start: tag.start, nameEnd: tag.start, end: tag.start }, HTML_SPACE);
    scan.marked[index] = 0;
  });
}

// Content that a table cannot hold is moved out in front of it by the parser: the table's text
// no longer holds only the table, and what holds the table would be read otherwise written out.
function fosterParented(scan) {
  distrustOpenElements(scan);
}

// The parser reads in table mode while the nearest of these open is a table, row group or row:
// whatever stands open above it was moved out in front of the table.
var TABLE_MODE_ENDS = elementSet('td th caption template html');

function inTableContext(scan) {
  if (!scan.tables) return false;
  for (var i = scan.stack.length - 1; i >= 0; i--) {
    var index = scan.stack[i];
    if (scan.spaces[index] !== HTML_SPACE) continue;
    if (TABLE_CONTEXT[scan.names[index]] === true) return true;
    if (TABLE_MODE_ENDS[scan.names[index]] === true) return false;
  }
  return false;
}

// A second table directly in a table closes the first; inside a cell it nests.
function closeTableForTable(scan, at) {
  var table = positionInTableScope(scan, TABLES);
  if (table < 0) return;
  var cell = positionInTableScope(scan, CELLS_AND_CAPTIONS);
  if (cell < table) closeThrough(scan, table, at, at);
}

function closeFormattingAgain(scan, tag) {
  var position = positionInScope(scan, tag.name, null);
  if (position < 0) return;
  orphanFormatting(scan, tag.name);
  closeThrough(scan, position, tag.start, tag.start);
}

function bodyStartTag(scan, tag) {
  var name = tag.name;
  if (inForeignContent(scan)) {
    foreignStartTag(scan, tag);
    return;
  }
  if (name === 'html' || name === 'body' || name === 'head' || name === 'frameset') {
    secondDocumentTag(scan, tag);
    return;
  }
  // While a form's end tag has not been seen another form is no element; the tag is dropped
  // before it closes anything.
  if (name === 'form' && !scan.templates) {
    if (scan.formOpen) return;
    scan.formOpen = true;
  }
  // A select or an input ends an open select; a select is then dropped, and the open one's text
  // takes in its tag, which would otherwise open a select of its own.
  if ((name === 'select' || name === 'input') && positionInScope(scan, 'select', null) >= 0) {
    closeThrough(scan, positionInScope(scan, 'select', null), tag.start, name === 'select' ? tag.end : tag.start);
    if (name === 'select') return;
  }
  if (TABLE_PARTS[name] === true) {
    tableStartTag(scan, tag);
    return;
  }
  var moved = inTableContext(scan) && KEPT_IN_TABLE[name] !== true;
  if (moved) fosterParented(scan);
  // A form in a table is an empty element whose end the parser keeps waiting for.
  if (name === 'form' && inTableContext(scan)) {
    distrustOpenElements(scan);
    scan.certain[recordElement(scan, tag, HTML_SPACE, tag.end)] = 0;
    return;
  }
  if (name === 'table') {
    closeTableForTable(scan, tag.start);
    // Only in standards mode does a table end an open paragraph.
    if (scan.noQuirks) closeParagraph(scan, tag.start);
    else if (positionInScope(scan, 'p', BUTTON_SCOPE) >= 0) distrustOpenElements(scan);
  } else if (CLOSES_P[name] === true) {
    closeParagraph(scan, tag.start);
  }
  if (name === 'li') closeListItem(scan, LIST_ITEMS, tag.start);
  else if (name === 'dd' || name === 'dt') closeListItem(scan, DEFINITIONS, tag.start);
  else if (HEADINGS[name] === true && HEADINGS[currentName(scan)] === true) endElement(scan, scan.stack.pop(), tag.start);
  else if (name === 'button') closeSameInScope(scan, tag);
  else if (name === 'a' || name === 'nobr') closeFormattingAgain(scan, tag);
  else if (name === 'option' || name === 'optgroup') popWhileCurrentIn(scan, OPTIONS, tag.start);
  else if (name === 'rb' || name === 'rtc') popWhileCurrentIn(scan, RUBY_PARTS, tag.start);
  else if (name === 'rp' || name === 'rt') popWhileCurrentIn(scan, RUBY_TEXT_PARTS, tag.start);
  if (KEEPS_FORMATTING_CLOSED[name] !== true) reconstructFormatting(scan, tag.start);
  placeElement(scan, tag);
  if (moved || name === 'template') scan.certain[scan.count - 1] = 0;
}

// A second html or body tag is no element: its attributes go to the first one, so the text that
// holds it does not hold only its own elements.
function secondDocumentTag(scan, tag) {
  if ((tag.name === 'html' || tag.name === 'body') && tagAttributes(scan, tag).length) distrustOpenElements(scan);
}

function closeSameInScope(scan, tag) {
  var position = positionInScope(scan, tag.name, null);
  if (position >= 0) closeThrough(scan, position, tag.start, tag.start);
}

// An end tag closes the nearest open element of its name and whatever is open above it. A
// formatting element closed while other elements are open inside it is rebuilt by the parser
// around what follows, so nothing open then ends where its text says.
function bodyEndTag(scan, tag) {
  var name = tag.name;
  if (foreignEndTag(scan, tag)) return;
  if (name === 'body' || name === 'html') {
    // Inside a table, and in its cells, the body's end tag is dropped.
    if (positionInTableScope(scan, TABLES) >= 0) return;
    if (positionInScope(scan, 'body', null) >= 0 || positionInScope(scan, 'html', null) >= 0) {
      scan.bodyEndTag = scan.bodyEndTag || tag;
      scan.phase = 'afterBody';
    }
    return;
  }
  var position = endTagPosition(scan, name);
  if (name === 'form' && !scan.templates) {
    // With no form open to close, the tag still lets the next form tag count: written back
    // without it, the elements open around it would read otherwise.
    if (position < 0 && scan.formOpen) distrustOpenElements(scan);
    scan.formOpen = false;
  }
  // A stray br or p end tag makes an element of its own, which a table moves out.
  if ((name === 'br' || (name === 'p' && position < 0)) && inTableContext(scan)) fosterParented(scan);
  if (position < 0) {
    if (FORMATTING_ELEMENTS[name] === true) dropOrphanNamed(scan, name);
    return;
  }
  var target = scan.stack[position];
  if (FORMATTING_ELEMENTS[name] === true && position !== scan.stack.length - 1) {
    misnestedFormatting(scan, position, tag);
    return;
  }
  // A form's end tag closes the paragraphs and list items open in it, then takes the form alone
  // off the stack: anything else open inside it stays open.
  if (name === 'form') popWhileCurrentIn(scan, IMPLIED_END, tag.start);
  if (name === 'form' && position !== scan.stack.length - 1) {
    distrustOpenElements(scan);
    endElement(scan, target, tag.end);
    scan.stack.splice(position, 1);
    return;
  }
  closeThrough(scan, position, tag.start, tag.end);
  if (scan.names[target] !== name) scan.certain[target] = 0;
}

function endTagPosition(scan, name) {
  if (name === 'p') return positionInScope(scan, 'p', BUTTON_SCOPE);
  if (name === 'template') return scan.stack.lastIndexOf(lastOpenTemplate(scan));
  if (name === 'li') return positionInScope(scan, 'li', LIST_ITEM_SCOPE);
  if (TABLE_PARTS[name] === true || name === 'table') return positionInTableScope(scan, TABLE_END_NAMES[name]);
  if (HEADINGS[name] === true) return nearestHeading(scan);
  if (SPECIAL_ELEMENTS[name] === true || FORMATTING_ELEMENTS[name] === true) return positionInScope(scan, name, null);
  // Any other end tag closes the nearest element of its name above every special one; an SVG or
  // MathML element met on the way bounds it like a special one.
  for (var i = scan.stack.length - 1; i >= 0; i--) {
    var index = scan.stack[i];
    var open = scan.names[index];
    if (scan.spaces[index] !== HTML_SPACE) return -1;
    if (open === name) return i;
    if (SPECIAL_ELEMENTS[open] === true) return -1;
  }
  return -1;
}

function lastOpenTemplate(scan) {
  for (var i = scan.stack.length - 1; i >= 0; i--) {
    if (scan.names[scan.stack[i]] === 'template' && scan.spaces[scan.stack[i]] === HTML_SPACE) return scan.stack[i];
  }
  return -2;
}

function nearestHeading(scan) {
  for (var i = scan.stack.length - 1; i >= 0; i--) {
    var open = scan.names[scan.stack[i]];
    if (HEADINGS[open] === true) return i;
    if (SCOPE_BOUNDARIES[open] === true) return -1;
  }
  return -1;
}

// The parser's adoption of misnested formatting moves the elements open inside the formatting
// element under a copy of it; what stays open is approximated, and nothing open is trusted.
function misnestedFormatting(scan, position, tag) {
  orphanFormatting(scan, tag.name);
  var furthest = -1;
  for (var i = position + 1; i < scan.stack.length; i++) {
    if (SPECIAL_ELEMENTS[scan.names[scan.stack[i]]] === true) {
      furthest = i;
      break;
    }
  }
  if (furthest < 0) {
    closeThrough(scan, position, tag.start, tag.end);
    return;
  }
  for (var j = furthest - 1; j >= position; j--) endElement(scan, scan.stack[j], tag.start);
  scan.stack.splice(position, furthest - position);
}

// An end tag inside SVG or MathML closes the nearest foreign element of its name, if any.
function foreignEndTag(scan, tag) {
  if (!currentIsForeign(scan)) return false;
  for (var i = scan.stack.length - 1; i >= 0; i--) {
    var index = scan.stack[i];
    if (scan.spaces[index] === HTML_SPACE) return false;
    if (scan.names[index] === tag.name) {
      closeThrough(scan, i, tag.start, tag.end);
      return true;
    }
  }
  return false;
}

// Before the body: the html and head elements, and the elements that belong in the head. Any
// other content ends the head and begins the body, whether their tags are written or not.
function startTagBeforeBody(scan, tag) {
  var name = tag.name;
  if (scan.phase === 'initial') {
    scan.phase = 'beforeHead';
    if (name === 'html') {
      openElement(scan, tag, HTML_SPACE);
      return;
    }
  }
  if (name === 'html') {
    secondDocumentTag(scan, tag);
    return;
  }
  if (scan.phase === 'beforeHead' && name === 'head') {
    scan.head = openElement(scan, tag, HTML_SPACE);
    scan.phase = 'head';
    return;
  }
  if (HEAD_CONTENT[name] === true) {
    if (scan.phase === 'beforeHead') scan.phase = 'head';
    // After the head's end tag such an element still goes into the head.
    if (scan.phase === 'afterHead' && scan.head >= 0) scan.certain[scan.head] = 0;
    placeElement(scan, tag);
    return;
  }
  leaveHead(scan, tag.start);
  if (name === 'body') {
    openElement(scan, tag, HTML_SPACE);
    return;
  }
  bodyStartTag(scan, tag);
}

// A head ended by other content has no end of its own in the text: white space before that
// content is the head's, after an end tag it would not be.
function leaveHead(scan, at) {
  if (currentName(scan) === 'head') {
    var head = scan.stack.pop();
    endElement(scan, head, at);
    scan.certain[head] = 0;
  }
  scan.phase = 'body';
}

function endTagBeforeBody(scan, tag) {
  if (tag.name === 'head') {
    if (currentName(scan) === 'head') endElement(scan, scan.stack.pop(), tag.end);
    scan.phase = 'afterHead';
  } else if (tag.name === 'body' || tag.name === 'html' || tag.name === 'br') {
    leaveHead(scan, tag.start);
    bodyEndTag(scan, tag);
  } else if (tag.name === 'template') {
    bodyEndTag(scan, tag);
  }
}

function inBody(scan) {
  return scan.phase === 'body' || scan.phase === 'afterBody' || scan.templates > 0;
}

// Content after the body's end tag goes back into the body: the body, and what is open in it,
// end later than their text says.
function reopenBody(scan) {
  if (scan.phase !== 'afterBody') return;
  distrustOpenElements(scan);
  scan.phase = 'body';
  scan.bodyEndTag = null;
}

function startTag(scan, tag) {
  if (scan.templates > 0 || scan.phase === 'body') bodyStartTag(scan, tag);
  else if (scan.phase === 'afterBody') {
    reopenBody(scan);
    bodyStartTag(scan, tag);
  } else startTagBeforeBody(scan, tag);
}

function endTag(scan, tag) {
  if (scan.phase === 'afterBody' && tag.name !== 'body' && tag.name !== 'html') reopenBody(scan);
  if (inBody(scan)) bodyEndTag(scan, tag);
  else endTagBeforeBody(scan, tag);
}

// Text matters to the structure where it begins the body, lands after the body's end, or stands
// directly in a table, which moves it out.
function inspectText(scan, from, to) {
  if (from >= to) return;
  if (inBody(scan) && scan.phase !== 'afterBody' && !inTableContext(scan)) {
    reconstructFormatting(scan, from);
    return;
  }
  // Even white space after the body's end tag goes into the body.
  if (scan.phase === 'afterBody') distrustOpenElements(scan);
  if (!NOT_SPACE.test(scan.text.slice(from, to))) return;
  if (scan.phase === 'afterBody') reopenBody(scan);
  else if (!inBody(scan)) leaveHead(scan, from);
  if (inTableContext(scan)) fosterParented(scan);
  reconstructFormatting(scan, from);
}

// Elements still open where the text ends end there; after the body's end tag they end at it,
// the body and html elements with their own end tags.
function finishScan(scan) {
  var end = scan.text.length;
  var bodyEnd = scan.bodyEndTag;
  for (var i = scan.stack.length - 1; i >= 0; i--) {
    var index = scan.stack[i];
    var name = scan.names[index];
    var at = end;
    if (bodyEnd && name !== 'html') at = name === 'body' ? bodyEnd.end : bodyEnd.start;
    endElement(scan, index, scan.stopped ? -1 : at);
  }
  scan.stack.length = 0;
}

// Where the editor's own parts go in: the end of the first html and body start tags, the first
// head end tag, the last body and html end tags.
function notePlace(places, kind, name, start, end) {
  if (kind === 'start') {
    if (name === 'html' && places.htmlStartEnd < 0) places.htmlStartEnd = end;
    else if (name === 'body' && places.bodyStartEnd < 0) places.bodyStartEnd = end;
  } else if (kind === 'end') {
    if (name === 'head' && places.headClose < 0) places.headClose = start;
    else if (name === 'body') places.bodyClose = start;
    else if (name === 'html') places.htmlClose = start;
  }
}

// The icon link goes last into the head, or into a head of its own after the html start tag;
// the runtime script last into the body, or before the html end tag, or at the very end. When
// `wrapped`, the content wrapper goes around what stands between the body's start tag and the
// script.
function runtimeInsertions(places, length, iconMarkup, scriptMarkup, wrapped) {
  var insertions = [];
  if (iconMarkup) {
    if (places.headClose >= 0) insertions.push({ at: places.headClose, markup: iconMarkup });
    else if (places.htmlStartEnd >= 0) insertions.push({ at: places.htmlStartEnd, markup: '<head>' + iconMarkup + '</head>' });
  }
  var scriptAt = places.bodyClose >= 0 ? places.bodyClose : places.htmlClose >= 0 ? places.htmlClose : length;
  if (wrapped && places.bodyStartEnd >= 0 && places.bodyStartEnd <= scriptAt) {
    insertions.push({ at: places.bodyStartEnd, markup: CONTENT_WRAPPER_START }, { at: scriptAt, markup: '</div>' });
  }
  if (scriptMarkup) insertions.push({ at: scriptAt, markup: scriptMarkup });
  return insertions.sort(function (a, b) { return a.at - b.at; });
}

// The places of a text read by a glance instead of the quick reading: its first html and body
// start tags and head end tag, its last body and html end tags, wherever they stand. For the
// usual document they are the places the reading finds; where they are not (a tag inside a
// comment, an attribute with ">" in it), the reading that follows the writing tells so.
var GLANCED_START_TAG = { html: /<html(?=[\t\n\f\r \/>])[^>]*>/i, body: /<body(?=[\t\n\f\r \/>])[^>]*>/i };
var GLANCED_HEAD_END = /<\/head[\t\n\f\r ]*>/i;

function glancedPlaces(text) {
  var startEnd = function (name) {
    var match = GLANCED_START_TAG[name].exec(text);
    return match ? match.index + match[0].length : -1;
  };
  var headEnd = GLANCED_HEAD_END.exec(text);
  var places = {
    htmlStartEnd: startEnd('html'), bodyStartEnd: startEnd('body'), headClose: headEnd ? headEnd.index : -1,
    bodyClose: -1, htmlClose: -1
  };
  lastBodyAndHtmlEnd(text, places);
  return places;
}

// From the end backwards; the html end tag counts only where no body end tag does, so a text
// with its body end tag near the end is read no further than that.
function lastBodyAndHtmlEnd(text, places) {
  for (var at = text.lastIndexOf('</'); at >= 0 && places.bodyClose < 0; at = at > 0 ? text.lastIndexOf('</', at - 1) : -1) {
    var match = quickMatch(QUICK_END_TAG, text, at);
    var name = match ? match[1].toLowerCase() : '';
    if (name === 'body') places.bodyClose = at;
    else if (name === 'html' && places.htmlClose < 0) places.htmlClose = at;
  }
}

// Whether two readings of a text's places put the editor's own parts at the same places.
function insertionsAgree(places, others, length) {
  var placed = function (of) {
    return runtimeInsertions(of, length, 'icon', 'script', true).map(function (insertion) { return insertion.at; }).join();
  };
  return placed(places) === placed(others);
}

// Follows the markup of a whole document from start to end.
function scanSource(text) {
  var scan = newSourceScan(text);
  continueScan(scan, null);
  return scan;
}

var STEPS_BETWEEN_CHECKS = 256;

// Work given a slice of time looks at the clock every so many steps (tags read, elements marked).
function isTimeUp(outOfTime, steps) {
  return !!outOfTime && steps % STEPS_BETWEEN_CHECKS === 0 && outOfTime();
}

// Follows the markup further, to the end or until `outOfTime` (looked at every so many tags)
// says the time given is spent; true once the scan is finished.
function continueScan(scan, outOfTime) {
  var text = scan.text;
  for (var tags = 1; !scan.stopped && scan.pos < text.length; tags++) {
    if (isTimeUp(outOfTime, tags)) return false;
    var lt = text.indexOf('<', scan.pos);
    if (lt < 0) lt = text.length;
    inspectText(scan, scan.pos, lt);
    if (lt >= text.length) break;
    var tag = readTagAt(text, lt, currentIsForeign(scan));
    if (!tag) {
      stopScan(scan);
      break;
    }
    scan.pos = tag.end;
    notePlace(scan.places, tag.kind, tag.name, tag.start, tag.end);
    if (tag.kind === 'start') {
      tag.ordinal = scan.tagCount++;
      // Every start tag gets its number, even one the parser drops, just as the quick reading numbers them.
      if (!scan.templates && UNMARKED_ELEMENTS[tag.name] !== true) scan.markAt.push(tag.nameEnd, tag.ordinal);
      startTag(scan, tag);
    } else if (tag.kind === 'end') {
      endTag(scan, tag);
    }
    else if (tag.kind === 'text') inspectText(scan, lt, lt + 1);
  }
  finishScan(scan);
  return true;
}

// Elements inside a template's content carry no mark, nor do text-level elements, nor elements
// the parser makes without a tag of their own.
function isMarkedRecord(scan, index) {
  return scan.marked[index] === 1 && scan.ordinals[index] >= 0 && UNMARKED_ELEMENTS[scan.names[index]] !== true;
}

function markedParent(scan, index) {
  var parent = scan.parents[index];
  while (parent >= 0 && !isMarkedRecord(scan, parent)) parent = scan.parents[parent];
  return parent < 0 ? -1 : scan.ordinals[parent];
}

// Text-level elements carry no mark: an edit inside one is traced to the block around it, which
// keeps the marks, and the text written into the window, small.
var UNMARKED_ELEMENTS = elementSet('a abbr b bdi bdo br cite code data dfn em i kbd mark q rp rt ruby s samp small ' +
  'span strong sub sup time u var wbr font big strike tt nobr');

// The span table of a document's elements, by the number of their start tag in the text: where
// the start tag begins and ends, where the element ends (-1 when uncertain), its parent's number;
// -1 starts an element that has no place in the text.
function newSpanTable(capacity) {
  var size = Math.max(16, capacity);
  var table = {
    count: 0, start: new Int32Array(size), tagEnd: new Int32Array(size), end: new Int32Array(size),
    parent: new Int32Array(size)
  };
  ['start', 'tagEnd', 'end', 'parent'].forEach(function (field) { table[field].fill(-1); });
  return table;
}

function growSpanTable(table, count) {
  if (count <= table.start.length) return;
  var grown = newSpanTable(Math.max(count, table.start.length * 2));
  ['start', 'tagEnd', 'end', 'parent'].forEach(function (field) {
    grown[field].set(table[field]);
    table[field] = grown[field];
  });
}

function setSpan(table, id, start, tagEnd, end, parent) {
  growSpanTable(table, id + 1);
  table.start[id] = start;
  table.tagEnd[id] = tagEnd;
  table.end[id] = end;
  table.parent[id] = parent;
  if (id >= table.count) table.count = id + 1;
}

function spanTableOf(scan) {
  var table = newSpanTable(scan.tagCount);
  table.count = scan.tagCount;
  for (var i = 0; i < scan.count; i++) {
    if (!isMarkedRecord(scan, i)) continue;
    var id = scan.ordinals[i];
    table.start[id] = scan.starts[i];
    table.tagEnd[id] = scan.tagEnds[i];
    table.end[id] = scan.certain[i] ? scan.ends[i] : -1;
    table.parent[id] = markedParent(scan, i);
  }
  return table;
}

function sourceMarkAttribute(id) {
  return ' ' + SOURCE_MARK + '="' + id + '"';
}

// What writing a document needs of its text: where each marked start tag's name ends, with the
// tag's number; its inline classic scripts; where the editor's own parts go.
function documentTagsOf(scan) {
  var tags = { markAt: [], markIds: [], scripts: scan.scripts, places: scan.places };
  for (var i = 0; i < scan.markAt.length; i += 2) {
    tags.markAt.push(scan.markAt[i]);
    tags.markIds.push(scan.markAt[i + 1]);
  }
  return tags;
}

// Most documents are read by the quick reading alone; one it cannot read with certainty is read
// by the full scan, which numbers the tags the same way.
function documentTags(text) {
  return quickDocumentTags(text) || documentTagsOf(scanSource(text));
}

// The quick reading: well-formed tags of the usual shapes, comments, raw text, SVG and MathML
// without the parser's special cases. At the first thing outside that it gives up (null), and
// the full scan reads the text instead. It also names each marked tag, for the walk of the
// parsed tree that gives a document written without marks its marks.
var QUICK_START_TAG = /<([a-zA-Z][^\t\n\f\r \/>]*)(?:[\t\n\f\r ]+[^\t\n\f\r \/>"'=<]+(?:[\t\n\f\r ]*=[\t\n\f\r ]*(?:"[^"]*"|'[^']*'|[^\t\n\f\r >"'=<`]+))?)*[\t\n\f\r ]*(\/?)>/y;
var QUICK_END_TAG = /<\/([a-zA-Z][^\t\n\f\r \/>]*)[\t\n\f\r ]*>/y;
var QUICK_COMMENT = /<\!--(?:>|->|[\s\S]*?--!?>)/y;
var QUICK_DECLARATION = /<[!?][^>]*>/y;
var QUICK_FOREIGN_STOPS = elementSet('foreignobject desc title mi mo mn ms mtext annotation-xml');

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

function newQuickReading(text) {
  var tags = {
    markAt: [], markIds: [], markNames: [], scripts: [], places: { htmlStartEnd: -1, bodyStartEnd: -1, headClose: -1, bodyClose: -1, htmlClose: -1 }
  };
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
// makes no element: the full scan reads such a text.
function quickDocumentElement(reading, name) {
  var seen = reading.seen;
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
var IMPLIED_ELEMENTS = elementSet('html head body tbody tr colgroup');

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

var SERIALISED_VOID = elementSet('area base basefont bgsound br col embed frame hr img input keygen link meta param ' +
  'source track wbr');
var SERIALISED_RAW_TEXT = elementSet('script style xmp iframe noembed noframes plaintext noscript');
var SERIALISED_MARK = / data-lmw-n="(\d+)"/;

// The serialisation of a live element with its marks still in: every element in it ends with its
// own end tag, so the tags pair up plainly. Returns the text without the marks, and where each
// marked element stands in it; a mark met twice is left out, its elements no longer known apart.
function takeSourceMarks(text) {
  var found = [];
  var seen = Object.create(null);
  var stack = [];
  var pieces = [];
  var copied = 0;
  var removed = 0;
  var pos = 0;
  var place = function (at) { return at - removed; };
  while (pos < text.length) {
    var lt = text.indexOf('<', pos);
    if (lt < 0) break;
    var foreign = stack.length > 0 && stack[stack.length - 1].foreign;
    var tag = readTagAt(text, lt, foreign);
    if (!tag) break;
    pos = tag.end;
    if (tag.kind === 'end') {
      var closed = stack.pop();
      if (closed && closed.record) closed.record.end = place(tag.end);
      continue;
    }
    if (tag.kind !== 'start') continue;
    var mark = SERIALISED_MARK.exec(text.slice(tag.nameEnd, tag.end));
    var record = null;
    if (mark) {
      var markAt = tag.nameEnd + mark.index;
      pieces.push(text.slice(copied, markAt));
      copied = markAt + mark[0].length;
      var id = Number(mark[1]);
      var parent = nearestRecord(stack);
      record = { id: id, start: place(tag.start), tagEnd: place(tag.end) - mark[0].length, end: -1, parent: parent ? parent.id : -1 };
      removed += mark[0].length;
      seen[id] = (seen[id] || 0) + 1;
      found.push(record);
    }
    pos = enterSerialisedElement(text, tag, stack, record, foreign, place);
  }
  pieces.push(text.slice(copied));
  return { text: pieces.join(''), marks: found.filter(function (record) { return seen[record.id] === 1; }) };
}

function nearestRecord(stack) {
  for (var i = stack.length - 1; i >= 0; i--) if (stack[i].record) return stack[i].record;
  return null;
}

// Opens the element a serialised start tag begins, or passes over its raw text; returns where the
// reading goes on.
function enterSerialisedElement(text, tag, stack, record, foreign, place) {
  var space = foreign || tag.name === 'svg' || tag.name === 'math';
  var integration = space && (SVG_INTEGRATION[tag.name] === true || MATH_TEXT_INTEGRATION[tag.name] === true ||
    tag.name === 'annotation-xml');
  if (!space && SERIALISED_VOID[tag.name] === true) {
    if (record) record.end = place(tag.end);
    return tag.end;
  }
  if (!space && SERIALISED_RAW_TEXT[tag.name] === true) {
    var contentEnd = rawTextEnd(text, tag.name, tag.end);
    var closing = contentEnd < 0 ? null : readTagAt(text, contentEnd, false);
    if (!closing) return text.length;
    if (record) record.end = place(closing.end);
    return closing.end;
  }
  stack.push({ record: record, foreign: space && !integration });
  return tag.end;
}
