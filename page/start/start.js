// The start page: asks for one local HTML file, reads it through the codec and hands its text
// to launchEditor, which replaces this page with the document and the editor runtime.

var STATUS_TEXTS = {
  tooOld: '当前浏览器版本过旧。Windows 7 请使用 Chrome / Edge 109，Windows 11 请使用当前版 Edge / Chrome。',
  noPicker: '当前浏览器仅支持读取并下载副本，不能直接覆盖原文件。建议改用 Edge / Chrome 86 或更高版本。',
  pickerOpening: '正在打开文件选择窗口...',
  cancelled: '已取消打开文件。',
  notHtml: '请选择 .html 或 .htm 文件。',
  openAnother: '请选择或拖入要打开的 HTML 文件。'
};

var fileInput = document.getElementById('file-input');
var dropZone = document.getElementById('drop-zone');
var openButton = document.getElementById('btn-open');
var statusLine = document.getElementById('status');
var draftSection = document.getElementById('drafts');
var draftList = document.getElementById('draft-list');
var shownDrafts = {};
// The draft whose changes the user gave up in the editor to open another file: kept, listed, but
// not offered back at once when the same file is opened again.
var givenUpDraft = '';
var siteSection = document.getElementById('site');
var siteList = document.getElementById('site-list');
// The folder dropped here and the pages listed from it.
var sitePages = null;

function setStatus(text, type) {
  statusLine.textContent = text;
  statusLine.className = type ? 'status ' + type : 'status';
}

function isHtmlFile(file) {
  return !!file && isHtmlFileName(file.name);
}

function minimumBrowserReady() {
  return !!(window.Promise && window.FileReader && window.DOMParser && window.Uint8Array &&
    window.Blob && window.URL && window.TextDecoder && window.crypto && window.crypto.subtle &&
    window.LumaweaveFileCodec && document.querySelector && window.addEventListener);
}

// `opened` is the codec's reading of the file, or a draft's (which carries its id and opens with
// unsaved changes). `served`, for a page of a granted folder, are the edits that write its files
// as served from that folder. Resolves once the document is written.
function launchEditor(opened, handle, fileName, served) {
  var text = documentForEditing(opened.text);
  if (!text) return Promise.resolve();
  return stillStartPage().then(function () {
    var iconLink = document.getElementById('lmw-app-icon');
    window.__LW_OPEN_FILE_HANDLE = handle || null;
    window.__LW_OPEN_FILE_NAME = fileName || '';
    window.__LW_CAN_OVERWRITE = !!handle;
    window.__LW_AUTO_ENTER_EDIT = true;
    window.__LW_DIRTY = !!opened.draftId;
    window.__LW_ENTRY_URL = location.href;
    window.__LMW_OPEN_FILE_FINGERPRINT = opened.fingerprint || '';
    window.__LMW_OPEN_FILE_ENCODING = opened.encoding || 'utf-8';
    window.__LMW_DRAFT_ID = opened.draftId || '';
    window.__LMW_APP_ICON_DATA_URI = iconLink ? iconLink.getAttribute('href') : '';
    var iconMarkup = window.__LMW_APP_ICON_DATA_URI ? iconLinkMarkup(window.__LMW_APP_ICON_DATA_URI) : '';
    writeSourceDocument(text, iconMarkup, runtimeScriptMarkup(window.EDITOR_JS_SOURCE), { served: served || null });
  });
}

var STILL_FRAME_LIMIT_MS = 100;

// The start page's animations run on in the compositor, frame after frame, while the document
// written in its place is parsed and laid out, and take the machine from it: a large document
// showed several times later. They are stopped and a frame without them is shown first; a
// hidden page, which draws no frames, waits no longer than a moment.
function stillStartPage() {
  document.documentElement.classList.add('leaving');
  return new Promise(function (resolve) {
    var done = false;
    var go = function () {
      if (done) return;
      done = true;
      resolve();
    };
    window.requestAnimationFrame(function () { setTimeout(go, 0); });
    setTimeout(go, STILL_FRAME_LIMIT_MS);
  });
}

