// The parser's rules for tags in the body, with the table parts and the SVG and MathML content the
// full scan meets there: which open elements a tag closes, and what it opens. Where the parser
// restructures the markup (content moved out of a table, misnested formatting), the elements it
// concerns are distrusted instead of followed.

/* global AFTER_BODY, IN_FRAMESET, distrustOpenElements, insertElement, insertEmptyElement, insertImpliedElement, insertRawTextElement */

var CLOSES_P = wordSet('address article aside blockquote center details dialog dir div dl fieldset ' +
  'figcaption figure footer header hgroup main menu nav ol p search section summary ul h1 h2 h3 h4 h5 h6 ' +
  'pre listing form hr xmp plaintext li dd dt table');
var SPECIAL_ELEMENTS = wordSet('address applet area article aside base basefont bgsound blockquote body br ' +
  'button caption center col colgroup dd details dir div dl dt embed fieldset figcaption figure footer form ' +
  'frame frameset h1 h2 h3 h4 h5 h6 head header hgroup hr html iframe img input keygen li link listing main ' +
  'marquee menu meta nav noembed noframes noscript object ol p param plaintext pre script search section ' +
  'select source style summary table tbody td template textarea tfoot th thead title tr track ul wbr xmp');
var TABLE_PARTS = wordSet('caption colgroup col tbody thead tfoot tr td th');
var KEPT_IN_TABLE = wordSet('caption colgroup col tbody thead tfoot tr td th table style script template form');
var SVG_INTEGRATION = wordSet('foreignobject desc title');
var MATH_TEXT_INTEGRATION = wordSet('mi mo mn ms mtext');
// Start tags before which the parser does not reopen closed formatting elements.
var KEEPS_FORMATTING_CLOSED = wordSet('address article aside blockquote center details dialog dir div dl fieldset ' +
  'figcaption figure footer header hgroup main menu nav ol p search section summary ul h1 h2 h3 h4 h5 h6 pre ' +
  'listing form li dd dt plaintext table hr textarea iframe noembed noscript option optgroup rb rp rt rtc param ' +
  'source track base basefont bgsound link meta noframes script style template title frameset');
var LIST_ITEMS = wordSet('li');
var DEFINITIONS = wordSet('dd dt');
var TABLES = wordSet('table');
var TEMPLATES = wordSet('template');
var COLUMN_GROUPS = wordSet('colgroup');
var CELLS_AND_CAPTIONS = wordSet('td th caption');
var TABLE_END_NAMES = {
  table: TABLES, caption: wordSet('caption'), colgroup: COLUMN_GROUPS, col: wordSet('col'),
  tbody: wordSet('tbody'), thead: wordSet('thead'), tfoot: wordSet('tfoot'), tr: wordSet('tr'),
  td: wordSet('td'), th: wordSet('th')
};

function startTagInBody(scan, token) {
  var name = token.name;
  var open = scan.open;
  if (inForeignContent(scan)) {
    foreignStartTag(scan, token);
    return;
  }
  if (scan.framesetOk) noteFramesetContent(scan, token);
  if (name === 'html' || name === 'body' || name === 'head') {
    secondDocumentTag(scan, token);
    return;
  }
  if (name === 'frameset' || name === 'frame') {
    if (name === 'frameset') framesetInBody(scan, token);
    return;
  }
  // While a form's end tag has not been seen another form is no element; the tag is dropped
  // before it closes anything.
  if (name === 'form' && !open.templates) {
    if (scan.formOpen) return;
    scan.formOpen = true;
  }
  // A select or an input ends an open select.
  if ((name === 'select' || name === 'input') && elementInScope(open, 'select') >= 0) {
    if (name === 'select') {
      selectInSelect(scan, token);
      return;
    }
    closeThrough(scan, elementInScope(open, 'select'));
  }
  if (TABLE_PARTS[name] === true) {
    tableStartTag(scan, token);
    return;
  }
  var moved = inTableContext(scan) && KEPT_IN_TABLE[name] !== true;
  if (moved) fosterParented(scan);
  // A form in a table is an empty element whose end the parser keeps waiting for.
  if (name === 'form' && inTableContext(scan)) {
    distrustOpenElements(scan);
    scan.certain[insertEmptyElement(scan, token, HTML_SPACE)] = 0;
    return;
  }
  closeForStartTag(scan, name);
  if (KEEPS_FORMATTING_CLOSED[name] !== true) reconstructActiveFormatting(scan);
  var index = insertByContent(scan, token);
  if (moved || name === 'template') scan.certain[index] = 0;
}

