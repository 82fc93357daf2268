// Moving between the detected pages: the pager in the toolbar, the current page read back from
// the document as it scrolls, and going to the next or previous page the way each reading needs
// (switching the shown slide, scrolling, or the document's own arrow-key handler).

/* global endTextEditing */

var PAGE_SETTLE_MS = 350;
var PAGE_MODES = /^(slide|deck|element|runtime|scroll)$/;
var ARROW_KEY_CODES = { ArrowLeft: 37, ArrowRight: 39 };

// The pause after the user's last change before the pages are worked out again, out of sight.
var PAGES_AFTER_CHANGE_MS = 1000;

var pageSettleTimer = null;
var pagesAfterChangeTimer = null;

// Pages are shown with the stamp of the moment their detection began: they stand for the document
// while its moves stay the same, and keep their places while its shifts do too. The changes seen
// until now were made under the pages shown before.
function showPages(pages, stamp) {
  takePageChanges();
  state.pages = pages;
  state.pageMode = pages[0].mode;
  state.pagesStamp = stamp;
  notePagesShown(pages);
  state.pagesInPlaceOrder = pages.every(function (page, index) {
    return index === 0 || comparePositions(pages[index - 1], page) <= 0;
  });
  syncCurrentPage();
  updatePager();
}

// A page change works on pages that stand for the document as it is: the last detection, while
// nothing could have moved its pages since it began, with the pages put in or taken out beside
// them since, or one made out of sight since the last change; otherwise the pages found again
// among their own kind, and a fresh detection where they cannot be.
function refreshPages() {
  state.pageDetection = null;
  if (!pagesStillStand()) showPagesInWaiting();
  state.pagesInWaiting = null;
  if (pagesStillStand() && regroupPages()) {
    if (state.pageMode === 'scroll' && pagesShifted()) sliceAgain();
    alignSlicesWithScroll(state.pages);
    followCurrentPage();
    return;
  }
  var stamp = watchPages();
  var again = state.pages.length ? findPagesAmongTheirKind(state.pages) : null;
  showPages(again || detectPages(), stamp);
}

// The regroupings since the pages shown were found go with the pages found out of sight since:
// those already among them are taken up the same again.
function showPagesInWaiting() {
  var waiting = state.pagesInWaiting;
  if (!waiting || waiting.stamp.moves !== currentPageStamp().moves) return;
  var regroups = state.pageRegroups;
  showPages(waiting.pages, waiting.stamp);
  state.pageRegroups = regroups;
}

// Elements put in or taken out beside the pages are taken up, when they can be; the pages keep the
// order of their places, which have shifted.
function regroupPages() {
  if (!state.pageRegroups.length) return true;
  var pages = findPagesRegrouped(state.pages, state.pageRegroups, state.pageParents);
  if (!pages) return false;
  state.pages = pages;
  notePagesShown(pages);
  return true;
}

// Slices of a scrolling content that has only shifted are cut again from its new extent, by the
// scroller they were cut from.
function sliceAgain() {
  var pages = takeReading(scrollSlices(state.pages[0].scroller), 'scroll');
  state.pages = pages;
  state.pagesStamp = currentPageStamp();
}

// Detection reads every box of the document. On entering edit mode it waits for the next frame
// to have laid the content out, in its wrapper, so that a large document is shown first instead
// of being laid out inside the start-up, and for the model's preparation, which a press needs
// sooner; then it works in slices, so that presses and keys are answered between them. A newer
// detection, leaving edit mode or a replaced document ends it.
function schedulePageDetection() {
  startPageDetection(showPages);
}

// `done` takes the pages and the stamp of the moment the run began.
function startPageDetection(done) {
  var run = { body: document.body, detection: beginPageDetection(), stamp: null, done: done };
  state.pageDetection = run;
  inSlices(function (outOfTime) { return continuePageDetection(run, outOfTime); });
}

// After the user's own changes (edits, zoom, the preview, a new window size) the pages are worked
// out again once the user pauses, in slices and out of sight: the pager shows what it showed
// until the next page change, as it always has, and that change then finds pages that stand for
// the document without a detection of its own. The document's own scripts, which may change it
// all the time, start none.
function detectPagesAfterChange() {
  clearTimeout(pagesAfterChangeTimer);
  if (state.active) pagesAfterChangeTimer = setTimeout(detectPagesOutOfSight, PAGES_AFTER_CHANGE_MS);
}

// A detection out of sight that began before the last change is replaced; one that shows its
// pages, as on entering edit mode, is waited for.
function detectPagesOutOfSight() {
  var run = state.pageDetection;
  if (!state.active || pagesStillStand()) return;
  if (run && run.done === showPages) detectPagesAfterChange();
  else startPageDetection(keepPagesInWaiting);
}

