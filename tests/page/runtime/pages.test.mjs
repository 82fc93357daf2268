// Pages and slides as a user meets them: documents built the way real ones are (decks that
// restructure themselves, height:100% chains, timers, their own counters and key handlers,
// scrolling containers), the reading each gets, the pager's label, and where the pager buttons
// and Alt+arrows take the document, or what they leave alone.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { browserSession } from '../support/browser.mjs';
import { openInEditor, editorView } from '../support/editor.mjs';

const browser = browserSession();

function page(style, body, script = '') {
  return `<!DOCTYPE html><html><head><meta charset="utf-8"><title>t</title><style>${style}</style></head>` +
    `<body>${body}${script ? `<script>${script}</script>` : ''}</body></html>`;
}

const paragraphs = (n, words) => Array.from({ length: n }, (_, i) =>
  `<p>第 ${i + 1} 段 ${'paragraph text '.repeat(words + (i % 5) * 3)}</p>`).join('');

// A 2800px article (3.5 windows of 800px): its heading's top margin collapses with the body's own
// 8px margin, and nothing in it repeats at block size.
const ARTICLE = page('body{font:16px/1.5 serif}article{width:700px;height:2752px;margin:0 auto}' +
  'h1{margin:40px 0 20px}', `<article><h1 id="title">长文章 Long article</h1>${paragraphs(30, 8)}</article>`);

// Slides written as sections in the body; the deck's script gathers them into a stage at load,
// adds its own controls and runs a clock, as slide frameworks do.
function deck({ withGoTo }) {
  const style = 'html,body{height:100%;margin:0}.deck{position:relative;height:100%;overflow:hidden}' +
    '.slide{position:absolute;top:0;left:0;right:0;bottom:0;padding:40px;opacity:0;transition:opacity .2s}' +
    '.slide.active{opacity:1}.controls{position:fixed;left:20px;bottom:20px;width:300px;height:30px}' +
    '.dot{display:inline-block;width:10px;height:10px}#clock{display:inline-block;width:60px}';
  const slides = ['一', '二', '三'].map((n, i) =>
    `<section class="slide${i === 1 ? ' active' : ''}" id="s${i}"><h2>第${n}页</h2><p>内容 ${n}</p></section>`).join('');
  const script = `
var deck = document.createElement('div');
deck.className = 'deck';
document.querySelectorAll('body > section').forEach(function (s) { deck.appendChild(s); });
document.body.insertBefore(deck, document.body.firstChild);
var controls = document.createElement('div');
controls.className = 'controls';
controls.innerHTML = '<button id="prevBtn">‹</button><span id="pageNum">2 / 3</span><button id="nextBtn">›</button>' +
  '<span class="dot"></span><span class="dot active"></span><span class="dot"></span><span id="clock">0</span>';
document.body.appendChild(controls);
var ticks = 0;
setInterval(function () { document.getElementById('clock').textContent = String(++ticks); }, 40);
window.goToCalls = [];
${withGoTo ? `window.goTo = function (i) {
  window.goToCalls.push(i);
  document.querySelectorAll('.slide').forEach(function (s, k) {
    s.classList.toggle('active', k === i);
    s.classList.toggle('prev', k < i);
  });
};` : ''}`;
  return page(style, slides, script);
}

const DECK = deck({ withGoTo: true });

const fullWindow = 'body{margin:0}.page,section{height:100vh;box-sizing:border-box;padding:30px}';

// The document's own counter, moved by its own ArrowRight and ArrowLeft handler; like many decks
// it ignores keys during its 500ms transition.
const COUNTER = page('body{margin:0}.stage{height:300px}.page-num{position:fixed;right:20px;bottom:20px}',
  '<div class="stage"><h1 id="slide-title">Slide 3</h1></div><div class="page-num">3 / 12</div>', `
var current = 3;
window.lockedUntil = 0;
window.keysSeen = [];
document.addEventListener('keydown', function (event) {
  window.keysSeen.push([event.key, event.code, event.altKey, event.ctrlKey, event.shiftKey, event.metaKey].join());
  if (event.key !== 'ArrowRight' && event.key !== 'ArrowLeft') return;
  if (Date.now() < window.lockedUntil) return;
  window.lockedUntil = Date.now() + 500;
  current = Math.max(1, Math.min(12, current + (event.key === 'ArrowRight' ? 1 : -1)));
  document.querySelector('.page-num').textContent = current + ' / 12';
  document.getElementById('slide-title').textContent = 'Slide ' + current;
});`);

