// The interface the runtime draws into the document: the toolbar following the document's state,
// nothing of the interface in any serialisation, the page beneath staying usable in view mode,
// the narrow-window layout, the floating controls' wiring, start-up requests and the leave-page
// guard.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import {
  launchBrowser, openStartPage, dropOnDropZone, waitForRuntime, tempDir, writeFixture, TEST_PAGE
} from '../support/browser.mjs';
import { openInEditor, editorView, waitForEditMode, historyOf, pagesDetected, openFromStartPage } from '../support/editor.mjs';

const DOCUMENT = `<!DOCTYPE html><html><head><meta charset="utf-8"><title>notes</title>
<style>body{margin:0;font:16px/1.6 sans-serif}main{padding:140px 40px 40px}
#under{position:fixed;top:70px;right:30px;width:160px;height:30px}</style></head>
<body><main><h1 id="title">会议纪要</h1><p id="body-text">第一段文字，用于编辑。</p></main>
<button id="under" onclick="window.__underClicks = (window.__underClicks || 0) + 1">页面按钮</button>
</body></html>`;

let browser;
let page;
let dir;

before(async () => {
  browser = await launchBrowser();
  page = browser.page;
  dir = tempDir();
});

after(async () => {
  assert.deepEqual(browser.errors.map(String), []);
  await browser.close();
});

function toolbarView() {
  return page.evaluate(() => {
    const ui = window.__lmwRuntime.ui;
    const state = (button) => (button.disabled ? 'off' : 'on') + (button.classList.contains('active') ? '+active' : '');
    return {
      texts: [...ui.toolbar.children].map((child) => child.textContent),
      status: { text: ui.fileStatus.textContent, title: ui.fileStatus.title, dirty: ui.fileStatus.classList.contains('dirty') },
      saveTitle: ui.saveBtn.title,
      buttons: {
        save: state(ui.saveBtn), saveAs: state(ui.saveAsBtn), undo: state(ui.undoBtn), redo: state(ui.redoBtn),
        clearFormat: state(ui.clearFormatBtn), layout: state(ui.layoutBtn), zoomIn: state(ui.zoomInBtn),
        zoomOut: state(ui.zoomOutBtn)
      },
      zoomLabel: ui.zoomLabel.textContent,
      panelVisible: ui.panel.classList.contains('visible')
    };
  });
}

