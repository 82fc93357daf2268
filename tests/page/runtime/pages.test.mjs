// Pages and slides as a user meets them, over documents built the way real ones are (decks that
// restructure themselves in a height:100% chain, timers, their own counters and key handlers,
// scrolling containers): the reading each gets, the pager's label, where the pager buttons and
// Alt+arrows take the document and what they leave alone; and edit mode moving no box.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { browserSession, savedTextOf } from '../support/browser.mjs';
import { openInEditor, editorView, pagesDetected, saveWithCtrlS, typeAtEnd, chooseFromElementMenu } from '../support/editor.mjs';

const browser = browserSession();
const doc = (style, body, script = '') =>
  `<!DOCTYPE html><html><head><meta charset="utf-8"><style>${style}</style></head><body>${body}<script>${script}</script></body></html>`;

// 2800px high (3.5 windows); the heading's top margin collapses with the body's own 8px.
const ARTICLE = doc('body{font:16px/1.5 serif}article{width:700px;height:2752px;margin:0 auto}h1{margin:40px 0 20px}',
  `<article><h1 id="t">Long article</h1>${Array.from({ length: 30 }, (_, i) => `<p>${'text '.repeat(10 + (i % 4) * 10)}</p>`).join('')}</article>`);

// Sections that the deck's script gathers into a stage at load, with controls and a ticking clock.
const deck = (goTo) => doc('html,body{height:100%;margin:0}.deck{position:relative;height:100%}' +
  '.slide{position:absolute;inset:0;opacity:0}.slide.active{opacity:1}.bar{position:fixed;bottom:0}#clock{display:inline-block;width:60px}',
  [0, 1, 2].map((n) => `<section class="slide${n === 1 ? ' active' : ''}"><h2>Slide ${n + 1}</h2></section>`).join(''), `
var deck = document.createElement('div'), bar = document.createElement('div'), ticks = 0;
deck.className = 'deck'; bar.className = 'bar';
document.querySelectorAll('body > section').forEach(function (s) { deck.appendChild(s); });
document.body.insertBefore(deck, document.body.firstChild);
bar.innerHTML = '<button id="prevBtn">‹</button><span id="pageNum">2 / 3</span><button id="nextBtn">›</button>' +
  '<i class="dot"></i><i class="dot active"></i><i class="dot"></i><span id="clock"></span>';
document.body.appendChild(bar);
setInterval(function () { document.getElementById('clock').textContent = ++ticks; }, 40);
window.calls = [];
${goTo ? `window.goTo = function (i) { calls.push(i); document.querySelectorAll('.slide').forEach(function (s, k) {
  s.classList.toggle('active', k === i); s.classList.toggle('prev', k < i); }); };` : ''}`);

// Its own counter and arrow keys; like many decks it ignores keys during a 500ms transition.
const COUNTER = doc('.page-num{position:fixed;bottom:20px}', '<h1>Slide</h1><div class="page-num">3 / 12</div>', `
var current = 3; window.lockedUntil = 0; window.keys = [];
document.addEventListener('keydown', function (e) {
  keys.push([e.key, e.code, e.altKey, e.ctrlKey, e.shiftKey, e.metaKey].join());
  if (!/^Arrow(Left|Right)$/.test(e.key) || Date.now() < lockedUntil) return;
  lockedUntil = Date.now() + 500;
  current = Math.max(1, Math.min(12, current + (e.key === 'ArrowRight' ? 1 : -1)));
  document.querySelector('.page-num').textContent = current + ' / 12';
});`);