// Each row: the document, the reading and page count it must get, the label, then moves in order.
// A move is a pager button ('next', 'prev') or a key, the label it leaves and, when the document
// moves, a condition on where it went; `still` marks a move that must change nothing.
const CORPUS = [
  {
    name: 'long article', html: ARTICLE, reading: 'scroll', pages: 4, label: '1/4',
    moves: [
      { by: 'Alt+ArrowLeft', label: '1/4', still: 'window.scrollY === 0' },
      { by: 'Alt+ArrowRight', label: '2/4', at: 'window.scrollY === 800' },
      { by: 'next', label: '3/4', at: 'window.scrollY === 1600' },
      { by: 'next', label: '4/4', at: 'window.scrollY === 2000' },
      { by: 'Alt+ArrowRight', label: '4/4', still: 'window.scrollY === 2000' },
      { by: 'prev', label: '3/4', at: 'window.scrollY === 1600' }
    ]
  },
  {
    name: 'one-window page', reading: 'scroll', pages: 1, label: '',
    html: page('body{margin:0}', '<main><h1>Short</h1><p>Fits in one window.</p></main>'),
    moves: [{ by: 'Alt+ArrowRight', label: '', passes: true }]
  },
  {
    name: 'scroller of no height in a one-window page', reading: 'scroll', pages: 1, label: '',
    html: page('body{margin:0}.box{width:400px;height:0;border-top:240px solid #ccc;overflow:auto}',
      `<div class="box"><div style="height:900px">tall content</div></div>`),
    moves: []
  },
  {
    name: 'deck with goTo', html: DECK, reading: 'slide', pages: 3, label: '2/3',
    moves: [
      { by: 'next', label: '3/3', at: 'window.goToCalls.join() === "2"' },
      { by: 'Alt+ArrowRight', label: '3/3', still: 'window.goToCalls.join() === "2"' },
      { by: 'Alt+ArrowLeft', label: '2/3', at: 'window.goToCalls.join() === "2,1"' }
    ],
    slides: ['prev', 'active', '']
  },
  {
    name: 'deck without goTo', html: deck({ withGoTo: false }), reading: 'slide', pages: 3, label: '2/3',
    moves: [
      { by: 'Alt+ArrowRight', label: '3/3', at: 'document.getElementById("pageNum").textContent === "3 / 3"' },
      { by: 'prev', label: '2/3', at: 'document.getElementById("pageNum").textContent === "2 / 3"' },
      { by: 'prev', label: '1/3', at: 'document.getElementById("prevBtn").disabled && !document.getElementById("nextBtn").disabled' }
    ],
    slides: ['active', '', ''],
    dots: [true, false, false]
  },
  {
    name: 'pages ordered by data-index', reading: 'element', pages: 3, label: '2/3',
    html: page(fullWindow, '<div class="page" data-index="2">second</div><div class="page" data-index="1">first</div>' +
      '<div class="page">third, no index</div>'),
    moves: [
      { by: 'prev', label: '1/3', at: 'window.scrollY === 800' },
      { by: 'Alt+ArrowLeft', label: '1/3', still: 'window.scrollY === 800' }
    ]
  },
  {
    name: 'page containers inside page containers', reading: 'element', pages: 2, label: '1/2',
    html: page('body{margin:0}section{padding-top:120px}.page{height:100vh}',
      '<section><div class="page">one</div></section><section><div class="page">two</div></section>'),
    moves: [{ by: 'next', label: '2/2', at: 'window.scrollY === 1040' }]
  },
  {
    name: 'two full-window sections', reading: 'element', pages: 2, label: '1/2',
    html: page(fullWindow + 'body > section{background:#eef}', '<section>one</section><section>two</section>'),
    moves: [{ by: 'Alt+ArrowRight', label: '2/2', at: 'window.scrollY === 800' }]
  },
  {
    name: 'four equal cards', reading: 'element', pages: 4, label: '1/4',
    html: page('body{margin:0}.grid{padding:20px}.card{width:900px;height:460px;margin:0 0 40px;background:#eee}.card h2{margin:0}',
      '<div class="grid">' + [1, 2, 3, 4].map((n) => `<div class="card"><h2>Card ${n}</h2></div>`).join('') + '</div>'),
    moves: [
      { by: 'next', label: '2/4', at: 'window.scrollY === 520' },
      { by: 'next', label: '3/4', at: 'window.scrollY === 1020' }
    ]
  },
  {
    name: 'its own page counter', html: COUNTER, reading: 'runtime', pages: 12, label: '3/12',
    moves: [
      { by: 'next', label: '4/12', at: 'document.querySelector(".page-num").textContent === "4 / 12"' },
      // Within the deck's transition the key is ignored: our label runs ahead, then follows it.
      { by: 'Alt+ArrowRight', first: '5/12', label: '4/12', at: 'window.keysSeen.length === 2' },
      { by: 'prev', before: 'Date.now() > window.lockedUntil', label: '3/12',
        at: 'document.querySelector(".page-num").textContent === "3 / 12"' }
    ]
  },
  {
    name: 'pages in a scrolling container', reading: 'element', pages: 3, label: '1/3',
    html: page('body{margin:0}.viewer{height:100vh;overflow:auto}.page{height:700px;margin:0 0 20px}',
      '<div class="viewer"><div class="page">1</div><div class="page">2</div><div class="page">3</div></div>'),
    moves: [{ by: 'Alt+ArrowRight', label: '2/3', at: 'document.querySelector(".viewer").scrollTop === 720 && window.scrollY === 0' }]
  },
  {
    name: 'plain text in a scrolling container', reading: 'scroll', pages: 3, label: '1/3',
    html: page('body{margin:0}.viewer{height:600px;overflow:auto}.text{height:1700px}',
      '<div class="viewer"><div class="text">long text</div></div>'),
    moves: [{ by: 'next', label: '2/3', at: 'document.querySelector(".viewer").scrollTop === 600' }]
  }
];

