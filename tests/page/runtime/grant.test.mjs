// A document that lives with its files: the editor says what it refers to and asks for the folder;
// a folder dropped on the window, or chosen through the notice's button, shows the document as
// the browser shows the file (stylesheets with their own addresses, fonts, images, a script by
// src, a base href), through undo and redo, while what is saved keeps every address as written.
// A folder dropped on the start page is a site, edited page by page through its links.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { browserSession, writeFixture, dropFile, catchHandle, openStartPage, dropOnDropZone, waitForRuntime, TEST_PAGE } from '../support/browser.mjs';
import { openInEditor, typeAtEnd, saveWithCtrlS, toastStartingWith, waitForEditMode, afterNewInstance, pressForNewInstance } from '../support/editor.mjs';
import { pngFromBrowser } from '../support/fixtures.mjs';

const browser = browserSession();

const MANUAL = `<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>手册</title><link rel="stylesheet" href="css/main.css"></head>
<body>
<p id="out"></p><p class="more" id="more">更多</p><p class="font" id="font">W</p>
<div id="figure"><img id="pic" src="img/pic.png">图注</div>
<img id="up" src="../up.png">
<script src="js/app.js"></script>
<base href="pics/"><img id="based" src="based.png">
</body></html>
`;
const MAIN_CSS = `@import "more.css";
body { background-image: url(../img/bg.png) }
@font-face { font-family: Served; src: url("../fonts/served.ttf") format("truetype") }
.font { font-family: Served, monospace }
`;
const IMAGES = { 'up.png': [3, 2], 'site/img/bg.png': [5, 4], 'site/img/pic.png': [6, 1], 'site/pics/based.png': [7, 3] };

async function writeFolder(root, files, page) {
  for (const [name, [width, height]] of Object.entries(IMAGES)) files[name] = await pngFromBrowser(page, width, height);
  for (const [name, content] of Object.entries(files)) {
    fs.mkdirSync(path.dirname(path.join(root, name)), { recursive: true });
    writeFixture(root, name, content);
  }
}

async function writeManual(page) {
  const root = fs.mkdtempSync(path.join(browser.dir, 'manual-'));
  await writeFolder(root, {
    'site/manual.html': MANUAL, 'site/css/main.css': MAIN_CSS, 'site/css/more.css': '.more { color: rgb(10, 20, 30) }\n',
    'site/js/app.js': "document.getElementById('out').textContent = '脚本已运行';\n",
    'site/fonts/served.ttf': fs.readFileSync('/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf')
  }, page);
  return root;
}

function noticeText(page) {
  return page.evaluate(() => {
    const notice = document.querySelector('.__lw-notice.show');
    return notice ? notice.querySelector('.__lw-notice-text').textContent : null;
  });
}

function waitForNotice(page, start) {
  return page.waitForFunction((wanted) => {
    const notice = document.querySelector('.__lw-notice.show .__lw-notice-text');
    return notice && notice.textContent.indexOf(wanted) === 0;
  }, start);
}

// What the document shows, once its images, fonts and stylesheets have loaded.
async function shown(page) {
  await page.waitForFunction(() => [...document.images].every((image) => image.complete) && document.fonts.status === 'loaded');
  return page.evaluate(async () => {
    await document.fonts.load('16px Served');
    const natural = (id) => { const image = document.getElementById(id); return [image.naturalWidth, image.naturalHeight]; };
    const background = /url\("(.*)"\)/.exec(getComputedStyle(document.body).backgroundImage);
    const backgroundSize = background && await new Promise((done) => {
      const image = new Image();
      image.onload = () => done([image.naturalWidth, image.naturalHeight]);
      image.onerror = () => done(null);
      image.src = background[1];
    });
    return {
      images: ['pic', 'up', 'based'].map(natural), background: backgroundSize,
      colour: getComputedStyle(document.getElementById('more')).color,
      font: [...document.fonts].filter((font) => font.family === 'Served').map((font) => font.status),
      script: document.getElementById('out').textContent
    };
  });
}

