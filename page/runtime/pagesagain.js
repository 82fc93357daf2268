// Finding the pages again after the document changed, without a whole detection: among their own
// kind, after a change that could have moved them, or by taking up the elements put in or taken
// out beside them. Each reads the boxes of the few elements it weighs.

var MAX_ELEMENTS_PUT_IN = 2000;

// What tells a page element's kind apart from its siblings: its tag and its classes, those a deck
// switches on the shown slide aside.
function pageKind(element) {
  var classes = Array.prototype.filter.call(element.classList, function (name) { return name !== 'active'; });
  return element.tagName + ' ' + classes.sort().join(' ');
}

// Pages that are elements are found again after a change that could have moved them among their
// own kind alone, the shown children of their parents of a page's tag and classes, in the reading
// they were found by: the boxes of those few are read instead of every box of the document. None
// when a page is gone or hidden, or the kind is no longer read alike: a whole detection finds
// them then.
function* pagesAmongTheirKind(pages) {
  var mode = pages[0].mode;
  if (mode !== 'element' && mode !== 'slide') return null;
  if (!pages.every(function (page) { return page.node && page.node.isConnected && isShown(page.node); })) return null;
  var kinds = new Set(pages.map(function (page) { return pageKind(page.node); }));
  var parents = new Set(pages.map(function (page) { return page.node.parentElement; }));
  var nodes = [];
  parents.forEach(function (parent) {
    forEachNode(parent.children, function (child) {
      if (kinds.has(pageKind(child)) && isShown(child)) nodes.push(child);
    });
  });
  var records = sortPages(yield* mappedInSlices(nodes, pageRecordOf));
  var again = mode === 'slide' ? detectSlides(records) : detectPagesInFlow(records);
  return again.length > 1 ? takeReading(again, mode) : null;
}

function findPagesAmongTheirKind(pages) {
  return readPagesAtOnce(pagesAmongTheirKind(pages));
}

// Pages regrouped after elements were put in or taken out beside them, by the user's copy, delete
// or move, or by the document itself: those taken out leave; one put in joins when it is shown and
// of the kind of the page nearest it among its siblings, and in a reading of slides stands where
// they stand. The pages keep the order of their parents' children. None when one put in carries
// a page number of its own, a page went elsewhere or fewer than two are left: they are found
// again then.
function* pagesRegrouped(pages, regroups, parents) {
  var members = new Map();
  pages.forEach(function (page) { members.set(page.node, page); });
  var putIn = new Set();
  regroups.forEach(function (regroup) {
    regroup.removed.forEach(function (node) {
      members.delete(node);
      putIn.delete(node);
    });
    regroup.added.forEach(function (node) { putIn.add(node); });
  });
  var joining = [];
  putIn.forEach(function (node) {
    if (node.isConnected && parents.has(node.parentNode) && joinsPages(node, members)) joining.push(node);
  });
  var records = takeReading(yield* mappedInSlices(joining, pageRecordOf), pages[0].mode);
  if (records.some(function (record) { return record.explicitIndex !== null; })) return null;
  if (records.length && pages[0].mode === 'slide' && !standsWithSlides(records, members)) return null;
  records.forEach(function (record) { members.set(record.node, record); });
  var ordered = [];
  parents.forEach(function (parent) {
    forEachNode(parent.children, function (child) {
      if (members.has(child)) ordered.push(members.get(child));
    });
  });
  return ordered.length === members.size && ordered.length > 1 ? ordered : null;
}

function findPagesRegrouped(pages, regroups, parents) {
  var regrouped = pages[0].mode === 'scroll' ? slicesRegrouped(pages, regroups) : pagesRegrouped(pages, regroups, parents);
  return readPagesAtOnce(regrouped);
}

// Slices of a scrolling content stay slices after elements were put in or taken out (the step
// cuts them again from its new extent), unless one put in, or one inside it, could make a page of
// itself. Past so many elements put in, they are found again.
function* slicesRegrouped(pages, regroups) {
  var elements = [];
  regroups.forEach(function (regroup) {
    regroup.added.forEach(function (node) {
      if (!node.isConnected || elements.length > MAX_ELEMENTS_PUT_IN) return;
      elements.push(node);
      forEachNode(node.querySelectorAll('*'), function (inner) { elements.push(inner); });
    });
  });
  if (elements.length > MAX_ELEMENTS_PUT_IN) return null;
  var makesPages = false;
  yield* eachInSlices(elements, function (element) {
    makesPages = makesPages || couldMakePages(element, pages[0].scroller);
  });
  return makesPages ? null : pages;
}

// A block of a size that repeats could be one, as could a page the size of the window, a
// scroller or a page counter: a block of the window's area or of the scroller's is of the least
// size of either.
function couldMakePages(element, scroller) {
  if (isDocumentFrame(element) || isEditorUi(element) || !isShown(element)) return false;
  var views = [windowView()].concat(scroller ? [scrollerView(scroller)] : []);
  var box = boxOf(element);
  var block = views.some(function (view) {
    return box.width >= Math.max(BLOCK_MIN_WIDTH, BLOCK_WIDTH_SHARE * view.width) &&
      box.height >= Math.max(BLOCK_MIN_HEIGHT, BLOCK_HEIGHT_SHARE * view.height) &&
      boxArea(box) >= BLOCK_AREA_SHARE * view.width * view.height;
  });
  return block || isScrollContainer(element) || (element.matches(PAGE_COUNTERS) && isPageCounter(element));
}

function joinsPages(node, members) {
  var page = nearestSiblingAmong(node, members);
  return !!page && pageKind(page) === pageKind(node) && isShown(node);
}

function nearestSiblingAmong(node, members) {
  for (var before = node.previousElementSibling, after = node.nextElementSibling; before || after;) {
    if (before && members.has(before)) return before;
    if (after && members.has(after)) return after;
    before = before && before.previousElementSibling;
    after = after && after.nextElementSibling;
  }
  return null;
}

function standsWithSlides(records, members) {
  var slide = members.keys().next().value;
  return !!slide && detectSlides([pageRecordOf(slide)].concat(records)).length === records.length + 1;
}
