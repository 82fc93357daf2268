// Undo and redo through whole-document snapshots: each step writes the document anew and a fresh
// runtime instance takes the stacks over, through the window or, failing that, sessionStorage.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { browserSession } from '../support/browser.mjs';
import { openInEditor, typeAtEnd, afterNewInstance, pressForNewInstance } from '../support/editor.mjs';

const browser = browserSession();

// A deck sized through a height:100% chain, as generated slides are.
function deck(paragraphs, extra = '') {
  const body = paragraphs.map((text, i) => `<p id="p${i}">${text}</p>`).join('\n');
  return `<!DOCTYPE html><html><head><meta charset="utf-8"><title>历史</title>
<style>html,body{height:100%;margin:0}body>section{height:100%}</style></head>
<body><section><h1 id="title">标题</h1>\n${body}${extra}</section></body></html>`;
}

function stacks(page) {
  return page.evaluate(() => {
    const { state, ui } = window.__lmwRuntime;
    return {
      history: state.history.length, future: state.future.length, dirty: state.dirty,
      undoDisabled: ui.undoBtn.disabled, redoDisabled: ui.redoBtn.disabled
    };
  });
}

function text(page, selector) {
  return page.textContent(selector);
}

test('thirty-one changes keep thirty steps; undo, redo and a new change move between the stacks', async () => {
  const { page, errors } = browser;
  await openInEditor(page, browser.dir, 'steps.html', deck(['甲', '乙']));
  for (let i = 0; i < 31; i++) await typeAtEnd(page, i % 2 ? '#p1' : '#p0', String(i % 10));
  assert.deepEqual(await stacks(page), { history: 30, future: 0, dirty: true, undoDisabled: false, redoDisabled: true });

  await pressForNewInstance(page, 'Alt+z');
  assert.deepEqual(await stacks(page), { history: 29, future: 1, dirty: true, undoDisabled: false, redoDisabled: false });
  const evens = Array.from({ length: 15 }, (_, i) => String((2 * i) % 10)).join('');
  assert.equal(await text(page, '#p0'), '甲' + evens);
  for (let i = 0; i < 29; i++) await afterNewInstance(page, () => page.click('.__lw-toolbar button:text("撤销")'));
  // The first change fell off the stack and stays.
  assert.deepEqual([await text(page, '#p0'), await text(page, '#p1')], ['甲0', '乙']);
  assert.deepEqual(await stacks(page), { history: 0, future: 30, dirty: true, undoDisabled: true, redoDisabled: false });
  await page.keyboard.press('Alt+z');
  assert.equal(await page.textContent('.__lw-toast'), '没有可撤销的操作');

  await pressForNewInstance(page, 'Control+y');
  await pressForNewInstance(page, 'Control+Shift+Z');
  assert.deepEqual([await text(page, '#p0'), await text(page, '#p1')], ['甲02', '乙1']);
  assert.deepEqual(await stacks(page), { history: 2, future: 28, dirty: true, undoDisabled: false, redoDisabled: false });

  await typeAtEnd(page, '#title', '！');
  assert.deepEqual(await stacks(page), { history: 3, future: 0, dirty: true, undoDisabled: false, redoDisabled: true });
  await page.keyboard.press('Alt+y');
  assert.equal(await page.textContent('.__lw-toast'), '没有可复原的操作');
  assert.deepEqual(errors, []);
});

test('undo while typing takes the spell back; redo brings it again; the snapshots carry no markers', async () => {
  const { page } = browser;
  await openInEditor(page, browser.dir, 'typing.html', deck(['段落']));
  await typeAtEnd(page, '#title', '，改');
  await pressForNewInstance(page, 'Control+z');
  assert.equal(await text(page, '#title'), '标题');
  assert.equal(await page.evaluate(() => !!document.querySelector('[data-lmw-editing]')), false);
  await pressForNewInstance(page, 'Alt+y');
  assert.equal(await text(page, '#title'), '标题，改');
  const snapshots = await page.evaluate(() => window.__lmwRuntime.state.history.concat(window.__lmwRuntime.state.future));
  assert.ok(snapshots.length > 0);
  for (const entry of snapshots) assert.doesNotMatch(entry.html, /data-lmw-|__lw-/);
  // A restored document starts dirty, and leaving it asks first.
  assert.equal(await page.evaluate(() => window.__LW_DIRTY), true);
});

// 4 MB of picture: three snapshots overflow sessionStorage's quota of about 5 million characters.
const BIG_IMAGE = `<img id="big" alt="大图" src="data:image/png;base64,${'A'.repeat(4 * 1024 * 1024)}">`;

