// The browser's serialisation of live elements read back: every element in it ends with its own
// end tag, so the tags pair up plainly, and each marked element's place is found in the text with
// the marks taken out.

var SERIALISED_VOID = wordSet('area base basefont bgsound br col embed frame hr img input keygen link meta param ' +
  'source track wbr');
var SERIALISED_RAW_TEXT = wordSet('script style xmp iframe noembed noframes plaintext noscript');
var SERIALISED_MARK = / data-lmw-n="(\d+)"/;

// The serialisation of a live element with its marks still in. Returns the text without the
// marks, and where each marked element stands in it; a mark met twice is left out, its elements
// no longer known apart.
function takeSourceMarks(text) {
  var found = [];
  var seen = Object.create(null);
  var stack = [];
  var pieces = [];
  var copied = 0;
  var removed = 0;
  var pos = 0;
  var place = function (at) { return at - removed; };
  while (pos < text.length) {
    var lt = text.indexOf('<', pos);
    if (lt < 0) break;
    var foreign = stack.length > 0 && stack[stack.length - 1].foreign;
    var tag = readTagAt(text, lt, foreign);
    if (!tag) break;
    pos = tag.end;
    if (tag.kind === 'end') {
      var closed = stack.pop();
      if (closed && closed.record) closed.record.end = place(tag.end);
      continue;
    }
    if (tag.kind !== 'start') continue;
    var mark = SERIALISED_MARK.exec(text.slice(tag.nameEnd, tag.end));
    var record = null;
    if (mark) {
      var markAt = tag.nameEnd + mark.index;
      pieces.push(text.slice(copied, markAt));
      copied = markAt + mark[0].length;
      var id = Number(mark[1]);
      var parent = nearestRecord(stack);
      record = { id: id, start: place(tag.start), tagEnd: place(tag.end) - mark[0].length, end: -1, parent: parent ? parent.id : -1 };
      removed += mark[0].length;
      seen[id] = (seen[id] || 0) + 1;
      found.push(record);
    }
    pos = enterSerialisedElement(text, tag, stack, record, foreign, place);
  }
  pieces.push(text.slice(copied));
  return { text: pieces.join(''), marks: found.filter(function (record) { return seen[record.id] === 1; }) };
}

function nearestRecord(stack) {
  for (var i = stack.length - 1; i >= 0; i--) if (stack[i].record) return stack[i].record;
  return null;
}

// Opens the element a serialised start tag begins, or passes over its raw text; returns where the
// reading goes on.
function enterSerialisedElement(text, tag, stack, record, foreign, place) {
  var space = foreign || tag.name === 'svg' || tag.name === 'math';
  var integration = space && (SVG_INTEGRATION[tag.name] === true || MATH_TEXT_INTEGRATION[tag.name] === true ||
    tag.name === 'annotation-xml');
  if (!space && SERIALISED_VOID[tag.name] === true) {
    if (record) record.end = place(tag.end);
    return tag.end;
  }
  if (!space && SERIALISED_RAW_TEXT[tag.name] === true) {
    var contentEnd = rawTextEnd(text, tag.name, tag.end);
    var closing = contentEnd < 0 ? null : readTagAt(text, contentEnd, false);
    if (!closing) return text.length;
    if (record) record.end = place(closing.end);
    return closing.end;
  }
  stack.push({ record: record, foreign: space && !integration });
  return tag.end;
}
