// Saving over real disk files through real handles, with real faults injected from outside: the
// file changed, deleted, made read-only or immutable, the disk full, the bytes altered after the
// write, the permission refused. Whatever fails, the file keeps exactly its previous bytes.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { execFileSync } from 'node:child_process';
import {
  browserSession, launchBrowser, catchHandle, writeFixture, tempDir
} from '../support/browser.mjs';
import { openInEditor, toastStartingWith, typeAtEnd, pressForNewInstance, saveWithCtrlS } from '../support/editor.mjs';
import { ENCODED, fingerprintOf } from '../support/fixtures.mjs';

const dialogs = [];
let confirmAnswers = [];
const browser = browserSession({ ready: (session) => answerDialogs(session.page) });

function answerDialogs(page) {
  page.on('dialog', async (dialog) => {
    if (dialog.type() === 'beforeunload') return dialog.accept();
    dialogs.push(dialog.message());
    if (confirmAnswers.shift()) await dialog.accept();
    else await dialog.dismiss();
  });
}

const PLAIN = '<!DOCTYPE html><html><head><meta charset="utf-8"><title>存档</title></head><body><h1>标题</h1><p>正文</p></body></html>';

// Opens through a drop, which gives the editor a real handle, and gates the writable's close so
// a test can act between the write and the close, or just after it.
async function openWithHandle(page, dir, name, content) {
  const file = await openInEditor(page, dir, name, content, { handle: true });
  await page.evaluate(() => {
    const close = FileSystemWritableFileStream.prototype.close;
    FileSystemWritableFileStream.prototype.close = async function () {
      const before = window.__lmwBeforeClose;
      window.__lmwBeforeClose = null;
      if (before) await before();
      await close.call(this);
      const after = window.__lmwAfterClose;
      window.__lmwAfterClose = null;
      if (after) await after();
    };
  });
  return file;
}

// Acts and waits for the toast that the action shows, never one shown before it.
async function toastAfter(page, action, prefix) {
  await page.evaluate(() => document.querySelector('.__lw-toast').classList.remove('show'));
  await action();
  return toastStartingWith(page, prefix);
}

function press(page, keys) {
  return () => page.keyboard.press(keys);
}

function editorState(page) {
  return page.evaluate(() => {
    const { state, ui } = window.__lmwRuntime;
    return { dirty: state.dirty, global: window.__LW_DIRTY, status: ui.fileStatus.textContent,
      fingerprint: state.fileFingerprint, encoding: state.sourceEncoding };
  });
}

test('a GBK file saves as UTF-8; nothing to save writes nothing; edits made during a save stay unsaved', async () => {
  const { page } = browser;
  const file = await openWithHandle(page, browser.dir, 'gbk.html', ENCODED['gbk-meta.html'].bytes);
  await typeAtEnd(page, 'p', '！');
  assert.equal(await toastAfter(page, press(page, 'Control+s'), '已覆盖保存'), '已覆盖保存：gbk.html');
  const saved = fs.readFileSync(file);
  const text = new TextDecoder('utf-8', { fatal: true }).decode(saved);
  assert.notEqual(saved[0], 0xef);
  assert.match(text, /<meta charset="UTF-8">/);
  assert.match(text, /<p>中文测试！<\/p>/);
  assert.deepEqual(await editorState(page),
    { dirty: false, global: false, status: 'gbk.html', fingerprint: fingerprintOf(saved), encoding: 'utf-8' });

  const { mtimeMs } = fs.statSync(file);
  assert.equal(await toastAfter(page, press(page, 'Control+s'), '当前文件'), '当前文件没有需要保存的修改');
  assert.equal(fs.statSync(file).mtimeMs, mtimeMs);

  // Keys typed while the bytes are being written are not in them: the document stays dirty.
  await typeAtEnd(page, 'p', '一');
  await page.evaluate(() => { window.__lmwBeforeClose = () => new Promise((go) => { window.__lmwGo = go; }); });
  await page.click('.__lw-toolbar button.primary');
  await page.waitForFunction(() => !!window.__lmwGo);
  await typeAtEnd(page, 'p', '二');
  await toastAfter(page, () => page.evaluate(() => window.__lmwGo()), '已覆盖保存');
  assert.match(fs.readFileSync(file, 'utf8'), /<p>中文测试！一<\/p>/);
  assert.deepEqual((await editorState(page)).dirty, true);
  assert.equal((await editorState(page)).status, '\u25cf gbk.html');

  // Undo after a clean save makes the document dirty again.
  await toastAfter(page, press(page, 'Control+s'), '已覆盖保存');
  await pressForNewInstance(page, 'Alt+z');
  assert.equal((await editorState(page)).status, '\u25cf gbk.html');
});