// Generated decks: the inactive slides hidden by the deck's own rules, the shown one marked by a
// class. One deck moves the class from its own key script and keeps its own index, reading the
// key's number as older generators do; the other has no script at all.
const HIDDEN_DECK = doc('html,body{height:100%;margin:0}.slide{display:none;height:100%}.slide.active{display:block}',
  [1, 2, 3, 4].map((n) => `<section class="slide${n === 1 ? ' active' : ''}" id="h${n}"><h2>Slide ${n}</h2></section>`).join(''), `
const slides = document.querySelectorAll('.slide');
let current = 0;
window.shows = [];
document.addEventListener('keydown', function (e) {
  const next = current + (e.keyCode === 39 ? 1 : e.keyCode === 37 ? -1 : 0);
  if (next === current || next < 0 || next >= slides.length) return;
  slides[current].classList.remove('active');
  current = next;
  slides[current].classList.add('active');
  shows.push(current);
});`);
const QUIET_DECK = doc('body{margin:0}.stage{position:relative;height:100vh}.slide{position:absolute;inset:0;visibility:hidden}' +
  '.slide.current{visibility:visible}', `<div class="stage">${[1, 2, 3].map((n) =>
  `<div class="slide${n === 2 ? ' current' : ''}" id="q${n}">Slide ${n}</div>`).join('')}</div>`);
const shownSlide = (id, test = 'display !== "none"') =>
  `[...document.querySelectorAll(".slide")].filter((s) => getComputedStyle(s).${test}).map((s) => s.id).join() === "${id}"`;
const visibleSlide = (id) => shownSlide(id, 'visibility === "visible"');

