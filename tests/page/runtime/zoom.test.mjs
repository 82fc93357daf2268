// Zoom and device preview as a user meets them: the buttons and keys within 50% to 200%, the
// document at its own size outside edit mode, the preview menu and its columns, nothing of the
// wrapper in a saved file, and no zoom or preview left after undo or opening another file.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { browserSession, openStartPage, dropOnDropZone, waitForRuntime, writeFixture, TEST_PAGE } from '../support/browser.mjs';
import { openInEditor, waitForEditMode, historyOf, openFromStartPage } from '../support/editor.mjs';

const browser = browserSession({ ready: (session) => session.page.on('dialog', (dialog) => dialog.accept()) });
const DOCUMENT = '<!DOCTYPE html><html><head><meta charset="utf-8"><style>body{margin:0}header{padding:110px 40px 20px}</style>' +
  '</head><body><header><h1 id="title">缩放与预览</h1></header><p id="target">A paragraph to measure.</p></body></html>';
const ZOOM_IN = '.__lw-tb-btn[title="放大 (Ctrl++)"]';

function zoomView() {
  return browser.page.evaluate(() => {
    const { state, ui } = window.__lmwRuntime;
    const wrapper = document.querySelector('[data-lmw-wrapper]');
    const box = document.getElementById('target').getBoundingClientRect();
    return { label: ui.zoomLabel.textContent, zoomIn: !ui.zoomInBtn.disabled, zoomOut: !ui.zoomOutBtn.disabled,
      wrapper: wrapper && `${getComputedStyle(wrapper).display} ${wrapper.style.transform}`.trim(),
      preview: state.previewMode, target: [box.left, box.width] };
  });
}

async function zoomButtons() {
  const { label, zoomIn, zoomOut } = await zoomView();
  return [label, zoomIn, zoomOut];
}

async function zoomAndPreview() {
  const { label, wrapper, preview } = await zoomView();
  return [label, wrapper, preview];
}

async function repeat(times, action) {
  for (let i = 0; i < times; i++) await action();
}

test('zoom stays within 50% and 200% by buttons and keys, and outside edit mode the document is its own size', async () => {
  const { page } = browser;
  await openInEditor(page, browser.dir, 'zoom.html', DOCUMENT);
  const plain = await zoomView();
  assert.deepEqual([plain.label, plain.wrapper], ['100%', 'contents']);
  await repeat(5, () => page.click(ZOOM_IN));
  let view = await zoomView();
  assert.deepEqual([view.label, view.wrapper, view.target[1]], ['150%', 'block scale(1.5)', plain.target[1] * 1.5]);
  await repeat(6, () => page.keyboard.press('Control+Equal'));
  assert.deepEqual(await zoomButtons(), ['200%', false, true]);
  await repeat(16, () => page.keyboard.press('Control+Minus'));
  assert.deepEqual(await zoomButtons(), ['50%', true, false]);
  await repeat(10, () => page.keyboard.press('Control+Equal'));

  await page.keyboard.press('Alt+e');
  view = await zoomView();
  assert.deepEqual([view.wrapper, view.target], [null, plain.target], 'view mode at 150% shows the document as it is');
  await page.keyboard.press('Alt+e');
  assert.deepEqual(await zoomAndPreview(), ['150%', 'block scale(1.5)', null]);
  assert.deepEqual([(await historyOf(page)).length, await page.evaluate(() => window.__LW_DIRTY)], [0, false], 'zoom is no edit');
});

const menuShown = () => browser.page.evaluate(() => getComputedStyle(window.__lmwRuntime.ui.previewMenu).display === 'block');
const column = () => browser.page.evaluate(() => {
  const box = document.querySelector('[data-lmw-wrapper]').getBoundingClientRect();
  return [box.left, box.width, document.documentElement.clientWidth];
});

async function choosePreview(text) {
  await browser.page.click('.__lw-tb-btn[title="切换预览模式"]');
  await browser.page.click(`.__lw-ctxmenu-item:text-is("${text}")`);
  assert.equal(await menuShown(), false, `${text} closes the menu`);
  await browser.page.waitForFunction(() => !document.querySelector('[data-lmw-wrapper]').getAnimations().length);
}

test('the preview menu opens under its button, closes on any other click, and narrows the content to a column', async () => {
  const { page } = browser;
  await openInEditor(page, browser.dir, 'preview.html', DOCUMENT);
  const plain = await zoomView();
  await page.click('.__lw-tb-btn[title="切换预览模式"]');
  assert.deepEqual(await page.evaluate(() => {
    const button = window.__lmwRuntime.ui.previewBtn.getBoundingClientRect();
    const menu = window.__lmwRuntime.ui.previewMenu.getBoundingClientRect();
    return [menu.top - button.bottom, menu.left - button.left];
  }), [4, 0]);
  await page.click('#target');
  assert.equal(await menuShown(), false, 'a click on the content closes it');
  await page.click('.__lw-tb-btn[title="切换预览模式"]');
  await page.click('.__lw-tb-btn[title="切换预览模式"]');
  assert.equal(await menuShown(), false, 'so does its button');

  await choosePreview('手机 (375×667)');
  const [left, width, windowWidth] = await column();
  assert.deepEqual([left, width, (await zoomView()).label], [(windowWidth - 375) / 2, 375, '100%']);
  await choosePreview('原始');
  assert.deepEqual(await zoomView(), plain);
  await page.setViewportSize({ width: 1000, height: 800 });
  await choosePreview('桌面 (1280×800)');
  assert.deepEqual(await column(), [0, 1000, 1000], 'no wider than the window');
  await page.keyboard.press('Alt+e');
  await page.keyboard.press('Alt+e');
  assert.deepEqual(await zoomAndPreview(), ['100%', 'contents', null], 'leaving edit mode ends it');
  await page.setViewportSize({ width: 1280, height: 800 });
});

test('a saved file holds no wrapper or highlight; undo and another file start at 100% without a preview', async () => {
  const { page } = browser;
  const file = writeFixture(browser.dir, 'saved.html', DOCUMENT);
  await openStartPage(page, TEST_PAGE);
  await dropOnDropZone(page, file);
  await waitForRuntime(page);
  await page.click('#title');
  await page.keyboard.type('（改）');
  await page.keyboard.press('Escape');
  await repeat(3, () => page.keyboard.press('Control+Equal'));
  await choosePreview('平板 (768×1024)');
  await page.keyboard.press('Control+f');
  await page.keyboard.type('measure\n');
  assert.equal(await page.locator('.__lw-search-highlight').count(), 1);
  await page.keyboard.press('Control+s');
  await page.waitForFunction(() => document.querySelector('.__lw-toast').textContent.startsWith('已覆盖保存'));
  const saved = fs.readFileSync(file, 'utf8');
  assert.match(saved, /<body><header><h1 id="title">缩放与预览（改）/);
  assert.doesNotMatch(saved, /data-lmw|__lw-|scale\(|768px/);

  await page.keyboard.press('Escape');
  await page.keyboard.press('Alt+z');
  await page.waitForFunction(() => document.getElementById('title').textContent === '缩放与预览');
  await waitForEditMode(page, true);
  assert.deepEqual(await zoomAndPreview(), ['100%', 'contents', null]);
  await repeat(2, () => page.keyboard.press('Control+Equal'));
  await openFromStartPage(page, writeFixture(browser.dir, 'other.html', DOCUMENT.replace('缩放', '另一个')));
  await page.waitForFunction(() => document.getElementById('title').textContent === '另一个与预览');
  await waitForEditMode(page, true);
  assert.deepEqual(await zoomAndPreview(), ['100%', 'contents', null]);
});
