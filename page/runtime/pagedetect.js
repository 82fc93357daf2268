// Working out what a page is in the open document, without help from it: stacked slides, page
// containers in the flow, a deck that hides all but its shown slide, repeated blocks of one size,
// the document's own page counter, or else viewport-sized slices of the scrolling content. Each
// detection reads the box of every element once, and those of the pages it finds once more for
// their places. It runs either at once or in slices that end when their share of the main thread
// is spent, so that a large document answers presses and keys meanwhile.

var VIEWPORT_SHARE = 0.45;
var SCROLLER_MIN_SIZE = 180;
var SCROLL_OVERFLOW_MIN = 40;
var STACK_TOLERANCE = 8;
var BLOCK_MIN_WIDTH = 140;
var BLOCK_WIDTH_SHARE = 0.22;
var BLOCK_MIN_HEIGHT = 100;
var BLOCK_HEIGHT_SHARE = 0.12;
var BLOCK_AREA_SHARE = 0.08;
var INNER_BLOCK_SHARE = 0.55;
var BLOCK_SIZE_GRID = 40;
var MIN_REPEATED_BLOCKS = 3;
var BLOCK_MIN_DISTANCE = 80;
var COUNTER_MAX_TEXT = 40;
var COUNTER_MAX_TOTAL = 500;

var INDEX_ATTRIBUTES = ['data-i', 'data-index', 'data-page', 'data-page-number', 'data-slide',
  'data-slide-index', 'data-slide-number'];
var PAGE_ATTRIBUTES = ['data-page', 'data-page-number', 'data-page-no', 'data-slide', 'data-slide-index',
  'data-slide-number'];
var PAGE_CANDIDATES = ['[data-page]', '[data-page-number]', '[data-page-no]', '[data-slide]',
  '[data-slide-index]', '[data-slide-number]', '[id*="page"]', '[id*="Page"]', '[id*="slide"]',
  '[id*="Slide"]', '[id*="ppt"]', '[class*="page"]', '[class*="Page"]', '[class*="slide"]',
  '[class*="Slide"]', '[class*="ppt"]', 'section'].join(',');
var PAGE_COUNTERS = ['.page-num', '.pageNum', '#pageNum', '.pg', '#pg', '.pager', '#pager', '[class*="page"]',
  '[id*="page"]', '[class*="Page"]', '[id*="Page"]'].join(',');
var PAGE_CLASS_WORD = /\b(page|slide|ppt|deck-page|presentation-page)\b/;
var PAGE_NAME_PART = /(^|[-_])(page|slide|ppt)([-_]|$|\d)/;
var PAGE_GROUP_LABEL = /page|slide|页|幻灯片/;
var PAGE_COUNTER_TEXT = /(\d+)\s*[\/／]\s*(\d+)/;

// Sizes, styles and scroller verdicts of one detection, and whether its current slice is spent. A sliced
// detection trusts sizes read in an earlier slice, but reads positions afresh: the document may
// have scrolled in between.
var layoutMemo = null;

function memoized(table, element, read) {
  var value = table.get(element);
  if (value === undefined) {
    value = read(element);
    table.set(element, value);
  }
  return value;
}

function boxOf(element) {
  return memoized(layoutMemo.boxes, element, function (target) { return target.getBoundingClientRect(); });
}

function isShown(element) {
  return memoized(layoutMemo.shown, element, function (target) {
    var style = window.getComputedStyle(target);
    return style.display !== 'none' && style.visibility !== 'hidden';
  });
}

function isScrollContainer(element) {
  if (!element || isDocumentFrame(element)) return false;
  return memoized(layoutMemo.scrollers, element, scrollsItsContent);
}

// The cheap tests first: most elements are too small or do not overflow at all.
function scrollsItsContent(element) {
  var box = boxOf(element);
  if (box.width < SCROLLER_MIN_SIZE || box.height < SCROLLER_MIN_SIZE) return false;
  var overflowsDown = element.scrollHeight - element.clientHeight > SCROLL_OVERFLOW_MIN;
  var overflowsAcross = element.scrollWidth - element.clientWidth > SCROLL_OVERFLOW_MIN;
  if (!overflowsDown && !overflowsAcross) return false;
  if (isEditorUi(element) || !isShown(element)) return false;
  var style = window.getComputedStyle(element);
  return (overflowsDown && style.overflowY !== 'hidden') || (overflowsAcross && style.overflowX !== 'hidden');
}

