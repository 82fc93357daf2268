// Working on a slide deck's elements with the pointer: hovering, selecting and Ctrl-gathering
// elements, restyling the gathered ones together, the element menu and where it opens, copying,
// deleting and moving elements, and dragging one by the handle on its outline. The deck behaves
// like a slide framework: its script wraps each slide at load, a timer keeps ticking, and the
// slides are sized through height:100% from html and body.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { browserSession } from '../support/browser.mjs';
import {
  openInEditor, editorView, waitForEditMode, historyOf, pressForNewInstance, chooseFromElementMenu
} from '../support/editor.mjs';

const DECK = `<!DOCTYPE html><html><head><meta charset="utf-8"><title>deck</title>
<style>html,body{height:100%;margin:0}body{font:18px/1.5 sans-serif}
.deck{height:100%;width:820px}.slide-frame{height:100%}#s2{min-height:1400px}
#slide-number{position:fixed;right:0;bottom:0;width:140px;height:40px;text-align:center}.slide-frame>section{height:100%;box-sizing:border-box;padding:130px 60px 20px;width:760px}
.card{border:1px solid #999;padding:8px;margin:8px 0}</style></head>
<body><div class="deck">
<section id="s1"><h1 id="title">季度汇报</h1>
<p id="p1" class="__lwlike intro">First paragraph of the slide</p>
<p id="p2">Second paragraph with <b id="bold">bold words</b> inside</p>
<p id="p3">Third paragraph of the slide</p>
<div id="card" class="card big">A card at the end</div></section>
<section id="s2"><h2 id="h2">Second slide</h2><p id="q1">On the second slide</p></section>
</div><div id="slide-number">1 / 2</div>
<script>
var sections = document.querySelectorAll('.deck > section');
for (var i = 0; i < sections.length; i++) {
  var frame = document.createElement('div');
  frame.className = 'slide-frame';
  sections[i].parentNode.insertBefore(frame, sections[i]);
  frame.appendChild(sections[i]);
}
var ticks = 0;
setInterval(function () { ticks++; }, 40);
</script></body></html>`;

const session = browserSession({
  ready: async ({ page, dir }) => { await openInEditor(page, dir, 'deck.html', DECK); }
});

async function ensureCleanSelection(page) {
  await waitForEditMode(page, true);
  while ((await editorView(page)).selectionTag) await page.keyboard.press('Escape');
}

function idsIn(page, selector) {
  return page.evaluate((s) => [...document.querySelector(s).children].map((child) => child.id), selector);
}

// Each outline's box beside the box of the element it should cover.
function outlineFits(page) {
  return page.evaluate(() => {
    const { state } = window.__lmwRuntime;
    const near = (outline, element) => {
      const a = outline.getBoundingClientRect();
      const b = element.getBoundingClientRect();
      return Math.abs(a.top - b.top) < 1 && Math.abs(a.left - b.left) < 1 && Math.abs(a.width - b.width) < 1;
    };
    const selOv = document.querySelector('.__lw-sel-ov');
    const others = state.multiSelected.filter((member) => member !== state.selected);
    const multi = [...document.querySelectorAll('.__lw-multi-ov')];
    return {
      selected: state.selected ? state.selected.id : null,
      selection: state.selected ? near(selOv, state.selected) : null,
      multi: multi.map((outline, index) => others[index] ? near(outline, others[index]) && others[index].id : false)
    };
  });
}