const pageNum = (text) => `document.getElementById("pageNum").textContent === "${text}"`;
const CORPUS = [
  { name: 'article', html: ARTICLE, reading: 'scroll', pages: 4, label: '1/4', moves: [
    { by: 'Alt+ArrowLeft', label: '1/4', still: 'scrollY === 0' },
    { by: 'Alt+ArrowRight', label: '2/4', at: 'scrollY === 800' },
    { by: 'next', label: '3/4', at: 'scrollY === 1600' },
    { by: 'next', label: '4/4', at: 'scrollY === 2000' },
    { by: 'Alt+ArrowRight', label: '4/4', still: 'scrollY === 2000' },
    { by: 'prev', label: '3/4', at: 'scrollY === 1600' }] },
  { name: 'one window', html: doc('', '<h1>Short</h1>'), reading: 'scroll', pages: 1, label: '', moves: [
    { by: 'Alt+ArrowRight', label: '', still: 'scrollY === 0' }] },
  { name: 'scroller of no client height', reading: 'scroll', pages: 1, label: '', moves: [],
    html: doc('.box{width:400px;height:0;border-top:240px solid;overflow:auto}', '<div class="box"><p style="height:900px">x</p></div>') },
  { name: 'deck with goTo', html: deck(true), reading: 'slide', pages: 3, label: '2/3', slides: 'prev,active,', moves: [
    { by: 'next', label: '3/3', at: 'calls.join() === "2"' },
    { by: 'Alt+ArrowRight', label: '3/3', still: 'calls.join() === "2"' },
    { by: 'Alt+ArrowLeft', label: '2/3', at: 'calls.join() === "2,1"' }] },
  { name: 'deck without goTo', html: deck(false), reading: 'slide', pages: 3, label: '2/3', slides: 'active,,', moves: [
    { by: 'Alt+ArrowRight', label: '3/3', at: `${pageNum('3 / 3')} && nextBtn.disabled && !prevBtn.disabled` },
    { by: 'prev', label: '2/3', at: pageNum('2 / 3') },
    { by: 'prev', label: '1/3', at: `${pageNum('1 / 3')} && prevBtn.disabled && document.querySelector(".dot.active") === document.querySelector(".dot")` }] },
  { name: 'deck hiding its inactive slides', html: HIDDEN_DECK, reading: 'deck', pages: 4, label: '1/4', slides: ',active,,', moves: [
    { by: 'next', label: '2/4', at: `shows.join() === "1" && ${shownSlide('h2')}` },
    { by: 'Alt+ArrowRight', label: '3/4', at: `shows.join() === "1,2" && ${shownSlide('h3')}` },
    { by: 'next', label: '4/4', at: `shows.join() === "1,2,3" && ${shownSlide('h4')}` },
    { by: 'Alt+ArrowRight', label: '4/4', still: 'shows.join() === "1,2,3"' },
    { by: 'Alt+ArrowLeft', label: '3/4', at: `shows.join() === "1,2,3,2" && ${shownSlide('h3')}` },
    { by: 'prev', label: '2/4', at: `shows.join() === "1,2,3,2,1" && ${shownSlide('h2')}` }] },
  { name: 'deck without a script', html: QUIET_DECK, reading: 'deck', pages: 3, label: '2/3', slides: ',,current', moves: [
    { by: 'next', label: '3/3', at: visibleSlide('q3') },
    { by: 'Alt+ArrowLeft', label: '2/3', at: visibleSlide('q2') },
    { by: 'prev', label: '1/3', at: visibleSlide('q1') },
    { by: 'Alt+ArrowRight', label: '2/3', at: visibleSlide('q2') },
    { by: 'next', label: '3/3', at: visibleSlide('q3') }] },
  { name: 'data-index order', reading: 'element', pages: 3, label: '2/3', moves: [
    { by: 'prev', label: '1/3', at: 'scrollY === 800' },
    { by: 'Alt+ArrowLeft', label: '1/3', still: 'scrollY === 800' }],
    html: doc('body{margin:0}.page{height:100vh}', '<div class="page" data-index="2">b</div><div class="page" data-index="1">a</div><div class="page">c</div>') },
  { name: 'nested page containers', reading: 'element', pages: 2, label: '1/2', moves: [{ by: 'next', label: '2/2', at: 'scrollY === 1040' }],
    html: doc('body{margin:0}section{padding-top:120px}.page{height:100vh}', '<section><div class="page">1</div></section><section><div class="page">2</div></section>') },
  { name: 'two sections', reading: 'element', pages: 2, label: '1/2', moves: [{ by: 'Alt+ArrowRight', label: '2/2', at: 'scrollY === 800' }],
    html: doc('body{margin:0}section{height:100vh}body > section{background:#eef}', '<section>1</section><section>2</section>') },
  { name: 'four cards', reading: 'element', pages: 4, label: '1/4', moves: [
    { by: 'next', label: '2/4', at: 'scrollY === 520' },
    { by: 'next', label: '3/4', at: 'scrollY === 1020' }],
    html: doc('body{margin:0;padding:20px}.card{width:900px;height:460px;margin-bottom:40px;background:#eee}', '<div class="card">c</div>'.repeat(4)) },
  { name: 'own counter', html: COUNTER, reading: 'runtime', pages: 12, label: '3/12', moves: [
    { by: 'next', label: '4/12', at: 'document.querySelector(".page-num").textContent === "4 / 12"' },
    { by: 'Alt+ArrowRight', first: '5/12', label: '4/12', at: 'keys.length === 2' },
    { by: 'prev', before: 'Date.now() > lockedUntil', label: '3/12', at: 'document.querySelector(".page-num").textContent === "3 / 12"' }] },
  { name: 'pages in a scroller', reading: 'element', pages: 3, label: '1/3', moves: [
    { by: 'Alt+ArrowRight', label: '2/3', at: 'document.querySelector(".v").scrollTop === 720 && scrollY === 0' }],
    html: doc('body{margin:0}.v{height:100vh;overflow:auto}.page{height:700px;margin-bottom:20px}', `<div class="v">${'<div class="page"></div>'.repeat(3)}</div>`) },
  { name: 'text in a scroller', reading: 'scroll', pages: 3, label: '1/3', moves: [
    { by: 'next', label: '2/3', at: 'document.querySelector(".v").scrollTop === 600' }],
    html: doc('body{margin:0}.v{height:600px;overflow:auto}', '<div class="v"><p style="height:1700px">text</p></div>') }
];

function pagerView() {
  return browser.page.evaluate(() => {
    const { state, ui } = window.__lmwRuntime;
    return { reading: state.pageMode, pages: state.pages.length, label: ui.pageLabel.textContent,
      hidden: ui.pager.classList.contains('hidden'), prev: !ui.prevPageBtn.disabled, next: !ui.nextPageBtn.disabled };
  });
}

// The pager's buttons for 'next' and 'prev', the keys for anything else.
function turnPage(by) {
  if (by === 'next' || by === 'prev') return browser.page.click(`.__lw-tb-btn[title^="切换到${by === 'next' ? '下' : '上'}一页"]`);
  return browser.page.keyboard.press(by);
}

