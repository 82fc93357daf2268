// Opening another file from inside the editor: the open-file button asks about unsaved changes,
// keeps them in their draft and loads the start page afresh, where the next file is chosen; a
// file dropped on the editor's window never takes the window away from the document.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import {
  browserSession, openStartPage, dropOnDropZone, dropFile, answerPickerWith, waitForRuntime, writeFixture, storedDrafts, statusOf,
  TEST_PAGE
} from '../support/browser.mjs';
import { toastStartingWith, typeAtEnd, waitForEditMode, afterNewInstance } from '../support/editor.mjs';
import { fingerprintOf } from '../support/fixtures.mjs';

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

// The dialogs asked so far, once there are `count` of them.
async function dialogsAsked(count) {
  while (dialogs.length < count) await new Promise((done) => setTimeout(done, 20));
  return dialogs.splice(0);
}

const documentNamed = (title, heading) =>
  `<!DOCTYPE html><html><head><title>${title}</title></head><body><h1>${heading}</h1><script>window.__leftBehind = '${title}';</script></body></html>`;

async function openFirst(name, source) {
  const file = writeFixture(browser.dir, name, source);
  await openStartPage(browser.page, TEST_PAGE);
  await dropOnDropZone(browser.page, file);
  await waitForRuntime(browser.page);
  return file;
}

test('another file is chosen on a fresh start page, after the unsaved changes are kept in their draft', async () => {
  const { page } = browser;
  await openFirst('first.html', documentNamed('一', '第一个文件'));
  await typeAtEnd(page, 'h1', '，已修改');
  await page.waitForFunction(() => window.__LW_DIRTY === true);
  await page.evaluate(() => { window.__lmwInstance = window.__lmwRuntime; });

  confirmAnswers = [false];
  await page.click('.__lw-import-btn');
  assert.deepEqual(await dialogsAsked(1), [{ type: 'confirm', message: '当前文件有未保存的修改。放弃修改并打开另一个文件吗？' }]);
  assert.equal(await page.evaluate(() => window.__lmwRuntime === window.__lmwInstance && document.querySelector('h1').textContent),
    '第一个文件，已修改');

  const typed = await page.evaluate(() => window.__lmwRuntime.serializeDocument());
  confirmAnswers = [true];
  await page.click('.__lw-import-btn');
  await page.waitForSelector('#btn-open');
  assert.deepEqual(dialogs.splice(0).map((dialog) => dialog.type), ['confirm'], 'the leaving page asks nothing more');
  assert.equal((await statusOf(page)).text, '请选择或拖入要打开的 HTML 文件。');
  assert.equal((await storedDrafts(page)).find((draft) => draft.fileName === 'first.html').text, typed,
    'the draft was written before the page went');
  assert.deepEqual(await page.evaluate(() => [typeof window.__leftBehind, window.__LW_OPEN_FILE_HANDLE]), ['undefined', undefined]);

  const second = writeFixture(browser.dir, 'second.html', documentNamed('二', '第二个文件'));
  await answerPickerWith(page, second);
  await page.click('#btn-open');
  await waitForRuntime(page);
  await waitForEditMode(page, true);
  assert.deepEqual(await page.evaluate(() => ({
    dirty: window.__LW_DIRTY, history: window.__lmwRuntime.state.history.length,
    handle: window.__LW_OPEN_FILE_HANDLE.name, fingerprint: window.__LMW_OPEN_FILE_FINGERPRINT,
    heading: document.querySelector('h1').textContent
  })), { dirty: false, history: 0, handle: 'second.html', fingerprint: fingerprintOf(fs.readFileSync(second)), heading: '第二个文件' });
  assert.deepEqual(dialogs.splice(0), []);
});

test('a file dropped on the editor\'s window stays out of it, in view mode and in edit mode', async () => {
  const { page } = browser;
  await openFirst('stays.html', documentNamed('留下', '原文件'));
  const address = page.url();
  const dropped = writeFixture(browser.dir, 'dropped.html', documentNamed('拖入', '拖入的文件'));
  const notes = writeFixture(browser.dir, 'notes.txt', 'plain text');
  await page.evaluate(() => { window.__lmwInstance = window.__lmwRuntime; });
  for (const editMode of [false, true]) {
    await page.keyboard.press('Alt+e');
    await waitForEditMode(page, editMode);
    await page.evaluate(() => document.querySelector('.__lw-toast').classList.remove('show'));
    await dropFile(page, dropped, 300, 300);
    assert.equal(await toastStartingWith(page, '要打开其他文件'), '要打开其他文件，请点击“打开文件”回到起始页，再选择或拖入文件');
    await dropFile(page, notes, 300, 300);
    assert.equal(await page.evaluate(() => window.__lmwRuntime === window.__lmwInstance && document.title), '留下');
    assert.equal(page.url(), address);
  }
  // A folder dropped is granted to the document, which is written again in the same window.
  await afterNewInstance(page, () => dropFile(page, path.dirname(notes), 300, 300));
  assert.deepEqual([await page.title(), page.url()], ['留下', address]);
});
