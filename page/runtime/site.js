// A granted folder is a site: a relative link to another page of it, clicked in view mode or
// Ctrl+clicked in edit mode, opens that page in the editor in the same window, with the same
// folder, once the user has said what becomes of unsaved changes. Pages outside the folder, and
// every link without a grant, are the document's and the browser's as ever.

/* global keyIs, saveDocument, writeDraft */

// The folder a <base href> puts the document's addresses in; null for an absolute one.
function documentBaseFolder() {
  var base = document.querySelector('base[href]');
  return base ? baseFolder(base.getAttribute('href')) : [];
}

// The path in the granted folder of the page a link leads to, or null where it leads elsewhere.
function linkedPagePath(target) {
  var grant = folderGrant();
  var link = grant && target && target.closest ? target.closest('a[href]') : null;
  var folder = link && !isEditorUi(link) ? documentBaseFolder() : null;
  var address = folder && addressSteps(link.getAttribute('href'), folder);
  if (!address || !isHtmlFileName(address.steps[address.steps.length - 1])) return null;
  return placeInGrant(grant.place, address.steps).path || null;
}

// A plain click follows a link in view mode, a Ctrl+click in edit mode, where a plain one selects.
function followsLinks(event) {
  if (event.button !== 0 || event.altKey || event.shiftKey) return false;
  return state.active ? event.ctrlKey || event.metaKey : !(event.ctrlKey || event.metaKey);
}

function followPageLink(event) {
  if (!followsLinks(event)) return;
  var path = linkedPagePath(event.target);
  if (!path) return;
  event.preventDefault();
  event.stopPropagation();
  openFolderPage(path);
}

function openFolderPage(path) {
  if (refusedWhileSaving()) return;
  var name = path[path.length - 1];
  settleUnsaved(name).then(function (going) {
    if (going) return readPageOfGrant(folderGrant(), path).then(showFolderPage);
    return undefined;
  }).catch(function (error) {
    if (!isAbortError(error)) showToast('打开页面失败：' + errorText(error), 5000);
  });
}

// True once the page may go: saved, or its changes given up (they stay in their draft).
function settleUnsaved(nextName) {
  if (!state.dirty) return Promise.resolve(true);
  return askAboutUnsaved(nextName).then(function (choice) {
    if (choice === 'save') return saveDocument().then(function () { return !state.dirty; });
    if (choice === 'discard') return writeDraft().then(function () { return true; });
    return false;
  });
}

// Save, discard or stay: three answers, which confirm cannot give.
function askAboutUnsaved(nextName) {
  return new Promise(function (resolve) {
    var dialog = createUiElement('div', PREFIX + '-ask', { role: 'dialog' });
    dialog.appendChild(createUiElement('p', PREFIX + '-ask-text', {
      text: '“' + (state.fileName || '未命名文件') + '”有未保存的修改。打开“' + nextName + '”之前要保存吗？'
    }));
    var answer = function (choice) {
      removeNode(dialog);
      resolve(choice);
    };
    [['save', '保存'], ['discard', '不保存'], ['stay', '取消']].forEach(function (choice) {
      var button = createUiElement('button', PREFIX + '-ask-btn', { type: 'button', text: choice[1], 'data-choice': choice[0] });
      button.addEventListener('click', function () { answer(choice[0]); });
      dialog.appendChild(button);
    });
    dialog.addEventListener('keydown', function (event) {
      if (!keyIs(event, 'Escape')) return;
      event.preventDefault();
      event.stopPropagation();
      answer('stay');
    });
    ui.root.appendChild(dialog);
    dialog.querySelector('button').focus();
  });
}

// The page replaces the document in this window, as undo does, with a history of its own; the
// folder stays granted, now with the page's own place in it.
function showFolderPage(page) {
  var html = documentForEditing(page.opened.text);
  if (!html) {
    showToast('文件内容为空，未打开');
    return;
  }
  state.saveHandle = page.handle;
  state.fileName = page.file.name;
  state.fileFingerprint = page.opened.fingerprint || '';
  state.sourceEncoding = page.opened.encoding || 'utf-8';
  state.draftId = page.opened.draftId || newDraftId();
  state.dirty = !!page.opened.draftId;
  state.history = [];
  state.future = [];
  forgetHistory();
  folderGrant().place = { inside: page.path.slice(0, -1) };
  publishHandoffGlobals();
  keepViewMode();
  state.restoring = true;
  writeWithRuntime(html);
}