function readFile(file, handle) {
  if (!isHtmlFile(file)) {
    setStatus(STATUS_TEXTS.notHtml, 'error');
    return Promise.resolve();
  }
  setStatus('正在读取：' + file.name);
  // The drafts are listed while the file is read: the store answers in its own time.
  var listed = listDrafts();
  listed.catch(function () {});
  return window.LumaweaveFileCodec.readFile(file).then(function (result) {
    return offerDraftOf(file.name, result, givenUpDraft, listed);
  }).then(function (opened) {
    return launchEditor(opened, handle || null, file.name);
  }).catch(function (error) {
    if (isAbortError(error)) setStatus((error && error.message) || STATUS_TEXTS.cancelled);
    else setStatus('文件读取失败：' + errorText(error), 'error');
  });
}

function chooseFile() {
  if (!window.showOpenFilePicker) {
    fileInput.value = '';
    fileInput.click();
    return;
  }
  setStatus(STATUS_TEXTS.pickerOpening);
  pickHtmlFile().then(function (picked) {
    if (picked) return readFile(picked.file, picked.handle);
  }, function (error) {
    if (isAbortError(error)) setStatus(STATUS_TEXTS.cancelled);
    else setStatus('无法打开文件：' + errorText(error), 'error');
  });
}

function sizeText(bytes) {
  if (bytes < 1024) return bytes + ' 字节';
  if (bytes < 1024 * 1024) return (bytes / 1024).toFixed(1) + ' KB';
  return (bytes / 1024 / 1024).toFixed(1) + ' MB';
}

function draftItem(draft) {
  var item = document.createElement('li');
  item.className = 'draft-item';
  item.innerHTML = '<div class="draft-info"><span class="draft-name"></span><span class="draft-meta"></span></div>' +
    '<button class="btn btn-primary btn-small" type="button" data-action="restore">恢复</button>' +
    '<button class="btn btn-quiet btn-small" type="button" data-action="discard">丢弃</button>';
  item.setAttribute('data-draft', draft.id);
  item.querySelector('.draft-name').textContent = draft.fileName;
  item.querySelector('.draft-meta').textContent = draftTimeText(draft) + ' · ' + sizeText(draft.size);
  return item;
}

function showDrafts(drafts) {
  shownDrafts = {};
  draftList.textContent = '';
  drafts.forEach(function (draft) {
    shownDrafts[draft.id] = draft;
    draftList.appendChild(draftItem(draft));
  });
  draftSection.hidden = !drafts.length;
}

// A store that cannot be read shows no list; opening files is not held up by it.
function refreshDrafts() {
  return listDrafts().then(showDrafts, function () { showDrafts([]); });
}

// A draft goes back onto its file only when the user points at that file and it is the one the
// draft was taken from, unchanged since: the store keeps no handle that could say so itself.
function restoreDraft(draft) {
  if (!window.showOpenFilePicker) return openDraft(draft, null, '');
  setStatus('请选择草稿“' + draft.fileName + '”对应的原文件，恢复后保存会覆盖它');
  return pickHtmlFile().then(function (picked) {
    if (!picked) return undefined;
    return window.LumaweaveFileCodec.fingerprintFile(picked.file).then(function (fingerprint) {
      if (fingerprint === draft.fingerprint) return openDraft(draft, picked.handle, picked.file.name);
      return offerDraftForSaveAs(draft, picked.file.name);
    });
  }).catch(function (error) {
    if (isAbortError(error)) setStatus('已取消恢复草稿：' + draft.fileName);
    else setStatus('草稿恢复失败：' + errorText(error), 'error');
  });
}

function mismatchText(draft, pickedName) {
  if (pickedName !== draft.fileName) return '“' + pickedName + '”不是草稿“' + draft.fileName + '”对应的文件';
  return '“' + pickedName + '”在草稿保存之后已被修改，或不是草稿对应的文件';
}

// Another file, or the draft's own changed since, is never overwritten by the draft: the draft
// can still open, to be saved to a place the user chooses.
function offerDraftForSaveAs(draft, pickedName) {
  var refusal = mismatchText(draft, pickedName);
  setStatus(refusal + '，草稿不能覆盖它。', 'error');
  if (!window.confirm(refusal + '。\n\n要打开草稿并在保存时另选位置吗？选择“取消”则草稿仍保留在列表中。')) return undefined;
  return openDraft(draft, null, draft.fileName);
}

