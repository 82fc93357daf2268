// Opening a file the three ways a user can, and what the hand-off writes into the window: the
// globals, exactly one icon link and one runtime script, and a document whose clean
// serialisation is the parsed file itself with UTF-8 declared.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { pathToFileURL } from 'node:url';
import {
  browserSession, openStartPage, chooseThroughInput, dropOnDropZone, answerPickerWith, waitForRuntime, waitForStatus,
  writeFixture, savedTextOf, TEST_PAGE, FIXTURE_PAGE
} from '../support/browser.mjs';
import { fingerprintOf } from '../support/fixtures.mjs';

const browser = browserSession();

function handoffState(page) {
  return page.evaluate(() => ({
    handleKind: window.__LW_OPEN_FILE_HANDLE ? window.__LW_OPEN_FILE_HANDLE.kind : null,
    handleName: window.__LW_OPEN_FILE_HANDLE ? window.__LW_OPEN_FILE_HANDLE.name : null,
    name: window.__LW_OPEN_FILE_NAME,
    canOverwrite: window.__LW_CAN_OVERWRITE,
    autoEnter: window.__LW_AUTO_ENTER_EDIT,
    dirty: window.__LW_DIRTY,
    entryUrl: window.__LW_ENTRY_URL,
    fingerprint: window.__LMW_OPEN_FILE_FINGERPRINT,
    encoding: window.__LMW_OPEN_FILE_ENCODING,
    iconIsPng: /^data:image\/png;base64,/.test(window.__LMW_APP_ICON_DATA_URI),
    iconLinks: [...document.querySelectorAll('link[data-lmw-runtime="icon"]')].map((l) => ({
      href: l.getAttribute('href') === window.__LMW_APP_ICON_DATA_URI, lastInHead: l === document.head.lastElementChild ||
        l.nextElementSibling === document.querySelector('style[data-lmw-runtime="style"]')
    })),
    runtimeScripts: [...document.querySelectorAll('script[data-lmw-runtime="editor"]')].map((s) =>
      s.textContent === window.EDITOR_JS_SOURCE && s.attributes.length === 1),
    allRuntimeMarked: document.querySelectorAll('[data-lmw-runtime]').length
  }));
}

const SAMPLE = '<!DOCTYPE html>\n<!-- a comment before html -->\n<html lang="zh-CN"><head><meta charset="utf-8">' +
  '<title>样例</title><script>var closing = "</head>"; window.__ownRuns = (window.__ownRuns || 0) + 1;</script></head>' +
  '<body>\n<h1 id="t">标题</h1><p class="a b">段落 &amp; 文字</p><img src="pic.png" alt="">\n</body></html>\n';

test('each way of choosing a file hands over the same document with the right globals', async () => {
  const file = writeFixture(browser.dir, 'sample.html', SAMPLE);
  const startUrl = pathToFileURL(TEST_PAGE).href;
  const fingerprint = fingerprintOf(fs.readFileSync(file));
  const ways = {
    input: { open: () => chooseThroughInput(browser.page, file), handle: null },
    drop: { open: () => dropOnDropZone(browser.page, file), handle: 'file' },
    picker: {
      open: async () => { await answerPickerWith(browser.page, file); await browser.page.click('#btn-open'); },
      handle: 'file'
    }
  };
  for (const [way, { open, handle }] of Object.entries(ways)) {
    await openStartPage(browser.page, TEST_PAGE);
    await open();
    await waitForRuntime(browser.page);
    const state = await handoffState(browser.page);
    assert.deepEqual(state, {
      handleKind: handle, handleName: handle ? 'sample.html' : null, name: 'sample.html', canOverwrite: !!handle,
      autoEnter: true, dirty: false, entryUrl: startUrl, fingerprint, encoding: 'utf-8', iconIsPng: true,
      iconLinks: [{ href: true, lastInHead: true }], runtimeScripts: [true], allRuntimeMarked: 3
    }, way);
    assert.equal(await savedTextOf(browser.page), SAMPLE, way);
    const page = await browser.page.evaluate(() => ({
      ownRuns: window.__ownRuns, closing: window.closing, title: document.title,
      // Relative addresses resolve against the start page, not the file's folder.
      image: document.querySelector('img').src
    }));
    assert.equal(page.title, '样例');
    assert.equal(page.closing, '</head>', 'a head script keeps "</head>" in its text');
    assert.ok(page.ownRuns >= 1);
    assert.equal(page.image, new URL('pic.png', startUrl).href);
  }
  assert.deepEqual(browser.errors, []);
});

