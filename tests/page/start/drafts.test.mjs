// A browser killed while four windows hold unsaved edits, started again on the same profile:
// the start page lists the drafts, which hold no file handle; it restores one onto the file the
// user points at and saves it over that file; it refuses a file changed on disk since, or another
// file, offering save-as instead; it offers a draft when its file is opened again (one stored
// whole by an earlier version too), and discards one after asking.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import {
  startKillableBrowser, newProfile, waitForDrafts, tempDir, writeFixture, openStartPage, dropOnDropZone, waitForRuntime, savedTextOf,
  answerPickerWith, catchHandle, waitForStatus, TEST_PAGE
} from '../support/browser.mjs';
import { typeAtEnd, saveWithCtrlS } from '../support/editor.mjs';

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

function restoreButton(page, name) {
  return page.locator('.draft-item', { hasText: name }).locator('[data-action="restore"]');
}

// "恢复" asks for the draft's file: the picker answers with the real file pointed at.
async function restorePointingAt(page, name, pointedAt) {
  await answerPickerWith(page, pointedAt);
  await restoreButton(page, name).click();
}

// The stored records as they are, every field kept.
function rawRecords(page) {
  return page.evaluate(() => new Promise((done) => {
    const request = indexedDB.open('lumaweave-drafts');
    request.onsuccess = () => {
      const read = request.result.transaction('records').objectStore('records').getAll();
      read.onsuccess = () => { request.result.close(); done(read.result); };
    };
  }));
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

test('the start page lists the drafts newest first, restores one onto its file and saves it over that file', async () => {
  const page = await startPage();
  await page.waitForSelector('#drafts:not([hidden]) .draft-item');
  assert.deepEqual(await page.locator('.draft-name').allTextContents(), [...NAMES].reverse());
  assert.match(await page.locator('.draft-item').first().locator('.draft-meta').textContent(),
    new RegExp(`· ${Buffer.byteLength(edited['gamma.html'])} 字节$`));
  assert.deepEqual((await rawRecords(page)).filter((record) => 'handle' in record), []);

  await restorePointingAt(page, 'alpha.html', files['alpha.html']);
  await waitForRuntime(page);
  assert.equal(await savedTextOf(page), edited['alpha.html']);
  assert.match(await page.textContent('.__lw-file-status'), /^● alpha\.html/);
  assert.equal(await saveWithCtrlS(page, files['alpha.html']), edited['alpha.html']);
  assert.deepEqual(await draftNames(page, 3), ['delta.html', 'gamma.html', 'beta.html']);
});

test('a file changed since, another file or a cancelled picker never takes the draft; save-as can', async () => {
  const page = await startPage();
  await page.waitForSelector('.draft-item');
  const cases = [
    ['beta.html', files['beta.html'], /^“beta\.html”在草稿保存之后已被修改/],
    ['delta.html', files['gamma.html'], /^“gamma\.html”不是草稿“delta\.html”对应的文件/]
  ];
  for (const [name, pointedAt, refusal] of cases) {
    const offered = answerNextDialog(page, false);
    await restorePointingAt(page, name, pointedAt);
    assert.match(await offered, refusal);
    assert.match(await offered, /要打开草稿并在保存时另选位置吗/);
    assert.match((await waitForStatus(page, 's => /error/.test(s.className)')).text, refusal);
  }
  await restorePointingAt(page, 'beta.html', null);
  assert.equal((await waitForStatus(page, 's => /已取消恢复草稿/.test(s.textContent)')).text, '已取消恢复草稿：beta.html');
  assert.deepEqual(await draftNames(page, 3), ['delta.html', 'gamma.html', 'beta.html']);
  assert.equal(fs.readFileSync(files['gamma.html'], 'utf8'), original('gamma.html'));

  const offered = answerNextDialog(page, true);
  await restorePointingAt(page, 'beta.html', files['beta.html']);
  await offered;
  await waitForRuntime(page);
  assert.equal(await savedTextOf(page), edited['beta.html']);
  assert.deepEqual(await page.evaluate(() => [window.__LW_OPEN_FILE_HANDLE, window.__LW_CAN_OVERWRITE]), [null, false]);
  assert.match(await page.getAttribute('.__lw-tb-btn.primary', 'title'), /^首次保存需要选择文件位置/);
  assert.match(fs.readFileSync(files['beta.html'], 'utf8'), /别处改过的/);
  await page.close();
});

test('a handle that an earlier version kept in a draft is dropped when the start page opens', async () => {
  const page = await startPage();
  await page.waitForSelector('.draft-item');
  await catchHandle(page, files['delta.html']);
  await page.evaluate(() => new Promise((done) => {
    const request = indexedDB.open('lumaweave-drafts');
    request.onsuccess = () => {
      const records = request.result.transaction('records', 'readwrite').objectStore('records');
      records.getAll().onsuccess = (event) => {
        event.target.result.forEach((record) => records.put({ ...record, handle: window.__lmwCaught }));
        records.transaction.oncomplete = () => { request.result.close(); done(); };
      };
    };
  }));
  assert.equal((await rawRecords(page)).filter((record) => 'handle' in record).length, 3);
  const fresh = await startPage();
  await fresh.waitForSelector('.draft-item');
  assert.deepEqual((await rawRecords(fresh)).filter((record) => 'handle' in record), []);
  // The window that restored beta wrote its draft again as it closed, so the order may change.
  assert.deepEqual((await draftNames(fresh, 3)).sort(), ['beta.html', 'delta.html', 'gamma.html']);
});

// The draft's text as an earlier version stored it: whole, where this one keeps its pieces.
function storeDraftTextWhole(page, name) {
  return page.evaluate((fileName) => new Promise((done, fail) => {
    const request = indexedDB.open('lumaweave-drafts');
    request.onsuccess = () => {
      const transaction = request.result.transaction(['records', 'texts'], 'readwrite');
      const texts = transaction.objectStore('texts');
      transaction.objectStore('records').getAll().onsuccess = (event) => {
        const { id } = event.target.result.find((record) => record.fileName === fileName);
        texts.get(id).onsuccess = (read) => {
          if (!Array.isArray(read.target.result)) fail(new Error('the draft is not kept as pieces'));
          else texts.put(read.target.result.join(''), id);
        };
      };
      transaction.oncomplete = () => { request.result.close(); done(); };
    };
  }), name);
}

test('opening a file that has a draft offers it instead of the disk text', async () => {
  const earlier = await startPage();
  await storeDraftTextWhole(earlier, 'gamma.html');
  await earlier.close();
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
