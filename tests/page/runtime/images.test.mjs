// Pictures as a user brings them in: through the toolbar's picker (at the caret, after the
// selection, at the end), pasted from the real clipboard, dropped from disk onto an image; each
// embedded as a data URL, undone with Alt+Z and saved without editor traces.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { browserSession, dropFile, writeFixture } from '../support/browser.mjs';
import {
  openInEditor, editorView, waitForEditMode, historyOf, reasonsSince, pressForNewInstance, saveWithCtrlS,
  pointBeforeCharacter, toastStartingWith
} from '../support/editor.mjs';
import { pngFromBrowser } from '../support/fixtures.mjs';

const OLD_PICTURE = "data:image/svg+xml,%3Csvg xmlns='http://www.w3.org/2000/svg' width='120' height='80'/%3E";
const DOCUMENT = `<!DOCTYPE html><html><head><meta charset="utf-8"><title>pictures</title>
<style>body{margin:0;font:18px/1.6 sans-serif}main{padding:130px 40px 40px;width:700px}</style></head>
<body><main><p id="text">Words before and after</p><p id="other">Another paragraph</p>
<img id="photo" width="120" height="80" src="${OLD_PICTURE}" srcset="${OLD_PICTURE} 2x" alt="photo"></main></body></html>`;

const session = browserSession({
  ready: async (s) => {
    await s.context.grantPermissions(['clipboard-read', 'clipboard-write']);
    s.file = await openInEditor(s.page, s.dir, 'pictures.html', DOCUMENT, { handle: true });
    s.png = writeFixture(s.dir, 'dot.png', await pngFromBrowser(s.page, 6, 4));
    s.otherPng = writeFixture(s.dir, 'wide.png', await pngFromBrowser(s.page, 9, 2));
    s.text = writeFixture(s.dir, 'notes.txt', 'not a picture');
  }
});

const embedded = (page, selector) => page.$$eval(`${selector} img`, (images) => images.map((image) =>
  [image.src.startsWith('data:image/png;base64,'), image.getAttribute('style'), image.getAttributeNames().filter((name) => name !== 'data-lmw-n').length]));

// A picture's history entry is taken in the same task that places it: once the stack has grown,
// the picture stands, and the toast says what happened.
async function recorded(page, action, message) {
  const count = (await historyOf(page)).length;
  await action();
  await page.waitForFunction((n) => window.__lmwRuntime.state.history.length > n, count);
  assert.equal(await page.textContent('.__lw-toast'), message);
}

async function insertThroughPicker(page, file) {
  const [chooser] = await Promise.all([page.waitForEvent('filechooser'), page.click('.__lw-tb-btn[title="插入图片到光标位置"]')]);
  assert.deepEqual(await chooser.element().evaluate((input) => [input.accept, input.isConnected]), ['image/*', false]);
  await recorded(page, () => chooser.setFiles(file), '图片已插入');
}

async function dropOn(page, file, selector) {
  const box = await page.locator(selector).boundingBox();
  await dropFile(page, file, box.x + box.width / 2, box.y + box.height / 2);
}

test('an inserted picture replaces the selected words, follows the selection or ends the content', async () => {
  const { page, png } = session;
  const before = (await historyOf(page)).length;
  const start = await pointBeforeCharacter(page, '#text', 6);
  await page.mouse.click(start.x, start.y);
  for (let i = 0; i < 6; i++) await page.keyboard.press('Shift+ArrowRight');
  await insertThroughPicker(page, png);
  await page.keyboard.type('X');
  assert.equal(await page.evaluate(() => document.getElementById('text').innerHTML.replace(/<img[^>]*>/, '[img]')),
    'Words [img]X and after', 'the words are replaced and typing goes on after the picture');
  assert.deepEqual(await embedded(page, '#text'), [[true, 'max-width: 100%;', 2]]);

  await page.keyboard.press('Escape');
  await page.keyboard.press('Escape');
  await insertThroughPicker(page, png);
  await page.click('#photo');
  await insertThroughPicker(page, png);
  const placed = await page.evaluate(() => {
    const { state } = window.__lmwRuntime;
    const last = document.querySelector('[data-lmw-wrapper]').lastElementChild;
    return [last.tagName, document.getElementById('photo').nextElementSibling === state.selected, state.selected.tagName];
  });
  assert.deepEqual(placed, ['IMG', true, 'IMG'], 'at the end with nothing selected; after the selected image, selected');
  assert.deepEqual(await reasonsSince(page, before), ['insertImage', 'insertImage', 'insertImage']);

  for (let i = 0; i < 3; i++) await pressForNewInstance(page, 'Alt+z');
  assert.deepEqual([await page.locator('img').count(), await page.textContent('#text')], [1, 'Words before and after']);
});

