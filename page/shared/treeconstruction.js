// The full scan: follows the browser parser's tree construction over a whole text, in slices,
// recording for every element where its start tag stands and where it ends. Each tag and run of
// text goes to the rules of the insertion mode the parser would be in.

/* global newPlaces, notePlace */

var HTML5_DOCTYPE_AT_START = /^[\t\n\f\r ]*<!doctype[\t\n\f\r ]+html[\t\n\f\r ]*>/i;
var HEAD_CONTENT = wordSet('base basefont bgsound link meta noframes noscript script style template title');

// The insertion modes the scan tells apart. What a template holds is read by the body's rules,
// whatever the mode around it.
var BEFORE_HTML = 'before html';
var BEFORE_HEAD = 'before head';
var IN_HEAD = 'in head';
var AFTER_HEAD = 'after head';
var IN_BODY = 'in body';
var AFTER_BODY = 'after body';
var IN_TEMPLATE = 'in template';
var IN_FRAMESET = 'in frameset';
var AFTER_FRAMESET = 'after frameset';

// The scan's running state: per element (in the order of their start tags) where its start tag
// begins, where the tag's name and the whole tag end, where the element ends (-1 until known),
// its parent, name and namespace, and whether its end is certain; the stack of open elements.
var SCAN_NUMBERS = ['starts', 'nameEnds', 'tagEnds', 'ends', 'parents', 'ordinals'];
var SCAN_FLAGS = ['spaces', 'certain', 'marked'];