test('fragments are wrapped, real documents are not, and editor leftovers are removed', async () => {
  const cases = {
    'fragment.html': {
      source: '  <p>只有一段</p>  ',
      check: (doc) => {
        assert.equal(doc.head, '<meta charset="UTF-8"><meta name="viewport" content="width=device-width,initial-scale=1.0">');
        assert.equal(doc.body, '\n<p>只有一段</p>\n');
      }
    },
    'upper.html': {
      source: '<HTML LANG="en" DATA-X="1"><HEAD><TITLE>Upper</TITLE></HEAD><BODY><P>Shout</P></BODY></HTML>',
      check: (doc) => {
        assert.equal(doc.lang, 'en');
        assert.equal(doc.dataX, '1');
        assert.equal(doc.body, '<p>Shout</p>');
      }
    },
    'leftovers.html': {
      source: '<html><head><style data-lmw-runtime="style">x{}</style><link rel="icon" data-lmw-runtime="icon" href="x.png"></head><body>' +
        '<div class="__lw-zoom-container __lw-preview-container" data-lmw-wrapper="content" style="transform:scale(2)">' +
        '<p contenteditable="true" data-lmw-editing="1" data-lmw-prev-contenteditable="false">锁定</p>' +
        '<p contenteditable="true" data-lmw-editing="1" data-lmw-prev-contenteditable="__lw_absent">普通</p>' +
        '<p contenteditable="true" data-lmw-prev-contenteditable="">空值</p>' +
        '<p>找<span class="__lw-search-highlight active" data-lmw-ui="search-highlight">到</span>了</p>' +
        '<div class="__lw-multi-ov" data-lmw-ui="multi-selection"></div>' +
        '<script data-lmw-runtime="editor">window.__staleRuntime = true;</script></div>' +
        '<div id="__lw-root" data-lmw-root="1" data-lmw-ui="root"><button>旧工具栏</button></div>' +
        '<button class="__lw-toggle">开始编辑</button><a data-lmw-ui="download" href="#">x</a></body></html>',
      check: (doc) => {
        assert.equal(doc.body, '<p contenteditable="false">锁定</p><p>普通</p><p contenteditable="">空值</p><p>找到了</p>');
        assert.equal(doc.stale, false, 'a leftover runtime script must not run');
      }
    }
  };
  for (const [name, { source, check }] of Object.entries(cases)) {
    await openStartPage(browser.page, TEST_PAGE);
    await chooseThroughInput(browser.page, writeFixture(browser.dir, name, source));
    await waitForRuntime(browser.page);
    const state = await handoffState(browser.page);
    assert.equal(state.iconLinks.length, 1, name);
    assert.deepEqual(state.runtimeScripts, [true], name);
    const doc = await browser.page.evaluate(() => {
      const clean = new DOMParser().parseFromString(window.__lmwRuntime.serializeDocument(), 'text/html');
      return {
        head: clean.head.innerHTML, body: clean.body.innerHTML, lang: clean.documentElement.getAttribute('lang'),
        dataX: clean.documentElement.getAttribute('data-x'), stale: !!window.__staleRuntime
      };
    });
    check(doc);
  }
});

test('the picker path reports cancellation and failures, and the page stays ready', async () => {
  await openStartPage(browser.page, TEST_PAGE);
  await answerPickerWith(browser.page, null);
  await browser.page.click('#btn-open');
  assert.deepEqual(await waitForStatus(browser.page, "s.textContent !== '正在打开文件选择窗口...'"),
    { text: '已取消打开文件。', className: 'status' });

  // A handle whose file vanished before it was read: getFile fails for real.
  const doomed = writeFixture(browser.dir, 'doomed.html', '<p>soon gone</p>');
  await answerPickerWith(browser.page, doomed);
  fs.unlinkSync(doomed);
  await browser.page.click('#drop-zone');
  const status = await waitForStatus(browser.page, "s.className === 'status error'");
  assert.match(status.text, /^无法打开文件：.+/);

  await browser.page.evaluate(() => { window.showOpenFilePicker = () => Promise.reject(new TypeError('')); });
  await browser.page.click('#btn-open');
  assert.deepEqual(await waitForStatus(browser.page, "s.textContent.indexOf('无法打开文件：未知错误') === 0"),
    { text: '无法打开文件：未知错误', className: 'status error' });

  const good = writeFixture(browser.dir, 'after-failures.html', '<p>终于打开</p>');
  await answerPickerWith(browser.page, good);
  await browser.page.click('#btn-open');
  await waitForRuntime(browser.page);
  assert.match(await browser.page.textContent('body'), /终于打开/);
});

