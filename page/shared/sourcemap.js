// Where each element of a document's text stands in that text. Every document written into the
// window gets a number in each start tag (the source mark), so that an element met in the live
// document can be traced back to the markup its author wrote. The full scan follows the browser's
// parser far enough to know where an element ends; where the parser would restructure the
// markup (misnested formatting, content moved out of a table), the element's end is left
// uncertain, and such an element is never cut out of the text on its own.

/* global quickDocumentTags, scanSource */

var SOURCE_MARK = 'data-lmw-n';
var SOURCE_MARK_SELECTOR = '[' + SOURCE_MARK + ']';

// Text-level elements carry no mark: an edit inside one is traced to the block around it, which
// keeps the marks, and the text written into the window, small.
var UNMARKED_ELEMENTS = wordSet('a abbr b bdi bdo br cite code data dfn em i kbd mark q rp rt ruby s samp small ' +
  'span strong sub sup time u var wbr font big strike tt nobr');

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