// The bytes are encoded in runs of 65,536 characters: with either parity of what comes before,
// some run ends between the two halves of a character outside the Basic Multilingual Plane.
test('a long text of characters outside the BMP saves byte for byte, whatever its runs split', async () => {
  const { page } = browser;
  for (const lead of ['', 'x']) {
    const authored = `<!DOCTYPE html><html><head><meta charset="utf-8"></head><body><h2>尾</h2><p>${lead}${'😀𝄞'.repeat(20000)}</p></body></html>`;
    const file = await openWithHandle(page, browser.dir, `astral${lead}.html`, authored);
    await typeAtEnd(page, 'h2', '！');
    assert.equal(await saveWithCtrlS(page, file), authored.replace('尾</h2>', '尾！</h2>'), `lead "${lead}"`);
  }
});

test('changes made on disk by others are caught before every overwrite; a deleted file is not recreated', async () => {
  const { page } = browser;
  const file = await openWithHandle(page, browser.dir, 'outside.html', PLAIN);
  const question = '磁盘文件已被其他程序或另一个编辑器窗口修改。\n\n确定仍要覆盖磁盘上的新内容吗？\n选择“取消”可保留双方内容，再使用“另存为”。';
  for (const round of ['第一次', '第二次']) {
    await typeAtEnd(page, 'h1', round);
    fs.writeFileSync(file, `<p>别处写入 ${round}</p>`);
    confirmAnswers = [false];
    assert.equal(await toastAfter(page, press(page, 'Control+s'), '已取消'), '已取消覆盖；当前修改仍未保存');
    assert.equal(fs.readFileSync(file, 'utf8'), `<p>别处写入 ${round}</p>`);
    assert.equal((await editorState(page)).dirty, true);
    confirmAnswers = [true];
    await toastAfter(page, press(page, 'Control+s'), '已覆盖保存');
    assert.match(fs.readFileSync(file, 'utf8'), new RegExp(`<h1>标题.*${round}</h1>`));
    assert.deepEqual(dialogs.splice(0), [question, question]);
  }
  await typeAtEnd(page, 'p', '删');
  fs.unlinkSync(file);
  assert.match(await toastAfter(page, press(page, 'Control+s'), '覆盖保存失败'), /^覆盖保存失败，原文件未被确认更新：无法检查磁盘文件是否被外部修改：找不到文件/);
  assert.equal(fs.existsSync(file), false);
});

// Each fault is made real on the disk; the file must come out with its old bytes.
const FAULTS = [
  { name: 'read-only file', before: (file) => fs.chmodSync(file, 0o444), after: (file) => fs.chmodSync(file, 0o644),
    outcome: '文件是只读的，无法写入；自动恢复失败：文件是只读的，无法写入' },
  { name: 'made immutable between write and close', gate: 'before', act: (file) => execFileSync('chattr', ['+i', file]),
    after: (file) => execFileSync('chattr', ['-i', file]), outcome: '文件在写入过程中被锁定或更改，写入未完成；自动恢复失败：' },
  { name: 'grown after the write', gate: 'after', act: (file) => fs.appendFileSync(file, 'x'), outcome: '保存后文件大小校验不一致；已自动恢复保存前文件' },
  { name: 'altered after the write', gate: 'after', act: (file) => { const b = fs.readFileSync(file); b[b.length - 1] ^= 1; fs.writeFileSync(file, b); },
    outcome: '保存后文件内容校验不一致；已自动恢复保存前文件' },
  { name: 'disk full', disk: '64k', text: 'x'.repeat(80000), outcome: '磁盘空间不足；已自动恢复保存前文件' }
];

async function breakTheSave(page, dir, fault) {
  const file = await openWithHandle(page, dir, 'fault.html', PLAIN);
  const old = fs.readFileSync(file);
  if (fault.gate) {
    const binding = `__lmwFault${FAULTS.indexOf(fault)}`;
    await page.exposeFunction(binding, () => fault.act(file));
    await page.evaluate(({ gate, binding }) => { window[gate === 'before' ? '__lmwBeforeClose' : '__lmwAfterClose'] = window[binding]; },
      { gate: fault.gate, binding });
  }
  await typeAtEnd(page, 'p', '改');
  if (fault.text) await page.keyboard.insertText(fault.text);
  if (fault.before) fault.before(file);
  const toast = await toastAfter(page, press(page, 'Control+s'), '覆盖保存失败，原文件未被确认更新：');
  if (fault.after) fault.after(file);
  assert.ok(toast.includes(fault.outcome), `${fault.name}: ${toast}`);
  assert.deepEqual(fs.readFileSync(file), old, fault.name);
  assert.deepEqual(fs.readdirSync(dir).filter((name) => name.endsWith('.crswap')), [], fault.name);
  assert.equal((await editorState(page)).dirty, true, fault.name);
}