async function waitUntil(condition, arg, where) {
  await browser.page.waitForFunction(condition, arg, { timeout: 10000 }).catch(async () =>
    assert.fail(`${where}: waited for ${condition} ${arg ?? ''}; pager ${JSON.stringify(await pagerView())}`));
}

test('each kind of document gets its reading and label, and moves page by page', async () => {
  const { page } = browser;
  for (const row of CORPUS) {
    await openInEditor(page, browser.dir, 'pages.html', row.html);
    await pagesDetected(page);
    // Whether each key left the runtime's hands cancelled, seen after its own listener.
    await page.evaluate(() => { window.cancelled = []; addEventListener('keydown', (e) => cancelled.push(e.defaultPrevented), true); });
    const view = await pagerView();
    assert.deepEqual([view.reading, view.pages, view.label, view.hidden], [row.reading, row.pages, row.label, row.pages < 2], row.name);
    for (const step of row.moves) {
      const where = `${row.name}, ${step.by} to ${step.label}`;
      if (step.before) await waitUntil(step.before, null, where);
      await turnPage(step.by);
      if (step.first) assert.equal((await pagerView()).label, step.first, `${where}: at once`);
      await waitUntil(step.at || step.still, null, where);
      await waitUntil((label) => window.__lmwRuntime.ui.pageLabel.textContent === label, step.label, where);
      if (step.by.startsWith('Alt')) assert.equal(await page.evaluate(() => cancelled.at(-1)), row.pages > 1, `${where}: cancelled`);
      const { prev, next } = await pagerView();
      const [current, total] = step.label.split('/').map(Number);
      assert.deepEqual([prev, next], [current > 1, current < total], `${where}: buttons`);
    }
    if (row.slides) {
      assert.equal(await page.evaluate(() => [...document.querySelectorAll('.slide')]
        .map((s) => s.className.replace(/slide ?/, '')).join()), row.slides, row.name);
    }
  }
});

test('paging a deck that hides its slides leaves its file as written; an edit on a later slide saves that edit alone', async () => {
  const { page } = browser;
  const file = await openInEditor(page, browser.dir, 'hidden-deck.html', HIDDEN_DECK, { handle: true });
  await pagesDetected(page);
  for (const [by, label] of [['next', '2/4'], ['Alt+ArrowRight', '3/4'], ['prev', '2/4']]) {
    await turnPage(by);
    await waitUntil((l) => window.__lmwRuntime.ui.pageLabel.textContent === l, label, by);
  }
  assert.equal(await savedTextOf(page), HIDDEN_DECK, 'looking at another slide is no edit');
  await typeAtEnd(page, '#h2 h2', '改');
  assert.equal(await saveWithCtrlS(page, file), HIDDEN_DECK.replace('<h2>Slide 2</h2>', '<h2>Slide 2改</h2>'));
});

test('the arrow key sent to the document carries no modifier; only a counter of 2 to 500 pages counts', async () => {
  const { page } = browser;
  await openInEditor(page, browser.dir, 'counter.html', COUNTER.replace('3 / 12', '3／12'));
  await pagesDetected(page);
  assert.equal((await pagerView()).label, '3/12', 'the full-width slash');
  await page.keyboard.press('Alt+ArrowRight');
  await page.waitForFunction(() => document.querySelector('.page-num').textContent === '4 / 12');
  assert.deepEqual(await page.evaluate(() => keys), ['ArrowRight,ArrowRight,false,false,false,false']);
  assert.equal((await editorView(page)).editMode, true, 'no shortcut of the runtime took the key');
  for (const text of ['0/5', '6/5', '1/1', '1/501', `3 / 12 ${'long words '.repeat(4)}`]) {
    await page.keyboard.press('Alt+e');
    await page.evaluate((t) => { document.querySelector('.page-num').textContent = t; }, text);
    await page.keyboard.press('Alt+e');
    await pagesDetected(page);
    const view = await pagerView();
    assert.deepEqual([view.reading, view.pages], ['scroll', 1], text);
  }
});