function newSourceScan(text) {
  var scan = {
    text: text, pos: 0, token: null, textToken: { kind: 'text', start: 0, end: 0 }, mode: BEFORE_HTML, stopped: false,
    noQuirks: HTML5_DOCTYPE_AT_START.test(text.slice(0, 1024)), count: 0, capacity: 0, names: [], open: null,
    activeFormatting: [], copies: {}, copiesOpen: 0, htmlAnnotation: {}, formOpen: false, head: -1, bodyEndTag: null,
    commentAfterBody: false, spaceAfterBody: false, framesetOk: true, framesetShutBy: [],
    places: newPlaces(), tagCount: 0, scripts: [], markAt: []
  };
  scan.open = newOpenElements(function (index) { elementPopped(scan, index); });
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

// An element the token makes: where its start tag stands is recorded as it is inserted, under
// the current node.
function newRecord(scan, token, space) {
  var index = scan.count++;
  if (index >= scan.capacity) growScan(scan, scan.capacity * 2);
  scan.starts[index] = token.start;
  scan.nameEnds[index] = token.nameEnd;
  scan.tagEnds[index] = token.end;
  scan.ends[index] = -1;
  scan.parents[index] = currentNode(scan.open);
  scan.names[index] = token.name;
  scan.ordinals[index] = typeof token.ordinal === 'number' ? token.ordinal : -1;
  scan.spaces[index] = space;
  // What a select holds is parsed by rules of its own.
  scan.certain[index] = scan.activeFormatting.length === 0 && scan.copiesOpen === 0 && scan.open.selects === 0 ? 1 : 0;
  scan.marked[index] = scan.open.templates === 0 ? 1 : 0;
  return index;
}

function insertElement(scan, token, space) {
  var index = newRecord(scan, token, space);
  pushOpenElement(scan.open, index, token.name, space);
  return index;
}

// An element that holds nothing ends with its tag.
function insertEmptyElement(scan, token, space) {
  var index = newRecord(scan, token, space);
  scan.ends[index] = token.end;
  return index;
}

// An element the parser makes where the text has no tag for it stands open at the token that
// makes it, without a mark.
function insertImpliedElement(scan, name) {
  var at = scan.token.start;
  var index = insertElement(scan, { name: name, start: at, nameEnd: at, end: at }, HTML_SPACE);
  scan.marked[index] = 0;
  return index;
}

// The characters the browser escapes where it writes a text out.
var ESCAPED_IN_WRITING = /[&<>\u00a0]/;

// Script, style, title and the like: the tokenizer reads what follows as their text, up to their
// own end tag, which ends them; plaintext holds the rest of the text. When the text has no such
// end tag, or a script's text hides where it really ends, nothing after it can be read with
// certainty.
function insertRawTextElement(scan, token) {
  var text = scan.text;
  var index = insertElement(scan, token, HTML_SPACE);
  if (token.name === 'plaintext') {
    // Written back, it and every element open around it would gain end tags as its text.
    distrustOpenElements(scan);
    scan.pos = text.length;
    return index;
  }
  var contentEnd = rawTextEnd(text, token.name, token.end);
  var closing = contentEnd < 0 ? null : readTagAt(text, contentEnd, false);
  if (!closing || (token.name === 'script' && hidesScriptEnd(text.slice(token.end, contentEnd)))) {
    scan.certain[index] = 0;
    stopScan(scan);
    return index;
  }
  if (token.name === 'script' && !scan.open.templates && !insideForeign(scan)) {
    noteInlineScript(scan.scripts, text, token.start, token.end, contentEnd);
  }
  // What a template holds is written out as where scripts do not run, a noscript's text escaped:
  // read again as the noscript's raw text, the escapes would stay.
  if (token.name === 'noscript' && scan.open.templates && ESCAPED_IN_WRITING.test(text.slice(token.end, contentEnd))) {
    distrustOpenElements(scan);
  }
  scan.pos = closing.end;
  scan.token = closing;
  popCurrentNode(scan.open);
  return index;
}

// The location hook: where an element ends, recorded as it leaves the stack. An element closed
// by its own end tag ends after it, any other at the start of the token that closes it. Those
// still open where the text ends end there; after the body's end tag they end at that tag, the
// body with it, unless white space after the tag went into them.
function elementPopped(scan, index) {
  scan.ends[index] = endOfPopped(scan, scan.token, scan.names[index]);
  if (isClosedUnderForeign(scan, index)) scan.certain[index] = 0;
  if (scan.copies[index] === true) scan.copiesOpen--;
}

function endOfPopped(scan, token, name) {
  if (token.kind === 'end' && token.name === name) return token.end;
  if (token.kind !== 'end of text' || !scan.bodyEndTag || scan.spaceAfterBody || name === 'html') return token.start;
  return name === 'body' ? scan.bodyEndTag.end : scan.bodyEndTag.start;
}

// An SVG or MathML element inside another that holds no HTML, closed by an HTML start tag read
// at it (a table's part in a cell around them): written back with its end tag, it would leave
// that tag to be read as SVG or MathML.
function isClosedUnderForeign(scan, index) {
  var token = scan.token;
  var parent = scan.parents[index];
  return token.kind === 'start' && scan.spaces[index] !== HTML_SPACE && parent >= 0 && scan.spaces[parent] !== HTML_SPACE &&
    !isIntegrationPoint(scan, parent) && FOREIGN_BREAKOUT[token.name] !== true;
}

// Where the parser restructures what is open, no open element's end can be placed with certainty.
function distrustOpenElements(scan) {
  scan.open.items.forEach(function (index) { scan.certain[index] = 0; });
}

function stopScan(scan) {
  distrustOpenElements(scan);
  scan.stopped = true;
}

// Before the body: the html and head elements, made by the parser where their tags are not
// written, and the elements that belong in the head. Any other content ends the head and begins
// the body, whether its tag is written or not.
function startTagBeforeHtml(scan, token) {
  if (token.name !== 'html') {
    impliedElementThenReprocess(scan, 'html', BEFORE_HEAD, token);
    return;
  }
  insertElement(scan, token, HTML_SPACE);
  scan.mode = BEFORE_HEAD;
}

function startTagBeforeHead(scan, token) {
  if (token.name === 'html') {
    secondDocumentTag(scan, token);
  } else if (token.name === 'head') {
    scan.head = insertElement(scan, token, HTML_SPACE);
    scan.mode = IN_HEAD;
  } else {
    impliedElementThenReprocess(scan, 'head', IN_HEAD, token);
  }
}

function startTagInHead(scan, token) {
  var name = token.name;
  if (name === 'html') {
    secondDocumentTag(scan, token);
  } else if (HEAD_CONTENT[name] === true) {
    insertByContent(scan, token);
  } else if (name !== 'head') {
    leaveHead(scan);
    processToken(scan, token);
  }
}

function startTagAfterHead(scan, token) {
  var name = token.name;
  if (name === 'html') {
    secondDocumentTag(scan, token);
  } else if (name === 'body' || name === 'frameset') {
    insertElement(scan, token, HTML_SPACE);
    scan.mode = name === 'body' ? IN_BODY : IN_FRAMESET;
    scan.framesetOk = false;
  } else if (HEAD_CONTENT[name] === true && name !== 'noscript') {
    headContentAfterHead(scan, token);
  } else if (name !== 'head') {
    impliedBody(scan, token);
  }
}

// Where the text has no tag for the element the mode waits for, the parser makes one and reads
// the token again in the next mode.
function impliedElementThenReprocess(scan, name, mode, token) {
  var index = insertImpliedElement(scan, name);
  if (name === 'head') scan.head = index;
  scan.mode = mode;
  processToken(scan, token);
}

// A body the parser makes may still be replaced by a frameset, whatever a template in the head held.
function impliedBody(scan, token) {
  scan.framesetOk = true;
  impliedElementThenReprocess(scan, 'body', IN_BODY, token);
}

// A head ended by other content has no end of its own in the text: white space before that
// content is the head's, after an end tag it would not be.
function leaveHead(scan) {
  scan.certain[popCurrentNode(scan.open)] = 0;
  scan.mode = AFTER_HEAD;
}

// After the head's end tag such an element still goes into the head, which then ends later than
// its text says; a noscript there begins the body instead.
function headContentAfterHead(scan, token) {
  var open = scan.open;
  scan.certain[scan.head] = 0;
  pushOpenElement(open, scan.head, 'head', HTML_SPACE);
  startTagInHead(scan, token);
  removeOpenElement(open, open.items.lastIndexOf(scan.head));
}

// Only the end tags of what the modes before the body make stand for them; the others are dropped.
function isEndTagBeforeBody(token) {
  return token.name === 'head' || token.name === 'body' || token.name === 'html' || token.name === 'br';
}

function endTagBeforeHtml(scan, token) {
  if (isEndTagBeforeBody(token)) impliedElementThenReprocess(scan, 'html', BEFORE_HEAD, token);
}

function endTagBeforeHead(scan, token) {
  if (isEndTagBeforeBody(token)) impliedElementThenReprocess(scan, 'head', IN_HEAD, token);
}

function endTagInHead(scan, token) {
  if (token.name === 'head') {
    popCurrentNode(scan.open);
    scan.mode = AFTER_HEAD;
  } else if (isEndTagBeforeBody(token)) {
    leaveHead(scan);
    processToken(scan, token);
  } else if (token.name === 'template') {
    endTagInBody(scan, token);
  }
}

function endTagAfterHead(scan, token) {
  if (token.name === 'template') endTagInBody(scan, token);
  else if (isEndTagBeforeBody(token) && token.name !== 'head') impliedBody(scan, token);
}

// Text of white space alone, which the parser sets apart: before the body it changes nothing, in a
// table it stays there, and it lets a frameset still replace the body. Character references to
// white space are white space to the parser.
var SPACE_TEXT = /^(?:[\t\n\f\r ]|&#0*(?:9|1[023]|32)(?![0-9]);?|&#[xX]0*(?:[9aAcCdD]|20)(?![0-9a-fA-F]);?|&Tab;|&NewLine;)*$/;

function isSpaceToken(scan, token) {
  var text = scan.text.slice(token.start, token.end);
  return !NOT_SPACE.test(text) || (text.indexOf('&') >= 0 && SPACE_TEXT.test(text));
}

function textBeforeHtml(scan, token) {
  if (!isSpaceToken(scan, token)) impliedElementThenReprocess(scan, 'html', BEFORE_HEAD, token);
}

function textBeforeHead(scan, token) {
  if (!isSpaceToken(scan, token)) impliedElementThenReprocess(scan, 'head', IN_HEAD, token);
}

function textInHead(scan, token) {
  if (isSpaceToken(scan, token)) return;
  leaveHead(scan);
  processToken(scan, token);
}

function textAfterHead(scan, token) {
  if (!isSpaceToken(scan, token)) impliedBody(scan, token);
}

// Text in the body that stands directly in a table is moved out in front of it. Text of its own
// lets no frameset replace the body.
function textInBody(scan, token) {
  if (scan.framesetOk && !isSpaceToken(scan, token)) endFramesetOk(scan);
  if (inTableContext(scan)) {
    if (isSpaceToken(scan, token)) return;
    fosterParented(scan);
  }
  reconstructActiveFormatting(scan);
}

// Content after the body's end tag goes back into the body: the body ends later than its text
// says, and what is open in it ends where the parser ends it. A comment met before went outside
// the body, though: the text of what is open now runs over it.
function reopenBody(scan) {
  distrustDocumentFrame(scan);
  if (scan.commentAfterBody) distrustOpenElements(scan);
  scan.mode = IN_BODY;
  scan.bodyEndTag = null;
  scan.commentAfterBody = false;
  scan.spaceAfterBody = false;
}

// The html and body elements at the foot of the stack.
function distrustDocumentFrame(scan) {
  var open = scan.open;
  for (var i = 0; i < 2 && i < open.items.length; i++) {
    if (open.names[i] === 'html' || open.names[i] === 'body') scan.certain[open.items[i]] = 0;
  }
}

function startTagAfterBody(scan, token) {
  reopenBody(scan);
  startTagInBody(scan, token);
}

function endTagAfterBody(scan, token) {
  if (token.name !== 'body' && token.name !== 'html') reopenBody(scan);
  endTagInBody(scan, token);
}

// Even white space after the body's end tag goes into what is open in the body, so that what is
// open ends where the text does; the body, with it, ends later than its end tag.
function textAfterBody(scan, token) {
  if (!isSpaceToken(scan, token)) {
    reopenBody(scan);
    textInBody(scan, token);
    return;
  }
  distrustDocumentFrame(scan);
  scan.spaceAfterBody = true;
  if (scan.commentAfterBody) distrustOpenElements(scan);
}

// A comment after the body's end tag goes into the html element (after the html end tag, into the
// document), outside what is open, unless an SVG or MathML element is open on top: that one takes
// it in. Either way, where white space after the body's end tag went into what is open, no open
// element's text holds just what it holds.
function commentAfterBody(scan) {
  if (currentIsForeign(scan) || scan.spaceAfterBody) distrustOpenElements(scan);
  scan.commentAfterBody = true;
}

// A frameset document holds framesets, frames and noframes: every other tag in it is dropped,
// and makes no element. Its text is dropped too, but for white space.
function startTagInFrameset(scan, token) {
  var name = token.name;
  if (name === 'frameset') insertElement(scan, token, HTML_SPACE);
  else if (name === 'frame') insertEmptyElement(scan, token, HTML_SPACE);
  else startTagAfterFrameset(scan, token);
}

function startTagAfterFrameset(scan, token) {
  if (token.name === 'html') secondDocumentTag(scan, token);
  else if (token.name === 'noframes') insertRawTextElement(scan, token);
}

function endTagInFrameset(scan, token) {
  var open = scan.open;
  if (token.name !== 'frameset' || open.items.length < 2) return;
  popCurrentNode(open);
  if (currentNodeName(open) !== 'frameset') scan.mode = AFTER_FRAMESET;
}

// Comments, declarations and tags that are dropped make no element and end none.
function makesNoElement() {}

// Follows the markup of a whole document from start to end.
function scanSource(text) {
  var scan = newSourceScan(text);
  continueScan(scan, null);
  return scan;
}

// Follows the markup further, to the end or until `outOfTime` (looked at every so many tags)
// says the time given is spent; true once the scan is finished.
function continueScan(scan, outOfTime) {
  var text = scan.text;
  for (var tags = 1; !scan.stopped && scan.pos < text.length; tags++) {
    if (isTimeUp(outOfTime, tags)) return false;
    var lt = text.indexOf('<', scan.pos);
    if (lt < 0) lt = text.length;
    processText(scan, scan.pos, lt);
    if (lt >= text.length) break;
    var tag = readTagAt(text, lt, currentIsForeign(scan));
    if (!tag) {
      stopScan(scan);
      break;
    }
    scan.pos = tag.end;
    if (tag.kind === 'start' || tag.kind === 'end') processTag(scan, tag);
    else if (tag.kind === 'text') processText(scan, lt, lt + 1);
    else processToken(scan, tag);
  }
  finishScan(scan);
  return true;
}

function processText(scan, from, to) {
  if (from >= to) return;
  var token = scan.textToken;
  token.start = from;
  token.end = to;
  processToken(scan, token);
}

function processTag(scan, tag) {
  notePlace(scan.places, tag.kind, tag.name, tag.start, tag.end);
  if (tag.kind === 'start') {
    tag.ordinal = scan.tagCount++;
    // Every start tag gets its number, even one the parser drops, just as the quick reading numbers them.
    if (!scan.open.templates && UNMARKED_ELEMENTS[tag.name] !== true) scan.markAt.push(tag.nameEnd, tag.ordinal);
  }
  processToken(scan, tag);
}

function processToken(scan, token) {
  scan.token = token;
  INSERTION_MODES[scan.open.templates ? IN_TEMPLATE : scan.mode][token.kind](scan, token);
}

// Elements still open where the text ends end there.
function finishScan(scan) {
  scan.token = { kind: 'end of text', start: scan.text.length, end: scan.text.length };
  popThrough(scan.open, 0);
}

// The rules of each insertion mode for start tags, end tags, text, and comments with the other
// declarations.
var BODY_RULES = { start: startTagInBody, end: endTagInBody, text: textInBody, other: makesNoElement };
var INSERTION_MODES = {};
INSERTION_MODES[BEFORE_HTML] = { start: startTagBeforeHtml, end: endTagBeforeHtml, text: textBeforeHtml, other: makesNoElement };
INSERTION_MODES[BEFORE_HEAD] = { start: startTagBeforeHead, end: endTagBeforeHead, text: textBeforeHead, other: makesNoElement };
INSERTION_MODES[IN_HEAD] = { start: startTagInHead, end: endTagInHead, text: textInHead, other: makesNoElement };
INSERTION_MODES[AFTER_HEAD] = { start: startTagAfterHead, end: endTagAfterHead, text: textAfterHead, other: makesNoElement };
INSERTION_MODES[IN_BODY] = BODY_RULES;
INSERTION_MODES[IN_TEMPLATE] = BODY_RULES;
INSERTION_MODES[AFTER_BODY] = { start: startTagAfterBody, end: endTagAfterBody, text: textAfterBody, other: commentAfterBody };
INSERTION_MODES[IN_FRAMESET] = { start: startTagInFrameset, end: endTagInFrameset, text: makesNoElement, other: makesNoElement };
INSERTION_MODES[AFTER_FRAMESET] = { start: startTagAfterFrameset, end: makesNoElement, text: makesNoElement, other: makesNoElement };
