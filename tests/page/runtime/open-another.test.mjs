// Opening another file from inside the editor: the open-file button, the unsaved-changes
// question, the reset of history and globals, and every failure told in the toast.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import {
  browserSession, openStartPage, dropOnDropZone, answerPickerWith, waitForRuntime, writeFixture, TEST_PAGE
} from '../support/browser.mjs';
import { toastStartingWith } from '../support/editor.mjs';
import { BINARY, fingerprintOf } from '../support/fixtures.mjs';

const browser = browserSession({
  ready(session) {
    session.page.on('dialog', async (dialog) => {
      dialogs.push({ type: dialog.type(), message: dialog.message() });
      if (confirmAnswers.shift()) await dialog.accept();
      else await dialog.dismiss();
    });
  }
});
const dialogs = [];
let confirmAnswers = [];

async function openFirst(name, source) {
  const file = writeFixture(browser.dir, name, source);
  await openStartPage(browser.page, TEST_PAGE);
  await dropOnDropZone(browser.page, file);
  await waitForRuntime(browser.page);
  return file;
}

async function pressOpenButton(file) {
  await answerPickerWith(browser.page, file);
  await browser.page.evaluate(() => { window.__lmwInstance = window.__lmwRuntime; });
  await browser.page.click('.__lw-import-btn');
}

async function typeIntoHeading(text) {
  const box = await browser.page.locator('h1').boundingBox();
  await browser.page.mouse.click(box.x + box.width - 2, box.y + box.height / 2);
  await browser.page.keyboard.type(text);
  await browser.page.waitForFunction(() => window.__LW_DIRTY === true);
}

test('another file replaces a dirty document only when the user agrees, and starts clean', async () => {
  await openFirst('first.html', '<!DOCTYPE html><html><head><title>一</title></head><body><h1>第一个文件</h1></body></html>');
  await typeIntoHeading('，已修改');
  const second = writeFixture(browser.dir, 'second.html', '<!DOCTYPE html><html><head><title>二</title></head><body><h1>第二个文件</h1></body></html>');

  confirmAnswers = [false];
  await pressOpenButton(second);
  await browser.page.waitForFunction(() => true);
  await browser.page.waitForTimeout(300);
  assert.deepEqual(dialogs.splice(0), [{ type: 'confirm', message: '当前文件有未保存的修改。放弃修改并打开另一个文件吗？' }]);
  assert.equal(await browser.page.textContent('h1'), '第一个文件，已修改');
  assert.equal(await browser.page.evaluate(() => window.__lmwRuntime === window.__lmwInstance && window.__LW_DIRTY), true);

  // Stacks an earlier undo left in storage must not reach the new file.
  await browser.page.evaluate(() => {
    sessionStorage.setItem('__lw-history', '[{"html":"<p>old</p>","reason":"text"}]');
    sessionStorage.setItem('__lw-future', '[]');
    sessionStorage.setItem('__lw-restoring', '1');
  });
  confirmAnswers = [true];
  await pressOpenButton(second);
  await browser.page.waitForFunction(() => window.__lmwRuntime !== window.__lmwInstance && document.title === '二');
  await browser.page.waitForFunction(() => window.__lmwRuntime.state.active);
  assert.equal(dialogs.splice(0).length, 1);
  const opened = await browser.page.evaluate(() => ({
    dirty: window.__lmwRuntime.state.dirty,
    dirtyGlobal: window.__LW_DIRTY,
    history: window.__lmwRuntime.state.history.length,
    future: window.__lmwRuntime.state.future.length,
    undoDisabled: window.__lmwRuntime.ui.undoBtn.disabled,
    storage: ['__lw-history', '__lw-future', '__lw-restoring'].map((key) => sessionStorage.getItem(key)),
    handle: window.__LW_OPEN_FILE_HANDLE && window.__LW_OPEN_FILE_HANDLE.name,
    name: window.__LW_OPEN_FILE_NAME,
    canOverwrite: window.__LW_CAN_OVERWRITE,
    fingerprint: window.__LMW_OPEN_FILE_FINGERPRINT,
    runtimeParts: [...document.querySelectorAll('[data-lmw-runtime]')].map((el) => el.getAttribute('data-lmw-runtime')).sort(),
    heading: document.querySelector('h1').textContent
  }));
  assert.deepEqual(opened, {
    dirty: false, dirtyGlobal: false, history: 0, future: 0, undoDisabled: true, storage: [null, null, null],
    handle: 'second.html', name: 'second.html', canOverwrite: true, fingerprint: fingerprintOf(fs.readFileSync(second)),
    runtimeParts: ['editor', 'icon', 'style'], heading: '第二个文件'
  });
});

test('every way opening another file can fail is told, and the document stays', async () => {
  await openFirst('stays.html', '<!DOCTYPE html><html><head><title>留下</title></head><body><h1>原文件</h1></body></html>');
  const stays = async () => assert.equal(await browser.page.evaluate(() =>
    window.__lmwRuntime === window.__lmwInstance && document.title === '留下'), true);

  await pressOpenButton(writeFixture(browser.dir, 'notes.txt', 'plain text'));
  assert.equal(await toastStartingWith(browser.page, '请选择'), '请选择 .html 或 .htm 文件');
  await stays();

  await pressOpenButton(writeFixture(browser.dir, 'image.html', BINARY));
  assert.equal(await toastStartingWith(browser.page, '文件读取失败'), '文件读取失败：文件内容不是文本，可能不是 HTML 文件');
  await stays();

  // The picker hands over a handle whose file is gone by then: reading it fails for real.
  const doomed = writeFixture(browser.dir, 'doomed.html', '<p>x</p>');
  await answerPickerWith(browser.page, doomed);
  fs.unlinkSync(doomed);
  await browser.page.click('.__lw-import-btn');
  const toast = await toastStartingWith(browser.page, '打开文件失败：');
  assert.match(toast, /^打开文件失败：.+/);
  await stays();

  // A cancelled picker says nothing.
  await answerPickerWith(browser.page, null);
  await browser.page.click('.__lw-import-btn');
  await browser.page.waitForTimeout(300);
  assert.equal(await browser.page.textContent('.__lw-toast'), toast);
  await stays();
  assert.deepEqual(dialogs.splice(0), []);
});

test('without the picker the open-file button chooses through its hidden input', async () => {
  await openFirst('picker-less.html', '<!DOCTYPE html><html><head><title>无选择器</title></head><body><h1>甲</h1></body></html>');
  await browser.page.evaluate(() => { delete window.showOpenFilePicker; });
  const [chooser] = await Promise.all([browser.page.waitForEvent('filechooser'), browser.page.click('.__lw-import-btn')]);
  await chooser.setFiles(writeFixture(browser.dir, 'via-input.html', '<!DOCTYPE html><html><head><title>乙</title></head><body><h1>乙</h1></body></html>'));
  await browser.page.waitForFunction(() => document.title === '乙' && window.__lmwRuntime.state.active);
  assert.deepEqual(await browser.page.evaluate(() => [window.__LW_OPEN_FILE_HANDLE, window.__LW_CAN_OVERWRITE, window.__LW_OPEN_FILE_NAME]),
    [null, false, 'via-input.html']);
});