function openDraft(draft, handle, fileName) {
  setStatus('正在恢复草稿：' + draft.fileName);
  return readDraftText(draft.id).then(function (text) {
    if (text === undefined) throw new Error('草稿已不存在');
    return launchEditor(draftReading(draft, text), handle, fileName || draft.fileName);
  }).catch(function (error) {
    setStatus('草稿恢复失败：' + errorText(error), 'error');
    refreshDrafts();
  });
}

function discardDraftOf(draft) {
  if (!window.confirm('确定丢弃“' + draft.fileName + '”的草稿吗？其中未保存的修改将无法找回。')) return;
  removeDraft(draft.id).then(function () {
    setStatus('已丢弃草稿：' + draft.fileName);
  }, function (error) {
    setStatus('草稿丢弃失败：' + errorText(error), 'error');
  }).then(refreshDrafts);
}

function handleDraftClick(event) {
  var button = event.target.closest('button[data-action]');
  var item = button && button.closest('[data-draft]');
  var draft = item && shownDrafts[item.getAttribute('data-draft')];
  if (!draft) return;
  if (button.getAttribute('data-action') === 'restore') restoreDraft(draft);
  else discardDraftOf(draft);
}

function handleDragOver(event) {
  event.preventDefault();
  dropZone.classList.add('dragover');
}

function handleDragLeave() {
  dropZone.classList.remove('dragover');
}

// The File is taken during the drop event itself: browsers may empty the drop's file list once
// the event is over, and the handle request settles only later.
function handleDrop(event) {
  event.preventDefault();
  dropZone.classList.remove('dragover');
  var transfer = event.dataTransfer;
  var item = transfer && transfer.items && transfer.items[0];
  var droppedFile = (transfer && transfer.files && transfer.files[0]) || null;
  if (!item || typeof item.getAsFileSystemHandle !== 'function') {
    if (droppedFile) readFile(droppedFile, null);
    return;
  }
  item.getAsFileSystemHandle().then(function (handle) {
    if (handle && handle.kind === 'directory') return { folder: handle };
    return handle && handle.kind === 'file' ? fileWithHandle(handle) : null;
  }).catch(function () {
    return null;
  }).then(function (picked) {
    if (picked && picked.folder) listFolderPages(picked.folder);
    else if (picked) readFile(picked.file, picked.handle);
    else if (droppedFile) readFile(droppedFile, null);
  });
}

// A folder dropped here is a site: its pages, in it and one level below, are listed to pick one,
// which opens with the folder granted. Only these two levels are read, and no more of them than
// a listing can show.
var LISTED_ENTRIES_LIMIT = 2000;

function listFolderPages(folder) {
  setStatus('正在读取文件夹：' + folder.name);
  return pagesInFolder(folder).then(function (pages) {
    showFolderPages(folder, pages);
    if (!pages.length) setStatus('文件夹“' + folder.name + '”及其下一层中没有 .html 或 .htm 文件。', 'error');
    else setStatus('请选择要编辑的网页：文件夹“' + folder.name + '”已授权读取，网页引用的样式、图片和脚本将从中读取。');
  }, function (error) {
    setStatus('无法读取文件夹：' + errorText(error), 'error');
  });
}

// The pages as paths of steps from the folder, sorted.
function pagesInFolder(folder) {
  return folderEntries(folder).then(function (entries) {
    var pages = [];
    var below = entries.filter(function (entry) {
      if (entry.kind === 'file' && isHtmlFileName(entry.name)) pages.push([entry.name]);
      return entry.kind === 'directory';
    });
    return Promise.all(below.map(function (inner) {
      return folderEntries(inner).then(function (innerEntries) {
        innerEntries.forEach(function (entry) {
          if (entry.kind === 'file' && isHtmlFileName(entry.name)) pages.push([inner.name, entry.name]);
        });
      }, function () {});
    })).then(function () {
      return pages.sort(function (a, b) { return a.join('/') < b.join('/') ? -1 : 1; });
    });
  });
}

