// Finding places in a document's text and inserting the editor's icon link and runtime script
// there, literally. Both the start page's hand-off and the runtime's own document replacement
// use these, so a document comes up the same way whichever road it took.

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

// The end of the first html start tag, the first head closing tag and the last body and html
// closing tags (-1 when absent).
function locateDocumentTags(text) {
  var found = { htmlStartEnd: -1, headClose: -1, bodyClose: -1, htmlClose: -1 };
  walkTags(text, ['html', 'head', 'body'], function (tag) {
    if (tag.closing) {
      if (tag.name === 'head' && found.headClose < 0) found.headClose = tag.start;
      if (tag.name === 'body') found.bodyClose = tag.start;
      if (tag.name === 'html') found.htmlClose = tag.start;
    } else if (tag.name === 'html' && found.htmlStartEnd < 0) {
      found.htmlStartEnd = tag.end;
    }
  });
  return found;
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

// Puts the icon link at the end of the head and the runtime script at the end of the body.
// Pieces are joined by slicing, never by a replace pattern, so "$1" or "$&" in the runtime
// text stays as written.
function insertRuntimeParts(text, iconMarkup, scriptMarkup) {
  var tags = locateDocumentTags(text);
  var insertions = [];
  if (iconMarkup) {
    if (tags.headClose >= 0) insertions.push({ at: tags.headClose, markup: iconMarkup });
    else if (tags.htmlStartEnd >= 0) insertions.push({ at: tags.htmlStartEnd, markup: '<head>' + iconMarkup + '</head>' });
  }
  var scriptAt = tags.bodyClose >= 0 ? tags.bodyClose : tags.htmlClose >= 0 ? tags.htmlClose : text.length;
  insertions.push({ at: scriptAt, markup: scriptMarkup });
  insertions.sort(function (a, b) { return b.at - a.at; });
  for (var i = 0; i < insertions.length; i++) {
    text = text.slice(0, insertions[i].at) + insertions[i].markup + text.slice(insertions[i].at);
  }
  return text;
}