test('entering edit mode leaves every box of a deck and of an article where it was', async () => {
  const boxes = () => browser.page.evaluate(() => [...document.body.querySelectorAll('*')]
    .filter((e) => !/^__lw-/.test(e.className) && !e.closest('[data-lmw-root], script'))
    .map((e) => { const b = e.getBoundingClientRect(); return `${e.tagName}.${e.className} ${b.x},${b.y},${b.width},${b.height}`; }));
  for (const [name, html] of [['deck', deck(true)], ['article', ARTICLE]]) {
    await openInEditor(browser.page, browser.dir, `${name}.html`, html);
    // The deck's clock is empty, and so of no height, until its timer first ticks.
    await browser.page.waitForFunction(() => !document.getElementById('clock') || document.getElementById('clock').textContent);
    const inEditMode = await boxes();
    assert.ok(inEditMode.length > 5);
    await browser.page.keyboard.press('Alt+e');
    assert.equal((await editorView(browser.page)).wrapped, false);
    assert.deepEqual(inEditMode, await boxes(), name);
  }
});

// Cards of one size, as a generated report repeats them: detection reads thousands of boxes.
const CARDS = doc('body{margin:0}.card{min-height:300px;margin:0 0 20px;border:1px solid #ccc}',
  Array.from({ length: 400 }, (_, i) => `<div class="card" id="c${i}"><h3>Card ${i}</h3><p>text <b>bold</b> <i>it</i></p></div>`).join(''));

test('pages worked out in slices are the pages worked out at once, wherever the document scrolls meanwhile', async () => {
  const { page } = browser;
  await openInEditor(page, browser.dir, 'cards.html', CARDS);
  await pagesDetected(page);
  const { slices, sliced, atOnce } = await page.evaluate(() => {
    const runtime = window.__lmwRuntime;
    const reading = (pages) => `${pages[0].mode} ${pages.map((p) => `${p.node.id}@${p.x},${p.y}`).join(' ')}`;
    const detection = runtime.beginPageDetection();
    let slices = 1;
    let pages;
    // A slice always spent yields after every element; the window scrolls between slices.
    while (!(pages = runtime.advancePageDetection(detection, () => true))) scrollTo(0, 37 * slices++);
    scrollTo(0, 0);
    return { slices, sliced: reading(pages), atOnce: reading(runtime.detectPages()) };
  });
  assert.ok(slices > 400, `${slices} slices`);
  assert.equal(sliced, atOnce);
  assert.ok(/^element c0@0,0 c1@0,322 c2@0,644 .* c399@0,128478$/.test(sliced), sliced.slice(0, 80));

  // Leaving edit mode before the detection that entering started has run ends it unseen;
  // entering again detects afresh.
  await page.evaluate(() => {
    const runtime = window.__lmwRuntime;
    runtime.toggleEditMode();
    runtime.state.pages = ['kept'];
    runtime.toggleEditMode();
    runtime.toggleEditMode();
  });
  await page.waitForFunction(() => !window.__lmwRuntime.state.pageDetection);
  assert.deepEqual(await page.evaluate(() => window.__lmwRuntime.state.pages), ['kept']);
  await page.keyboard.press('Alt+e');
  await pagesDetected(page);
  assert.deepEqual(await pagerView(), { reading: 'element', pages: 400, label: '1/400', hidden: false, prev: false, next: true });

  // A work that fails in its slice is dropped: the detection lined up behind it still runs.
  await page.evaluate(() => {
    const runtime = window.__lmwRuntime;
    runtime.toggleEditMode();
    runtime.inSlices(() => { throw new Error('a failing work'); });
    runtime.state.pages = ['kept'];
    runtime.toggleEditMode();
  });
  await pagesDetected(page);
  assert.equal((await pagerView()).pages, 400);
  assert.equal(browser.errors.pop().message, 'a failing work');
});

// Counts in `window.boxReads` every box the page reads from now on.
function countBoxReads(page) {
  return page.evaluate(() => {
    const read = Element.prototype.getBoundingClientRect;
    window.boxReads = 0;
    Element.prototype.getBoundingClientRect = function () {
      window.boxReads++;
      return read.call(this);
    };
  });
}