const SHOWN = { images: [[6, 1], [3, 2], [7, 3]], background: [5, 4], colour: 'rgb(10, 20, 30)', font: ['loaded'], script: '脚本已运行' };

test('a dropped folder, and the folder above, show the document as the browser does; saving keeps every address', async () => {
  const { page } = browser;
  const root = await writeManual(page);
  const file = path.join(root, 'site', 'manual.html');
  await openStartPage(page, TEST_PAGE);
  await dropOnDropZone(page, file);
  await waitForRuntime(page);
  await waitForNotice(page, '此文档引用了所在文件夹中的 5 个文件（样式、图片、脚本）。授权读取该文件夹即可按原样显示。还引用了上级文件夹中的文件');
  assert.equal(await page.evaluate(() => document.getElementById('pic').naturalWidth), 0, 'nothing is served before the grant');

  await page.keyboard.press('Alt+e');
  await waitForEditMode(page, false);
  await afterNewInstance(page, () => dropFile(page, path.join(root, 'site'), 400, 300), { editMode: false });
  assert.equal(await toastStartingWith(page, '已授权读取文件夹'), '已授权读取文件夹“site”');
  await waitForNotice(page, '还引用了上级文件夹中的文件：请授权上级文件夹');
  assert.deepEqual((await shown(page)).images, [[6, 1], [0, 0], [7, 3]]);

  await afterNewInstance(page, () => dropFile(page, root, 400, 300), { editMode: false });
  assert.deepEqual(await shown(page), SHOWN);
  assert.equal(await noticeText(page), null);

  await page.keyboard.press('Alt+e');
  await waitForEditMode(page, true);
  await typeAtEnd(page, '#figure', '新字');
  const saved = MANUAL.replace('图注', '图注新字');
  assert.equal(await saveWithCtrlS(page, file), saved);
  for (const keys of ['Alt+z', 'Alt+y']) {
    await pressForNewInstance(page, keys);
    assert.deepEqual(await shown(page), SHOWN, keys);
  }
  assert.equal(await page.evaluate(() => window.__lmwRuntime.serializeDocument()), saved);
});

test('the notice\'s button grants through the folder picker; a folder that does not hold the file, or a cancelled picker, grants nothing', async () => {
  const { page } = browser;
  const root = await writeManual(page);
  const site = path.join(root, 'site');
  const report = path.join(root, '报告.files');
  fs.mkdirSync(report);
  fs.copyFileSync(path.join(site, 'img', 'pic.png'), path.join(report, 'image001.png'));
  const reportFile = writeFixture(root, '报告.htm',
    '<!DOCTYPE html><html><head><meta charset="utf-8"><title>报告</title></head><body><p>报告正文</p><img id="figure" src="报告.files/image001.png"></body></html>');

  await openInEditor(page, root, 'copy-of-manual.html', MANUAL, { handle: true });
  const pickWith = async (folder) => {
    if (folder) await catchHandle(page, folder);
    await page.evaluate((cancel) => {
      window.showDirectoryPicker = (options) => {
        window.__lmwFolderOptions = options;
        return cancel ? Promise.reject(new DOMException('The user aborted a request.', 'AbortError')) : Promise.resolve(window.__lmwCaught);
      };
    }, !folder);
    await page.evaluate(() => document.querySelector('.__lw-toast').classList.remove('show'));
    await page.click('.__lw-notice-btn');
  };
  await waitForNotice(page, '此文档引用了所在文件夹中的');
  await pickWith(site);
  assert.equal(await toastStartingWith(page, '所选'), '所选文件夹中没有当前文件');
  assert.deepEqual(await page.evaluate(() => ({ mode: window.__lmwFolderOptions.mode, startIn: window.__lmwFolderOptions.startIn.name })),
    { mode: 'read', startIn: 'copy-of-manual.html' });
  await pickWith(null);
  assert.equal(await page.evaluate(() => document.querySelector('.__lw-toast.show')), null);
  assert.equal(await page.evaluate(() => window.__LMW_FOLDER_GRANT || null), null);

  await openStartPage(page, TEST_PAGE);
  await dropOnDropZone(page, reportFile);
  await waitForRuntime(page);
  await waitForNotice(page, '此文档引用了所在文件夹中的 1 个文件（图片）');
  assert.match(await noticeText(page), /可改为授权其中的“报告\.files”文件夹/);
  await afterNewInstance(page, () => pickWith(report));
  await page.waitForFunction(() => document.getElementById('figure').complete);
  assert.equal(await page.evaluate(() => document.getElementById('figure').naturalWidth), 6);
  assert.equal(await noticeText(page), null);
});

