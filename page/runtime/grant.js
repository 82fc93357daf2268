// A folder the user grants to the document, so that the files its text refers to beside it
// (stylesheets, images, scripts, fonts) show as the browser shows the file itself: the notice
// that asks for it, the grant by the folder picker or by a folder dropped on the window, and the
// document written again with its files served. The grant lives in a window global for as long as
// its document and the pages opened from its folder; it is never stored, so a restored draft or
// the same file opened later asks again.

var KIND_NAMES = { stylesheet: '样式', image: '图片', script: '脚本', font: '字体', media: '音视频', frame: '框架页面', other: '其他文件' };
var ABOVE_TEXT = '还引用了上级文件夹中的文件：请授权上级文件夹';
var NOT_HOLDING_TEXT = '所选文件夹中没有当前文件';

function folderGrant() {
  return window.__LMW_FOLDER_GRANT || null;
}

// What the document refers to is read once per document, in slices after its start, and kept
// across the replacements that undo and redo make, with whether the user put the notice away.
// With a folder granted the notice needs nothing of the text: the grant tells what it lacks.
function noticeReferences() {
  var known = window.__LMW_REFERENCES;
  if (known && known.draftId === state.draftId) {
    showFolderNotice(known);
    return;
  }
  if (folderGrant()) {
    showFolderNotice(window.__LMW_REFERENCES = { draftId: state.draftId, summary: null, dismissed: false });
    return;
  }
  var walk = newReferenceWalk(modelText(state.model));
  inSlices(function (outOfTime) {
    if (state.restoring) return true;
    if (!continueReferenceWalk(walk, outOfTime)) return false;
    window.__LMW_REFERENCES = { draftId: state.draftId, summary: referenceSummary(walk.references), dismissed: false };
    showFolderNotice(window.__LMW_REFERENCES);
    return true;
  });
}

function kindsText(kinds) {
  return kinds.map(function (kind) { return KIND_NAMES[kind]; }).join('、');
}

// What the notice asks for, or '' when it asks nothing: before a grant the files and the folder,
// after one the folder above where addresses climb out of it.
function noticeText(summary, grant) {
  if (grant) return grant.above > 0 ? ABOVE_TEXT : '';
  if (!summary.count) return '';
  var text = '此文档引用了所在文件夹中的 ' + summary.count + ' 个文件（' + kindsText(summary.kinds) + '）。授权读取该文件夹即可按原样显示。';
  if (summary.above > 0) text += ABOVE_TEXT + '。';
  if (summary.firstSteps.length === 1) {
    text += '若所在文件夹无法授权（如桌面、文档、下载），可改为授权其中的“' + summary.firstSteps[0] + '”文件夹。';
  }
  return text;
}

function showFolderNotice(known) {
  var text = known.dismissed ? '' : noticeText(known.summary, folderGrant());
  if (!text) {
    if (ui.notice) ui.notice.classList.remove('show');
    return;
  }
  if (!ui.notice) buildFolderNotice();
  ui.noticeText.textContent = text;
  ui.notice.classList.add('show');
}

function buildFolderNotice() {
  ui.notice = createUiElement('div', PREFIX + '-notice', { role: 'status' });
  ui.noticeText = createUiElement('span', PREFIX + '-notice-text');
  var grantButton = createUiElement('button', PREFIX + '-notice-btn', { type: 'button', text: '授权文件夹' });
  var closeButton = createUiElement('button', PREFIX + '-notice-close', { type: 'button', title: '不再提示', text: '\u2715' });
  grantButton.addEventListener('click', chooseFolder);
  closeButton.addEventListener('click', putNoticeAway);
  [ui.noticeText, grantButton, closeButton].forEach(function (part) { ui.notice.appendChild(part); });
  ui.root.appendChild(ui.notice);
}

function putNoticeAway() {
  if (window.__LMW_REFERENCES) window.__LMW_REFERENCES.dismissed = true;
  ui.notice.classList.remove('show');
}