test('hover, select and Ctrl-gather three elements, restyle them together, and the outlines follow a scroll', async () => {
  const { page, errors } = session;
  await ensureCleanSelection(page);
  const p1 = await page.locator('#p1').boundingBox();
  await page.mouse.move(p1.x + 40, p1.y + 10);
  const hover = await page.evaluate(() => {
    const outline = document.querySelector('.__lw-hover-ov');
    return { shown: outline.style.display, tag: outline.textContent, top: Math.round(parseFloat(outline.style.top)) };
  });
  assert.deepEqual(hover, { shown: 'block', tag: 'p.intro', top: Math.round(p1.y) }, 'the editor\'s own prefix never names a class');

  await page.click('#bold', { position: { x: 10, y: 8 } });
  assert.equal((await editorView(page)).selectionTag, 'b', 'a press selects the innermost element');
  await page.click('#title', { position: { x: 30, y: 10 } });
  for (const id of ['#p1', '#p3', '#card']) await page.click(id, { modifiers: ['Control'], position: { x: 60, y: 10 } });
  let view = await editorView(page);
  assert.equal(view.editingId, null, 'a Ctrl-press ends text editing elsewhere');
  assert.deepEqual(await outlineFits(page), { selected: 'card', selection: true, multi: ['p1', 'p3'] },
    'the plain selection before the Ctrl-presses is not carried over');

  await page.click('.__lw-tb-btn[title="显示/隐藏样式面板"]');
  await page.waitForSelector('.__lw-panel-subtitle:text-is("已选 3 个元素")');
  assert.equal(await page.textContent('.__lw-el-tag'), 'p', 'the info line shows the first member');
  const slider = page.locator('.__lw-ctrl:has(.__lw-ctrl-label:text-is("字号")) .__lw-slider');
  await slider.focus();
  await page.keyboard.press('ArrowRight');
  await page.keyboard.press('ArrowRight');
  const sizes = await page.evaluate(() => ['p1', 'p3', 'card', 'p2'].map((id) => document.getElementById(id).style.fontSize));
  assert.deepEqual(sizes, ['20px', '20px', '20px', ''], 'every member, and only they, take the new size');
  const reasons = (await historyOf(page)).slice(-2).map((entry) => entry.reason);
  assert.deepEqual(reasons, ['style', 'style'], 'one history entry per slider step');

  await page.click('#card', { modifiers: ['Control'], position: { x: 60, y: 10 } });
  assert.deepEqual(await outlineFits(page), { selected: 'p1', selection: true, multi: ['p3'] },
    'taking the selected member out selects the first that is left');
  await page.waitForSelector('.__lw-panel-subtitle:text-is("已选 2 个元素")');

  await page.mouse.wheel(0, 120);
  await page.waitForFunction(() => window.scrollY > 0);
  assert.deepEqual(await outlineFits(page), { selected: 'p1', selection: true, multi: ['p3'] });
  await page.evaluate(() => window.scrollTo(0, 0));

  await page.click('#p2', { position: { x: 30, y: 10 } });
  view = await editorView(page);
  assert.deepEqual([view.selectionTag, await page.locator('.__lw-multi-ov').count()], ['p', 0],
    'a plain press ends the multi-selection');
  await page.waitForSelector('.__lw-panel-subtitle:text-is("p")');
  await page.click('.__lw-tb-btn[title="显示/隐藏样式面板"]');
  await page.keyboard.press('Escape');
  assert.deepEqual(errors.map(String), []);
});

test('the element menu opens at the pointer, turns away from the window\'s edges and closes', async () => {
  const { page } = session;
  await ensureCleanSelection(page);
  await page.click('#p3', { button: 'right', position: { x: 40, y: 8 } });
  const box = await page.locator('#p3').boundingBox();
  let menu = await page.locator('.__lw-ctxmenu').first().boundingBox();
  assert.deepEqual([menu.x, menu.y].map(Math.round), [box.x + 40, box.y + 8].map(Math.round));
  assert.equal((await editorView(page)).editingId, 'p3', 'the right-click\'s press selected and began editing');
  await page.keyboard.press('Escape');
  assert.equal(await page.locator('.__lw-ctxmenu').first().isVisible(), false);
  assert.equal((await editorView(page)).editingId, 'p3', 'Escape closed the menu and nothing else');

  const viewport = page.viewportSize();
  await page.mouse.click(viewport.width - 10, viewport.height - 10, { button: 'right' });
  menu = await page.locator('.__lw-ctxmenu').first().boundingBox();
  assert.equal(Math.round(menu.x + menu.width), viewport.width - 10, 'its right edge at the pointer');
  assert.equal(Math.round(menu.y + menu.height), viewport.height - 10, 'its bottom edge at the pointer');
  await page.click('#title', { position: { x: 30, y: 10 } });
  assert.equal(await page.locator('.__lw-ctxmenu').first().isVisible(), false, 'a click outside closes it');
  assert.equal(await page.evaluate(() => window.__lmwRuntime.state.ctxTarget), null);
  await page.keyboard.press('Escape');
});