// A step reads the boxes of a few elements while the pages stand as detected, and of every page
// of their kind when something could have moved them since: zoom, a resize; unless the user has
// paused since a change of theirs, which has them found again out of sight. Cards put in or taken
// out beside the others, by the document or by the user, are taken up alone, and a change inside a
// card, typing or the document's own, shifts the cards below it: the step finds the card in view
// among a few boxes.
test('a page step reuses the pages found until something could have moved them, then finds them again', async () => {
  const { page } = browser;
  await openInEditor(page, browser.dir, 'cards.html', CARDS);
  await pagesDetected(page);
  await countBoxReads(page);
  // The boxes a step reads are counted until it writes its page into the pager's label, before
  // the scroll it starts moves anything; each step waits for that scroll to bring the card to the
  // top, so that the next starts there.
  const step = async (by, label) => {
    await page.evaluate((label) => {
      const shown = window.__lmwRuntime.ui.pageLabel;
      window.boxReads = 0;
      window.stepReads = null;
      new MutationObserver((records, observer) => {
        if (shown.textContent !== label) return;
        window.stepReads = window.boxReads;
        observer.disconnect();
      }).observe(shown, { childList: true, characterData: true, subtree: true });
    }, label);
    await page.keyboard.press(by);
    await waitUntil((l) => window.__lmwRuntime.ui.pageLabel.textContent === l, label, `${by} to ${label}`);
    const reads = await page.evaluate(() => window.stepReads);
    await waitUntil((n) => Math.abs(document.querySelectorAll('.card')[n - 1].getBoundingClientRect().top) < 2,
      parseInt(label, 10), `${by} to ${label}, scrolled`);
    return reads;
  };
  const WHOLE = 400;
  await page.click('#c0 p', { position: { x: 5, y: 5 } });
  await page.keyboard.press('Escape');
  assert.ok(await step('Alt+ArrowRight', '2/400') < 20, 'a press, editing and the outlines move no page');
  assert.ok(await step('Alt+ArrowRight', '3/400') < 20, 'nor does the step before');
  await page.evaluate(() => document.getElementById('c399').after(...['x1', 'x2'].map((id) => Object.assign(
    document.getElementById('c0').cloneNode(true), { id }))));
  const FEW = 40;
  assert.ok(await step('Alt+ArrowRight', '4/402') < FEW, 'cards the document puts in');
  // The cards put in shift the places of those after them: later steps find their card among a
  // few boxes too, how few depending on where the halving meets the scroll position.
  assert.ok(await step('Alt+ArrowLeft', '3/402') < FEW, 'the step after them');
  await typeAtEnd(page, '#c2 h3', ' typed');
  await page.keyboard.press('Escape');
  assert.ok(await step('Alt+ArrowRight', '4/402') < FEW, 'typing');
  // Zoom and a new window size have the pages found again, by the step or out of sight before it.
  const pagesFoundAt = () => page.evaluate(() => window.__lmwRuntime.state.pagesStamp.moves);
  const beforeZoom = await pagesFoundAt();
  await page.keyboard.press('Control+=');
  await step('Alt+ArrowRight', '5/402');
  assert.notEqual(await pagesFoundAt(), beforeZoom, 'zoom');
  await page.keyboard.press('Control+-');
  await step('Alt+ArrowLeft', '4/402');
  await page.setViewportSize({ width: 1280, height: 700 });
  await step('Alt+ArrowLeft', '3/402');
  assert.match(await pagesFoundAt(), / 1280x700$/, 'a resize');
  await page.setViewportSize({ width: 1280, height: 800 });
  // Once the user pauses after a change of theirs, the pages are found again out of sight.
  await page.waitForFunction(() => window.__lmwRuntime.state.pagesInWaiting);
  await chooseFromElementMenu(page, '#c2', '复制元素', { x: 300, y: 250 });
  assert.ok(await step('Alt+ArrowRight', '4/403') < FEW, 'a copy made by the user');
  page.once('dialog', (dialog) => dialog.accept());
  await chooseFromElementMenu(page, '.card >> nth=3', '删除元素', { x: 300, y: 250 });
  await page.evaluate(() => document.querySelectorAll('.card')[3].scrollIntoView());
  assert.ok(await step('Alt+ArrowRight', '5/402') < FEW, 'a card deleted by the user');
  await page.evaluate(() => {
    const tall = document.createElement('div');
    tall.style.height = '900px';
    document.getElementById('c1').append(tall);
    document.querySelectorAll('.card')[5].scrollIntoView();
  });
  assert.ok(await step('Alt+ArrowRight', '7/402') < FEW, 'a card above grown by the document');
});

