// Moving the selected element by the handle on its outline, and the document's drop listener,
// which carries out such a move or hands a dropped image file on to the images.

/* global dropImageFile */

var DRAG_MARK = 'lw-drag';

function beginElementDrag(event) {
  var source = state.selected;
  if (!isDocumentElement(source)) {
    event.preventDefault();
    return;
  }
  state.dragSource = source;
  event.dataTransfer.effectAllowed = 'move';
  event.dataTransfer.setData('text/plain', DRAG_MARK);
  var preview = source.cloneNode(true);
  // A copy of the document's marks would make the element's own look copied.
  forEachMatchFrom(preview, SOURCE_MARK_SELECTOR, function (element) { element.removeAttribute(SOURCE_MARK); });
  preview.setAttribute('data-lmw-ui', 'drag-preview');
  preview.style.cssText += ';position:fixed;top:-9999px;opacity:0.5;pointer-events:none';
  document.body.appendChild(preview);
  event.dataTransfer.setDragImage(preview, 0, 0);
  // The browser takes its picture of the preview before the next task.
  setTimeout(function () { removeNode(preview); }, 0);
}

function endElementDrag() {
  state.dragSource = null;
}

function carriesFiles(dataTransfer) {
  return !!dataTransfer && Array.prototype.indexOf.call(dataTransfer.types || [], 'Files') >= 0;
}

// Files dragged in from outside are taken over the document's content as well: a drop lands on
// the images' routine (which replaces the image under the pointer or the selected one) instead
// of the browser opening the file in place of the document being edited.
function acceptElementDrag(event) {
  if (!state.active) return;
  if (state.dragSource) {
    event.preventDefault();
    event.dataTransfer.dropEffect = 'move';
  } else if (carriesFiles(event.dataTransfer) && !isEditorUi(event.target)) {
    event.preventDefault();
    event.dataTransfer.dropEffect = 'copy';
  }
}

function handleDocumentDrop(event) {
  if (!state.active) return;
  if (state.dragSource) {
    event.preventDefault();
    moveDraggedElement(event);
  } else {
    dropImageFile(event);
  }
}

function isDropTarget(target, source) {
  return isDocumentElement(target) && target !== source && !source.contains(target);
}

function moveDraggedElement(event) {
  var source = state.dragSource;
  var target = event.target;
  if (event.dataTransfer.getData('text/plain') !== DRAG_MARK || !isDropTarget(target, source)) return;
  var box = target.getBoundingClientRect();
  var before = event.clientY < box.top + box.height / 2;
  moveElement(source, function () { target.parentNode.insertBefore(source, before ? target : target.nextSibling); }, '已移动元素');
  state.dragSource = null;
  repositionOutlines();
}
