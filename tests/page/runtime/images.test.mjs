// Pictures as a user brings them in: chosen through the toolbar's picker (at the caret, after the
// selection, at the end), pasted from the real clipboard, and dropped from disk onto an image to
// replace it; each embedded as a data URL, undone with Alt+Z and saved without editor traces.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { browserSession, dropFile, writeFixture } from '../support/browser.mjs';
import {
  openInEditorWithHandle, editorView, waitForEditMode, historyOf, pressForNewInstance, saveWithCtrlS,
  pointBeforeCharacter
} from '../support/editor.mjs';

const OLD_PICTURE = "data:image/svg+xml,%3Csvg xmlns='http://www.w3.org/2000/svg' width='120' height='80'%3E" +
  "%3Crect width='120' height='80' fill='%23999'/%3E%3C/svg%3E";

const DOCUMENT = `<!DOCTYPE html><html><head><meta charset="utf-8"><title>pictures</title>
<style>body{margin:0;font:18px/1.6 sans-serif}main{padding:130px 40px 40px;width:700px}</style></head>
<body><main>
<p id="text">Words before and after</p>
<p id="other">Another paragraph</p>
<img id="photo" width="120" height="80" src="${OLD_PICTURE}" srcset="${OLD_PICTURE} 2x" alt="photo">
</main></body></html>`;

const session = browserSession({
  ready: async (s) => {
    await s.context.grantPermissions(['clipboard-read', 'clipboard-write']);
    s.file = await openInEditorWithHandle(s.page, s.dir, 'pictures.html', DOCUMENT);
    s.png = writeFixture(s.dir, 'dot.png', await pngFromBrowser(s.page, 6, 4));
    s.otherPng = writeFixture(s.dir, 'wide.png', await pngFromBrowser(s.page, 9, 2));
    s.text = writeFixture(s.dir, 'notes.txt', 'not a picture');
  }
});

// A real PNG, encoded by the browser's own canvas.
async function pngFromBrowser(page, width, height) {
  const base64 = await page.evaluate(([w, h]) => {
    const canvas = document.createElement('canvas');
    canvas.width = w;
    canvas.height = h;
    canvas.getContext('2d').fillRect(0, 0, 3, 2);
    return canvas.toDataURL('image/png').split(',')[1];
  }, [width, height]);
  return Buffer.from(base64, 'base64');
}

async function waitForToast(page, text) {
  await page.waitForFunction((t) => document.querySelector('.__lw-toast.show')?.textContent === t, text);
}

async function insertThroughPicker(page, file) {
  const [chooser] = await Promise.all([page.waitForEvent('filechooser'), page.click('.__lw-tb-btn[title="插入图片到光标位置"]')]);
  assert.equal(await chooser.element().evaluate((input) => [input.accept, input.isConnected].join()), 'image/*,false');
  await chooser.setFiles(file);
  await waitForToast(page, '图片已插入');
}

async function dropOn(page, file, selector) {
  const box = await page.locator(selector).boundingBox();
  await dropFile(page, file, box.x + box.width / 2, box.y + box.height / 2);
}

function imagesIn(page, selector) {
  return page.evaluate((s) => [...document.querySelector(s).querySelectorAll('img')].map((image) => ({
    png: image.src.startsWith('data:image/png;base64,'), style: image.getAttribute('style'),
    attributes: image.getAttributeNames().length
  })), selector);
}

function reasonsSince(page, count) {
  return historyOf(page).then((history) => history.slice(count).map((entry) => entry.reason));
}