test('pasting a picture from the clipboard embeds it at the caret; text still pastes as text', async () => {
  const { page, png } = session;
  await waitForEditMode(page, true);
  await page.evaluate(async (base64) => {
    const bytes = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
    await navigator.clipboard.write([new ClipboardItem({ 'image/png': new Blob([bytes], { type: 'image/png' }) })]);
  }, fs.readFileSync(png).toString('base64'));
  const before = (await historyOf(page)).length;
  const point = await pointBeforeCharacter(page, '#other', 7);
  await page.mouse.click(point.x, point.y);
  await recorded(page, () => page.keyboard.press('Control+v'), '图片已粘贴');
  assert.deepEqual(await embedded(page, '#other'), [[true, 'max-width: 100%;', 2]]);
  assert.deepEqual(await reasonsSince(page, before), ['pasteImage']);

  await page.evaluate(() => navigator.clipboard.writeText(' pasted words'));
  await page.keyboard.press('End');
  await page.keyboard.press('Control+v');
  await page.waitForFunction(() => document.getElementById('other').textContent === 'Another paragraph pasted words');
  await page.keyboard.press('Escape');
  await pressForNewInstance(page, 'Alt+z');
  assert.equal(await page.locator('#other img').count(), 0, 'undo takes the pasted picture away');
});

test('a picture dropped from disk replaces an image and keeps its attributes; other drops are refused', async () => {
  const { page, png, otherPng, text, file } = session;
  await waitForEditMode(page, true);
  while ((await editorView(page)).selectionTag) await page.keyboard.press('Escape');
  const [before, address] = [(await historyOf(page)).length, page.url()];
  await dropOn(page, text, '#photo');
  await toastStartingWith(page, '请拖入图片文件');
  await dropOn(page, png, '#other');
  await toastStartingWith(page, '请选择要替换的图片元素');
  assert.deepEqual([page.url(), (await historyOf(page)).length], [address, before], 'no dropped file replaces the document');

  await recorded(page, () => dropOn(page, png, '#photo'), '图片已替换');
  const attributes = ['width', 'height', 'srcset', 'alt'].map((name) => page.getAttribute('#photo', name));
  assert.deepEqual(await Promise.all(attributes), ['120', '80', `${OLD_PICTURE} 2x`, 'photo']);
  const first = await page.getAttribute('#photo', 'src');
  await page.click('#photo');
  await recorded(page, () => dropOn(page, otherPng, '#other'), '图片已替换');
  const second = await page.getAttribute('#photo', 'src');
  assert.ok(first.startsWith('data:image/png;base64,') && second.startsWith('data:image/png;base64,') && second !== first,
    'a drop beside the selected image replaces it');
  assert.deepEqual(await reasonsSince(page, before), ['image', 'image']);

  await pressForNewInstance(page, 'Alt+z');
  await pressForNewInstance(page, 'Alt+z');
  assert.equal(await page.getAttribute('#photo', 'src'), OLD_PICTURE, 'undo brings the former picture back');
  await recorded(page, () => dropOn(page, png, '#photo'), '图片已替换');
  const saved = await saveWithCtrlS(page, file);
  assert.doesNotMatch(saved, /data-lmw|__lw/);
  assert.match(saved, /<img id="photo" width="120" height="80" src="data:image\/png;base64,[A-Za-z0-9+/=]+" srcset=/);
});
