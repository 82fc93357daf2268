// Zoom and device preview as a user meets them: the zoom buttons and keys within their limits,
// the document at its own size again outside edit mode, the preview menu and its columns, and
// nothing of the wrapper in a saved file, nor any zoom or preview after undo or another file.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { browserSession, openStartPage, dropOnDropZone, waitForRuntime, writeFixture, TEST_PAGE } from '../support/browser.mjs';
import { openInEditor, editorView, waitForEditMode, historyOf } from '../support/editor.mjs';

const browser = browserSession({
  ready(session) {
    session.page.on('dialog', (dialog) => dialog.accept());
  }
});

const DOCUMENT = `<!DOCTYPE html><html><head><meta charset="utf-8"><title>zoom</title>
<style>body{margin:0;font:16px/1.5 sans-serif}header{padding:110px 40px 20px;background:#eef}
p{margin:16px 40px}</style></head><body><header><h1 id="title">缩放与预览</h1></header>
<p id="target">一段用来测量的文字 A paragraph to measure.</p><p>第二段。</p></body></html>`;

function zoomView() {
  return browser.page.evaluate(() => {
    const { state, ui } = window.__lmwRuntime;
    const wrapper = document.querySelector('[data-lmw-wrapper]');
    const box = document.getElementById('target').getBoundingClientRect();
    return {
      label: ui.zoomLabel.textContent, zoomIn: !ui.zoomInBtn.disabled, zoomOut: !ui.zoomOutBtn.disabled,
      wrapper: wrapper && { display: getComputedStyle(wrapper).display, transform: wrapper.style.transform },
      preview: state.previewMode, target: { left: box.left, width: box.width }
    };
  });
}

async function clickTimes(selector, times) {
  for (let i = 0; i < times; i++) await browser.page.click(selector);
}

async function pressTimes(key, times) {
  for (let i = 0; i < times; i++) await browser.page.keyboard.press(key);
}

test('zooming by buttons and keys stays within 50% and 200%, and outside edit mode the document is its own size', async () => {
  const { page } = browser;
  await openInEditor(page, browser.dir, 'zoom.html', DOCUMENT);
  const plain = await zoomView();
  assert.deepEqual([plain.label, plain.wrapper], ['100%', { display: 'contents', transform: '' }]);
  await page.keyboard.press('Alt+e');
  const inViewMode = (await zoomView()).target;
  assert.deepEqual(inViewMode, plain.target);
  await page.keyboard.press('Alt+e');

  await clickTimes('.__lw-tb-btn[title="放大 (Ctrl++)"]', 5);
  let view = await zoomView();
  assert.deepEqual([view.label, view.wrapper], ['150%', { display: 'block', transform: 'scale(1.5)' }]);
  assert.equal(view.target.width, plain.target.width * 1.5, 'the content is drawn half as large again');

  await pressTimes('Control+Equal', 6);
  view = await zoomView();
  assert.deepEqual([view.label, view.zoomIn, view.zoomOut], ['200%', false, true], 'Ctrl+= stops at 200%');
  await pressTimes('Control+Minus', 16);
  view = await zoomView();
  assert.deepEqual([view.label, view.zoomIn, view.zoomOut], ['50%', true, false], 'Ctrl+- stops at 50%');
  await clickTimes('.__lw-tb-btn[title="放大 (Ctrl++)"]', 5);
  await clickTimes('.__lw-tb-btn[title="缩小 (Ctrl+-)"]', 1);
  assert.equal((await zoomView()).label, '90%');
  await pressTimes('Control+Equal', 6);

  await page.keyboard.press('Alt+e');
  view = await zoomView();
  assert.deepEqual([view.wrapper, view.target], [null, inViewMode], 'view mode at 150% shows the document as it is');
  await page.keyboard.press('Alt+e');
  await waitForEditMode(page, true);
  view = await zoomView();
  assert.deepEqual([view.label, view.wrapper.transform], ['150%', 'scale(1.5)'], 'the zoom comes back with edit mode');
  assert.equal((await historyOf(page)).length, 0, 'zooming is no edit');
  assert.equal(await page.evaluate(() => window.__LW_DIRTY), false);
});

async function openPreviewMenu() {
  await browser.page.click('.__lw-tb-btn[title="切换预览模式"]');
  return browser.page.evaluate(() => {
    const menu = window.__lmwRuntime.ui.previewMenu;
    const button = window.__lmwRuntime.ui.previewBtn.getBoundingClientRect();
    const box = menu.getBoundingClientRect();
    return { shown: getComputedStyle(menu).display === 'block', below: box.top - button.bottom, left: box.left - button.left };
  });
}

