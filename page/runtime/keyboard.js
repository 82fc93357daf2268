// The document-wide shortcuts. Rules are tried from the top and the first that matches acts and
// cancels the browser's default; only the first rule works outside edit mode.

function keyIs(event, key) {
  return String(event.key).toLowerCase() === key.toLowerCase();
}

function isAltWith(key) {
  return function (event) {
    return event.altKey && !event.ctrlKey && !event.metaKey && keyIs(event, key);
  };
}

// Ctrl stands for the Meta key as well; `shift` true or false asks for it, absent lets it be.
function isCtrlWith(key, shift) {
  return function (event) {
    if (!(event.ctrlKey || event.metaKey) || !keyIs(event, key)) return false;
    return shift === undefined || event.shiftKey === shift;
  };
}

function isRedoKey(event) {
  return isCtrlWith('y')(event) || isCtrlWith('z', true)(event);
}

function isEscape(event) {
  return keyIs(event, 'Escape');
}

// Alt with an arrow turns the page only while there are pages to turn; otherwise the key is the
// browser's and the document's.
function isPageTurn(key) {
  var matches = isAltWith(key);
  return function (event) {
    return matches(event) && isPagingActive();
  };
}

// Delete and Backspace typed into a field (the runtime's own or the document's) edit that field.
function isTypingField(node) {
  if (!node || node.nodeType !== 1) return false;
  var tag = node.tagName.toLowerCase();
  return tag === 'input' || tag === 'textarea' || tag === 'select' || node.isContentEditable;
}

function isImageDeletion(event) {
  if (!keyIs(event, 'Delete') && !keyIs(event, 'Backspace')) return false;
  if (state.textEditing || isTypingField(event.target)) return false;
  return !!state.selected && state.selected.tagName.toLowerCase() === 'img';
}

function escapeInEditMode() {
  if (contextMenuShown()) closeContextMenu();
  else if (state.findVisible) toggleFindBar();
  else if (state.textEditing) endTextEditing();
  else if (state.selected) clearSelection();
  else exitEditMode();
}

function deleteSelectedImage() {
  cutElement(state.selected, 'deleteImage', '已删除图片；按 Alt+Z 可撤销');
}

var KEY_RULES = [
  { matches: isAltWith('e'), inViewMode: true, act: toggleEditMode },
  { matches: isEscape, act: escapeInEditMode },
  { matches: isAltWith('z'), act: undo },
  { matches: isAltWith('y'), act: redo },
  { matches: isCtrlWith('z', false), act: function () { endTextEditing(); undo(); } },
  { matches: isRedoKey, act: function () { endTextEditing(); redo(); } },
  { matches: isCtrlWith('s', true), act: saveDocumentAs },
  { matches: isPageTurn('ArrowLeft'), act: function () { goToPage(-1); } },
  { matches: isPageTurn('ArrowRight'), act: function () { goToPage(1); } },
  { matches: isAltWith('c'), act: copyDocumentHtml },
  { matches: isCtrlWith('s'), act: saveDocument },
  { matches: isCtrlWith('f'), act: toggleFindBar },
  { matches: isCtrlWith('='), act: zoomIn },
  { matches: isCtrlWith('-'), act: zoomOut },
  { matches: isImageDeletion, act: deleteSelectedImage }
];

function handleKeyDown(event) {
  for (var i = 0; i < KEY_RULES.length; i++) {
    var rule = KEY_RULES[i];
    if ((rule.inViewMode || state.active) && rule.matches(event)) {
      event.preventDefault();
      rule.act(event);
      return;
    }
  }
}

// In edit mode keys typed into the document are the editor's: they get the shortcuts here, at
// the window's capture phase, and never reach the page's own key handlers, which would otherwise
// fire while the user types into an element under edit. Keys in the interface's own fields take
// the ordinary road to the document listener.
function shieldPageKeys(event) {
  if (isEditorUi(event.target)) return;
  event.stopPropagation();
  handleKeyDown(event);
}