test('the capability gate and a browser without the picker', async () => {
  const old = await browser.context.newPage();
  await old.addInitScript(() => {
    Object.defineProperty(Crypto.prototype, 'subtle', { get: () => undefined, configurable: true });
  });
  await openStartPage(old, TEST_PAGE);
  assert.deepEqual(await statusOf(old), {
    text: '当前浏览器版本过旧。Windows 7 请使用 Chrome / Edge 109，Windows 11 请使用当前版 Edge / Chrome。', className: 'status error'
  });
  assert.equal(await old.isDisabled('#btn-open'), true);
  assert.equal(await old.$eval('#drop-zone', (zone) => zone.style.cursor), 'not-allowed');
  let chooserOpened = false;
  old.on('filechooser', () => { chooserOpened = true; });
  await old.click('#drop-zone');
  await old.waitForTimeout(300);
  assert.equal(chooserOpened, false, 'a failed gate attaches no listener');
  await old.close();

  const noPicker = await browser.context.newPage();
  await noPicker.addInitScript(() => { delete window.showOpenFilePicker; });
  await openStartPage(noPicker, TEST_PAGE);
  assert.deepEqual(await statusOf(noPicker), {
    text: '当前浏览器仅支持读取并下载副本，不能直接覆盖原文件。建议改用 Edge / Chrome 86 或更高版本。', className: 'status'
  });
  const [chooser] = await Promise.all([noPicker.waitForEvent('filechooser'), noPicker.click('#drop-zone')]);
  await chooser.setFiles(writeFixture(browser.dir, 'no-picker.html', '<p>经由文件输入</p>'));
  await waitForRuntime(noPicker);
  assert.equal(await noPicker.evaluate(() => window.__LW_OPEN_FILE_HANDLE), null);
  await noPicker.close();
});

async function statusOf(page) {
  return page.evaluate(() => ({ text: document.getElementById('status').textContent, className: document.getElementById('status').className }));
}

test('any runtime text arrives intact, dollar patterns included, and starts exactly once', async () => {
  await openStartPage(browser.page, FIXTURE_PAGE);
  await chooseThroughInput(browser.page, writeFixture(browser.dir, 'for-fixture.html', SAMPLE));
  await browser.page.waitForFunction(() => window.__fixtureRuns === 1);
  const arrived = await browser.page.evaluate(() => ({
    runs: window.__fixtureRuns,
    ownTextIsSource: window.__fixtureOwnText === window.EDITOR_JS_SOURCE,
    samples: window.__fixtureSamples,
    scripts: document.querySelectorAll('script[data-lmw-runtime="editor"]').length
  }));
  assert.deepEqual(arrived, {
    runs: 1, ownTextIsSource: true, scripts: 1,
    samples: {
      patterns: "a$1b$&c$$d$`e$'f",
      quotes: "double \" single ' both \"'",
      backslashes: 'C:\\dir\\file \\n not a line feed',
      tags: '<span>x</span></head></body></html></script>',
      chinese: '中文：测试，“引号”',
      regex: 'a\\/b[/]c',
      division: 1
    }
  });
});

test('a 50 MB document opens', async () => {
  const paragraph = '<p>这是一段用于测试大文件打开的文字 The quick brown fox.</p>\n';
  const count = Math.ceil((50 * 1024 * 1024) / Buffer.byteLength(paragraph));
  const big = writeFixture(browser.dir, 'big.html', `<!DOCTYPE html><html><head><title>big</title></head><body>\n${paragraph.repeat(count)}<p id="last">末尾</p></body></html>`);
  await openStartPage(browser.page, TEST_PAGE);
  await chooseThroughInput(browser.page, big);
  // The browser itself needs tens of seconds to lay out this much text (longer when it loads
  // the file directly); what matters is that it opens whole, with the editor started.
  await browser.page.waitForFunction(() => !!document.querySelector('style[data-lmw-runtime="style"]'), null, { timeout: 240000 });
  const opened = await browser.page.evaluate(() => ({
    last: document.getElementById('last').textContent, paragraphs: document.querySelectorAll('p').length
  }), null);
  assert.deepEqual(opened, { last: '末尾', paragraphs: count + 1 });
});
