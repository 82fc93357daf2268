// Watching what could move the pages shown while edit mode is on, each change of the document
// sorted by what it does to them. The document's own changes around the pages (element
// operations, styles, whatever its scripts do; zoom and the device preview restyle the content
// wrapper), a picture, video or font that loads and a new window size move them: they are found
// again. An element put in or taken out beside them regroups them: the next page change takes up
// just those. A change of text, or one inside a page, typing included, shifts their places only.
// The editor's interface, its marks and the editability of the element under edit do nothing to
// them. The window's size is part of the stamp rather than counted at its resize event, which
// comes only with the next frame.

/* global detectPagesAfterChange */

// Past so many regroupings since the pages were shown, finding them again is as quick.
var MAX_REGROUPS = 200;

// Starts the watch, if it is not on, and gives the stamp of this moment, the changes made until
// now counted.
function watchPages() {
  if (!state.pageWatch) {
    var watch = { observer: new MutationObserver(countPageMoves) };
    watch.observer.observe(document.documentElement, { childList: true, subtree: true, attributes: true, characterData: true });
    pageWatchListeners().forEach(function (row) { row[0].addEventListener(row[1], row[2], true); });
    state.pageWatch = watch;
  }
  takePageChanges();
  return currentPageStamp();
}

// The changes the observer holds but has not yet delivered are counted now.
function takePageChanges() {
  if (state.pageWatch) countPageMoves(state.pageWatch.observer.takeRecords());
}

function currentPageStamp() {
  return { moves: state.pageChanges + ' ' + window.innerWidth + 'x' + window.innerHeight, shifts: state.pageShifts };
}

function stopWatchingPages() {
  var watch = state.pageWatch;
  if (!watch) return;
  watch.observer.disconnect();
  pageWatchListeners().forEach(function (row) { row[0].removeEventListener(row[1], row[2], true); });
  state.pageWatch = null;
  state.pagesStamp = null;
  state.pagesInWaiting = null;
  state.pageElements = null;
  state.pageParents = null;
  state.pageRegroups = [];
}

// The pages shown are what the watch tells changes by: their elements, and the parents whose
// children they are, in the pages' order, where a page put in or taken out can be taken up.
function notePagesShown(pages) {
  state.pageElements = new Set();
  pages.forEach(function (page) {
    if (page.node) state.pageElements.add(page.node);
  });
  state.pageParents = regroupableParents(pages);
  state.pageRegroups = [];
}

// Pages of an element or slide reading that follow the order of their parents' children, each
// parent's pages one run: the parents in that order, or none.
function regroupableParents(pages) {
  var parents = new Set();
  var mode = pages[0].mode;
  if (mode !== 'element' && mode !== 'slide') return parents;
  for (var i = 0; i < pages.length; i++) {
    var parent = pages[i].node.parentNode;
    if (i > 0 && parent === pages[i - 1].node.parentNode) continue;
    if (parents.has(parent)) return new Set();
    parents.add(parent);
  }
  var next = 0;
  parents.forEach(function (each) {
    forEachNode(each.children, function (child) {
      if (next < pages.length && child === pages[next].node) next++;
    });
  });
  return next === pages.length ? parents : new Set();
}

function pageWatchListeners() {
  var rows = [[document, 'load', notePageLoad], [document, 'error', notePageLoad],
    [document, 'loadedmetadata', notePageLoad], [window, 'resize', detectPagesAfterChange]];
  if (document.fonts && document.fonts.addEventListener) rows.push([document.fonts, 'loadingdone', notePagesMoved]);
  return rows;
}

function notePagesMoved() {
  state.pageChanges++;
}

function notePageLoad(event) {
  if (!isEditorUi(event.target)) notePagesMoved();
}

function countPageMoves(records) {
  var shifted = false;
  for (var i = 0; i < records.length; i++) {
    var change = pageChangeOf(records[i]);
    if (change === 'regroup') change = keepRegroup(records[i]);
    if (change === 'move') {
      notePagesMoved();
      return;
    }
    shifted = shifted || change === 'shift';
  }
  if (shifted) state.pageShifts++;
}

// A regrouping shifts the places of the pages after it.
function keepRegroup(record) {
  state.pageRegroups.push({ added: documentElementsAmong(record.addedNodes), removed: documentElementsAmong(record.removedNodes) });
  return state.pageRegroups.length > MAX_REGROUPS ? 'move' : 'shift';
}

function isDocumentNode(node) {
  return node.nodeType !== 1 || !isEditorUi(node);
}

function documentElementsAmong(nodes) {
  return Array.prototype.filter.call(nodes, function (node) { return node.nodeType === 1 && !isEditorUi(node); });
}

// A style sheet anywhere restyles every page, even from inside one.
function isStyleNode(node) {
  return !!node && (node.nodeName === 'STYLE' || node.nodeName === 'LINK');
}

function bringsStyles(node) {
  return isStyleNode(node) || (node.nodeType === 1 && !!node.querySelector('style, link'));
}

// 'move', 'regroup', 'shift' or nothing: what one change of the document does to the pages shown.
function pageChangeOf(record) {
  var target = record.target;
  if (isEditorUi(target)) return '';
  if (record.type === 'characterData') return isStyleNode(target.parentNode) ? 'move' : 'shift';
  if (record.type === 'attributes') {
    if (startsWith(record.attributeName, 'data-lmw-') || record.attributeName === 'contenteditable') return '';
    return isWithinPage(target.parentNode) ? 'shift' : 'move';
  }
  var added = Array.prototype.filter.call(record.addedNodes, isDocumentNode);
  var removed = Array.prototype.filter.call(record.removedNodes, isDocumentNode);
  if (!added.length && !removed.length) return '';
  if (isStyleNode(target) || added.some(bringsStyles) || removed.some(bringsStyles)) return 'move';
  if (isWithinPage(target)) return 'shift';
  return isRegroupedBy(target) ? 'regroup' : 'move';
}

// Pages of elements are regrouped by what is put into or taken out of their parents; slices of a
// scrolling content by anything put in or taken out, which may not make a page of itself.
function isRegroupedBy(target) {
  if (state.pageDetection || state.pagesStamp === null) return false;
  if (state.pageMode === 'scroll') return true;
  return !!state.pageParents && state.pageParents.has(target);
}

// Whether the node is a page shown or inside one. While a detection runs, the pages it will find
// are not yet known, and nothing counts as inside one.
function isWithinPage(node) {
  var pages = state.pageElements;
  if (!pages || !pages.size || state.pageDetection) return false;
  for (; node; node = node.parentNode) {
    if (pages.has(node)) return true;
  }
  return false;
}

// A counter's total may be its text: a reading by a counter stands only while no text changes.
function pagesStillStand() {
  if (!state.pageWatch || state.pagesStamp === null) return false;
  takePageChanges();
  if (state.pageMode === 'runtime' && pagesShifted()) return false;
  return state.pagesStamp.moves === currentPageStamp().moves;
}

function pagesShifted() {
  takePageChanges();
  return state.pagesStamp !== null && state.pagesStamp.shifts !== state.pageShifts;
}

// A page change's own classes and the deck's controls it brings into line belong to the pages
// it works on, which they move no further: the watch passes over them.
function apartFromPageWatch(change) {
  var watch = state.pageWatch;
  takePageChanges();
  change();
  if (watch) watch.observer.takeRecords();
}
