// Opening another file from inside the editor: the same codec and the same kind of document
// write as the start page, with the runtime's state reset for the new file.

function openAnotherFile() {
  if (!window.showOpenFilePicker) {
    ui.importInput.value = '';
    ui.importInput.click();
    return;
  }
  // A failing getFile after the picker returned a handle is reported like any other failure.
  pickHtmlFile().then(function (picked) {
    if (picked) return loadAnotherFile(picked.file, picked.handle);
  }).catch(function (error) {
    if (isAbortError(error)) return;
    showToast('打开文件失败：' + errorText(error), 3500);
  });
}

function replaceWithOpenedFile(file, handle, result) {
  var html = documentForEditing(result.text);
  if (!html) {
    showToast('文件内容为空，未打开');
    return;
  }
  state.saveHandle = handle || null;
  state.fileName = file.name || '';
  state.fileFingerprint = result.fingerprint || '';
  state.sourceEncoding = result.encoding || 'utf-8';
  state.draftId = result.draftId || newDraftId();
  state.dirty = !!result.draftId;
  state.history = [];
  state.future = [];
  forgetHistory();
  publishHandoffGlobals();
  state.restoring = true;
  writeWithRuntime(html);
}

function loadAnotherFile(file, handle) {
  if (!file || !isHtmlFileName(file.name)) {
    showToast('请选择 .html 或 .htm 文件');
    return Promise.resolve();
  }
  if (refusedWhileSaving()) return Promise.resolve();
  if (state.dirty && !window.confirm('当前文件有未保存的修改。放弃修改并打开另一个文件吗？')) {
    return Promise.resolve();
  }
  // Changes given up for another file stay in their draft, for a user who regrets it later; the
  // file opened now does not offer them back at once.
  var givenUp = state.dirty ? state.draftId : '';
  writeDraft();
  return window.LumaweaveFileCodec.readFile(file).then(function (read) {
    return offerDraftOf(file.name, read, givenUp);
  }).then(function (result) {
    try {
      replaceWithOpenedFile(file, handle, result);
    } catch (error) {
      showToast('文件加载失败：' + errorText(error));
    }
  }, function (error) {
    if (isAbortError(error)) return;
    showToast('文件读取失败：' + errorText(error), 5000);
  });
}