// Content that lets no frameset replace the body: elements that are more than a box for others.
var ENDS_FRAMESET_OK = wordSet('pre listing li dd dt button applet marquee object table area br embed img keygen ' +
  'wbr hr image textarea xmp iframe select template');

function noteFramesetContent(scan, token) {
  if (ENDS_FRAMESET_OK[token.name] === true || (token.name === 'input' && !isHiddenInput(scan, token))) endFramesetOk(scan);
}

function endFramesetOk(scan) {
  scan.framesetOk = false;
}

function isHiddenInput(scan, token) {
  return String(attributeValue(scan, tagAttributes(scan, token), 'type')).toLowerCase() === 'hidden';
}

// A frameset tag replaces a body that holds nothing but boxes and white space: what the body held
// is dropped, and its elements have no place. Elsewhere the tag is dropped, as a frame is; where
// only a second body tag kept it out, the elements around that tag would not, written back
// without it.
function framesetInBody(scan, token) {
  var open = scan.open;
  if (open.names[1] !== 'body' || open.templates) return;
  if (!scan.framesetOk) {
    scan.framesetShutBy.forEach(function (index) { scan.certain[index] = 0; });
    return;
  }
  for (var index = open.items[1]; index < scan.count; index++) scan.marked[index] = 0;
  popThrough(open, 1);
  insertElement(scan, token, HTML_SPACE);
  scan.mode = IN_FRAMESET;
}

// What a start tag closes before its element opens.
function closeForStartTag(scan, name) {
  var open = scan.open;
  if (name === 'table') {
    closeTableForTable(scan);
    // Only in standards mode does a table end an open paragraph.
    if (scan.noQuirks) closeParagraph(scan);
    else if (elementInButtonScope(open, 'p') >= 0) distrustOpenElements(scan);
  } else if (CLOSES_P[name] === true) {
    closeParagraph(scan);
  }
  if (name === 'li') closeListItem(scan, LIST_ITEMS);
  else if (name === 'dd' || name === 'dt') closeListItem(scan, DEFINITIONS);
  else if (HEADINGS[name] === true && HEADINGS[currentNodeName(open)] === true) closeHeading(scan);
  else if (name === 'button') closeSameInScope(scan, name);
  else if (name === 'a' || name === 'nobr') formattingAgain(scan, name);
  else if ((name === 'option' || name === 'optgroup') && currentNodeName(open) === 'option') popCurrentNode(open);
  else if (name === 'rb' || name === 'rtc') closeRubyParts(scan, '');
  else if (name === 'rp' || name === 'rt') closeRubyParts(scan, 'rtc');
}

// A heading ends where another begins. One that stands in a heading (moved there by the adoption
// of misnested formatting), written back with its end tag, would leave the new one to close the
// heading around it.
function closeHeading(scan) {
  var heading = popCurrentNode(scan.open);
  if (HEADINGS[currentNodeName(scan.open)] === true) scan.certain[heading] = 0;
}

// The ruby's parts end where another part begins, and so does anything else that ends where an
// element around it does (a paragraph, a list item): an rp or rt leaves an open rtc open.
function closeRubyParts(scan, except) {
  if (elementInScope(scan.open, 'ruby') >= 0) generateImpliedEndTags(scan.open, except);
}

// An element that takes no content, holds raw text, or opens.
function insertByContent(scan, token) {
  var name = token.name;
  if (VOID_ELEMENTS[name] === true) return insertEmptyElement(scan, token, HTML_SPACE);
  if (RAW_TEXT_IN_HTML[name] === true) return insertRawTextElement(scan, token);
  if (name === 'svg') return insertForeignElement(scan, token, SVG_SPACE);
  if (name === 'math') return insertForeignElement(scan, token, MATH_SPACE);
  return insertElement(scan, token, HTML_SPACE);
}

// A select met inside a select is read as the open one's end tag: the select's text takes it in.
function selectInSelect(scan, token) {
  scan.token = { kind: 'end', name: 'select', start: token.start, end: token.end };
  closeThrough(scan, elementInScope(scan.open, 'select'));
}