test('the toolbar follows the document: file status, history, selection, saving, zoom and panel', async () => {
  await openInEditor(page, dir, 'notes.html', DOCUMENT);
  await pagesDetected(page);
  let toolbar = await toolbarView();
  assert.deepEqual(toolbar.texts, ['notes.html', '', '撤销', '重做', '格式调整', '清除格式', '查找', '插入图片', '放大',
    '100%', '缩小', '上一页下一页', '预览', '另存为', '保存 (Ctrl+S)']);
  assert.deepEqual(toolbar.status, { text: 'notes.html', title: 'notes.html（已保存）', dirty: false });
  assert.equal(toolbar.saveTitle, '首次保存需要选择文件位置 (Ctrl+S)', 'a file chosen through the input has no handle');
  assert.deepEqual(toolbar.buttons, { save: 'off', saveAs: 'on', undo: 'off', redo: 'off', clearFormat: 'off',
    layout: 'on', zoomIn: 'on', zoomOut: 'on' });

  await page.click('#title');
  assert.equal((await toolbarView()).buttons.clearFormat, 'on', 'a selection enables clearing formatting');
  await page.keyboard.type('（草稿）');
  toolbar = await toolbarView();
  assert.deepEqual(toolbar.status, { text: '● notes.html', title: 'notes.html（有未保存修改）', dirty: true });
  assert.deepEqual([toolbar.buttons.save, toolbar.buttons.undo, toolbar.buttons.redo], ['on', 'on', 'off']);

  // Saving, redo, zoom and the panel have no controls of their own yet: their state is set
  // directly, and a user action that refreshes the toolbar shows it.
  await page.evaluate(() => {
    const state = window.__lmwRuntime.state;
    Object.assign(state, { saving: true, zoomLevel: 200, layoutOpen: true, future: [{ html: '', reason: 'redo' }] });
  });
  await page.keyboard.press('Escape');
  await page.keyboard.press('Escape');
  toolbar = await toolbarView();
  assert.deepEqual(toolbar.buttons, { save: 'off', saveAs: 'off', undo: 'on', redo: 'on', clearFormat: 'off',
    layout: 'on+active', zoomIn: 'off', zoomOut: 'on' });
  assert.deepEqual([toolbar.zoomLabel, toolbar.panelVisible], ['200%', true]);

  await page.evaluate(() => Object.assign(window.__lmwRuntime.state, { saving: false, zoomLevel: 50 }));
  await page.keyboard.press('Alt+e');
  toolbar = await toolbarView();
  assert.deepEqual([toolbar.buttons.save, toolbar.buttons.zoomOut, toolbar.buttons.zoomIn, toolbar.panelVisible],
    ['on', 'off', 'on', false], 'leaving edit mode closes the panel');
  await page.keyboard.press('Alt+e');
  await waitForEditMode(page, true);
  assert.equal(await page.evaluate(() => document.querySelector('[data-lmw-wrapper]').style.transform), 'scale(0.5)',
    'entering edit mode applies the zoom kept in the state');
  await page.keyboard.press('Alt+e');
  const unzoomed = await page.evaluate(() => ({
    wrapper: !!document.querySelector('[data-lmw-wrapper]'), width: document.getElementById('title').getBoundingClientRect().width
  }));
  assert.deepEqual(unzoomed, { wrapper: false, width: 1280 - 80 }, 'leaving edit mode restores the document\'s layout');
});

test('a file dropped with a handle names itself in the save button', async () => {
  const file = writeFixture(dir, '周报.html', DOCUMENT);
  await openStartPage(page, TEST_PAGE);
  await dropOnDropZone(page, file);
  await waitForRuntime(page);
  assert.equal((await toolbarView()).saveTitle, '覆盖保存到 周报.html (Ctrl+S)');
});

test('nothing of the interface reaches a serialisation or a history entry', async () => {
  await openInEditor(page, dir, 'clean.html', DOCUMENT);
  const pristine = await page.evaluate(() => window.__lmwRuntime.serializeDocument());
  await page.click('#body-text', { position: { x: 2, y: 8 } });
  await page.keyboard.type('新');
  await page.click('#title');
  const view = await editorView(page);
  assert.deepEqual([view.editMode, view.editingId, view.selectionTag, view.wrapped], [true, 'title', 'h1', true]);
  const texts = [pristine, await page.evaluate(() => window.__lmwRuntime.serializeDocument()),
    ...(await historyOf(page)).map((entry) => entry.html)];
  for (const text of texts) {
    assert.doesNotMatch(text, /__lw-|data-lmw-|contenteditable|开始编辑|退出编辑|打开文件|撤销|type="file"/);
  }
  assert.match(texts[1], /<p id="body-text">新第一段文字/);
  assert.equal(texts[2], pristine, 'the typing spell recorded the document as it was');
});

test('in view mode the page beneath the interface takes clicks; the floating controls work', async () => {
  await openInEditor(page, dir, 'beneath.html', DOCUMENT);
  await page.keyboard.press('Alt+e');
  await waitForEditMode(page, false);
  const hit = await page.evaluate(() => document.elementFromPoint(window.innerWidth - 100, 85).id);
  assert.equal(hit, 'under', 'the hidden toolbar takes no pointer');
  await page.click('#under');
  assert.equal(await page.evaluate(() => window.__underClicks), 1, 'the button under the hidden toolbar was clicked');
  assert.equal((await editorView(page)).editMode, false);

  const other = writeFixture(dir, 'other.html', '<!DOCTYPE html><html><head><title>o</title></head><body><p id="other">另一个文件</p></body></html>');
  await openFromStartPage(page, other);
  assert.deepEqual(await page.evaluate(() => window.__lmwPickerOptions.types[0].accept), { 'text/html': ['.html', '.htm'] });
  await page.waitForSelector('#other');
  assert.equal((await toolbarView()).status.text, 'other.html');
});

