// The draft of an unsaved document: the text a save would write, kept after a quiet and across
// undo, removed by a save; a storage that refuses it is told once and editing goes on; the
// store keeps the twenty newest drafts; changes given up for their own file are not offered back.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { browserSession, savedTextOf, storedDrafts, waitForDrafts } from '../support/browser.mjs';
import { openInEditor, typeAtEnd, saveWithCtrlS, toastStartingWith, pressForNewInstance, openFromStartPage } from '../support/editor.mjs';

const browser = browserSession();
const DOCUMENT = '<!DOCTYPE html>\n<html><head><title>草稿 😀</title></head>\n<body>\n<p id="text">原文</p>\n</body></html>\n';

// The draft of the open document, once it holds the text a save would write.
async function draftFollows(page) {
  const [name, text] = await page.evaluate(() => [window.__lmwRuntime.state.fileName, window.__lmwRuntime.serializeDocument()]);
  const drafts = await waitForDrafts(page, (all) => all.some((draft) => draft.fileName === name && draft.text === text));
  return drafts.find((draft) => draft.fileName === name);
}

test('the draft holds the unsaved text, follows an undo and is removed by a save', async () => {
  const { page, dir } = browser;
  const file = await openInEditor(page, dir, 'draft.html', DOCUMENT, { handle: true });
  await typeAtEnd(page, '#text', '，第一句');
  const draft = await draftFollows(page);
  assert.deepEqual([draft.fileName, draft.size], ['draft.html', Buffer.byteLength(draft.text)]);
  assert.match(draft.text, /原文，第一句/);

  await typeAtEnd(page, '#text', '，第二句');
  await draftFollows(page);
  await pressForNewInstance(page, 'Alt+z');
  assert.equal((await draftFollows(page)).text, DOCUMENT);

  assert.equal(await saveWithCtrlS(page, file), DOCUMENT);
  await waitForDrafts(page, 0);
});

test('a draft the storage refuses is told once, and editing goes on', async () => {
  const { page, dir } = browser;
  await openInEditor(page, dir, 'refused.html', DOCUMENT);
  await page.evaluate(() => {
    window.__lmwRefusals = 0;
    IDBObjectStore.prototype.put = function () {
      window.__lmwRefusals++;
      throw new DOMException('The quota has been exceeded.', 'QuotaExceededError');
    };
    window.__lmwToldTimes = 0;
    new MutationObserver(() => {
      if (/^无法保存草稿/.test(document.querySelector('.__lw-toast').textContent)) window.__lmwToldTimes++;
    }).observe(document.querySelector('.__lw-toast'), { childList: true });
  });
  await typeAtEnd(page, '#text', '一');
  await toastStartingWith(page, '无法保存草稿');
  await typeAtEnd(page, '#text', '二');
  await page.waitForFunction(() => window.__lmwRefusals >= 2);
  assert.equal(await page.evaluate(() => window.__lmwToldTimes), 1);
  assert.match(await savedTextOf(page), /原文一二/);
});

test('the store keeps the twenty newest drafts', async () => {
  const { page, dir } = browser;
  await openInEditor(page, dir, 'many.html', DOCUMENT);
  await page.evaluate(async () => {
    for (let i = 1; i <= 21; i++) {
      await window.__lmwRuntime.putDraft({ id: 'd' + i, fileName: i + '.html', fingerprint: '', savedAt: i, size: 1 }, 'x');
    }
  });
  const kept = await storedDrafts(page);
  assert.deepEqual([kept.length, kept[0].fileName, kept[19].fileName], [20, '21.html', '2.html']);
});

test('changes given up for their own file again are kept as a draft, not offered back at once', async () => {
  const { page, dir } = browser;
  const file = await openInEditor(page, dir, 'again.html', DOCUMENT, { handle: true });
  await typeAtEnd(page, '#text', '，放弃');
  await draftFollows(page);
  const questions = [];
  const answer = (dialog) => { questions.push(dialog.message()); dialog.accept(); };
  page.on('dialog', answer);
  await openFromStartPage(page, file);
  page.off('dialog', answer);
  assert.deepEqual(questions, ['当前文件有未保存的修改。放弃修改并打开另一个文件吗？']);
  assert.equal(await savedTextOf(page), DOCUMENT);
  assert.match((await storedDrafts(page)).find((draft) => draft.fileName === 'again.html').text, /原文，放弃/);
});