function closeParagraph(scan) {
  var position = elementInButtonScope(scan.open, 'p');
  if (position >= 0) closeThrough(scan, position);
}

function closeSameInScope(scan, name) {
  var position = elementInScope(scan.open, name);
  if (position >= 0) closeThrough(scan, position);
}

// The parser's special elements: the HTML ones, and the SVG and MathML elements that hold HTML.
function isSpecialAt(open, position) {
  var name = open.names[position];
  return isForeignAt(open, position) ? FOREIGN_SCOPE[name] === true : SPECIAL_ELEMENTS[name] === true;
}

// An li, dd or dt closes the open one of its kind, unless a special element other than address,
// div or p stands between them.
function closeListItem(scan, names) {
  var open = scan.open;
  for (var i = open.items.length - 1; i >= 0; i--) {
    var name = open.names[i];
    if (names[name] === true && !isForeignAt(open, i)) {
      closeThrough(scan, i);
      return;
    }
    if (isSpecialAt(open, i) && name !== 'address' && name !== 'div' && name !== 'p') return;
  }
}

// An a start tag while an a is active, or a nobr while a nobr is open, first closes that one by
// the adoption of misnested formatting, which takes it out of the list of active formatting
// elements.
function formattingAgain(scan, name) {
  var position = elementInScope(scan.open, name);
  if (position < 0 && name === 'nobr') return;
  if (position >= 0) adoptFormatting(scan, position);
  forgetActiveFormatting(scan, name);
}

// A second html or body tag is no element: its attributes go to the first one, so the text that
// holds it does not hold only its own elements. A body tag lets no frameset replace the body; the
// elements open around it are noted, as a frameset tag met later makes them hold more than their
// elements.
function secondDocumentTag(scan, token) {
  if ((token.name === 'html' || token.name === 'body') && tagAttributes(scan, token).length > 0) distrustOpenElements(scan);
  if (token.name !== 'body' || scan.open.templates) return;
  if (scan.framesetOk) scan.framesetShutBy = scan.open.items.slice();
  endFramesetOk(scan);
}