// Visits every item, yielding whenever the slice is spent; the list is a snapshot, so that what
// the document changes between slices neither skips an item nor visits one twice.
function* eachInSlices(items, visit) {
  for (var i = 0; i < items.length; i++) {
    visit(items[i]);
    if (layoutMemo.outOfTime && layoutMemo.outOfTime()) yield;
  }
}

function* keptInSlices(items, keeps) {
  var kept = [];
  yield* eachInSlices(items, function (item) {
    if (keeps(item)) kept.push(item);
  });
  return kept;
}

function* mappedInSlices(items, map) {
  var mapped = [];
  yield* eachInSlices(items, function (item) { mapped.push(map(item)); });
  return mapped;
}

// No block of any area is narrower than 140px or lower than 100px, no scroller is smaller than
// 180px and no page smaller than a share of the window: one reading of every box keeps the few
// elements that can be any of them, and only their boxes are remembered.
function* readLargeElements() {
  var minWidth = Math.min(BLOCK_MIN_WIDTH, VIEWPORT_SHARE * window.innerWidth);
  var minHeight = Math.min(BLOCK_MIN_HEIGHT, VIEWPORT_SHARE * window.innerHeight);
  layoutMemo.large = yield* keptInSlices(document.body.querySelectorAll('*'), function (element) {
    var box = element.getBoundingClientRect();
    if (box.width < minWidth || box.height < minHeight) return false;
    layoutMemo.boxes.set(element, box);
    return true;
  });
}

function boxArea(box) {
  return box.width * box.height;
}

function* findMainScroller() {
  if (layoutMemo.mainScroller !== undefined) return layoutMemo.mainScroller;
  var best = null;
  var bestArea = 0;
  yield* eachInSlices(layoutMemo.large, function (element) {
    var box = boxOf(element);
    if (box.width < SCROLLER_MIN_SIZE || box.height < SCROLLER_MIN_SIZE) return;
    if ((!best || boxArea(box) > bestArea) && isScrollContainer(element)) {
      best = element;
      bestArea = boxArea(box);
    }
  });
  layoutMemo.mainScroller = best;
  return best;
}

function isViewportSized(element) {
  var box = boxOf(element);
  return box.width >= VIEWPORT_SHARE * window.innerWidth && box.height >= VIEWPORT_SHARE * window.innerHeight &&
    !isEditorUi(element) && isShown(element);
}

function nearestScroller(element) {
  for (var node = element.parentElement; node && node !== document.body; node = node.parentElement) {
    if (isScrollContainer(node)) return node;
  }
  return null;
}

function explicitIndexOf(element) {
  for (var i = 0; i < INDEX_ATTRIBUTES.length; i++) {
    var value = element.getAttribute(INDEX_ATTRIBUTES[i]);
    if (value === null || value === '') continue;
    var number = parseInt(value, 10);
    return isNaN(number) ? null : number;
  }
  return null;
}

function pageRecordOf(element) {
  var scroller = nearestScroller(element);
  var place = placeOf(element, scroller);
  return { node: element, scroller: scroller, explicitIndex: explicitIndexOf(element), x: place.x, y: place.y };
}

// Where an element stands in the content its scroller, or the window, scrolls.
function placeOf(element, scroller) {
  var box = element.getBoundingClientRect();
  if (!scroller) return { x: box.left + window.pageXOffset, y: box.top + window.pageYOffset };
  var frame = scroller.getBoundingClientRect();
  return { x: box.left - frame.left + scroller.scrollLeft, y: box.top - frame.top + scroller.scrollTop };
}

function comparePositions(a, b) {
  return (a.y || 0) - (b.y || 0) || (a.x || 0) - (b.x || 0);
}

function comparePages(a, b) {
  if (a.explicitIndex !== null && a.explicitIndex !== undefined &&
      b.explicitIndex !== null && b.explicitIndex !== undefined) {
    return a.explicitIndex - b.explicitIndex;
  }
  return comparePositions(a, b);
}

function sortPages(records) {
  return records.sort(comparePages);
}