function previewMenuShown() {
  return browser.page.evaluate(() => getComputedStyle(window.__lmwRuntime.ui.previewMenu).display === 'block');
}

async function choosePreview(text) {
  await openPreviewMenu();
  await browser.page.click(`.__lw-ctxmenu-item:text-is("${text}")`);
  assert.equal(await previewMenuShown(), false, `${text}: the menu closes`);
}

function column() {
  return browser.page.evaluate(() => {
    const box = document.querySelector('[data-lmw-wrapper]').getBoundingClientRect();
    return { left: box.left, width: box.width, window: document.documentElement.clientWidth };
  });
}

test('the preview menu opens under its button, closes on any click elsewhere, and narrows the column', async () => {
  const { page } = browser;
  await openInEditor(page, browser.dir, 'preview.html', DOCUMENT);
  const plain = await zoomView();
  assert.deepEqual(await openPreviewMenu(), { shown: true, below: 4, left: 0 });
  await page.click('#target');
  assert.equal(await previewMenuShown(), false, 'a click on the content closes the menu');
  await openPreviewMenu();
  await page.click('.__lw-tb-btn[title="切换预览模式"]');
  assert.equal(await previewMenuShown(), false, 'the button closes its open menu');

  await choosePreview('手机 (375×667)');
  await page.waitForFunction(() => document.querySelector('[data-lmw-wrapper]').getBoundingClientRect().width === 375);
  let box = await column();
  assert.equal(box.left, (box.window - 375) / 2, 'a centred 375px column');
  let view = await zoomView();
  assert.deepEqual([view.label, view.preview], ['100%', { width: 375, height: 667 }]);
  assert.ok(view.target.width < 375);

  await choosePreview('原始');
  view = await zoomView();
  assert.deepEqual([view.wrapper.display, view.preview, view.target], ['contents', null, plain.target]);

  await page.setViewportSize({ width: 1000, height: 800 });
  await choosePreview('桌面 (1280×800)');
  await page.waitForFunction(() => document.querySelector('[data-lmw-wrapper]').getBoundingClientRect().width < 1280);
  box = await column();
  assert.deepEqual([box.left, box.width], [0, box.window], 'a preview wider than the window is as wide as the window');

  await page.keyboard.press('Alt+e');
  await page.keyboard.press('Alt+e');
  view = await zoomView();
  assert.deepEqual([view.wrapper.display, view.preview], ['contents', null], 'leaving edit mode ends the preview');
  await page.setViewportSize({ width: 1280, height: 800 });
});

test('a saved file holds neither wrapper nor highlight; undo and another file start at 100% without a preview', async () => {
  const { page } = browser;
  const file = writeFixture(browser.dir, 'saved.html', DOCUMENT);
  const other = writeFixture(browser.dir, 'other.html', DOCUMENT.replace('缩放与预览', '另一个文件'));
  await openStartPage(page, TEST_PAGE);
  await dropOnDropZone(page, file);
  await waitForRuntime(page);
  await page.click('#title');
  await page.keyboard.type('（改）');
  await page.keyboard.press('Escape');
  await pressTimes('Control+Equal', 3);
  await choosePreview('平板 (768×1024)');
  await page.keyboard.press('Control+f');
  await page.keyboard.type('measure');
  await page.keyboard.press('Enter');
  assert.equal(await page.locator('.__lw-search-highlight').count(), 1);

  await page.keyboard.press('Control+s');
  await page.waitForFunction(() => document.querySelector('.__lw-toast').textContent.startsWith('已覆盖保存'));
  const saved = fs.readFileSync(file, 'utf8');
  assert.match(saved, /缩放与预览（改）/);
  assert.doesNotMatch(saved, /data-lmw|__lw-|scale\(|768px/, 'no wrapper, class, highlight or inline style of ours');
  assert.match(saved, /<body><header>/, 'the body\'s children stand in the body again');

  await page.keyboard.press('Escape');
  await page.keyboard.press('Alt+z');
  await page.waitForFunction(() => document.getElementById('title').textContent === '缩放与预览');
  await waitForEditMode(page, true);
  let view = await zoomView();
  assert.deepEqual([view.label, view.wrapper.display, view.preview], ['100%', 'contents', null], 'after undo');

  await pressTimes('Control+Equal', 2);
  await page.setInputFiles('.__lw-import-input', other);
  await page.waitForFunction(() => document.getElementById('title').textContent === '另一个文件');
  await waitForEditMode(page, true);
  view = await zoomView();
  assert.deepEqual([view.label, view.wrapper.display, view.preview], ['100%', 'contents', null], 'after opening a file');
  assert.equal((await editorView(page)).editMode, true);
});
