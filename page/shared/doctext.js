// Finding places in a document's text and inserting the editor's icon link and runtime script
// there, literally. Both the start page's hand-off and the runtime's own document replacement
// use these, so a document comes up the same way whichever road it took.

// Elements whose content is raw text: a closing tag written inside them is not markup.
var RAW_TEXT_ELEMENTS = {
  script: 1, style: 1, xmp: 1, iframe: 1, noembed: 1, noframes: 1, noscript: 1,
  textarea: 1, title: 1, plaintext: 1
};

// A tag start: a comment opener, a start or end tag with its name, or a doctype or other
// declaration. Both patterns are global and driven through lastIndex.
var TAG_START = /<(?:(!--)|(\/)?([A-Za-z][A-Za-z0-9:-]*)|[!?])/g;
var TAG_END_OR_QUOTE = /[>"']/g;

// Index just past the ">" of a tag whose attributes start at `from`; quoted attribute values
// may hold ">". Returns the text's length when the tag never closes.
function endOfTag(text, from) {
  TAG_END_OR_QUOTE.lastIndex = from;
  var match;
  while ((match = TAG_END_OR_QUOTE.exec(text))) {
    if (match[0] === '>') return match.index + 1;
    var close = text.indexOf(match[0], match.index + 1);
    if (close < 0) return text.length;
    TAG_END_OR_QUOTE.lastIndex = close + 1;
  }
  return text.length;
}

function endOfRawText(text, name, from) {
  if (name === 'plaintext') return text.length;
  var pattern = new RegExp('</' + name + '(?![A-Za-z0-9:-])', 'ig');
  pattern.lastIndex = from;
  var match = pattern.exec(text);
  return match ? match.index : text.length;
}

function endOfComment(text, from) {
  var end = text.indexOf('-->', from);
  return end < 0 ? text.length : end + 3;
}

// One pass over the markup that skips comments and raw text, so a "</head>" inside a script,
// a style or a comment is never taken for the real one. Reports the end of the first html start
// tag, the first head closing tag and the last body and html closing tags (-1 when absent).
function locateDocumentTags(text) {
  var found = { htmlStartEnd: -1, headClose: -1, bodyClose: -1, htmlClose: -1 };
  var match;
  TAG_START.lastIndex = 0;
  while ((match = TAG_START.exec(text))) {
    var at = match.index;
    var next;
    if (match[1]) {
      next = endOfComment(text, at + 4);
    } else if (!match[3]) {
      next = endOfTag(text, TAG_START.lastIndex);
    } else {
      var name = match[3].toLowerCase();
      next = endOfTag(text, TAG_START.lastIndex);
      if (match[2]) {
        if (name === 'head' && found.headClose < 0) found.headClose = at;
        if (name === 'body') found.bodyClose = at;
        if (name === 'html') found.htmlClose = at;
      } else {
        if (name === 'html' && found.htmlStartEnd < 0) found.htmlStartEnd = next;
        if (RAW_TEXT_ELEMENTS[name]) next = endOfRawText(text, name, next);
      }
    }
    TAG_START.lastIndex = next;
  }
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

function writeWholeDocument(text) {
  document.open();
  document.write(text);
  document.close();
}