function looksLikePage(element) {
  for (var i = 0; i < PAGE_ATTRIBUTES.length; i++) {
    if (element.hasAttribute(PAGE_ATTRIBUTES[i])) return true;
  }
  var classes = typeof element.className === 'string' ? element.className.toLowerCase() : '';
  if (PAGE_CLASS_WORD.test(classes) || PAGE_NAME_PART.test(classes)) return true;
  if (PAGE_NAME_PART.test(String(element.id).toLowerCase())) return true;
  if (element.tagName.toLowerCase() === 'section') return true;
  var role = String(element.getAttribute('role') || '').toLowerCase();
  if (role === 'document') return true;
  return role === 'group' && PAGE_GROUP_LABEL.test(String(element.getAttribute('aria-label') || '').toLowerCase());
}

// Marks every member of the set that has a qualifying member below it, walking up from each
// member: linear in the members times the depth, however many there are.
function membersHoldingAnother(members, qualifies) {
  var set = new Set(members);
  var holding = new Set();
  members.forEach(function (inner) {
    for (var node = inner.parentElement; node; node = node.parentElement) {
      if (set.has(node) && qualifies(inner, node)) holding.add(node);
    }
  });
  return holding;
}

// Every page candidate is of the window's size, and so among the large elements.
function* findPageCandidates() {
  var kept = yield* keptInSlices(layoutMemo.large, function (element) {
    return !isDocumentFrame(element) && isViewportSized(element) && element.matches(PAGE_CANDIDATES) &&
      looksLikePage(element);
  });
  var holding = membersHoldingAnother(kept, function () { return true; });
  return kept.filter(function (element) { return !holding.has(element); });
}

function nearlyEqual(a, b) {
  return Math.abs(a - b) < STACK_TOLERANCE;
}

function isPositioned(element) {
  var position = window.getComputedStyle(element).position;
  return position === 'absolute' || position === 'fixed';
}

function stackedAtOnePlace(records) {
  var first = records[0];
  return records.every(function (record) { return nearlyEqual(record.x, first.x) && nearlyEqual(record.y, first.y); });
}

function stackedByOffsets(records) {
  var first = records[0].node;
  if (!isPositioned(first)) return false;
  return records.every(function (record) {
    var node = record.node;
    return node.parentElement === first.parentElement && isPositioned(node) &&
      node.offsetParent === first.offsetParent && nearlyEqual(node.offsetLeft, first.offsetLeft) &&
      nearlyEqual(node.offsetTop, first.offsetTop);
  });
}

function detectSlides(records) {
  if (records.length < 2 || !(stackedAtOnePlace(records) || stackedByOffsets(records))) return [];
  records.forEach(function (record) { record.stacked = true; });
  return records;
}

function detectPagesInFlow(records) {
  return records.length >= 2 ? records : [];
}

// A deck that hides its inactive slides by its own rules shows one slide at a time and gives the
// others no box: a run of page-like siblings of one tag of which one is displayed at the size of
// the window and every other is hidden, told apart by classes the displayed one has and the
// hidden ones lack. Those classes are what shows a slide, and what going to a slide moves.
function isHiddenSlide(element) {
  var style = window.getComputedStyle(element);
  if (style.display === 'none' || style.visibility === 'hidden' || parseFloat(style.opacity) === 0) return true;
  return style.transform !== 'none' && isOffScreen(element.getBoundingClientRect());
}

function isOffScreen(box) {
  return box.right <= 0 || box.bottom <= 0 || box.left >= window.innerWidth || box.top >= window.innerHeight;
}

function classesOnlyIn(shown, others) {
  return Array.prototype.filter.call(shown.classList, function (token) {
    return others.every(function (other) { return !other.classList.contains(token); });
  });
}

function deckAround(shown) {
  var members = Array.prototype.filter.call(shown.parentElement.children, function (sibling) {
    return sibling.tagName === shown.tagName && !isEditorUi(sibling) && looksLikePage(sibling);
  });
  var hidden = members.filter(function (member) { return member !== shown; });
  if (!hidden.length || !hidden.every(isHiddenSlide)) return [];
  var showing = classesOnlyIn(shown, hidden);
  if (!showing.length) return [];
  var at = pageRecordOf(shown);
  return members.map(function (member) {
    return { node: member, scroller: at.scroller, x: at.x, y: at.y, explicitIndex: explicitIndexOf(member),
      stacked: true, showing: showing };
  });
}

