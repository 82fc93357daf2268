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

// The interface, the floating controls, short-lived interface pieces and the runtime's own script
// all stand at the top of the body, or of the content wrapper that the script moves into, and
// highlights are gone before every walk. Their few text nodes are set aside first, so the walk
// over the document's many text nodes asks one cheap question of each.
function unsearchedTextNodes() {
  var skipped = new Set();
  [document.body, ui.contentWrap].forEach(function (parent) {
    if (!parent) return;
    forEachNode(parent.children, function (child) {
      if (!child.matches(UNSEARCHED_TEXT)) return;
      var walker = document.createTreeWalker(child, NodeFilter.SHOW_TEXT);
      for (var node = walker.nextNode(); node; node = walker.nextNode()) skipped.add(node);
    });
  });
  return skipped;
}

// Calls back with every text node of the document's body that is the document's own, in order.
function forEachSearchedText(callback) {
  var skipped = unsearchedTextNodes();
  var walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
  for (var node = walker.nextNode(); node; node = walker.nextNode()) {
    if (!skipped.has(node)) callback(node);
  }
}

// The query as plain text, compared without regard to case.
function searchPattern(query, everyOccurrence) {
  return new RegExp(query.replace(/[.*+?^${}()|[\]\\]/g, '\\$&'), everyOccurrence ? 'giu' : 'iu');
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
  return parent.namespaceURI === HTML_NAMESPACE && RAW_TEXT_IN_HTML[parent.localName] !== true;
}

function collectMatches(query) {
  var pattern = searchPattern(query, false);
  var matches = [];
  forEachSearchedText(function (node) {
    var found = pattern.exec(node.data);
    if (!found) return;
    matches.push({
      node: node, offset: found.index, length: found[0].length, highlightable: canHighlight(node), highlight: null
    });
  });
  return matches;
}

function selectionStart() {
  var selection = window.getSelection();
  return selection && selection.rangeCount ? selection.getRangeAt(0) : null;
}

// The first highlightable match at or after the start of the selection, else the first one.
function chooseActiveMatch(matches) {
  var usable = matches.filter(function (match) { return match.highlightable; });
  var range = selectionStart();
  if (range) {
    for (var i = 0; i < usable.length; i++) {
      if (range.comparePoint(usable[i].node, usable[i].offset) >= 0) return usable[i];
    }
  }
  return usable[0] || null;
}

// Split out of its text node rather than wrapped through a range: every live range is updated on
// each change of the tree, so a range per match would make many matches cost their square.
function wrapMatch(match, blank, active) {
  if (!match.highlightable) return;
  var span = blank.cloneNode(false);
  if (active) span.classList.add('active');
  try {
    var matched = match.node.splitText(match.offset);
    matched.splitText(match.length);
    matched.parentNode.replaceChild(span, matched);
    span.appendChild(matched);
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
  var blank = createUiElement('span', HIGHLIGHT_CLASS, { 'data-lmw-ui': 'search-highlight' });
  matches.forEach(function (match) { wrapMatch(match, blank, match === active); });
  if (active && active.highlight) active.highlight.scrollIntoView({ behavior: 'smooth', block: 'center' });
}

function replaceCurrent() {
  var replacement = ui.replaceInput.value;
  var active = document.querySelector('.' + HIGHLIGHT_CLASS + '.active');
  if (!active) {
    runFind();
    return;
  }
  var parent = active.parentNode;
  editDocument({
    reason: 'replace',
    change: function () {
      parent.replaceChild(document.createTextNode(replacement), active);
      parent.normalize();
    },
    after: function (model) { noteEdited(model, parent); },
    message: '已替换'
  });
  runFind();
}

// The node's text with every occurrence replaced, and where each occurrence stood.
function replacedText(node, pattern, replacement) {
  var matches = [];
  var text = node.data.replace(pattern, function (found, at) {
    matches.push({ at: at, length: found.length });
    return replacement;
  });
  return { node: node, text: text, matches: matches, replacement: replacement };
}

// The model learns of every replacement at once, before the live text changes, so that it finds
// each match where the author wrote it. Most nodes hold no match, and a test tells that cheaper
// than a replacement.
function replaceAll() {
  var query = findQuery();
  if (!query) return;
  var replacement = ui.replaceInput.value;
  var pattern = searchPattern(query, true);
  var finder = searchPattern(query, false);
  clearHighlights();
  var changes = [];
  var count = 0;
  forEachSearchedText(function (node) {
    if (!finder.test(node.data)) return;
    var change = replacedText(node, pattern, replacement);
    changes.push(change);
    count += change.matches.length;
  });
  if (count) {
    editDocument({
      reason: 'replaceAll',
      before: function (model) { replaceTextInModel(model, changes); },
      change: function () { changes.forEach(function (change) { change.node.data = change.text; }); },
      message: '已替换 ' + count + ' 处'
    });
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
