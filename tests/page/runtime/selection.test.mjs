// Working on a slide deck's elements with the pointer: hover, select and Ctrl-gather, restyle the
// gathered ones together, the element menu and its operations, dragging by the handle. The deck
// acts like a slide framework: its script wraps each slide at load, a timer keeps ticking, and
// the slides are sized through height:100% from html and body.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { browserSession } from '../support/browser.mjs';
import {
  openInEditor, editorView, waitForEditMode, historyOf, reasonsSince, pressForNewInstance, chooseFromElementMenu,
  saveWithCtrlS
} from '../support/editor.mjs';

const DECK = `<!DOCTYPE html><html><head><meta charset="utf-8"><title>deck</title>
<style>html,body{height:100%;margin:0}body{font:18px/1.5 sans-serif}.deck{height:100%;width:820px}
.slide-frame{height:100%}.slide-frame>section{height:100%;box-sizing:border-box;padding:130px 60px 20px;width:760px}
#s2{min-height:1400px}.card{border:1px solid #999;padding:8px}
#slide-number{position:fixed;right:0;bottom:0;width:140px;height:40px}</style></head>
<body><div class="deck">
<section id="s1"><h1 id="title">季度汇报</h1><p id="p1" class="__lwlike intro">First paragraph of the slide</p>
<p id="p2">Second paragraph with <b id="bold">bold words</b> inside</p><p id="p3">Third paragraph of the slide</p>
<div id="card" class="card big">A card at the end</div></section>
<section id="s2"><h2>Second slide</h2></section></div><div id="slide-number">1 / 2</div>
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
  ready: async (s) => { s.file = await openInEditor(s.page, s.dir, 'deck.html', DECK, { handle: true }); }
});
const ORIGINAL = ['title', 'p1', 'p2', 'p3', 'card'];
const at = (x, y) => ({ position: { x, y } });

async function startClean(page) {
  await waitForEditMode(page, true);
  while ((await editorView(page)).selectionTag) await page.keyboard.press('Escape');
  return (await historyOf(page)).length;
}

function slideOrder(page, selector = '#s1') {
  return page.evaluate((s) => [...document.querySelector(s).children].map((child) => child.id), selector);
}

// Which elements the selection outline and the multi-selection outlines cover, read once the
// outlines' appearing animation has ended (it scales them up from slightly smaller).
function outlined(page) {
  return page.evaluate(async () => {
    const outlines = [...document.querySelectorAll('.__lw-sel-ov, .__lw-multi-ov')];
    await Promise.all(outlines.flatMap((outline) => outline.getAnimations()).map((animation) => animation.finished));
    const covers = (outline) => [...document.querySelectorAll('[id]')].find((element) => {
      const a = outline.getBoundingClientRect();
      const b = element.getBoundingClientRect();
      return Math.abs(a.top - b.top) < 1 && Math.abs(a.left - b.left) < 1 && Math.abs(a.width - b.width) < 1;
    })?.id;
    const selOv = document.querySelector('.__lw-sel-ov');
    return [selOv.style.display === 'block' ? covers(selOv) : null,
      ...[...document.querySelectorAll('.__lw-multi-ov')].map(covers)];
  });
}

test('hover, select and Ctrl-gather three elements, restyle them together; outlines follow a scroll', async () => {
  const { page, errors } = session;
  const before = await startClean(page);
  const p1 = await page.locator('#p1').boundingBox();
  await page.mouse.move(p1.x + 40, p1.y + 10);
  assert.equal(await page.textContent('.__lw-hover-ov'), 'p.intro', 'the editor\'s own prefix never names a class');
  await page.click('#bold', at(10, 8));
  assert.equal((await editorView(page)).selectionTag, 'b', 'a press selects the innermost element');

  await page.click('#title', at(30, 10));
  for (const id of ['#p1', '#p3', '#card']) await page.click(id, { modifiers: ['Control'], ...at(60, 10) });
  assert.equal((await editorView(page)).editingId, null, 'a Ctrl-press ends text editing elsewhere');
  assert.deepEqual(await outlined(page), ['card', 'p1', 'p3'], 'the plain selection before is not carried over');
  await page.click('.__lw-tb-btn[title="显示/隐藏样式面板"]');
  await page.waitForSelector('.__lw-panel-subtitle:text-is("已选 3 个元素")');
  assert.equal(await page.textContent('.__lw-el-tag'), 'p', 'the info line shows the first member');
  await page.locator('.__lw-ctrl:has(> :text-is("字号")) .__lw-slider').focus();
  await page.keyboard.press('ArrowRight');
  await page.keyboard.press('ArrowRight');
  assert.deepEqual(await page.evaluate(() => ['p1', 'p3', 'card', 'p2'].map((id) => document.getElementById(id).style.fontSize)),
    ['20px', '20px', '20px', '']);
  assert.deepEqual(await reasonsSince(page, before), ['style', 'style'], 'one entry per slider step');

  await page.click('#card', { modifiers: ['Control'], ...at(60, 10) });
  assert.deepEqual(await outlined(page), ['p1', 'p3'], 'without the selected member the first one left is selected');
  await page.mouse.wheel(0, 120);
  await page.waitForFunction(() => window.scrollY > 0);
  assert.deepEqual(await outlined(page), ['p1', 'p3']);
  await page.evaluate(() => window.scrollTo(0, 0));
  await page.click('#p2', at(30, 10));
  assert.deepEqual(await outlined(page), ['p2'], 'a plain press ends the multi-selection');
  await page.click('.__lw-tb-btn[title="显示/隐藏样式面板"]');
  assert.deepEqual(errors.map(String), []);
});

test('the element menu opens at the pointer, turns away from the window\'s edges, closes, and skips blank space', async () => {
  const { page } = session;
  await startClean(page);
  const menu = () => page.locator('.__lw-ctxmenu').first();
  await page.click('#p3', { button: 'right', ...at(40, 8) });
  const [box, opened] = [await page.locator('#p3').boundingBox(), await menu().boundingBox()];
  assert.deepEqual([opened.x - box.x, opened.y - box.y].map(Math.round), [40, 8]);
  assert.equal((await editorView(page)).editingId, 'p3', 'the right-click\'s press selected and began editing');
  await page.keyboard.press('Escape');
  assert.deepEqual([await menu().isVisible(), (await editorView(page)).editingId], [false, 'p3'], 'Escape closes only the menu');

  const { width, height } = page.viewportSize();
  await page.mouse.click(width - 10, height - 10, { button: 'right' });
  const corner = await menu().boundingBox();
  assert.deepEqual([corner.x + corner.width, corner.y + corner.height].map(Math.round), [width - 10, height - 10]);
  await page.click('#title', at(30, 10));
  assert.equal(await menu().isVisible(), false, 'a click outside closes it');
  await page.mouse.click(1000, 400, { button: 'right' });
  assert.equal(await menu().isVisible(), false, 'blank space beside the slide offers no element');
});

test('copy the element under edit, cancel and confirm a delete, each undone with Alt+Z', async () => {
  const { page } = session;
  const before = await startClean(page);
  await page.click('#p2', at(20, 8));
  await chooseFromElementMenu(page, '#p2', '复制元素');
  const copy = await page.evaluate(() => {
    const next = document.getElementById('p2').nextElementSibling;
    return { text: next.textContent, attributes: next.getAttributeNames().filter((name) => name !== 'data-lmw-n'), selected: window.__lmwRuntime.state.selected === next,
      originalEditable: document.getElementById('p2').hasAttribute('contenteditable') };
  });
  assert.deepEqual(copy, { text: 'Second paragraph with bold words inside', attributes: ['id'], selected: true, originalEditable: false });
  assert.deepEqual([(await editorView(page)).toast, ...await reasonsSince(page, before)], ['已复制元素', 'clone']);
  await pressForNewInstance(page, 'Alt+z');
  assert.deepEqual(await slideOrder(page), ORIGINAL);

  let question = null;
  page.once('dialog', (dialog) => { question = dialog.message(); dialog.dismiss(); });
  await chooseFromElementMenu(page, '#p3', '删除元素');
  assert.deepEqual([question, await slideOrder(page), (await historyOf(page)).length], ['确定删除此元素？', ORIGINAL, before]);
  page.once('dialog', (dialog) => dialog.accept());
  await chooseFromElementMenu(page, '#p3', '删除元素');
  const left = await page.evaluate(() => {
    const { state } = window.__lmwRuntime;
    return [state.textEditing, state.selected, document.querySelector('.__lw-sel-ov').style.display];
  });
  assert.deepEqual(left, [null, null, 'none'], 'nothing refers to the deleted element under edit');
  assert.deepEqual([(await editorView(page)).toast, (await historyOf(page)).at(-1).reason], ['已删除元素', 'delete']);
  const card = await page.locator('#card').boundingBox();
  await page.mouse.move(card.x + 50, card.y + 10);
  await page.waitForFunction(() => document.querySelector('.__lw-hover-ov').textContent === 'div.card');
  await pressForNewInstance(page, 'Alt+z');
  assert.deepEqual(await slideOrder(page), ORIGINAL);
});

test('moves step over siblings, stop at both edges, and the outline follows at once', async () => {
  const { page } = session;
  const before = await startClean(page);
  const undoState = await page.isDisabled('.__lw-tb-btn[title="撤销 (Ctrl+Z)"]');
  await chooseFromElementMenu(page, '#title', '上移');
  assert.equal((await editorView(page)).toast, '已经是第一个元素');
  await chooseFromElementMenu(page, '#card', '下移');
  assert.equal((await editorView(page)).toast, '已经是最后一个元素');
  assert.deepEqual([(await historyOf(page)).length, await page.isDisabled('.__lw-tb-btn[title="撤销 (Ctrl+Z)"]')], [before, undoState]);

  await chooseFromElementMenu(page, '#p1', '下移');
  assert.deepEqual([await slideOrder(page), (await editorView(page)).toast], [['title', 'p2', 'p1', 'p3', 'card'], '已下移']);
  assert.deepEqual(await outlined(page), ['p1']);
  await chooseFromElementMenu(page, '#p1', '上移');
  await chooseFromElementMenu(page, '#p1', '上移');
  assert.deepEqual(await slideOrder(page), ['p1', 'title', 'p2', 'p3', 'card']);
  assert.deepEqual(await reasonsSince(page, before), ['move', 'move', 'move']);
  await pressForNewInstance(page, 'Alt+z');
  assert.deepEqual(await slideOrder(page), ORIGINAL);
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
  const before = await startClean(page);
  await page.click('#card', at(60, 10));
  await dragSelectedTo(page, '#p1', 0.25);
  assert.deepEqual([await slideOrder(page), (await editorView(page)).toast], [['title', 'card', 'p1', 'p2', 'p3'], '已移动元素']);
  assert.deepEqual(await outlined(page), ['card']);
  await dragSelectedTo(page, '#p2', 0.75);
  assert.deepEqual(await slideOrder(page), ['title', 'p1', 'p2', 'card', 'p3']);
  await dragSelectedTo(page, '#card', 0.5);
  await dragSelectedTo(page, '#s1', 0.02);
  assert.deepEqual(await reasonsSince(page, before), ['move', 'move', 'move'], 'a drop onto itself records nothing');
  assert.deepEqual(await slideOrder(page, '.slide-frame'), ['card', 's1'], 'dropped on the slide, it goes beside it');
  await pressForNewInstance(page, 'Alt+z');
  await pressForNewInstance(page, 'Alt+z');
  assert.deepEqual(await slideOrder(page), ['title', 'card', 'p1', 'p2', 'p3']);
  assert.equal(await page.locator('.slide-frame').count(), 2, 'the deck\'s script ran again without wrapping twice');
  const saved = await saveWithCtrlS(page, session.file);
  assert.doesNotMatch(saved, /data-lmw|__lw-|drag-preview/);
  assert.match(saved, /<h1 id="title">季度汇报<\/h1><div id="card" class="card big"[^>]*>A card at the end<\/div><p id="p1"/);
});
