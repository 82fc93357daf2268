// Find and replace over the document's own text nodes: the find bar, highlights wrapped around
// the matches (interface markers the serialiser turns back into text), replacing the active match
// and replacing every occurrence. Replacements are edits: each records one undo step.

var UNSEARCHED_TEXT = '[data-lmw-root], [data-lmw-ui], [data-lmw-runtime], ' + FLOATING_CONTROLS;
var HIGHLIGHT_CLASS = PREFIX + '-search-highlight';

function toggleFindBar() {
  state.findVisible = !state.findVisible;
  ui.findBar.style.display = state.findVisible ? 'flex' : 'none';
  if (state.findVisible) {
    ui.findInput.focus();
    ui.findInput.select();
  } else {
    clearHighlights();
  }
}

function clearHighlights() {
  forEachMatch(document, SEARCH_HIGHLIGHTS, replaceHighlightWithText);
  if (ui.findCount) ui.findCount.textContent = '';
}

// Calls back with every text node of the document's body that is the document's own, in order.
// Neighbouring text nodes mostly share a parent, so the interface test runs once per parent.
function forEachSearchedText(callback) {
  var walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
  var lastParent = null;
  var skipped = false;
  for (var node = walker.nextNode(); node; node = walker.nextNode()) {
    if (node.parentNode !== lastParent) {
      lastParent = node.parentNode;
      skipped = !!lastParent.closest(UNSEARCHED_TEXT);
    }
    if (!skipped) callback(node);
  }
}

function findQuery() {
  var query = ui.findInput.value.trim();
  if (!query) showToast('请输入查找内容');
  return query;
}

// The text of a script, a style or a textarea is its text nodes alone, and an HTML span means
// nothing inside SVG: a highlight there would change the document, so such matches are counted
// but never highlighted.
function canHighlight(node) {
  var parent = node.parentNode;
  return parent.namespaceURI === 'http://www.w3.org/1999/xhtml' && !RAW_TEXT_ELEMENTS[parent.tagName.toLowerCase()];
}

// Lower case of the same length, so that offsets found in it hold in the text itself: the rare
// character whose lower case is longer is compared as it stands.
function foldCase(text) {
  var lower = text.toLowerCase();
  if (lower.length === text.length) return lower;
  return text.replace(/[\s\S]/gu, function (character) {
    var folded = character.toLowerCase();
    return folded.length === character.length ? folded : character;
  });
}

function collectMatches(query) {
  var needle = foldCase(query);
  var matches = [];
  forEachSearchedText(function (node) {
    var offset = foldCase(node.data).indexOf(needle);
    if (offset >= 0) matches.push({ node: node, offset: offset, length: query.length, highlight: null });
  });
  return matches;
}

function selectionStart() {
  var selection = window.getSelection();
  return selection && selection.rangeCount ? selection.getRangeAt(0) : null;
}

// The first highlightable match at or after the start of the selection, else the first one.
function chooseActiveMatch(matches) {
  var usable = matches.filter(function (match) { return canHighlight(match.node); });
  var range = selectionStart();
  if (range) {
    for (var i = 0; i < usable.length; i++) {
      if (range.comparePoint(usable[i].node, usable[i].offset) >= 0) return usable[i];
    }
  }
  return usable[0] || null;
}

function wrapMatch(match, active) {
  if (!canHighlight(match.node)) return;
  var span = createUiElement('span', HIGHLIGHT_CLASS + (active ? ' active' : ''),
    { 'data-lmw-ui': 'search-highlight' });
  var range = document.createRange();
  try {
    range.setStart(match.node, match.offset);
    range.setEnd(match.node, match.offset + match.length);
    range.surroundContents(span);
    match.highlight = span;
  } catch (ignored) {
    // Counted, but left without a highlight.
  }
}

function runFind() {
  var query = findQuery();
  if (!query) return;
  clearHighlights();
  var matches = collectMatches(query);
  ui.findCount.textContent = matches.length + ' 个匹配';
  if (!matches.length) return;
  var active = chooseActiveMatch(matches);
  matches.forEach(function (match) { wrapMatch(match, match === active); });
  if (active && active.highlight) active.highlight.scrollIntoView({ behavior: 'smooth', block: 'center' });
}

function replaceCurrent() {
  var replacement = ui.replaceInput.value;
  var active = document.querySelector('.' + HIGHLIGHT_CLASS + '.active');
  if (!active) {
    runFind();
    return;
  }
  recordHistory('replace');
  var parent = active.parentNode;
  parent.replaceChild(document.createTextNode(replacement), active);
  parent.normalize();
  markChanged('已替换');
  runFind();
}

function replacedText(text, needle, replacement) {
  var lower = foldCase(text);
  var pieces = [];
  var count = 0;
  var from = 0;
  for (var at = lower.indexOf(needle); at >= 0; at = lower.indexOf(needle, from)) {
    pieces.push(text.slice(from, at), replacement);
    from = at + needle.length;
    count++;
  }
  pieces.push(text.slice(from));
  return { text: pieces.join(''), count: count };
}

function replaceAll() {
  var query = findQuery();
  if (!query) return;
  var replacement = ui.replaceInput.value;
  var needle = foldCase(query);
  clearHighlights();
  var changes = [];
  var count = 0;
  forEachSearchedText(function (node) {
    var result = replacedText(node.data, needle, replacement);
    if (!result.count) return;
    changes.push({ node: node, text: result.text });
    count += result.count;
  });
  if (count) {
    recordHistory('replaceAll');
    changes.forEach(function (change) { change.node.data = change.text; });
    markChanged('已替换 ' + count + ' 处');
  } else {
    showToast('未找到匹配内容');
  }
  clearHighlights();
}

// Enter in the find field finds, Enter in the replacement field replaces the active match.
function bindFindField(input, action) {
  input.addEventListener('keydown', function (event) {
    if (event.key !== 'Enter' || event.isComposing) return;
    event.preventDefault();
    action();
  });
}