test('a history too large for sessionStorage keeps every step; storage alone loses it and says so', async () => {
  const { page } = browser;
  await openInEditor(page, browser.dir, 'big.html', deck(['一', '二', '三'], BIG_IMAGE));
  for (const id of ['#p0', '#p1', '#p2']) await typeAtEnd(page, id, '改');
  await pressForNewInstance(page, 'Alt+z');
  await pressForNewInstance(page, 'Alt+z');
  await pressForNewInstance(page, 'Alt+y');
  assert.deepEqual(await stacks(page), { history: 2, future: 1, dirty: true, undoDisabled: false, redoDisabled: false });
  assert.deepEqual([await text(page, '#p0'), await text(page, '#p1'), await text(page, '#p2')], ['一改', '二改', '三']);
  assert.notEqual(await page.textContent('.__lw-toast'), '存储空间不足，历史记录可能丢失');
  assert.equal(await page.evaluate(() => document.getElementById('big').src.length > 4000000), true);

  // Without the window channel the stacks must go through sessionStorage, which cannot hold them:
  // the document still goes back, the history is gone, and the user is told.
  await page.evaluate(() => Object.defineProperty(window, '__LW_HISTORY_STACKS', {
    configurable: true, get() { return undefined; }, set() {}
  }));
  await pressForNewInstance(page, 'Alt+z');
  assert.equal(await text(page, '#p1'), '二');
  assert.equal(await page.textContent('.__lw-toast'), '存储空间不足，历史记录可能丢失');
  const after = await stacks(page);
  assert.equal(after.future, 0);
  assert.equal(after.redoDisabled, true);
  assert.equal(after.undoDisabled, after.history === 0);
});

test('without the window channel a small history travels through sessionStorage whole', async () => {
  const { page } = browser;
  await openInEditor(page, browser.dir, 'small.html', deck(['小']));
  await page.evaluate(() => Object.defineProperty(window, '__LW_HISTORY_STACKS', {
    configurable: true, get() { return undefined; }, set() {}
  }));
  await typeAtEnd(page, '#p0', '一');
  await typeAtEnd(page, '#title', '二');
  await pressForNewInstance(page, 'Alt+z');
  assert.deepEqual(await stacks(page), { history: 1, future: 1, dirty: true, undoDisabled: false, redoDisabled: false });
  assert.notEqual(await page.textContent('.__lw-toast'), '存储空间不足，历史记录可能丢失');
  assert.deepEqual(await page.evaluate(() => ['__lw-history', '__lw-future', '__lw-restoring', '__lw-auto-edit']
    .map((key) => sessionStorage.getItem(key))), [null, null, null, null]);
});

// The second spell presses into the element before the first spell's text was read back, and the
// third begins in the same moment as edit mode is entered again: each undo goes back to exactly
// where its spell began.
test('each typing spell undoes to where it began, also one begun as edit mode is entered', async () => {
  const { page } = browser;
  await openInEditor(page, browser.dir, 'spells.html', deck(['一', '二']));
  await typeAtEnd(page, '#p0', 'A');
  await page.keyboard.press('Escape');
  await typeAtEnd(page, '#p0', 'B');
  await page.keyboard.press('Escape');
  await page.keyboard.press('Alt+e');
  const editing = await page.evaluate(() => {
    document.dispatchEvent(new KeyboardEvent('keydown', { key: 'e', altKey: true, bubbles: true, cancelable: true }));
    const target = document.getElementById('p1');
    const box = target.getBoundingClientRect();
    target.dispatchEvent(new MouseEvent('mousedown', {
      bubbles: true, cancelable: true, clientX: box.right - 2, clientY: box.top + box.height / 2
    }));
    return document.activeElement.id;
  });
  assert.equal(editing, 'p1');
  await page.keyboard.type('C');
  assert.deepEqual([await text(page, '#p0'), await text(page, '#p1')], ['一AB', '二C']);
  const reasons = await page.evaluate(() => window.__lmwRuntime.state.history.map((entry) => entry.reason));
  assert.deepEqual(reasons, ['text', 'text', 'text']);
  await pressForNewInstance(page, 'Alt+z');
  assert.deepEqual([await text(page, '#p0'), await text(page, '#p1')], ['一AB', '二']);
  await pressForNewInstance(page, 'Alt+z');
  assert.equal(await text(page, '#p0'), '一A');
  await pressForNewInstance(page, 'Alt+z');
  assert.equal(await text(page, '#p0'), '一');
});

// A hand-over that no instance took (a replacement cut short) stays in the tab's sessionStorage
// while the user goes back to the start page; the next file opened there must not take it.
test('a file opened from the start page begins its own history, whatever the tab kept', async () => {
  const { page } = browser;
  await openInEditor(page, browser.dir, 'before.html', deck(['旧']));
  await page.evaluate(() => {
    sessionStorage.setItem('__lw-history', JSON.stringify([{ html: '<p>旧</p>', reason: 'text' }]));
    sessionStorage.setItem('__lw-restoring', '1');
    sessionStorage.setItem('__lw-auto-edit', '1');
  });
  await openInEditor(page, browser.dir, 'after.html', deck(['新']));
  assert.deepEqual(await stacks(page), { history: 0, future: 0, dirty: false, undoDisabled: true, redoDisabled: true });
  assert.notEqual(await page.textContent('.__lw-toast'), '存储空间不足，历史记录可能丢失');
  assert.deepEqual(await page.evaluate(() => ['__lw-history', '__lw-restoring', '__lw-auto-edit']
    .map((key) => sessionStorage.getItem(key))), [null, null, null]);
});