function* detectHiddenDeck() {
  var best = [];
  yield* eachInSlices(layoutMemo.large, function (element) {
    if (!element.parentElement || isDocumentFrame(element) || !isViewportSized(element) || !looksLikePage(element)) return;
    var deck = deckAround(element);
    if (deck.length > best.length) best = deck;
  });
  return best;
}

function* searchAreas() {
  var areas = [];
  var scroller = yield* findMainScroller();
  if (scroller) areas.push({ root: scroller, width: scroller.clientWidth, height: scroller.clientHeight });
  areas.push({ root: document.body, width: window.innerWidth, height: window.innerHeight });
  return areas;
}

function* blocksOf(area) {
  var minWidth = Math.max(BLOCK_MIN_WIDTH, BLOCK_WIDTH_SHARE * area.width);
  var minHeight = Math.max(BLOCK_MIN_HEIGHT, BLOCK_HEIGHT_SHARE * area.height);
  var minArea = BLOCK_AREA_SHARE * area.width * area.height;
  var blocks = yield* keptInSlices(layoutMemo.large, function (element) {
    if (element === area.root || !area.root.contains(element)) return false;
    var box = boxOf(element);
    if (box.width < minWidth || box.height < minHeight || boxArea(box) < minArea) return false;
    return !isDocumentFrame(element) && !isEditorUi(element) && isShown(element);
  });
  var holding = membersHoldingAnother(blocks, function (inner, outer) {
    var innerBox = boxOf(inner);
    var outerBox = boxOf(outer);
    return innerBox.width >= INNER_BLOCK_SHARE * outerBox.width && innerBox.height >= INNER_BLOCK_SHARE * outerBox.height;
  });
  return blocks.filter(function (block) { return !holding.has(block); });
}

function gridSize(length) {
  return Math.round(length / BLOCK_SIZE_GRID) * BLOCK_SIZE_GRID;
}

function largestGroupOfOneSize(blocks, best) {
  var groups = {};
  var order = [];
  blocks.forEach(function (block) {
    var box = boxOf(block);
    var key = gridSize(box.width) + 'x' + gridSize(box.height);
    if (!groups[key]) {
      groups[key] = [];
      order.push(key);
    }
    groups[key].push(block);
  });
  order.forEach(function (key) {
    var group = groups[key];
    if (group.length >= MIN_REPEATED_BLOCKS && group.length > best.length) best = group;
  });
  return best;
}

function farFromLastKept(kept, record) {
  var last = kept[kept.length - 1];
  return !last || Math.abs(record.x - last.x) > BLOCK_MIN_DISTANCE || Math.abs(record.y - last.y) > BLOCK_MIN_DISTANCE;
}

function* detectRepeatedBlocks() {
  var best = [];
  var areas = yield* searchAreas();
  for (var i = 0; i < areas.length; i++) best = largestGroupOfOneSize(yield* blocksOf(areas[i]), best);
  var records = yield* mappedInSlices(best, pageRecordOf);
  var kept = [];
  records.sort(comparePositions).forEach(function (record) {
    if (farFromLastKept(kept, record)) kept.push(record);
  });
  return kept;
}

function parsePageCounter(text) {
  var match = PAGE_COUNTER_TEXT.exec(String(text));
  if (!match) return null;
  var current = parseInt(match[1], 10);
  var total = parseInt(match[2], 10);
  if (current < 1 || total < 2 || current > total || total > COUNTER_MAX_TOTAL) return null;
  return { current: current, total: total };
}

function isPageCounter(element) {
  var text = String(element.textContent).trim();
  return text.length <= COUNTER_MAX_TEXT && !!parsePageCounter(text) && !isEditorUi(element) && isShown(element);
}

function detectPageCounter() {
  var matches = document.querySelectorAll(PAGE_COUNTERS);
  for (var i = 0; i < matches.length; i++) {
    if (!isPageCounter(matches[i])) continue;
    var total = parsePageCounter(matches[i].textContent.trim()).total;
    var records = [];
    for (var k = 0; k < total; k++) records.push({ node: null, counter: matches[i], x: 0, y: 0 });
    return records;
  }
  return [];
}

