// A browser killed while four windows hold unsaved edits, started again on the same profile:
// the start page lists the drafts, restores one and saves it over its file, keeps a file changed
// on disk since from being overwritten unasked, offers a draft when its file is opened again,
// and discards one after asking.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import {
  startKillableBrowser, newProfile, waitForDrafts, tempDir, writeFixture, openStartPage, dropOnDropZone, waitForRuntime, savedTextOf,
  TEST_PAGE
} from '../support/browser.mjs';
import { typeAtEnd, saveWithCtrlS, toastStartingWith } from '../support/editor.mjs';

const NAMES = ['alpha.html', 'beta.html', 'gamma.html', 'delta.html'];
const original = (name) => `<!DOCTYPE html>\n<html><head><title>${name}</title></head>\n<body>\n<p id="text">${name} 原文</p>\n</body></html>\n`;
const profile = newProfile({ read: 'allow' });
const dir = tempDir();
const files = {};
const edited = {};
let browser;

async function draftNames(page, count) {
  return (await waitForDrafts(page, count)).map((draft) => draft.fileName);
}

async function startPage() {
  const page = await browser.context.newPage();
  await openStartPage(page, TEST_PAGE);
  return page;
}

async function openByDrop(page, name) {
  await dropOnDropZone(page, files[name]);
  await waitForRuntime(page);
}

function answerNextDialog(page, accept) {
  return new Promise((done) => page.once('dialog', (dialog) => {
    (accept ? dialog.accept() : dialog.dismiss()).then(() => done(dialog.message()));
  }));
}

async function restoreFromList(page, name) {
  await page.locator('.draft-item', { hasText: name }).locator('[data-action="restore"]').click();
  await waitForRuntime(page);
}

before(async () => {
  browser = await startKillableBrowser(profile);
  for (const [index, name] of NAMES.entries()) {
    files[name] = writeFixture(dir, name, original(name));
    const page = await startPage();
    await openByDrop(page, name);
    await typeAtEnd(page, '#text', ' 改过');
    edited[name] = await savedTextOf(page);
    await draftNames(page, index + 1);
  }
  await browser.kill();
  fs.writeFileSync(files['beta.html'], original('beta.html').replace('原文', '别处改过的'));
  browser = await startKillableBrowser(profile);
});

after(async () => {
  await browser.kill();
  // A helper process of the killed browser may still be ending inside its profile.
  fs.rmSync(profile, { recursive: true, force: true, maxRetries: 10 });
  fs.rmSync(dir, { recursive: true, force: true });
});

test('the start page lists the drafts newest first, restores one and saves it over its file', async () => {
  const page = await startPage();
  await page.waitForSelector('#drafts:not([hidden]) .draft-item');
  assert.deepEqual(await page.locator('.draft-name').allTextContents(), [...NAMES].reverse());
  assert.match(await page.locator('.draft-item').first().locator('.draft-meta').textContent(),
    new RegExp(`· ${Buffer.byteLength(edited['gamma.html'])} 字节$`));

  await restoreFromList(page, 'alpha.html');
  assert.equal(await savedTextOf(page), edited['alpha.html']);
  assert.match(await page.textContent('.__lw-file-status'), /^● alpha\.html/);
  assert.equal(await saveWithCtrlS(page, files['alpha.html']), edited['alpha.html']);
  assert.deepEqual(await draftNames(page, 3), ['delta.html', 'gamma.html', 'beta.html']);
});

test('a file changed on disk since the crash is not overwritten by its draft without asking', async () => {
  const page = await startPage();
  await restoreFromList(page, 'beta.html');
  const asked = answerNextDialog(page, false);
  await page.keyboard.press('Control+s');
  assert.match(await asked, /磁盘文件已被其他程序/);
  await toastStartingWith(page, '已取消覆盖');
  assert.match(fs.readFileSync(files['beta.html'], 'utf8'), /别处改过的/);
});

test('opening a file that has a draft offers it instead of the disk text', async () => {
  for (const [accept, expected, status] of [[false, original('gamma.html'), /^gamma/], [true, edited['gamma.html'], /^● gamma/]]) {
    const page = await startPage();
    const offered = answerNextDialog(page, accept);
    await openByDrop(page, 'gamma.html');
    assert.match(await offered, /“gamma\.html”有一份未保存的草稿/);
    assert.equal(await savedTextOf(page), expected);
    assert.match(await page.textContent('.__lw-file-status'), status);
  }
});

test('a draft is discarded from the list only after asking', async () => {
  const page = await startPage();
  await page.waitForSelector('.draft-item');
  for (const [accept, items] of [[false, 3], [true, 2]]) {
    const asked = answerNextDialog(page, accept);
    await page.locator('.draft-item', { hasText: 'delta.html' }).locator('[data-action="discard"]').click();
    assert.match(await asked, /确定丢弃“delta\.html”的草稿吗/);
    await page.waitForFunction((count) => document.querySelectorAll('.draft-item').length === count, items);
  }
  // The windows that restored these two still write their drafts, so their order may change.
  assert.deepEqual((await draftNames(page, 2)).sort(), ['beta.html', 'gamma.html']);
});