test('copying the element under edit gives a clean, selected copy right after it; undo takes it away', async () => {
  const { page } = session;
  await ensureCleanSelection(page);
  await page.click('#p2', { position: { x: 20, y: 8 } });
  assert.equal((await editorView(page)).editingId, 'p2');
  const before = (await historyOf(page)).length;
  await chooseFromElementMenu(page, '#p2', '复制元素');
  const copy = await page.evaluate(() => {
    const original = document.getElementById('p2');
    const next = original.nextElementSibling;
    const { state } = window.__lmwRuntime;
    return {
      text: next.textContent, id: next.id, attributes: next.getAttributeNames().sort(),
      selectedIsCopy: state.selected === next, originalEditable: original.hasAttribute('contenteditable')
    };
  });
  assert.deepEqual(copy, { text: 'Second paragraph with bold words inside', id: 'p2', attributes: ['id'],
    selectedIsCopy: true, originalEditable: false });
  const view = await editorView(page);
  assert.deepEqual([view.toast, view.selectionTag, view.editingId], ['已复制元素', 'p', null]);
  const history = await historyOf(page);
  assert.deepEqual([history.length - before, history.at(-1).reason], [1, 'clone']);

  await pressForNewInstance(page, 'Alt+z');
  assert.equal(await page.locator('[id="p2"]').count(), 1, 'undo removes the copy');
  assert.deepEqual(await idsIn(page, '#s1'), ['title', 'p1', 'p2', 'p3', 'card']);
});

test('deleting asks first; a confirmed delete of the element under edit leaves nothing pointing at it', async () => {
  const { page } = session;
  await ensureCleanSelection(page);
  const before = (await historyOf(page)).length;
  const dirtyBefore = await page.evaluate(() => window.__lmwRuntime.state.dirty);
  let question = null;
  page.once('dialog', (dialog) => { question = dialog.message(); dialog.dismiss(); });
  await chooseFromElementMenu(page, '#p3', '删除元素');
  assert.equal(question, '确定删除此元素？');
  assert.equal(await page.locator('#p3').count(), 1, 'cancelled: still there');
  assert.equal((await historyOf(page)).length, before, 'cancelled: nothing recorded');
  assert.equal(await page.evaluate(() => window.__lmwRuntime.state.dirty), dirtyBefore);

  page.once('dialog', (dialog) => dialog.accept());
  await chooseFromElementMenu(page, '#p3', '删除元素');
  const after = await page.evaluate(() => {
    const { state } = window.__lmwRuntime;
    return { gone: !document.getElementById('p3'), editing: state.textEditing, selected: state.selected,
      outline: document.querySelector('.__lw-sel-ov').style.display };
  });
  assert.deepEqual(after, { gone: true, editing: null, selected: null, outline: 'none' });
  assert.equal((await editorView(page)).toast, '已删除元素');
  assert.equal((await historyOf(page)).at(-1).reason, 'delete');
  const card = await page.locator('#card').boundingBox();
  await page.mouse.move(card.x + 50, card.y + 10);
  await page.waitForFunction(() => document.querySelector('.__lw-hover-ov').textContent === 'div.card');

  await page.mouse.click(1000, 400, { button: 'right' });
  assert.equal(await page.locator('.__lw-ctxmenu').first().isVisible(), false,
    'blank space beside the slide offers nothing to delete');

  await pressForNewInstance(page, 'Alt+z');
  assert.deepEqual(await idsIn(page, '#s1'), ['title', 'p1', 'p2', 'p3', 'card']);
});