test('a narrow window puts the toolbar along the top and the controls at the bottom', async () => {
  await openInEditor(page, dir, 'narrow.html', DOCUMENT);
  await page.setViewportSize({ width: 700, height: 600 });
  await page.waitForFunction(() => document.querySelector('.__lw-toolbar').getBoundingClientRect().left === 8);
  const boxes = await page.evaluate(() => {
    const box = (selector) => document.querySelector(selector).getBoundingClientRect().toJSON();
    return { toolbar: box('.__lw-toolbar'), toggle: box('.__lw-toggle'), importBtn: box('.__lw-import-btn') };
  });
  assert.deepEqual([boxes.toolbar.left, boxes.toolbar.top, boxes.toolbar.right], [8, 8, 692]);
  assert.ok(boxes.toolbar.height <= 120);
  assert.deepEqual([boxes.toggle.width, boxes.toggle.height, boxes.toggle.right, boxes.toggle.bottom], [46, 46, 684, 584]);
  assert.ok(boxes.importBtn.top > boxes.toolbar.bottom, 'the open-file button does not cover the toolbar');
  await page.setViewportSize({ width: 1280, height: 800 });
});

test('start-up honours an auto-edit request, forgets any draft and guards unsaved changes', async () => {
  await openInEditor(page, dir, 'restart.html', DOCUMENT);
  const rewrite = (request) => page.evaluate((autoEdit) => {
    window.__LW_AUTO_ENTER_EDIT = false;
    if (autoEdit) sessionStorage.setItem('__lw-auto-edit', '1');
    localStorage.setItem('__lw-draft', 'left over');
    window.__lmwRuntime.writeWithRuntime(window.__lmwRuntime.serializeDocument());
  }, request);
  await rewrite(true);
  await waitForRuntime(page);
  // The auto-edit request is taken at the start; the left-over draft key goes once the start is
  // over, and a key that stays makes the wait fail.
  const storage = async () => {
    await page.waitForFunction(() => localStorage.getItem('__lw-draft') === null);
    return page.evaluate(() => sessionStorage.getItem('__lw-auto-edit'));
  };
  assert.equal((await editorView(page)).editMode, true);
  assert.equal(await storage(), null);
  await rewrite(false);
  await waitForRuntime(page);
  assert.equal((await editorView(page)).editMode, false, 'without a request the flag alone decides');
  assert.equal(await storage(), null);

  await page.keyboard.press('Alt+e');
  await page.click('#title');
  await page.keyboard.type('改');
  const question = page.waitForEvent('dialog');
  await page.close({ runBeforeUnload: true });
  const dialog = await question;
  assert.equal(dialog.type(), 'beforeunload');
  await dialog.dismiss();
  assert.equal(page.isClosed(), false, 'dismissing the question keeps the document');
  page = await browser.context.newPage();
});

test('a press-bound button acts once on the press, and still on a click from the keyboard', async () => {
  await openInEditor(page, dir, 'press.html', DOCUMENT);
  await page.evaluate(() => {
    const runtime = window.__lmwRuntime;
    const button = document.createElement('button');
    button.className = '__lw-tb-btn';
    button.id = 'pressed';
    button.textContent = '按下';
    window.__presses = 0;
    runtime.bindPress(button, () => { window.__presses++; });
    runtime.ui.toolbar.appendChild(button);
  });
  await page.click('#pressed');
  assert.equal(await page.evaluate(() => window.__presses), 1, 'the click after the press does not act again');
  await page.focus('#pressed');
  await page.keyboard.press('Enter');
  assert.equal(await page.evaluate(() => window.__presses), 2);
  await page.evaluate(() => { document.getElementById('pressed').disabled = true; });
  await page.click('#pressed', { force: true });
  assert.equal(await page.evaluate(() => window.__presses), 2, 'a disabled button does nothing');
});