function documentExtent() {
  var scrolling = document.scrollingElement || document.documentElement;
  var body = document.body;
  return {
    width: Math.max(scrolling.scrollWidth, body ? body.scrollWidth : 0, window.innerWidth),
    height: Math.max(scrolling.scrollHeight, body ? body.scrollHeight : 0, window.innerHeight)
  };
}

// A view of no width or height holds the whole content in one slice, instead of endless ones.
function sliceCount(content, view) {
  return view > 0 ? Math.ceil(content / view) : 1;
}

function pagesOfView(content, view) {
  return Math.max(sliceCount(content.width, view.width), sliceCount(content.height, view.height));
}

function windowView() {
  return { width: window.innerWidth, height: window.innerHeight };
}

function scrollerView(scroller) {
  return { width: scroller.clientWidth, height: scroller.clientHeight };
}

function scrollerContent(scroller) {
  return { width: scroller.scrollWidth, height: scroller.scrollHeight };
}

// Slices start one view apart, except that none starts past the furthest scroll position: the
// last slice of a content three and a half views high shows its end, where scrolling can go.
function sliceStart(index, view, content) {
  return Math.max(0, Math.min(index * view, content - view));
}

// The main scroller's content is sliced unless the window's holds more pages.
function* detectScrollSlices() {
  var scroller = yield* findMainScroller();
  var windowPages = pagesOfView(documentExtent(), windowView());
  if (scroller && windowPages > 1 && pagesOfView(scrollerContent(scroller), scrollerView(scroller)) <= windowPages) {
    scroller = null;
  }
  return scrollSlices(scroller);
}

// Slices of what `scroller`, or else the window, scrolls, as it is laid out now.
function scrollSlices(scroller) {
  var view = scroller ? scrollerView(scroller) : windowView();
  var content = scroller ? scrollerContent(scroller) : documentExtent();
  var columns = sliceCount(content.width, view.width);
  var rows = sliceCount(content.height, view.height);
  var vertical = rows >= columns;
  var left = scroller ? scroller.scrollLeft : window.pageXOffset;
  var top = scroller ? scroller.scrollTop : window.pageYOffset;
  var records = [];
  for (var k = 0; k < Math.max(1, columns, rows); k++) {
    records.push({
      node: null,
      scroller: scroller,
      x: vertical ? left : sliceStart(k, view.width, content.width),
      y: vertical ? sliceStart(k, view.height, content.height) : top,
      across: !vertical
    });
  }
  return records;
}

// The reading goes with its records: the pager takes it up when it shows them.
function takeReading(records, mode) {
  records.forEach(function (record) { record.mode = mode; });
  return records;
}

function* pageReadings() {
  yield* readLargeElements();
  var candidates = sortPages(yield* mappedInSlices(yield* findPageCandidates(), pageRecordOf));
  var slides = detectSlides(candidates);
  if (slides.length > 1) return takeReading(slides, 'slide');
  var inFlow = detectPagesInFlow(candidates);
  if (inFlow.length > 1) return takeReading(inFlow, 'element');
  var deck = yield* detectHiddenDeck();
  if (deck.length > 1) return takeReading(deck, 'deck');
  var blocks = yield* detectRepeatedBlocks();
  if (blocks.length > 1) return takeReading(blocks, 'element');
  var counted = detectPageCounter();
  if (counted.length > 1) return takeReading(counted, 'runtime');
  return takeReading(yield* detectScrollSlices(), 'scroll');
}

function beginPageDetection() {
  return detectionOf(pageReadings());
}

function detectionOf(readings) {
  return { readings: readings, memo: { boxes: new Map(), shown: new Map(), scrollers: new Map() } };
}

// Runs a detection until `outOfTime`, if given, says its slice is spent: its pages once it has
// ended, null while it has more to do.
function advancePageDetection(detection, outOfTime) {
  layoutMemo = detection.memo;
  layoutMemo.outOfTime = outOfTime;
  try {
    var step = detection.readings.next();
    return step.done ? step.value : null;
  } finally {
    layoutMemo = null;
  }
}

function detectPages() {
  return readPagesAtOnce(pageReadings());
}

// Runs page readings to their end at once, with a memory of boxes of their own.
function readPagesAtOnce(readings) {
  return advancePageDetection(detectionOf(readings), null);
}
