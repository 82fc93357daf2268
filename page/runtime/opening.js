// Opening another file from inside the editor, and what the window does with files dropped on it.
// Another file is opened from the start page, loaded afresh in this window: a document's scripts
// run in the editor's own window and could leave traps there (a replaced picker, a patched
// prototype, a setter on a hand-off global) for every file opened after it; a fresh page keeps
// none of them.

/* global carriesFiles, grantFolder, writeDraft */

var OPEN_FROM_START_HINT = '要打开其他文件，请点击“打开文件”回到起始页，再选择或拖入文件';
var DRAFT_NOT_KEPT_MESSAGE = '无法保存草稿，未离开当前文件；请先保存修改';

// The start page's own address: a document's script can change the address's query and fragment,
// never the path of the page the window loaded.
function startPageAddress() {
  return location.href.replace(/[?#].*$/, '');
}

// The unsaved changes are kept in their draft, written and waited for before the page goes; the
// start page does not offer them back at once for the same file.
function openAnotherFile() {
  if (refusedWhileSaving()) return;
  if (state.dirty && !window.confirm('当前文件有未保存的修改。放弃修改并打开另一个文件吗？')) return;
  var givenUp = state.dirty ? state.draftId : '';
  writeDraft().then(function () {
    leaveForStartPage(givenUp);
  }, function () {
    showToast(DRAFT_NOT_KEPT_MESSAGE, 5000);
  });
}

function leaveForStartPage(givenUp) {
  state.leaving = true;
  try {
    sessionStorage.setItem(OPEN_ANOTHER_KEY, givenUp);
  } catch (ignored) {
    // The start page then opens without its hint.
  }
  location.replace(startPageAddress());
}

// A file dropped on the window is seen first by the document's own listeners, so it is not opened
// from here; nothing dropped ever takes the window away from the document. The browser's own
// opening of a dropped file is cancelled before anyone else looks at the drop; what the editor
// says of it waits until the document's listeners have seen it.
function cancelFileOpening(event) {
  if (carriesFiles(event.dataTransfer)) event.preventDefault();
}

// A folder dropped on the window is granted to the document (grant.js); its handle must be asked
// for while the drop is under way.
function answerWindowDrop(event) {
  if (!carriesFiles(event.dataTransfer)) return;
  var file = event.dataTransfer.files[0];
  var item = event.dataTransfer.items && event.dataTransfer.items[0];
  if (file && isHtmlFileName(file.name)) {
    showToast(OPEN_FROM_START_HINT, 4000);
  } else if (item && typeof item.getAsFileSystemHandle === 'function') {
    item.getAsFileSystemHandle().then(function (handle) {
      if (handle && handle.kind === 'directory') grantFolder(handle);
    }, function () {});
  }
}

function guardWindowDrops() {
  window.addEventListener('dragover', cancelFileOpening, true);
  window.addEventListener('drop', cancelFileOpening, true);
  window.addEventListener('drop', answerWindowDrop, false);
}