function keepPagesInWaiting(pages, stamp) {
  state.pagesInWaiting = { pages: pages, stamp: stamp };
}

// True once the run has ended, with its pages shown or given up. The watch begins with the
// run's first slice, after the model's preparation has marked the elements.
function continuePageDetection(run, outOfTime) {
  if (state.pageDetection !== run || !state.active || run.body !== document.body) {
    if (state.pageDetection === run) state.pageDetection = null;
    return true;
  }
  if (run.stamp === null) run.stamp = watchPages();
  var pages = advancePageDetection(run.detection, outOfTime);
  if (!pages) return false;
  state.pageDetection = null;
  run.done(pages, run.stamp);
  return true;
}

// Slices that run down the document keep the horizontal scroll position of their detection, and
// those that run across the vertical one: a reused detection takes the present one.
function alignSlicesWithScroll(pages) {
  if (state.pageMode !== 'scroll' || !pages.length) return;
  var at = scrollPosition(pages[0].scroller);
  pages.forEach(function (page) {
    if (page.across) page.y = at.y;
    else page.x = at.x;
  });
}

function isPagingActive() {
  return state.pages.length > 1 && PAGE_MODES.test(state.pageMode);
}

function firstActiveSlide(pages) {
  for (var i = 0; i < pages.length; i++) {
    if (pages[i].node && pages[i].node.classList.contains('active')) return i;
  }
  return -1;
}

function shownDeckSlide(pages) {
  for (var i = 0; i < pages.length; i++) {
    var classes = pages[i].node.classList;
    if (pages[i].showing.every(function (token) { return classes.contains(token); })) return i;
  }
  return -1;
}

function counterPage(pages) {
  var counter = parsePageCounter(String(pages[0].counter.textContent).trim());
  return counter ? Math.min(counter.current, pages.length) - 1 : -1;
}

function scrollPosition(scroller) {
  return scroller ? { x: scroller.scrollLeft, y: scroller.scrollTop } : { x: window.pageXOffset, y: window.pageYOffset };
}

// Pages in their places' order keep it when the places shift: the nearest is then found by a
// search over the boxes of a few of them rather than by reading every one.
function nearestPage(pages) {
  if (state.pageMode === 'element' && pages[0].node && pagesShifted()) {
    if (state.pagesInPlaceOrder) return nearestShiftedPage(pages);
    placePagesAgain(pages);
  }
  var at = scrollPosition(pages[0].scroller);
  var nearest = 0;
  var nearestDistance = Infinity;
  pages.forEach(function (page, index) {
    var distance = Math.abs((page.x || 0) - at.x) + Math.abs((page.y || 0) - at.y);
    if (distance < nearestDistance) {
      nearest = index;
      nearestDistance = distance;
    }
  });
  return nearest;
}

function placePagesAgain(pages) {
  pages.forEach(function (page) {
    var place = placeOf(page.node, page.scroller);
    page.x = place.x;
    page.y = place.y;
  });
  state.pagesStamp = { moves: state.pagesStamp.moves, shifts: state.pageShifts };
}

// The first page at or below the scroll position is found by halving; the nearest is then among
// those on either side no further down or up than the nearest found so far. Of pages as near,
// the first.
function nearestShiftedPage(pages) {
  var at = scrollPosition(pages[0].scroller);
  var places = new Map();
  var placeAt = function (index) {
    if (!places.has(index)) places.set(index, placeOf(pages[index].node, pages[index].scroller));
    return places.get(index);
  };
  var low = 0;
  var high = pages.length;
  while (low < high) {
    var middle = (low + high) >> 1;
    if (placeAt(middle).y < at.y) low = middle + 1;
    else high = middle;
  }
  var nearest = -1;
  var nearestDistance = Infinity;
  var closer = function (index) {
    var place = placeAt(index);
    var distance = Math.abs(place.x - at.x) + Math.abs(place.y - at.y);
    if (distance < nearestDistance || (distance === nearestDistance && index < nearest)) {
      nearest = index;
      nearestDistance = distance;
    }
    return Math.abs(place.y - at.y) <= nearestDistance;
  };
  var down = low;
  while (down < pages.length && closer(down)) down++;
  var up = low - 1;
  while (up >= 0 && closer(up)) up--;
  return nearest;
}

function syncCurrentPage() {
  var pages = state.pages;
  var current = -1;
  if (!pages.length) current = 0;
  else if (state.pageMode === 'slide') current = firstActiveSlide(pages);
  else if (state.pageMode === 'deck') current = shownDeckSlide(pages);
  else if (state.pageMode === 'runtime') current = counterPage(pages);
  state.currentPage = current >= 0 ? current : nearestPage(pages);
}