test('moving up and down steps over siblings, stops at the edges and keeps the outline on the element', async () => {
  const { page } = session;
  await ensureCleanSelection(page);
  const undoBefore = await page.isDisabled('.__lw-tb-btn[title="撤销 (Ctrl+Z)"]');
  const before = (await historyOf(page)).length;
  await chooseFromElementMenu(page, '#title', '上移');
  assert.equal((await editorView(page)).toast, '已经是第一个元素');
  await chooseFromElementMenu(page, '#card', '下移');
  assert.equal((await editorView(page)).toast, '已经是最后一个元素');
  assert.equal((await historyOf(page)).length, before, 'nothing recorded at the edges');
  assert.equal(await page.isDisabled('.__lw-tb-btn[title="撤销 (Ctrl+Z)"]'), undoBefore);

  await chooseFromElementMenu(page, '#p1', '下移');
  assert.deepEqual(await idsIn(page, '#s1'), ['title', 'p2', 'p1', 'p3', 'card']);
  assert.equal((await editorView(page)).toast, '已下移');
  assert.deepEqual(await outlineFits(page), { selected: 'p1', selection: true, multi: [] },
    'the outline follows the moved element at once');
  await chooseFromElementMenu(page, '#p1', '上移');
  await chooseFromElementMenu(page, '#p1', '上移');
  assert.deepEqual(await idsIn(page, '#s1'), ['p1', 'title', 'p2', 'p3', 'card']);
  assert.deepEqual((await historyOf(page)).slice(before).map((entry) => entry.reason), ['move', 'move', 'move']);
  await pressForNewInstance(page, 'Alt+z');
  assert.deepEqual(await idsIn(page, '#s1'), ['title', 'p1', 'p2', 'p3', 'card']);
});

async function dragSelectedTo(page, selector, fraction) {
  const handle = await page.locator('.__lw-drag-handle').boundingBox();
  await page.mouse.move(handle.x + 6, handle.y + 6);
  await page.mouse.down();
  const target = await page.locator(selector).boundingBox();
  await page.mouse.move(target.x + 40, target.y + target.height * fraction, { steps: 6 });
  await page.mouse.up();
}

test('dragging by the handle drops before or after a paragraph by the half it lands on', async () => {
  const { page } = session;
  await ensureCleanSelection(page);
  await page.click('#card', { position: { x: 60, y: 10 } });
  const before = (await historyOf(page)).length;
  await dragSelectedTo(page, '#p1', 0.25);
  assert.deepEqual(await idsIn(page, '#s1'), ['title', 'card', 'p1', 'p2', 'p3']);
  assert.equal((await editorView(page)).toast, '已移动元素');
  assert.deepEqual(await outlineFits(page), { selected: 'card', selection: true, multi: [] });
  await dragSelectedTo(page, '#p2', 0.75);
  assert.deepEqual(await idsIn(page, '#s1'), ['title', 'p1', 'p2', 'card', 'p3']);

  await dragSelectedTo(page, '#card', 0.5);
  await dragSelectedTo(page, '#s1', 0.02);
  const history = await historyOf(page);
  assert.deepEqual(history.slice(before).map((entry) => entry.reason), ['move', 'move', 'move'],
    'a drop onto the element itself records nothing');
  assert.equal(await page.evaluate(() => window.__lmwRuntime.state.dragSource), null);
  assert.deepEqual(await idsIn(page, '.slide-frame'), ['card', 's1'], 'a drop onto the slide puts it beside the slide');
  await pressForNewInstance(page, 'Alt+z');
  await pressForNewInstance(page, 'Alt+z');
  assert.deepEqual(await idsIn(page, '#s1'), ['title', 'card', 'p1', 'p2', 'p3']);
  assert.equal(await page.locator('.slide-frame').count(), 2, 'the deck\'s script ran again without wrapping twice');
});