// A log whose own script writes more lines into its text: the slices of the window are cut again
// from the longer text at the next step, without a detection.
test('a document whose own text grows is sliced again at the next step', async () => {
  const { page } = browser;
  const lines = (n) => 'line\n'.repeat(n);
  await openInEditor(page, browser.dir, 'log.html', doc('body{margin:0}#log{font:20px/40px monospace;white-space:pre;margin:0}',
    `<pre id="log">${lines(45)}</pre>`));
  await pagesDetected(page);
  assert.deepEqual(await pagerView(), { reading: 'scroll', pages: 3, label: '1/3', hidden: false, prev: false, next: true });
  await page.evaluate((more) => document.getElementById('log').firstChild.appendData(more), lines(40));
  await page.keyboard.press('Alt+ArrowRight');
  await waitUntil(() => window.__lmwRuntime.ui.pageLabel.textContent === '2/5', null, 'after the text grew');
  assert.equal(await page.evaluate(() => window.__lmwRuntime.state.pageDetection), null);
});

// A slide the user copies in a deck of stacked slides joins the deck where it stands, taken up
// without finding the slides again; the step shows it next.
test('a copied slide is taken up into the deck and shown at its turn', async () => {
  const { page } = browser;
  await openInEditor(page, browser.dir, 'stacked.html', doc('html,body{height:100%;margin:0}.deck{position:relative;height:100%}' +
    '.slide{position:absolute;inset:0;opacity:0}.slide.active{opacity:1;z-index:1}',
  `<div class="deck">${[1, 2, 3].map((n) => `<section class="slide${n === 1 ? ' active' : ''}"><h2>Slide ${n}</h2></section>`).join('')}</div>`));
  await pagesDetected(page);
  await chooseFromElementMenu(page, '.slide.active', '复制元素', { x: 400, y: 300 });
  await page.evaluate(() => { window.stampBefore = window.__lmwRuntime.state.pagesStamp; });
  await page.keyboard.press('Alt+ArrowRight');
  await waitUntil(() => window.__lmwRuntime.ui.pageLabel.textContent === '2/4', null, 'after the copy');
  assert.deepEqual(await page.evaluate(() => ({
    taken: window.__lmwRuntime.state.pagesStamp === window.stampBefore,
    slides: [...document.querySelectorAll('.slide')].map((s) => `${s.querySelector('h2').textContent}:${s.classList.contains('active')}`).join()
  })), { taken: true, slides: 'Slide 1:false,Slide 1:true,Slide 2:false,Slide 3:false' });
});

// The same log writing its lines as elements: lines added are taken up by cutting the slices
// again, reading the boxes of those lines alone; a block the size of a page, which could make
// pages of its own, has the pages found again.
test('lines the document adds are sliced again; a block of a page\'s size is weighed by a detection', async () => {
  const { page } = browser;
  const lines = (n) => '<div class="l">line</div>'.repeat(n);
  await openInEditor(page, browser.dir, 'lines.html', doc('body{margin:0}.l{font:20px/40px monospace}', `<div id="log">${lines(45)}</div>`));
  await pagesDetected(page);
  await countBoxReads(page);
  const stepReading = async (change, label) => {
    await page.evaluate((html) => {
      document.getElementById('log').insertAdjacentHTML('beforeend', html);
      window.boxReads = 0;
    }, change);
    await page.keyboard.press('Alt+ArrowRight');
    await waitUntil((l) => window.__lmwRuntime.ui.pageLabel.textContent === l, label, `to ${label}`);
    const reads = await page.evaluate(() => window.boxReads);
    await waitUntil((top) => scrollY === top, (parseInt(label, 10) - 1) * 800, `to ${label}, scrolled`);
    return reads;
  };
  assert.ok(await stepReading(lines(40), '2/5') <= 40, 'lines added');
  assert.ok(await stepReading('<div style="height:900px"></div>', '3/6') > 85, 'a block of a page\'s size');
});