const SITE = {
  'index.html': '<!DOCTYPE html><html><head><meta charset="utf-8"><title>首页</title><link rel="stylesheet" href="style.css"></head>' +
    '<body><h1 id="t">首页</h1><p><a id="next" href="docs/guide.html#top">指南</a></p></body></html>',
  'docs/guide.html': '<!DOCTYPE html><html><head><meta charset="utf-8"><title>指南</title><link rel="stylesheet" href="../style.css"></head>' +
    '<body><h1 id="t">指南</h1><p><a id="home" href="../index.html">首页</a></p></body></html>',
  'style.css': 'h1 { color: rgb(1, 2, 3) }\n',
  'notes.txt': '不是网页',
  'deeper/still/too-deep.html': '<p>两层以下</p>'
};

function heading(page) {
  return page.evaluate(() => [document.title, getComputedStyle(document.getElementById('t')).color, document.getElementById('t').textContent]);
}

// Answers the question asked before unsaved changes are left for another page.
async function answerUnsaved(page, choice) {
  await page.waitForSelector('.__lw-ask');
  assert.match(await page.textContent('.__lw-ask-text'), /有未保存的修改。打开“guide\.html”之前要保存吗？/);
  await page.click(`.__lw-ask-btn[data-choice="${choice}"]`);
}

test('a folder dropped on the start page is a site: a page opens from its list, and its links open the pages beside it', async () => {
  const { page } = browser;
  const root = fs.mkdtempSync(path.join(browser.dir, 'site-'));
  for (const [name, content] of Object.entries(SITE)) {
    fs.mkdirSync(path.dirname(path.join(root, name)), { recursive: true });
    writeFixture(root, name, content);
  }
  await openStartPage(page, TEST_PAGE);
  await dropOnDropZone(page, root);
  await page.waitForSelector('#site:not([hidden]) [data-page]');
  assert.deepEqual(await page.locator('#site .draft-meta').allTextContents(),
    [`${path.basename(root)}/docs/guide.html`, `${path.basename(root)}/index.html`]);
  await page.locator('#site [data-page]', { hasText: 'index.html' }).locator('button').click();
  await waitForRuntime(page);
  assert.deepEqual(await heading(page), ['首页', 'rgb(1, 2, 3)', '首页']);

  await typeAtEnd(page, '#t', '（改）');
  await page.click('#next', { modifiers: ['Control'] });
  await answerUnsaved(page, 'stay');
  assert.deepEqual(await heading(page), ['首页', 'rgb(1, 2, 3)', '首页（改）']);
  await afterNewInstance(page, async () => {
    await page.click('#next', { modifiers: ['Control'] });
    await answerUnsaved(page, 'save');
  });
  assert.match(fs.readFileSync(path.join(root, 'index.html'), 'utf8'), /<h1 id="t">首页（改）<\/h1>/);
  assert.deepEqual(await heading(page), ['指南', 'rgb(1, 2, 3)', '指南']);

  await typeAtEnd(page, '#t', '，第二页');
  const guide = await saveWithCtrlS(page, path.join(root, 'docs', 'guide.html'));
  assert.equal(guide, SITE['docs/guide.html'].replace('指南</h1>', '指南，第二页</h1>'));
  await page.keyboard.press('Alt+e');
  await waitForEditMode(page, false);
  await afterNewInstance(page, () => page.click('#home'), { editMode: false });
  assert.deepEqual(await heading(page), ['首页', 'rgb(1, 2, 3)', '首页（改）']);
});
