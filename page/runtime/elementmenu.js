// The element menu that a right-click opens, and its four operations: copy, delete, move up and
// move down among the element's siblings. Each records the document first, then changes it.

var ELEMENT_MENU_ITEMS = [
  ['复制元素', duplicateElement],
  ['删除元素', deleteElement],
  ['上移', moveElementUp],
  ['下移', moveElementDown]
];

function buildElementMenu() {
  ui.ctxMenu = createUiElement('div', PREFIX + '-ctxmenu');
  ELEMENT_MENU_ITEMS.forEach(function (item) {
    var button = createUiElement('button', PREFIX + '-ctxmenu-item', { type: 'button', text: item[0] });
    button.addEventListener('click', function () {
      item[1]();
      closeContextMenu();
    });
    ui.ctxMenu.appendChild(button);
  });
}

// The menu opens at the pointer and turns to the left or upwards where it would leave the window.
function placeMenuAt(menu, x, y) {
  menu.style.display = 'block';
  menu.style.left = x + 'px';
  menu.style.top = y + 'px';
  var box = menu.getBoundingClientRect();
  if (box.right > window.innerWidth) menu.style.left = (x - box.width) + 'px';
  if (box.bottom > window.innerHeight) menu.style.top = (y - box.height) + 'px';
}

// Blank space (the body, the content wrapper) keeps the browser's own menu: there is no element
// there to copy, delete or move.
// The drag handle sits on the selected element's outline, and may slide under the pointer while
// the outline appears: a right-click on it is one on the selected element.
function openContextMenu(event) {
  var target = event.target === ui.dragHandle ? state.selected : event.target;
  if (!state.active || !isDocumentElement(target)) return;
  event.preventDefault();
  stopListeningForMenuClose();
  state.ctxTarget = target;
  placeMenuAt(ui.ctxMenu, event.clientX, event.clientY);
  // Listening only from the next task on keeps the event that opened the menu from closing it.
  setTimeout(function () {
    if (state.ctxTarget) document.addEventListener('click', closeMenuOnOutsideClick, true);
  }, 0);
}

function stopListeningForMenuClose() {
  document.removeEventListener('click', closeMenuOnOutsideClick, true);
}

// Clicks on the document's content are stopped at the document's capture phase in edit mode, so
// the closer listens there too.
function closeMenuOnOutsideClick(event) {
  if (!ui.ctxMenu.contains(event.target)) closeContextMenu();
}

function closeContextMenu() {
  if (ui.ctxMenu) ui.ctxMenu.style.display = 'none';
  state.ctxTarget = null;
  stopListeningForMenuClose();
}

function contextMenuShown() {
  return !!ui.ctxMenu && ui.ctxMenu.style.display === 'block';
}

function operationTarget() {
  var target = state.ctxTarget || state.selected;
  return isDocumentElement(target) && target.isConnected ? target : null;
}

// A copy of the element under edit must not come out editable or marked.
function withoutEditingMarks(copy) {
  if (copy.matches(EDITING_MARKS)) dropEditingMarks(copy);
  forEachMatch(copy, EDITING_MARKS, dropEditingMarks);
  return copy;
}

function duplicateElement() {
  var target = operationTarget();
  if (!target) return;
  var copy = withoutEditingMarks(target.cloneNode(true));
  editDocument({
    reason: 'clone',
    before: function (model) {
      copyInModel(model, target, copy);
      // Selecting the copy ends text editing on the original; ended first, both changes are laid
      // out in one pass, when the selection outline reads the copy's box.
      endTextEditingOutside(copy);
    },
    change: function () { target.parentNode.insertBefore(copy, target.nextSibling); },
    message: '已复制元素'
  });
  selectElement(copy);
}

function deleteElement() {
  var target = operationTarget();
  if (!target || !window.confirm('确定删除此元素？')) return;
  cutElement(target, 'delete', '已删除元素');
}

// Taking an element out of the document, with its text, and whatever of the selection it holds.
function cutElement(element, reason, message) {
  editDocument({
    reason: reason,
    before: function (model) {
      forgetSelectionWithin(element);
      cutFromModel(model, element);
    },
    change: function () { removeNode(element); },
    message: message
  });
}

var MOVES = {
  up: {
    sibling: 'previousElementSibling', done: '已上移', atEdge: '已经是第一个元素',
    swap: function (target, sibling) { sibling.parentNode.insertBefore(target, sibling); }
  },
  down: {
    sibling: 'nextElementSibling', done: '已下移', atEdge: '已经是最后一个元素',
    swap: function (target, sibling) { sibling.parentNode.insertBefore(sibling, target); }
  }
};

// A move steps over one element sibling (none of the editor's) and never leaves the parent; at
// the edge nothing is recorded and the document stays as clean or dirty as it was.
function moveAmongSiblings(move) {
  var target = operationTarget();
  if (!target) return;
  var sibling = documentSibling(target, move.sibling);
  if (!sibling) {
    showToast(move.atEdge);
    return;
  }
  moveElement(target, function () { move.swap(target, sibling); }, move.done);
  repositionOutlines();
}

// An element the editor moves takes its text to its new place among its neighbours.
function moveElement(element, move, message) {
  var oldParent = element.parentElement;
  editDocument({
    reason: 'move',
    change: move,
    after: function (model) { moveInModel(model, element, oldParent); },
    message: message
  });
}

function moveElementUp() {
  moveAmongSiblings(MOVES.up);
}

function moveElementDown() {
  moveAmongSiblings(MOVES.down);
}