function tagAttributes(scan, token) {
  var attributes = [];
  readTagRest(scan.text, token.nameEnd, attributes);
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

// An end tag closes the nearest open element of its name and whatever is open above it. A
// formatting element closed while other elements are open inside it is rebuilt by the parser
// around what follows, so nothing open then ends where its text says.
function endTagInBody(scan, token) {
  var name = token.name;
  var open = scan.open;
  if (foreignEndTag(scan, token)) return;
  if (name === 'body' || name === 'html') {
    bodyEndTag(scan, token);
    return;
  }
  var position = endTagPosition(scan, name);
  if (name === 'form' && !open.templates) {
    // With no form open to close, the tag still lets the next form tag count: written back
    // without it, the elements open around it would read otherwise.
    if (position < 0 && scan.formOpen) distrustOpenElements(scan);
    scan.formOpen = false;
  }
  // A stray br or p end tag makes an element of its own, which a table moves out.
  if (name === 'br') endFramesetOk(scan);
  if ((name === 'br' || (name === 'p' && position < 0)) && inTableContext(scan)) fosterParented(scan);
  if (position < 0) {
    if (FORMATTING_ELEMENTS[name] === true) forgetActiveFormatting(scan, name);
    return;
  }
  var target = open.items[position];
  if (FORMATTING_ELEMENTS[name] === true && position !== open.items.length - 1) {
    adoptFormatting(scan, position);
    return;
  }
  if (name === 'form') {
    formEndTag(scan, position);
    return;
  }
  closeThrough(scan, position);
  if (scan.names[target] !== name) scan.certain[target] = 0;
}

// A form's end tag closes the paragraphs and list items open in it, then takes the form alone off
// the stack: anything else open inside it stays open.
function formEndTag(scan, position) {
  var open = scan.open;
  generateImpliedEndTags(open, '');
  if (position === open.items.length - 1) {
    closeThrough(scan, position);
    return;
  }
  distrustOpenElements(scan);
  removeOpenElement(open, position);
}

// Inside a table, and in its cells, the body's end tag is dropped; elsewhere it ends the body,
// and what follows goes back into it.
function bodyEndTag(scan, token) {
  var open = scan.open;
  if (elementInTableScope(open, TABLES) >= 0) return;
  if (elementInScope(open, 'body') >= 0 || elementInScope(open, 'html') >= 0) {
    scan.bodyEndTag = scan.bodyEndTag || token;
    scan.mode = AFTER_BODY;
  }
}

function endTagPosition(scan, name) {
  var open = scan.open;
  if (name === 'p') return elementInButtonScope(open, 'p');
  if (name === 'template') return openTemplate(open);
  if (name === 'li') return elementInListItemScope(open, 'li');
  if (TABLE_PARTS[name] === true || name === 'table') return elementInTableScope(open, TABLE_END_NAMES[name]);
  if (HEADINGS[name] === true) return headingInScope(open);
  if (SPECIAL_ELEMENTS[name] === true || FORMATTING_ELEMENTS[name] === true) return elementInScope(open, name);
  // Any other end tag closes the nearest element of its name above every special one.
  for (var i = open.items.length - 1; i >= 0; i--) {
    if (open.names[i] === name && !isForeignAt(open, i)) return i;
    if (isSpecialAt(open, i)) return -1;
  }
  return -1;
}

function openTemplate(open) {
  for (var i = open.items.length - 1; i >= 0; i--) {
    if (open.names[i] === 'template' && !isForeignAt(open, i)) return i;
  }
  return -1;
}

// The parser's adoption of misnested formatting: the first special element open inside the
// formatting element (the furthest block) moves out of it, the formatting elements between are
// copied in place (the three nearest the block; the others, and all that are not formatting,
// leave the stack), and a copy of the formatting element, open just above the block, takes what
// it held. The copy is then adopted the same way, until no special element stands inside it and
// the tag closes it. Nothing open is trusted.
function adoptFormatting(scan, position) {
  var open = scan.open;
  var name = open.names[position];
  distrustOpenElements(scan);
  for (var round = 0; round < 8 && elementInScope(open, name) === position; round++) {
    var furthest = furthestBlock(open, position);
    if (furthest < 0) {
      closeThrough(scan, position);
      return;
    }
    var block = open.items[furthest];
    for (var i = furthest - 1; i > position; i--) {
      var between = open.names[i];
      var copied = furthest - i <= 3 && FORMATTING_ELEMENTS[between] === true && !isForeignAt(open, i);
      removeOpenElement(open, i);
      if (copied) insertFormattingCopy(scan, between, i);
    }
    removeOpenElement(open, position);
    position = insertFormattingCopy(scan, name, open.items.lastIndexOf(block) + 1);
  }
}

function furthestBlock(open, position) {
  for (var i = position + 1; i < open.items.length; i++) {
    if (isSpecialAt(open, i)) return i;
  }
  return -1;
}

// A part of a table first ends an open cell, caption or column group, then whatever the parser
// had moved out in front of the table, then the row or row group it cannot stand in; outside a
// table it is no element at all.
var ROW_CONTEXT = wordSet('tr tbody thead tfoot table template html');
var ROW_GROUP_CONTEXT = wordSet('tbody thead tfoot table template html');
var TABLE_ONLY_CONTEXT = wordSet('table template html');
var PART_CONTEXTS = {
  td: ROW_CONTEXT, th: ROW_CONTEXT, tr: ROW_GROUP_CONTEXT, tbody: TABLE_ONLY_CONTEXT, thead: TABLE_ONLY_CONTEXT,
  tfoot: TABLE_ONLY_CONTEXT, caption: TABLE_ONLY_CONTEXT, colgroup: TABLE_ONLY_CONTEXT, col: TABLE_ONLY_CONTEXT
};
var OPEN_TABLE_PARTS = wordSet('td th caption colgroup');

function tableStartTag(scan, token) {
  var open = scan.open;
  if (elementInTableScope(open, TABLES) < 0 && elementInTableScope(open, TEMPLATES) < 0) return;
  var part = elementInTableScope(open, OPEN_TABLE_PARTS);
  if (part >= 0 && !(token.name === 'col' && open.names[part] === 'colgroup')) closeThrough(scan, part);
  var context = elementInTableScope(open, token.name === 'col' && currentNodeName(open) === 'colgroup' ?
    COLUMN_GROUPS : PART_CONTEXTS[token.name]);
  if (context >= 0 && context + 1 < open.items.length) closeThrough(scan, context + 1);
  openImpliedParts(scan, token);
  insertByContent(scan, token);
}

// Rows and cells written straight into a table get the row group and row the parser puts
// around them; they stand open like written ones, without a mark.
var IMPLIED_PARTS = {
  td: { table: ['tbody', 'tr'], tbody: ['tr'], thead: ['tr'], tfoot: ['tr'] },
  th: { table: ['tbody', 'tr'], tbody: ['tr'], thead: ['tr'], tfoot: ['tr'] },
  tr: { table: ['tbody'] },
  col: { table: ['colgroup'] }
};

function openImpliedParts(scan, token) {
  var implied = IMPLIED_PARTS[token.name] && IMPLIED_PARTS[token.name][currentNodeName(scan.open)];
  (implied || []).forEach(function (name) { insertImpliedElement(scan, name); });
}

// Content that a table cannot hold is moved out in front of it by the parser: the table's text
// no longer holds only the table, and what holds the table would be read otherwise written out.
function fosterParented(scan) {
  distrustOpenElements(scan);
}

// The parser reads in table mode while the nearest of these open is a table, row group or row:
// whatever stands open above it was moved out in front of the table.
var TABLE_MODE_ENDS = wordSet('td th caption template html');

function inTableContext(scan) {
  var open = scan.open;
  if (!open.tableParts) return false;
  for (var i = open.items.length - 1; i >= 0; i--) {
    if (isForeignAt(open, i)) continue;
    if (TABLE_CONTEXT[open.names[i]] === true) return true;
    if (TABLE_MODE_ENDS[open.names[i]] === true) return false;
  }
  return false;
}

// A second table directly in a table closes the first; inside a cell it nests.
function closeTableForTable(scan) {
  var table = elementInTableScope(scan.open, TABLES);
  if (table < 0) return;
  var cell = elementInTableScope(scan.open, CELLS_AND_CAPTIONS);
  if (cell < table) closeThrough(scan, table);
}

// SVG and MathML: the elements in which HTML is read again, and the tags that leave them.
function isIntegrationPoint(scan, index) {
  var space = scan.spaces[index];
  var name = scan.names[index];
  if (space === SVG_SPACE) return SVG_INTEGRATION[name] === true;
  if (space === MATH_SPACE) return MATH_TEXT_INTEGRATION[name] === true || (name === 'annotation-xml' && scan.htmlAnnotation[index] === true);
  return false;
}

function currentIsForeign(scan) {
  return currentNodeSpace(scan.open) !== HTML_SPACE;
}

function inForeignContent(scan) {
  return currentIsForeign(scan) && !isIntegrationPoint(scan, currentNode(scan.open));
}

function insideForeign(scan) {
  return scan.open.spaces.some(function (space) { return space !== HTML_SPACE; });
}

function insertForeignElement(scan, token, space) {
  var index = token.selfClosing ? insertEmptyElement(scan, token, space) : insertElement(scan, token, space);
  if (token.name === 'annotation-xml') {
    var encoding = String(attributeValue(scan, tagAttributes(scan, token), 'encoding') || '').toLowerCase();
    scan.htmlAnnotation[index] = encoding === 'text/html' || encoding === 'application/xhtml+xml';
  }
  return index;
}

// Inside SVG or MathML every tag is an element of that language, closing itself when written so,
// except that certain HTML tags end the foreign content first.
function foreignStartTag(scan, token) {
  var breaks = FOREIGN_BREAKOUT[token.name] === true || (token.name === 'font' && tagAttributes(scan, token).some(function (a) {
    return a.name === 'color' || a.name === 'face' || a.name === 'size';
  }));
  if (!breaks) {
    insertForeignElement(scan, token, currentNodeSpace(scan.open));
    return;
  }
  while (inForeignContent(scan)) popCurrentNode(scan.open);
  startTagInBody(scan, token);
}

// An end tag inside SVG or MathML closes the nearest foreign element of its name, if any.
function foreignEndTag(scan, token) {
  if (!currentIsForeign(scan)) return false;
  var open = scan.open;
  for (var i = open.items.length - 1; i >= 0; i--) {
    if (!isForeignAt(open, i)) return false;
    if (open.names[i] === token.name) {
      closeThrough(scan, i);
      return true;
    }
  }
  return false;
}