function pagerView() {
  return browser.page.evaluate(() => {
    const { state, ui } = window.__lmwRuntime;
    return {
      reading: state.pageMode, pages: state.pages.length, label: ui.pageLabel.textContent,
      hidden: ui.pager.classList.contains('hidden'),
      prev: !ui.prevPageBtn.disabled, next: !ui.nextPageBtn.disabled
    };
  });
}

// Records whether each key reached the window's listeners cancelled, after the runtime's own.
async function watchKeys() {
  await browser.page.evaluate(() => {
    window.cancelledKeys = [];
    window.addEventListener('keydown', (event) => window.cancelledKeys.push(event.defaultPrevented), true);
  });
}

async function move(step) {
  const { page } = browser;
  if (step.by === 'next' || step.by === 'prev') await page.click(`.__lw-tb-btn[title^="切换到${step.by === 'next' ? '下' : '上'}一页"]`);
  else await page.keyboard.press(step.by);
}

// Waits for a condition in the page; on failure tells which move it was and what the pager showed.
async function waitUntil(condition, arg, where) {
  try {
    await browser.page.waitForFunction(condition, arg, { timeout: 10000 });
  } catch (error) {
    assert.fail(`${where}: waited for ${condition} ${arg ?? ''}; pager ${JSON.stringify(await pagerView())}, ` +
      `scrollY ${await browser.page.evaluate(() => window.scrollY)}`);
  }
}

