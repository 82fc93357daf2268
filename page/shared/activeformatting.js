// The parser's list of active formatting elements, as far as the full scan needs it: a formatting
// element closed by something else than its own end tag stays in the list, and the parser opens a
// copy of it around the content that follows, until its end tag or the cell it stands in ends.

/* global distrustOpenElements, insertImpliedElement, newRecord */

var FORMATTING_ELEMENTS = wordSet('a b big code em font i nobr s small strike strong tt u');
// Formatting elements open inside these are not rebuilt after them.
var FORMATTING_MARKERS = wordSet('applet caption td th marquee object');

function openMarkers(open) {
  var count = 0;
  for (var i = 0; i < open.items.length; i++) {
    if (FORMATTING_MARKERS[open.names[i]] === true) count++;
  }
  return count;
}

// A formatting element closed by something else stays active, each entry with the markers open
// where it was closed: till it is rebuilt, nothing opened, and nothing open, ends where its text
// says.
function keepFormattingActive(scan, name) {
  distrustOpenElements(scan);
  scan.activeFormatting.push({ name: name, markers: openMarkers(scan.open) });
}

// Content met while formatting elements stand closed but active opens copies of them first; the
// copies carry the originals' marks, so they are elements of no place of their own.
function reconstructActiveFormatting(scan) {
  if (!scan.activeFormatting.length) return;
  var markers = openMarkers(scan.open);
  scan.activeFormatting = scan.activeFormatting.filter(function (entry) {
    if (entry.markers !== markers) return true;
    noteCopy(scan, insertImpliedElement(scan, entry.name));
    return false;
  });
}

function noteCopy(scan, index) {
  scan.copies[index] = true;
  scan.copiesOpen++;
}

// The copy of a formatting element that the adoption of misnested formatting puts on the stack at
// `position`, over the furthest block, whose content it takes.
function insertFormattingCopy(scan, name, position) {
  var at = scan.token.start;
  var index = newRecord(scan, { name: name, start: at, nameEnd: at, end: at }, HTML_SPACE);
  scan.parents[index] = scan.open.items[position - 1];
  scan.marked[index] = 0;
  noteCopy(scan, index);
  insertOpenElement(scan.open, position, index, name, HTML_SPACE);
  return position;
}

// A cell, caption or the like that closes takes the formatting elements active inside it along.
function clearFormattingToLastMarker(scan) {
  var markers = openMarkers(scan.open);
  scan.activeFormatting = scan.activeFormatting.filter(function (entry) { return entry.markers <= markers; });
}

// A formatting element's end tag met while it stands closed takes it out of the list.
function forgetActiveFormatting(scan, name) {
  var list = scan.activeFormatting;
  for (var i = list.length - 1; i >= 0; i--) {
    if (list[i].name === name) {
      list.splice(i, 1);
      return;
    }
  }
}

// Closes the open elements down to and with the one at `position`, as the parser pops them. A
// formatting element closed by another tag than its own end tag stays active, unless a cell or
// the like closes around it; a form closed so would, written back with its end tag, let a later
// form tag count.
function closeThrough(scan, position) {
  var open = scan.open;
  var cellLike = FORMATTING_MARKERS[open.names[position]] === true;
  for (var i = open.items.length - 1; i >= position; i--) {
    var name = open.names[i];
    var closedByOther = i > position ? !cellLike : scan.token.kind !== 'end';
    if (closedByOther && FORMATTING_ELEMENTS[name] === true && !isForeignAt(open, i)) keepFormattingActive(scan, name);
    if (i > position && name === 'form') distrustOpenElements(scan);
  }
  popThrough(open, position);
  if (cellLike) clearFormattingToLastMarker(scan);
}
