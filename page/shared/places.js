// Where the editor's own parts go into a document's text: the icon link into the head, the
// runtime script at the body's end, the content wrapper around the body's content. Each reading
// of a text (the full scan, the quick reading, a glance) notes them in the same shape of object.

/* global QUICK_END_TAG, quickMatch */

function newPlaces() {
  return { htmlStartEnd: -1, bodyStartEnd: -1, headClose: -1, bodyClose: -1, htmlClose: -1 };
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
  var places = newPlaces();
  places.htmlStartEnd = startEnd('html');
  places.bodyStartEnd = startEnd('body');
  places.headClose = headEnd ? headEnd.index : -1;
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