test('each kind of document gets its reading, its label, and moves page by page', async () => {
  const { page } = browser;
  for (const row of CORPUS) {
    await openInEditor(page, browser.dir, 'pages.html', row.html);
    await watchKeys();
    let view = await pagerView();
    assert.deepEqual([view.reading, view.pages, view.label, view.hidden], [row.reading, row.pages, row.label, row.pages < 2],
      `${row.name}: detection`);
    for (const step of row.moves) {
      const where = `${row.name}, ${step.by} to ${step.label || 'nothing'}`;
      if (step.before) await waitUntil(step.before, null, where);
      await move(step);
      if (step.first) assert.equal((await pagerView()).label, step.first, `${where}: the label at once`);
      if (step.at) await waitUntil(step.at, null, where);
      await waitUntil((label) => window.__lmwRuntime.ui.pageLabel.textContent === label, step.label, where);
      if (step.still) assert.ok(await page.evaluate(step.still), `${where}: the document stays`);
      if (step.by.startsWith('Alt')) {
        assert.equal(await page.evaluate(() => window.cancelledKeys.at(-1)), !step.passes, `${where}: key cancelled`);
      }
      view = await pagerView();
      const [current, total] = view.label.split('/').map(Number);
      assert.deepEqual([view.prev, view.next], total > 1 ? [current > 1, current < total] : [false, false],
        `${where}: buttons`);
    }
    if (row.slides) {
      const classes = await page.evaluate(() => [...document.querySelectorAll('.slide')]
        .map((slide) => [...slide.classList].filter((name) => name !== 'slide').join(' ')));
      assert.deepEqual(classes, row.slides, `${row.name}: classes of the slides`);
    }
    if (row.dots) {
      assert.deepEqual(await page.evaluate(() => [...document.querySelectorAll('.dot')].map((dot) => dot.classList.contains('active'))),
        row.dots, `${row.name}: the deck's dots`);
    }
  }
});

test('the arrow key sent to the document carries no modifier, and the counter must be one', async () => {
  const { page } = browser;
  await openInEditor(page, browser.dir, 'counter.html', COUNTER.replace('3 / 12', '3／12'));
  assert.deepEqual(await pagerView(), { reading: 'runtime', pages: 12, label: '3/12', hidden: false, prev: true, next: true });
  await page.keyboard.press('Alt+ArrowRight');
  await page.waitForFunction(() => document.querySelector('.page-num').textContent === '4 / 12');
  assert.deepEqual(await page.evaluate(() => window.keysSeen), ['ArrowRight,ArrowRight,false,false,false,false']);
  assert.equal((await editorView(page)).editMode, true, 'none of the runtime\'s shortcuts took the key');

  for (const text of ['0/5', '6/5', '1/1', '1/501', `第 3 / 12 页 ${'很长的说明文字'.repeat(5)}`]) {
    await page.keyboard.press('Alt+e');
    await page.evaluate((t) => { document.querySelector('.page-num').textContent = t; }, text);
    await page.keyboard.press('Alt+e');
    const view = await pagerView();
    assert.deepEqual([view.reading, view.pages, view.hidden], ['scroll', 1, true], `"${text}" is no page counter`);
  }
});

// Every element of the document, by its place in the tree, with its box.
function boxesOfDocument() {
  return browser.page.evaluate(() => [...document.body.querySelectorAll('*')]
    .filter((element) => !element.hasAttribute('data-lmw-wrapper') && !element.closest('[data-lmw-root], ' +
      '[data-lmw-ui], script, .__lw-toggle, .__lw-import-btn, .__lw-import-input'))
    .map((element) => {
      const box = element.getBoundingClientRect();
      return `${element.tagName}#${element.id}.${element.className} ${box.x},${box.y},${box.width},${box.height}`;
    }));
}

test('entering edit mode leaves every box of a deck and of an article where it was', async () => {
  const { page } = browser;
  for (const [name, html] of [['deck', DECK], ['article', ARTICLE]]) {
    await openInEditor(page, browser.dir, `${name}.html`, html);
    const inEditMode = await boxesOfDocument();
    await page.keyboard.press('Alt+e');
    assert.equal((await editorView(page)).wrapped, false);
    const inViewMode = await boxesOfDocument();
    assert.ok(inViewMode.length > 5);
    assert.deepEqual(inEditMode, inViewMode, `${name}: boxes in edit mode and in view mode`);
  }
});
