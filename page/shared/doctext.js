// Finding places in a document's text and inserting the editor's icon link and runtime script
// there, literally. Both the start page's hand-off and the runtime's own document replacement
// use these, so a document comes up the same way whichever road it took.

// Elements whose content is raw text: a closing tag written inside them is not markup.
var RAW_TEXT_ELEMENTS = {
  script: 1, style: 1, xmp: 1, iframe: 1, noembed: 1, noframes: 1, noscript: 1,
  textarea: 1, title: 1, plaintext: 1
};

function readTagName(text, start) {
  var end = start;
  while (end < text.length && /[A-Za-z0-9:-]/.test(text.charAt(end))) end++;
  return text.slice(start, end).toLowerCase();
}

// Index just past the ">" of the tag whose attributes start at `from`; quoted attribute values
// may hold ">". Returns the text's length when the tag never closes.
function endOfTag(text, from) {
  var i = from;
  while (i < text.length) {
    var c = text.charAt(i);
    if (c === '>') return i + 1;
    if (c === '"' || c === "'") {
      var close = text.indexOf(c, i + 1);
      if (close < 0) return text.length;
      i = close + 1;
    } else {
      i++;
    }
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

// One pass over the markup that skips comments and raw text, so a "</head>" inside a script,
// a style or a comment is never taken for the real one. Reports the end of the first html start
// tag, the first head closing tag and the last body and html closing tags (-1 when absent).
function locateDocumentTags(text) {
  var found = { htmlStartEnd: -1, headClose: -1, bodyClose: -1, htmlClose: -1 };
  var i = 0;
  while (i < text.length) {
    var lt = text.indexOf('<', i);
    if (lt < 0) break;
    var next = text.charAt(lt + 1);
    if (text.substr(lt, 4) === '<' + '!--') {
      var commentEnd = text.indexOf('-->', lt + 4);
      i = commentEnd < 0 ? text.length : commentEnd + 3;
    } else if (next === '/') {
      var closing = readTagName(text, lt + 2);
      if (closing === 'head' && found.headClose < 0) found.headClose = lt;
      if (closing === 'body') found.bodyClose = lt;
      if (closing === 'html') found.htmlClose = lt;
      i = endOfTag(text, lt + 2);
    } else if (/[A-Za-z]/.test(next)) {
      var name = readTagName(text, lt + 1);
      var tagEnd = endOfTag(text, lt + 1 + name.length);
      if (name === 'html' && found.htmlStartEnd < 0) found.htmlStartEnd = tagEnd;
      i = RAW_TEXT_ELEMENTS[name] ? endOfRawText(text, name, tagEnd) : tagEnd;
    } else if (next === '!' || next === '?') {
      i = endOfTag(text, lt + 2);
    } else {
      i = lt + 1;
    }
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