// The picker opens where the file is (or in the granted folder, for the one above it); read
// access is all it asks.
function chooseFolder() {
  if (!window.showDirectoryPicker) {
    showToast('当前浏览器不能授权文件夹，请使用 Edge / Chrome 86 或更高版本', 4000);
    return;
  }
  var grant = folderGrant();
  var options = { mode: 'read' };
  var from = grant ? grant.handle : state.saveHandle;
  if (from) options.startIn = from;
  window.showDirectoryPicker(options).then(grantFolder, function (error) {
    if (!isAbortError(error)) showToast('无法打开文件夹：' + errorText(error), 4000);
  });
}

// Where the document stands in a folder the user chose: inside it, found by the folder itself; or
// beside it, where the folder bears the name that the document's addresses go into first; or,
// without a handle of the file, directly in it, with the same bytes as opened. Null when the
// folder does not hold the file.
function placeInFolder(folder) {
  var handle = state.saveHandle;
  var found = handle && typeof folder.resolve === 'function' ? folder.resolve(handle) : Promise.resolve(null);
  return found.catch(function () { return null; }).then(function (path) {
    if (path) return { inside: path.slice(0, -1) };
    if (referenceSummaryNow().firstSteps.indexOf(folder.name) >= 0) return { beside: folder.name };
    return handle ? null : sameFileInside(folder);
  });
}

function referenceSummaryNow() {
  var known = window.__LMW_REFERENCES;
  if (known && known.draftId === state.draftId && known.summary) return known.summary;
  return referenceSummary(documentReferences(modelText(state.model)));
}

function sameFileInside(folder) {
  return folder.getFileHandle(state.fileName).then(function (handle) {
    return handle.getFile();
  }).then(window.LumaweaveFileCodec.fingerprintFile).then(function (fingerprint) {
    return fingerprint === state.fileFingerprint ? { inside: [] } : null;
  }, function () {
    return null;
  });
}

function grantFolder(folder) {
  if (refusedWhileSaving()) return Promise.resolve();
  return placeInFolder(folder).then(function (place) {
    if (!place) {
      showToast(NOT_HOLDING_TEXT, 4000);
      return undefined;
    }
    var grant = newFolderGrant(folder, place);
    grant.above = 0;
    // Looked up before the document goes, so that it is written again at once.
    return servedEdits(serializeDocument(), grant).then(function () {
      return preloadServedStylesheets(grant);
    }).then(function () {
      showWithGrant(grant);
    });
  }).catch(function (error) {
    showToast('授权文件夹失败：' + errorText(error), 4000);
  });
}

// The document written again as it stands, with its history and unsaved changes, its files now
// served from the granted folder; the grant it replaces gives its files back once it is gone.
function showWithGrant(grant) {
  if (state.restoring) return;
  var replaced = folderGrant();
  window.__LMW_FOLDER_GRANT = grant;
  window.__LMW_GRANT_TOLD = grant;
  var html = serializeAndLeaveTextEditing();
  state.restoring = true;
  publishHandoffGlobals();
  handOverHistory();
  keepViewMode();
  writeWithRuntime(html, { declared: true });
  if (replaced && replaced !== grant) releaseFolderGrant(replaced);
}

// A document written again while in view mode comes back in view mode.
function keepViewMode() {
  if (state.active) return;
  window.__LW_AUTO_ENTER_EDIT = false;
  forgetSessionKeys([AUTO_EDIT_KEY]);
}

// Told by the first instance that shows the document with it.
function tellGranted() {
  var grant = folderGrant();
  if (!grant || window.__LMW_GRANT_TOLD !== grant) return;
  window.__LMW_GRANT_TOLD = null;
  showToast('已授权读取文件夹“' + grant.handle.name + '”', 3000);
}

// The served edits of a text the runtime writes into the window, handed to `write` at once where
// the grant has looked up every address before, or once it has: null without a grant.
function withServedFiles(html, write) {
  var grant = folderGrant();
  var now = grant && servedEditsNow(html, grant);
  if (!grant || now) {
    write(now ? servedFor(grant, now) : null);
    return;
  }
  servedEdits(html, grant).then(function (looked) {
    return preloadServedStylesheets(grant).then(function () { write(servedFor(grant, looked)); });
  });
}

function servedFor(grant, serving) {
  grant.above = serving.above;
  return serving.edits;
}