test('an inserted picture replaces the selected words, follows the selection or ends the content', async () => {
  const { page, png } = session;
  await waitForEditMode(page, true);
  const before = (await historyOf(page)).length;
  const start = await pointBeforeCharacter(page, '#text', 6);
  await page.mouse.click(start.x, start.y);
  for (let i = 0; i < 6; i++) await page.keyboard.press('Shift+ArrowRight');
  await insertThroughPicker(page, png);
  await page.keyboard.type('X');
  assert.equal(await page.evaluate(() => document.getElementById('text').innerHTML.replace(/<img[^>]*>/, '[img]')),
    'Words [img]X and after', 'the word is replaced and typing goes on after the picture');
  assert.deepEqual(await imagesIn(page, '#text'), [{ png: true, style: 'max-width: 100%;', attributes: 2 }]);

  await page.keyboard.press('Escape');
  await page.keyboard.press('Escape');
  await insertThroughPicker(page, png);
  const last = await page.evaluate(() => {
    const wrapper = document.querySelector('[data-lmw-wrapper]');
    const image = wrapper.lastElementChild;
    return { tag: image.tagName, selected: window.__lmwRuntime.state.selected === image };
  });
  assert.deepEqual(last, { tag: 'IMG', selected: true }, 'with nothing selected it ends the content and is selected');

  await page.click('#photo');
  await insertThroughPicker(page, png);
  const next = await page.evaluate(() => {
    const image = document.getElementById('photo').nextElementSibling;
    return { tag: image.tagName, selected: window.__lmwRuntime.state.selected === image };
  });
  assert.deepEqual(next, { tag: 'IMG', selected: true }, 'after a selected element, and selected');
  assert.deepEqual(await reasonsSince(page, before), ['insertImage', 'insertImage', 'insertImage'],
    'the picture\'s entry already holds the document before the typing that followed');

  const count = await page.locator('img').count();
  await pressForNewInstance(page, 'Alt+z');
  assert.equal(await page.locator('img').count(), count - 1, 'undo takes the last picture away');
  await pressForNewInstance(page, 'Alt+z');
  await pressForNewInstance(page, 'Alt+z');
  assert.equal(await page.locator('#text img').count(), 0);
  assert.equal(await page.textContent('#text'), 'Words before and after');
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
  await page.keyboard.press('Control+v');
  await waitForToast(page, '图片已粘贴');
  assert.deepEqual(await imagesIn(page, '#other'), [{ png: true, style: 'max-width: 100%;', attributes: 2 }]);
  assert.equal(await page.evaluate(() => document.querySelector('#other img').previousSibling.textContent), 'Another');
  assert.deepEqual(await reasonsSince(page, before), ['pasteImage']);

  await page.evaluate(() => navigator.clipboard.writeText(' pasted words'));
  await page.keyboard.press('End');
  await page.keyboard.press('Control+v');
  await page.waitForFunction(() => document.getElementById('other').textContent.endsWith(' pasted words'));
  assert.equal(await page.locator('#other img').count(), 1);

  await page.keyboard.press('Escape');
  await pressForNewInstance(page, 'Alt+z');
  await pressForNewInstance(page, 'Alt+z');
  assert.equal(await page.locator('#other img').count(), 0, 'undo takes the pasted picture away');
});

test('a picture dropped from disk replaces an image and keeps its attributes; other drops are refused', async () => {
  const { page, png, otherPng, text, file } = session;
  await waitForEditMode(page, true);
  while ((await editorView(page)).selectionTag) await page.keyboard.press('Escape');
  const before = (await historyOf(page)).length;
  const address = page.url();

  await dropOn(page, text, '#photo');
  await waitForToast(page, '请拖入图片文件');
  await dropOn(page, png, '#other');
  await waitForToast(page, '请选择要替换的图片元素');
  assert.equal(page.url(), address, 'no dropped file ever replaces the document');
  assert.equal((await historyOf(page)).length, before);

  await dropOn(page, png, '#photo');
  await waitForToast(page, '图片已替换');
  const photo = await page.evaluate(() => {
    const image = document.getElementById('photo');
    return { png: image.src.startsWith('data:image/png;base64,'), width: image.getAttribute('width'),
      height: image.getAttribute('height'), srcset: image.getAttribute('srcset').startsWith('data:image/svg+xml'),
      alt: image.alt };
  });
  assert.deepEqual(photo, { png: true, width: '120', height: '80', srcset: true, alt: 'photo' });

  const first = await page.getAttribute('#photo', 'src');
  await page.click('#photo');
  await dropOn(page, otherPng, '#other');
  await waitForToast(page, '图片已替换');
  const second = await page.getAttribute('#photo', 'src');
  assert.ok(second.startsWith('data:image/png;base64,') && second !== first, 'a drop beside it replaces the selected image');
  assert.deepEqual(await reasonsSince(page, before), ['image', 'image']);

  await pressForNewInstance(page, 'Alt+z');
  await pressForNewInstance(page, 'Alt+z');
  assert.equal(await page.getAttribute('#photo', 'src'), OLD_PICTURE, 'undo brings the former picture back');
  await dropOn(page, png, '#photo');
  await waitForToast(page, '图片已替换');
  const saved = await saveWithCtrlS(page, file);
  assert.doesNotMatch(saved, /data-lmw|__lw/);
  assert.match(saved, /<img id="photo" width="120" height="80" src="data:image\/png;base64,[A-Za-z0-9+/=]+" srcset=/);
});