test('every real write failure leaves the previous bytes, no swap file, and says what happened', async () => {
  for (const fault of FAULTS) {
    const dir = tempDir();
    if (fault.disk) execFileSync('mount', ['-t', 'tmpfs', '-o', `size=${fault.disk}`, 'tmpfs', dir]);
    try {
      await breakTheSave(browser.page, dir, fault);
    } finally {
      if (fault.disk) execFileSync('umount', [dir]);
      fs.rmSync(dir, { recursive: true, force: true });
    }
  }
  // A profile that refuses write permission: the rollback asks again and is refused again.
  const refused = await launchBrowser({ write: 'block' });
  try {
    await breakTheSave(refused.page, browser.dir, { name: 'permission refused', outcome: '没有写入该文件的权限；自动恢复失败：没有写入该文件的权限' });
  } finally {
    await refused.close();
  }
});

test('save-as names, the first save of a file without a handle, a closed picker, a download and a clipboard copy', async () => {
  const { page, context } = browser;
  await openInEditor(page, browser.dir, 'plain.html', PLAIN);
  const chosen = writeFixture(browser.dir, 'chosen.html', '');
  await catchHandle(page, chosen);
  await page.evaluate(() => {
    window.__lmwPicks = [];
    window.showSaveFilePicker = (options) => {
      window.__lmwPicks.push(options);
      return window.__lmwCancel ? Promise.reject(new DOMException('closed', 'AbortError')) : Promise.resolve(window.__lmwCaught);
    };
  });
  await typeAtEnd(page, 'h1', '另存');
  assert.equal(await toastAfter(page, press(page, 'Control+s'), '已另存为'), '已另存为：chosen.html');
  assert.equal(fs.readFileSync(chosen, 'utf8'), await page.evaluate(() => window.__lmwRuntime.serializeDocument()));
  await typeAtEnd(page, 'p', '再存');
  assert.equal(await toastAfter(page, press(page, 'Control+s'), '已覆盖保存'), '已覆盖保存：chosen.html');
  assert.deepEqual(await page.evaluate(() => window.__lmwPicks), [{ suggestedName: 'plain.html',
    types: [{ description: 'HTML 文件', accept: { 'text/html': ['.html', '.htm'] } }] }]);

  await page.evaluate(() => { window.__lmwCancel = true; document.querySelector('.__lw-toast').classList.remove('show'); });
  await page.keyboard.press('Control+Shift+S');
  await page.waitForFunction(() => window.__lmwPicks.length === 2 && !window.__lmwRuntime.state.saving);
  assert.equal(await page.evaluate(() => window.__lmwPicks[1].suggestedName), 'chosen_副本.html');
  assert.equal(await page.evaluate(() => document.querySelector('.__lw-toast.show')), null);

  const names = await page.evaluate(() => {
    const { state, suggestedFileName } = window.__lmwRuntime;
    const names = [];
    for (const name of ['.htm', 'notes']) { state.fileName = name; names.push(suggestedFileName()); }
    state.fileName = '';
    for (const title of [' 报告: 第一版?? ', 'Lumaweave']) { document.title = title; names.push(suggestedFileName()); }
    state.fileName = 'chosen.html';
    return names;
  });
  assert.deepEqual(names.slice(0, 3), ['.htm_副本.html', 'notes_副本.html', '报告_ 第一版_.html']);
  assert.match(names[3], /^page-\d{13}\.html$/);

  // Without the save picker a copy is downloaded and the document stays unsaved.
  await page.evaluate(() => { delete window.showSaveFilePicker; });
  const [download] = await Promise.all([page.waitForEvent('download'), page.keyboard.press('Control+Shift+S')]);
  assert.equal(download.suggestedFilename(), 'chosen_副本.html');
  assert.equal(fs.readFileSync(await download.path(), 'utf8'), await page.evaluate(() => window.__lmwRuntime.serializeDocument()));
  assert.equal(await toastStartingWith(page, '已发起副本下载'), '已发起副本下载，请确认文件；当前文档仍标记为未保存');
  assert.equal((await editorState(page)).dirty, true);

  await context.grantPermissions(['clipboard-read', 'clipboard-write']);
  assert.equal(await toastAfter(page, press(page, 'Alt+c'), '已复制'), '已复制到剪贴板');
  assert.equal(await page.evaluate(() => navigator.clipboard.readText()), await page.evaluate(() => window.__lmwRuntime.serializeDocument()));
});
