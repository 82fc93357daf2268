// The tags of a document's markup as the browser's tokenizer reads them: start and end tags with
// their attributes, comments and other declarations, and the raw text of scripts, styles and the
// like. Every reading of a whole document (the full scan, the quick reading, references) builds on it.

/* global isInlineClassicScript, scriptTagAttributes */

var VOID_ELEMENTS = wordSet('area base br col embed hr img input link meta param source track wbr keygen ' +
  'basefont bgsound frame image');
// The tokenizer reads the content of these as text, up to their own end tag (plaintext: to the end).
var RAW_TEXT_IN_HTML = wordSet('script style xmp iframe noembed noframes noscript textarea title plaintext');
// A start tag of these names inside SVG or MathML ends the foreign content.
var FOREIGN_BREAKOUT = wordSet('b big blockquote body br center code dd div dl dt em embed h1 h2 h3 h4 h5 ' +
  'h6 head hr i img li listing menu meta nobr ol p pre ruby s small span strong strike sub sup table tt u ul var');

var TAG_NAME = /[A-Za-z][^\t\n\f\r \/>]*/y;
var TAG_SPACE = /[\t\n\f\r ]*/y;
var ATTRIBUTE_NAME = /[^\t\n\f\r \/>][^\t\n\f\r \/>=]*/y;
var VALUE_ASSIGNMENT = /[\t\n\f\r ]*=[\t\n\f\r ]*/y;
var UNQUOTED_VALUE = /[^\t\n\f\r >]*/y;
var NOT_SPACE = /[^\t\n\f\r ]/;

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

// In an escaped script (a comment opener with a "<script" after it) the closing tag found is
// not the real one, so nothing after it can be placed with certainty.
function hidesScriptEnd(content) {
  var escape = content.indexOf('<\!--');
  return escape >= 0 && /<script[\s\/>]/i.test(content.slice(escape));
}

// Inline classic scripts run from their text: those are the ones made safe to run again.
function noteInlineScript(scripts, text, tagStart, tagEnd, contentEnd) {
  if (isInlineClassicScript(scriptTagAttributes(text.slice(tagStart, tagEnd)))) {
    scripts.push({ tagStart: tagStart, tagEnd: tagEnd, contentEnd: contentEnd });
  }
}

// Every start tag that the parser reads as one, in order, with its attributes: tags in comments and
// in the raw text of scripts, styles and the like are passed over, and so is everything after a
// plaintext start tag, which is text to the end. No more than a light reading for finding
// particular tags; it does not follow the tree the parser builds.
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
      at = tag.name === 'plaintext' ? -1 : rawTextEnd(text, tag.name, tag.end);
      if (at < 0) return;
    }
  }
}

var STEPS_BETWEEN_CHECKS = 256;

// Work given a slice of time looks at the clock every so many steps (tags read, elements marked).
function isTimeUp(outOfTime, steps) {
  return !!outOfTime && steps % STEPS_BETWEEN_CHECKS === 0 && outOfTime();
}
