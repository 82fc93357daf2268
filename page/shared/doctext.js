// Reading a document's text for its real tags, and the markup of the editor's icon link and
// runtime script, which the start page's hand-off and the runtime's own document replacement
// both put into every document they write.

// Elements whose content is raw text: a closing tag written inside them is not markup.
var RAW_TEXT_ELEMENTS = {
  script: 1, style: 1, xmp: 1, iframe: 1, noembed: 1, noframes: 1, noscript: 1,
  textarea: 1, title: 1, plaintext: 1
};

// What follows a tag's name up to its end: attributes, whose quoted values may hold ">".
var TAG_REST = '(?:[^>"\']+|"[^"]*"|\'[^\']*\')*>?';

// One whole tag per match: a comment opener; a start or end tag of one of the given names or
// of a raw text element, with its name; any other tag, or a doctype or other declaration.
function tagPattern(names) {
  var listed = names.concat(Object.keys(RAW_TEXT_ELEMENTS)).join('|');
  return new RegExp('<(?:(!--)|(\\/)?(' + listed + ')(?=[\\t\\n\\f\\r />])' + TAG_REST + '|\\/?[A-Za-z]' + TAG_REST +
    '|[!?][^>]*>?)', 'gi');
}

// A raw text element ends only at its own closing tag name followed by white space, "/" or ">".
function endOfRawText(text, name, from) {
  if (name === 'plaintext') return text.length;
  var pattern = new RegExp('</' + name + '(?=[\\t\\n\\f\\r />])', 'ig');
  pattern.lastIndex = from;
  var match = pattern.exec(text);
  return match ? match.index : text.length;
}

function endOfComment(text, from) {
  var end = text.indexOf('-->', from);
  return end < 0 ? text.length : end + 3;
}

// One pass over the markup that skips comments and raw text, so that a tag written inside a
// script, a style or a comment is never taken for a real one. Calls visit for every start and
// end tag of the given names (lower case), in order, with { name, closing, start, end,
// contentEnd }; for the start tag of a raw text element contentEnd is where its text ends, and
// the walk goes on from there.
function walkTags(text, names, visit) {
  var pattern = tagPattern(names);
  var match;
  while ((match = pattern.exec(text))) {
    if (match[1]) {
      pattern.lastIndex = endOfComment(text, match.index + 4);
      continue;
    }
    if (!match[3]) continue;
    var tag = { name: match[3].toLowerCase(), closing: !!match[2], start: match.index, end: pattern.lastIndex, contentEnd: -1 };
    if (!tag.closing && RAW_TEXT_ELEMENTS[tag.name]) {
      tag.contentEnd = endOfRawText(text, tag.name, tag.end);
      pattern.lastIndex = tag.contentEnd;
    }
    if (names.indexOf(tag.name) >= 0) visit(tag);
  }
}

function escapeAttribute(value) {
  return String(value).replace(/&/g, '&amp;').replace(/"/g, '&quot;');
}

function iconLinkMarkup(dataUri) {
  return '<link rel="icon" type="image/png" sizes="64x64" data-lmw-runtime="icon" href="' +
    escapeAttribute(dataUri) + '">';
}

function runtimeScriptMarkup(source) {
  return '<script data-lmw-runtime="editor">' + source + '<\/script>';
}