function updatePager() {
  if (!ui.pager) return;
  var total = Math.max(1, state.pages.length);
  var active = isPagingActive();
  ui.pager.classList.toggle('hidden', !active);
  ui.pager.setAttribute('aria-hidden', active ? 'false' : 'true');
  ui.pageLabel.textContent = active ? state.currentPage + 1 + '/' + total : '';
  setDisabled(ui.prevPageBtn, !active || total <= 1 || state.currentPage <= 0);
  setDisabled(ui.nextPageBtn, !active || total <= 1 || state.currentPage >= total - 1);
}

// Scrolling and resizing in edit mode move the current page along with the document.
function followCurrentPage() {
  syncCurrentPage();
  updatePager();
}

// Older deck scripts read the key's number rather than its name, which a made key lacks.
function sendArrowKey(step) {
  var key = step > 0 ? 'ArrowRight' : 'ArrowLeft';
  var event = new KeyboardEvent('keydown', { key: key, code: key, bubbles: true, cancelable: true });
  ['keyCode', 'which'].forEach(function (name) {
    Object.defineProperty(event, name, { value: ARROW_KEY_CODES[key] });
  });
  document.dispatchEvent(event);
}

// The classes that show a slide are the document's own and stay in its text.
function markSlides(pages, target) {
  pages.forEach(function (page, index) {
    page.node.classList.toggle('active', index === target);
    page.node.classList.toggle('prev', index < target);
    setClassTokenInModel(state.model, page.node, 'active', index === target);
    setClassTokenInModel(state.model, page.node, 'prev', index < target);
  });
}

function setControlDisabled(id, disabled) {
  var control = document.getElementById(id);
  if (!control) return;
  if (disabled) control.setAttribute('disabled', '');
  else control.removeAttribute('disabled');
}

// Decks keep their own prev/next buttons, page number and dots; they are brought into line with
// the slide shown, each only when the document has it.
function alignDeckControls(target, total) {
  setControlDisabled('prevBtn', target === 0);
  setControlDisabled('nextBtn', target === total - 1);
  var number = document.getElementById('pageNum');
  if (number) number.textContent = target + 1 + ' / ' + total;
  forEachNode(document.querySelectorAll('.dot'), function (dot, index) {
    dot.classList.toggle('active', index === target);
  });
}

function showSlide(target) {
  var pages = state.pages;
  if (typeof window.goTo === 'function') {
    try {
      window.goTo(target);
    } catch (ignored) {
      // The deck's own navigation failing still leaves ours to switch the slide.
    }
  }
  apartFromPageWatch(function () {
    if (firstActiveSlide(pages) !== target) markSlides(pages, target);
    alignDeckControls(target, pages.length);
  });
}

// A deck that answers the arrow keys keeps its own count of the slide it shows, so it is asked
// first; one that does not gets its showing classes moved to the target. Either way the change
// is the document's live state only: looking at another slide is no edit of the file.
function stepDeck(step, target) {
  var pages = state.pages;
  var shown = shownDeckSlide(pages);
  sendArrowKey(step);
  if (shownDeckSlide(pages) !== shown) return;
  apartFromPageWatch(function () {
    pages.forEach(function (page, index) {
      page.showing.forEach(function (token) { page.node.classList.toggle(token, index === target); });
    });
    alignDeckControls(target, pages.length);
  });
}

function scrollToPage(page) {
  if (page.node) {
    page.node.scrollIntoView({ behavior: 'smooth', block: 'start', inline: 'start' });
  } else {
    (page.scroller || window).scrollTo({ left: page.x || 0, top: page.y || 0, behavior: 'smooth' });
  }
}

function settleAfterPageChange() {
  pageSettleTimer = null;
  syncCurrentPage();
  updatePager();
  repositionOutlines();
}

function goToPage(step) {
  endTextEditing();
  refreshPages();
  if (!isPagingActive()) return;
  var target = Math.max(0, Math.min(state.pages.length - 1, state.currentPage + step));
  if (target === state.currentPage) return;
  clearSelection();
  if (state.pageMode === 'runtime') sendArrowKey(step);
  else if (state.pageMode === 'slide') showSlide(target);
  else if (state.pageMode === 'deck') stepDeck(step, target);
  else scrollToPage(state.pages[target]);
  state.currentPage = target;
  updatePager();
  clearTimeout(pageSettleTimer);
  pageSettleTimer = setTimeout(settleAfterPageChange, PAGE_SETTLE_MS);
}