function folderEntries(folder) {
  var entries = [];
  var iterator = folder.values();
  var next = function () {
    return iterator.next().then(function (step) {
      if (step.done || entries.length >= LISTED_ENTRIES_LIMIT) return entries;
      entries.push(step.value);
      return next();
    });
  };
  return next();
}

function showFolderPages(folder, pages) {
  sitePages = { folder: folder, pages: pages };
  siteList.textContent = '';
  pages.forEach(function (path, index) {
    var item = document.createElement('li');
    item.className = 'draft-item';
    item.innerHTML = '<div class="draft-info"><span class="draft-name"></span><span class="draft-meta"></span></div>' +
      '<button class="btn btn-primary btn-small" type="button">编辑</button>';
    item.setAttribute('data-page', String(index));
    item.querySelector('.draft-name').textContent = path[path.length - 1];
    item.querySelector('.draft-meta').textContent = folder.name + '/' + path.join('/');
    siteList.appendChild(item);
  });
  siteSection.hidden = !pages.length;
}

function handleSitePageClick(event) {
  var item = event.target.closest('[data-page]');
  var path = item && sitePages && sitePages.pages[Number(item.getAttribute('data-page'))];
  if (path) openSitePage(sitePages.folder, path);
}

// The page opens with its files served from the folder, looked up before the page is written.
function openSitePage(folder, path) {
  var grant = newFolderGrant(folder, { inside: path.slice(0, -1) });
  grant.above = 0;
  setStatus('正在读取：' + path.join('/'));
  return readPageOfGrant(grant, path).then(function (page) {
    var text = documentForEditing(page.opened.text);
    return servedEdits(text, grant).then(function (served) {
      return preloadServedStylesheets(grant).then(function () {
        grant.above = served.above;
        window.__LMW_FOLDER_GRANT = grant;
        page.opened.text = text;
        return launchEditor(page.opened, page.handle, page.file.name, served.edits);
      });
    });
  }).catch(function (error) {
    if (isAbortError(error)) setStatus((error && error.message) || STATUS_TEXTS.cancelled);
    else setStatus('文件读取失败：' + errorText(error), 'error');
  });
}

function handleInputChange() {
  var file = fileInput.files && fileInput.files[0];
  if (file) readFile(file, null);
}

// The editor sends the user here to open another file, in a fresh page that nothing of the last
// document survives into; it leaves word of that in the tab, with the draft of the changes given
// up, if any. Null when there is no such word.
function takeOpenAnotherRequest() {
  try {
    var request = sessionStorage.getItem(OPEN_ANOTHER_KEY);
    sessionStorage.removeItem(OPEN_ANOTHER_KEY);
    return request;
  } catch (ignored) {
    return null;
  }
}

function startPage() {
  if (!minimumBrowserReady()) {
    openButton.disabled = true;
    dropZone.style.cursor = 'not-allowed';
    setStatus(STATUS_TEXTS.tooOld, 'error');
    return;
  }
  if (!window.showOpenFilePicker) setStatus(STATUS_TEXTS.noPicker);
  openButton.addEventListener('click', chooseFile);
  dropZone.addEventListener('click', chooseFile);
  dropZone.addEventListener('dragover', handleDragOver);
  dropZone.addEventListener('dragleave', handleDragLeave);
  dropZone.addEventListener('drop', handleDrop);
  fileInput.addEventListener('change', handleInputChange);
  draftList.addEventListener('click', handleDraftClick);
  siteList.addEventListener('click', handleSitePageClick);
  forgetDraftHandles().catch(function () {}).then(refreshDrafts);
  var request = takeOpenAnotherRequest();
  if (request !== null) {
    givenUpDraft = request;
    setStatus(STATUS_TEXTS.openAnother);
  }
  // A file opened here begins its own history: a hand-over that no instance took (a replacement
  // cut short) may still be in the tab. This first touch of sessionStorage, which waits on the
  // browser's own process, is also one that the editor's start no longer makes.
  forgetSessionKeys(HISTORY_KEYS.concat(AUTO_EDIT_KEY));
}

startPage();
