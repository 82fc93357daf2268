// Saving over the opened file, save-as, downloads and clipboard copies. An overwrite never loses
// the file: it checks the disk for changes made by others, keeps the previous bytes, reads the
// written file back and compares it, and puts the previous bytes back when anything fails.

/* global discardDraft */

var SAVE_BLOB_TYPE = 'text/html;charset=utf-8';
var TITLE_UNSAFE_RUNS = /[<>:"/\\|?*]+/g;
var CANCELLED_OVERWRITE = '已取消覆盖；当前修改仍未保存';
var EXTERNAL_CHANGE_QUESTION = [
  '磁盘文件已被其他程序或另一个编辑器窗口修改。',
  '',
  '确定仍要覆盖磁盘上的新内容吗？',
  '选择“取消”可保留双方内容，再使用“另存为”。'
].join('\n');
var COPY_NOTICE_MS = 4500;
var DOWNLOAD_LINK_LIFETIME_MS = 1000;

// The browser words its file failures in English; the user reads them in Chinese, by the
// failure's name. A failure of another kind keeps its own message.
var FILE_FAILURE_TEXTS = {
  NotAllowedError: '没有写入该文件的权限',
  NoModificationAllowedError: '文件是只读的，无法写入',
  InvalidStateError: '文件在写入过程中被锁定或更改，写入未完成',
  QuotaExceededError: '磁盘空间不足',
  NotFoundError: '找不到文件，它可能已被移动或删除',
  NotReadableError: '无法读取文件',
  SecurityError: '浏览器禁止访问该文件'
};

function fileFailureText(error) {
  return (error && FILE_FAILURE_TEXTS[error.name]) || errorText(error);
}

function isHighSurrogate(code) {
  return code >= 0xd800 && code <= 0xdbff;
}

// Room for `more` bytes after the first `length` bytes of the buffer: the same buffer, or one
// twice as large with those bytes copied.
function withRoom(bytes, length, more) {
  if (bytes.length - length >= more) return bytes;
  var grown = new Uint8Array(Math.max(bytes.length * 2, length + more));
  grown.set(bytes.subarray(0, length));
  return grown;
}

// The browser encodes a text of some ten thousand units several times faster than one of
// millions, which it first copies whole; the pieces are encoded in runs of this many units.
var ENCODE_RUN_UNITS = 65536;

// The text's UTF-8 bytes, encoded run by run into one buffer, so that the text is never joined
// into one string. The buffer starts at one and a half bytes a UTF-16 unit, which most pages need
// no more than, and grows when a run needs up to three. A surrogate pair split between two runs
// or two pieces is encoded whole, as it would be in the joined text.
function encodePieces(pieces) {
  var units = 0;
  for (var i = 0; i < pieces.length; i++) units += pieces[i].length;
  var encoder = new TextEncoder();
  var bytes = new Uint8Array(units + (units >> 1));
  var length = 0;
  var append = function (run) {
    for (var read = 0; read < run.length;) {
      var done = encoder.encodeInto(read ? run.slice(read) : run, bytes.subarray(length));
      read += done.read;
      length += done.written;
      if (read < run.length) bytes = withRoom(bytes, length, (run.length - read) * 3);
    }
  };
  var carried = '';
  pieces.forEach(function (piece) {
    for (var from = 0; from < piece.length; from += ENCODE_RUN_UNITS) {
      var run = carried + piece.slice(from, from + ENCODE_RUN_UNITS);
      carried = isHighSurrogate(run.charCodeAt(run.length - 1)) ? run.slice(-1) : '';
      append(carried ? run.slice(0, -1) : run);
    }
  });
  append(carried);
  return bytes.subarray(0, length);
}

// What a write puts on disk: the Blob, and its bytes when they are at hand, which the comparison
// after the write then takes instead of reading the Blob back.
function writtenOutput(blob, bytes) {
  return { blob: blob, bytes: bytes || null };
}

function documentOutput() {
  var bytes = encodePieces(serializePiecesAndLeaveTextEditing());
  return writtenOutput(new Blob([bytes], { type: SAVE_BLOB_TYPE }), bytes);
}

function namedError(message, name) {
  var error = new Error(message);
  if (name) error.name = name;
  return error;
}

function canReadBack(handle) {
  return typeof handle.getFile === 'function';
}

function readHandleBytes(handle) {
  return handle.getFile().then(window.LumaweaveFileCodec.readBlobBuffer);
}

// Compared four bytes at a time where both start aligned (buffers read from a file and the
// encoded text do), then the tail.
function sameBytes(written, expected) {
  if (written.length !== expected.length) return false;
  var words = (written.byteOffset | expected.byteOffset) & 3 ? 0 : written.length >> 2;
  var a = new Uint32Array(written.buffer, written.byteOffset, words);
  var b = new Uint32Array(expected.buffer, expected.byteOffset, words);
  for (var i = 0; i < words; i++) {
    if (a[i] !== b[i]) return false;
  }
  for (var j = words << 2; j < written.length; j++) {
    if (written[j] !== expected[j]) return false;
  }
  return true;
}

function outputBytes(output) {
  if (output.bytes) return Promise.resolve(output.bytes);
  return output.blob.arrayBuffer().then(function (buffer) { return new Uint8Array(buffer); });
}

// Resolves to the fingerprint of the bytes read back, so that the stored fingerprint comes from
// the disk and never from the Blob. Their digest runs beside their comparison, and counts only
// once they compared equal.
function verifyWritten(handle, output) {
  return handle.getFile().then(function (file) {
    if (file.size !== output.blob.size) throw namedError('保存后文件大小校验不一致');
    return Promise.all([window.LumaweaveFileCodec.readBlobBuffer(file), outputBytes(output)]);
  }).then(function (buffers) {
    var fingerprinting = window.LumaweaveFileCodec.fingerprintBuffer(buffers[0]);
    fingerprinting.catch(function () {});
    // The sizes agreed above: bytes that differ now differ in content.
    if (!sameBytes(new Uint8Array(buffers[0]), buffers[1])) throw namedError('保存后文件内容校验不一致');
    return fingerprinting;
  });
}

function fingerprintWritten(handle, output) {
  if (!canReadBack(handle)) return Promise.resolve('');
  if (output.bytes || typeof output.blob.arrayBuffer === 'function') return verifyWritten(handle, output);
  return readHandleBytes(handle).then(window.LumaweaveFileCodec.fingerprintBuffer);
}

function abortQuietly(writable) {
  if (!writable || typeof writable.abort !== 'function') return;
  try {
    Promise.resolve(writable.abort()).catch(function () {});
  } catch (ignored) {
    // After a close there is nothing left to abort.
  }
}

function writeAndVerify(handle, output) {
  var writable = null;
  return Promise.resolve().then(function () {
    return handle.createWritable();
  }).then(function (opened) {
    writable = opened;
    return writable.write(output.blob);
  }).then(function () {
    return writable.close();
  }).then(function () {
    return fingerprintWritten(handle, output);
  }).then(function (fingerprint) {
    return { fingerprint: fingerprint };
  }, function (error) {
    abortQuietly(writable);
    throw error;
  });
}

// A backup is copied bytes: a File taken before the write cannot be read once the file changed.
function readBackup(handle) {
  return handle.getFile().then(function (file) {
    return window.LumaweaveFileCodec.readBlobBuffer(file).then(function (bytes) {
      return { bytes: bytes, type: file.type || 'text/html' };
    });
  });
}

function takeBackup(handle) {
  return canReadBack(handle) ? readBackup(handle) : Promise.resolve(null);
}

function restoreBackup(handle, backup, failure) {
  var first = failure && failure.message ? fileFailureText(failure) : '写入失败';
  var output = writtenOutput(new Blob([backup.bytes], { type: backup.type }), new Uint8Array(backup.bytes));
  return writeAndVerify(handle, output).then(function () {
    throw namedError(first + '；已自动恢复保存前文件');
  }, function (second) {
    throw namedError(first + '；自动恢复失败：' + fileFailureText(second));
  });
}

// A file whose backup cannot be taken is not written at all. A backup already read (by the
// external-change check, just before) saves reading the file again.
function writeWithRollback(handle, output, backupRead) {
  return (backupRead ? Promise.resolve(backupRead) : takeBackup(handle)).then(function (backup) {
    return writeAndVerify(handle, output).catch(function (error) {
      if (!backup) throw error;
      return restoreBackup(handle, backup, error);
    });
  });
}

function confirmOverwriteOfChangedFile(fingerprint) {
  if (fingerprint === state.fileFingerprint) return;
  if (!window.confirm(EXTERNAL_CHANGE_QUESTION)) throw namedError(CANCELLED_OVERWRITE, 'AbortError');
}

// Resolves to the bytes it read, which serve as the backup of the write that follows.
function checkExternalChange(handle) {
  if (!state.fileFingerprint || !canReadBack(handle)) return Promise.resolve(null);
  var backup = null;
  return readBackup(handle).then(function (read) {
    backup = read;
    return window.LumaweaveFileCodec.fingerprintBuffer(read.bytes);
  }).then(function (fingerprint) {
    confirmOverwriteOfChangedFile(fingerprint);
    return backup;
  }, function (error) {
    throw namedError('无法检查磁盘文件是否被外部修改：' + fileFailureText(error));
  });
}

// The document stays dirty when it changed while its bytes were being written: those edits are
// not in the file.
function markSaved(fingerprint, changesAtStart) {
  state.saving = false;
  state.fileFingerprint = fingerprint;
  state.sourceEncoding = 'utf-8';
  setDirty(state.editCount !== changesAtStart);
  if (!state.dirty) discardDraft();
  publishHandoffGlobals();
}

function failSave(error) {
  state.saving = false;
  setDirty(true);
  if (isAbortError(error)) showToast(error.message || CANCELLED_OVERWRITE, 4000);
  else showToast('覆盖保存失败，原文件未被确认更新：' + fileFailureText(error), 5000);
}

function overwriteSave(output) {
  var handle = state.saveHandle;
  var changesAtStart = state.editCount;
  state.saving = true;
  refreshToolbar();
  return checkExternalChange(handle).then(function (backup) {
    return writeWithRollback(handle, output, backup);
  }).then(function (result) {
    markSaved(result.fingerprint, changesAtStart);
    showToast('已覆盖保存：' + (state.fileName || '原文件'));
  }, failSave);
}

function saveDocument() {
  if (state.saving) return Promise.resolve();
  if (!state.dirty) {
    showToast('当前文件没有需要保存的修改');
    return Promise.resolve();
  }
  var output = documentOutput();
  if (!state.saveHandle) return saveDocumentAs(output);
  return overwriteSave(output);
}

function suggestedFileName() {
  var name = state.fileName;
  if (name && state.saveHandle) {
    var dot = name.lastIndexOf('.');
    return dot > 0 ? name.slice(0, dot) + '_副本' + name.slice(dot) : name + '_副本.html';
  }
  if (name) return name;
  var title = String(document.title || '').trim();
  if (title && title !== 'Lumaweave') return title.replace(TITLE_UNSAFE_RUNS, '_') + '.html';
  return 'page-' + Date.now() + '.html';
}

function saveThroughPicker(output) {
  var changesAtStart = state.editCount;
  state.saving = true;
  refreshToolbar();
  var chosen = null;
  return Promise.resolve().then(function () {
    return window.showSaveFilePicker({ suggestedName: suggestedFileName(), types: HTML_FILE_TYPES });
  }).then(function (handle) {
    chosen = handle;
    return writeWithRollback(handle, output);
  }).then(function (result) {
    state.saveHandle = chosen;
    state.fileName = chosen.name || state.fileName;
    markSaved(result.fingerprint, changesAtStart);
    showToast('已另存为：' + (state.fileName || 'HTML 文件'));
  }, function (error) {
    state.saving = false;
    refreshToolbar();
    if (!isAbortError(error)) showToast('另存为失败：' + fileFailureText(error), 5000);
  });
}

function downloadCopy(blob) {
  var url = URL.createObjectURL(blob);
  var link = createUiElement('a', '', {
    href: url, download: suggestedFileName(), 'data-lmw-ui': 'download',
    style: 'position:fixed;left:-9999px;top:0;width:1px;height:1px;opacity:0'
  });
  document.body.appendChild(link);
  try {
    if ('download' in link) link.click();
    else window.open(url, '_blank');
  } catch (error) {
    window.location.href = url;
  }
  setTimeout(function () {
    removeNode(link);
    URL.revokeObjectURL(url);
  }, DOWNLOAD_LINK_LIFETIME_MS);
}

// Save-as takes the output that a save already made; called from a button, its argument is an
// event and is ignored.
function saveDocumentAs(given) {
  if (state.saving) return Promise.resolve();
  var output = given && given.blob instanceof Blob ? given : documentOutput();
  var blob = output.blob;
  if (window.showSaveFilePicker) return saveThroughPicker(output);
  if (navigator.msSaveOrOpenBlob) {
    navigator.msSaveOrOpenBlob(blob, suggestedFileName());
    setDirty(true);
    showToast('已发起副本保存，请确认文件；当前文档仍标记为未保存', COPY_NOTICE_MS);
  } else if (window.URL && URL.createObjectURL) {
    downloadCopy(blob);
    setDirty(true);
    showToast('已发起副本下载，请确认文件；当前文档仍标记为未保存', COPY_NOTICE_MS);
  } else {
    showToast('当前浏览器不支持直接保存，请先复制 HTML');
  }
  return Promise.resolve();
}

function fallbackCopy(text) {
  var area = createUiElement('textarea', '', {
    readonly: 'readonly', style: 'position:fixed;left:-9999px;top:0;opacity:0'
  });
  area.value = text;
  document.body.appendChild(area);
  area.select();
  if (area.setSelectionRange) area.setSelectionRange(0, text.length);
  try {
    document.execCommand('copy');
    showToast('已复制到剪贴板');
  } catch (error) {
    showToast('复制失败，请手动选择导出的 HTML');
  }
  removeNode(area);
}

function copyDocumentHtml() {
  var html = serializeAndLeaveTextEditing();
  if (!navigator.clipboard || !navigator.clipboard.writeText) {
    fallbackCopy(html);
    return;
  }
  navigator.clipboard.writeText(html).then(function () {
    showToast('已复制到剪贴板');
  }, function () {
    fallbackCopy(html);
  });
}
