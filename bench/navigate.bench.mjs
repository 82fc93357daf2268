// Page detection, find and replace-all on generated 1 MB and 5 MB articles and a 40-slide deck,
// each beside the bare browser work that bounds it, measured in the same run: reading the box
// of every element (detection reads each box once), walking every text node (a find walks them
// once), for a find that highlights, the relayout that any change of one text node costs, and for
// the find of a common word, the same matches wrapped in spans by the browser alone, in a page of
// its own, taken by turns with the find. Then page steps (Alt+→) in edit mode on the 5 MB article,
// a 5 MB document of cards and the deck, each from the key until the frame after it, beside the
// same scroll made by the browser alone in the same page and timed alike, taken by turns with the
// steps; a step with the document's own change of a text, and one with its copy of an element,
// each beside the same change laid out and the scroll made by the browser alone; and a step right
// after a letter typed.
// Usage: node bench/navigate.bench.mjs [test-page.html]
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import { launchBrowser, openStartPage, chooseThroughInput, waitForRuntime, tempDir, writeFixture, TEST_PAGE }
  from '../tests/page/support/browser.mjs';
import { generateDocument, median, recordFigure, installFrameProbe } from './documents.mjs';
import { pagesDetected } from '../tests/page/support/editor.mjs';

const RUNS = 9;
const STEP_TARGET_MS = 100;
const pageFile = process.argv[2] ? path.resolve(process.argv[2]) : TEST_PAGE;

const SENTENCES = ['The lantern swung over the harbour while the tide went out.',
  '港口的灯笼在风中摇晃，潮水慢慢退去。', 'Ships waited for the morning bell and the pilot boats.',
  'A long paragraph of ordinary prose keeps the layout honest.'];

// The article's common word stands in two paragraphs of every eleven: about 3,000 matches in
// the 5 MB article.
const COMMON_WORD = 'lighthouse';
const commonWordIn = (n, k) => ((n + k) % 11 < 2 ? `${COMMON_WORD} ` : '');

// A long article as writers' tools emit it: headings, paragraphs and lists in one flow, with no
// page markers and nothing of block size repeated, so detection goes through every reading.
function articlePart(n) {
  const paragraph = (k) => `<p>${SENTENCES.slice(k % 2).join(' ')} <em>第 ${n}.${k} 段</em> ` +
    `${n === 1000 && k === 1 ? 'zephyrine ' : ''}${commonWordIn(n, k)}${SENTENCES[(n + k) % 4]}</p>`;
  return `<h2>Chapter ${n}</h2>${[0, 1, 2].map(paragraph).join('')}<ul><li>item ${n}a</li><li>item ${n}b</li></ul>\n`;
}

function generatedArticle(megabytes) {
  const parts = [];
  let size = 0;
  for (let n = 0; size < megabytes * 1024 * 1024; n++) {
    parts.push(articlePart(n));
    size += Buffer.byteLength(parts[n]);
  }
  return `<!DOCTYPE html><html><head><meta charset="utf-8"><title>article</title>
<style>body{font:16px/1.6 serif;max-width:760px;margin:0 auto}</style></head><body>\n<article>${parts.join('')}</article></body></html>`;
}

function generatedDeck(slides) {
  const slide = (n) => `<section class="slide${n === 0 ? ' active' : ''}" data-index="${n}"><h2>第 ${n + 1} 页 Slide</h2>` +
    `<ul>${SENTENCES.map((s) => `<li>${s}</li>`).join('')}</ul><p>lantern ${n}</p></section>`;
  return `<!DOCTYPE html><html><head><meta charset="utf-8"><title>deck</title><style>
html,body{height:100%;margin:0}.deck{position:relative;height:100%}
.slide{position:absolute;inset:0;padding:40px;opacity:0}.slide.active{opacity:1}</style></head><body>
<div class="deck">${Array.from({ length: slides }, (_, n) => slide(n)).join('')}</div></body></html>`;
}

// Each probe runs in the page on a clean layout and returns milliseconds.
const PROBES = {
  boxes() {
    document.body.offsetHeight;
    const start = performance.now();
    const all = document.body.getElementsByTagName('*');
    let sum = 0;
    for (let i = 0; i < all.length; i++) sum += all[i].getBoundingClientRect().width;
    return sum >= 0 ? performance.now() - start : -1;
  },
  textWalk() {
    const start = performance.now();
    const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
    let length = 0;
    for (let node = walker.nextNode(); node; node = walker.nextNode()) length += node.data.length;
    return length >= 0 ? performance.now() - start : -1;
  },
  relayout() {
    const paragraphs = document.querySelectorAll('p, li');
    const text = paragraphs[Math.floor(paragraphs.length / 2)].firstChild;
    document.body.offsetHeight;
    const start = performance.now();
    text.splitText(3);
    document.body.offsetHeight;
    const ms = performance.now() - start;
    text.parentNode.normalize();
    return ms;
  },
  detection() {
    document.body.offsetHeight;
    const start = performance.now();
    const pages = window.__lmwRuntime.detectPages();
    window.__benchPages = `${pages[0].mode} ${pages.length}`;
    return performance.now() - start;
  },
  find(query) {
    const runtime = window.__lmwRuntime;
    runtime.clearHighlights();
    window.getSelection().removeAllRanges();
    runtime.ui.findInput.value = query;
    document.body.offsetHeight;
    const start = performance.now();
    runtime.runFind();
    const ms = performance.now() - start;
    window.__benchMatches = runtime.ui.findCount.textContent;
    runtime.clearHighlights();
    window.scrollTo(0, 0);
    return ms;
  },
  // What any highlighting of every match costs the browser: each occurrence wrapped in a span of
  // its own and the first brought into view, which lays the changed text out again.
  bareHighlight(query) {
    const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
    document.body.offsetHeight;
    const start = performance.now();
    const holding = [];
    for (let node = walker.nextNode(); node; node = walker.nextNode()) {
      if (node.data.indexOf(query) >= 0 && !node.parentNode.closest('script, style')) holding.push(node);
    }
    const spans = [];
    for (let node of holding) {
      for (let at = node.data.indexOf(query); at >= 0; at = node.data.indexOf(query)) {
        const match = node.splitText(at);
        node = match.splitText(query.length);
        const span = document.createElement('span');
        span.style.background = 'rgba(234,179,8,.35)';
        match.replaceWith(span);
        span.appendChild(match);
        spans.push(span);
      }
    }
    if (spans.length) spans[0].scrollIntoView({ block: 'center' });
    const ms = performance.now() - start;
    window.__benchBareMatches = spans.length;
    spans.forEach((span) => {
      const parent = span.parentNode;
      span.replaceWith(span.firstChild);
      parent.normalize();
    });
    window.scrollTo(0, 0);
    return ms;
  },
  replaceAll([query, replacement]) {
    const runtime = window.__lmwRuntime;
    runtime.ui.findInput.value = query;
    runtime.ui.replaceInput.value = replacement;
    const start = performance.now();
    runtime.replaceAll();
    const ms = performance.now() - start;
    window.__benchReplaced = document.querySelector('.__lw-toast').textContent;
    return ms;
  }
};

function runProbe(page, name, arg) {
  return page.evaluate(`(${PROBES[name].toString().replace(/^\w+\(/, 'function (')})(${JSON.stringify(arg)})`);
}

async function probe(page, name, arg) {
  const runs = [];
  for (let run = 0; run < RUNS; run++) runs.push(await runProbe(page, name, typeof arg === 'function' ? arg(run) : arg));
  return median(runs);
}

// Two probes taken by turns, one in each page, so that the machine's slow spells fall on both.
async function probesByTurns(first, second) {
  const runs = [[], []];
  for (let run = 0; run < RUNS; run++) {
    runs[0].push(await runProbe(...first));
    runs[1].push(await runProbe(...second));
  }
  return runs.map(median);
}

async function measure(browser, dir, name, html, commonWord) {
  const { page } = browser;
  const file = writeFixture(dir, `bench-${name}.html`, html);
  await openStartPage(page, pageFile);
  await chooseThroughInput(page, file);
  await waitForRuntime(page);
  await page.waitForFunction(() => document.querySelector('.__lw-toggle.active'));
  const boxes = await probe(page, 'boxes');
  const walk = await probe(page, 'textWalk');
  const relayout = await probe(page, 'relayout');
  const detection = await probe(page, 'detection');
  const reading = await page.evaluate(() => window.__benchPages);
  const none = await probe(page, 'find', 'quetzal');
  const rare = await probe(page, 'find', 'zephyrine');
  const rareCount = await page.evaluate(() => window.__benchMatches);
  // The bare highlight runs on the file opened by the browser alone, which no editor watches.
  const plain = await browser.context.newPage();
  await plain.goto(pathToFileURL(file).href);
  const [common, bareHighlight] = await probesByTurns([page, 'find', commonWord], [plain, 'bareHighlight', commonWord]);
  const commonCount = await page.evaluate(() => window.__benchMatches);
  const bareCount = await plain.evaluate(() => window.__benchBareMatches);
  const elements = await plain.evaluate(() => document.body.getElementsByTagName('*').length);
  await plain.close();
  const replace = await probe(page, 'replaceAll', (run) => (run % 2 ? ['beacon', commonWord] : [commonWord, 'beacon']));
  const replaced = await page.evaluate(() => window.__benchReplaced);
  const ms = (value) => `${value.toFixed(1).padStart(8)} ms`;
  const ratio = (value, base) => `${(value / base).toFixed(2)} x`;
  console.log(`${name}: ${elements} elements (${RUNS} runs, medians)`);
  console.log(`  bare box of every element          ${ms(boxes)}`);
  console.log(`  bare walk of every text node       ${ms(walk)}`);
  console.log(`  bare relayout, one text node split ${ms(relayout)}`);
  console.log(`  ${`bare highlight of ${bareCount} ${commonWord}`.padEnd(34)}${ms(bareHighlight)}`);
  console.log(`  page detection (${reading.padEnd(14)})   ${ms(detection)}   ${ratio(detection, boxes)} box reading`);
  console.log(`  find, no match (search alone)      ${ms(none)}   ${ratio(none, walk)} text walk`);
  console.log(`  find, ${rareCount.padEnd(10)} (rare word)     ${ms(rare)}   ${ratio(rare, walk + relayout)} walk + relayout`);
  console.log(`  ${`find, ${commonCount.padEnd(10)} (${commonWord})`.padEnd(34)}${ms(common)}   ${ratio(common, bareHighlight)} bare highlight`);
  console.log(`  ${`replace-all (${replaced}), with its snapshot`.padEnd(34)}${ms(replace)}   ${ratio(replace, walk)} text walk`);
  return { common, replace, walk, bareHighlight };
}

// A step is timed from the window's first sight of Alt+→, by a listener put ahead of the runtime's
// (edit mode is left and entered again after it is added), to the end of its handling there, by
// one put behind, then through the frame after it. A change the document makes just before the
// step is made by the first listener, once the time has started, so that the step has to see it.
async function installStepProbe(page) {
  await installFrameProbe(page);
  await page.evaluate((changes) => {
    window.__benchSteps = [];
    window.__benchChanges = Object.fromEntries(Object.entries(changes).map(([name, body]) => [name, new Function(body)]));
    const isStep = (event) => event.altKey && event.key === 'ArrowRight';
    window.addEventListener('keydown', (event) => {
      if (!isStep(event)) return;
      window.__benchStepFinish = window.__benchFrame();
      if (window.__benchChange) window.__benchChanges[window.__benchChange]();
      window.__benchChange = null;
    }, true);
    window.__lmwRuntime.toggleEditMode();
    window.__lmwRuntime.toggleEditMode();
    window.addEventListener('keydown', (event) => {
      if (isStep(event)) window.__benchStepFinish().then((ms) => window.__benchSteps.push(ms));
    }, true);
  }, DOCUMENT_CHANGES);
  await pagesDetected(page);
}

// A smooth scroll runs for a while after its step; the next step waits until it has stopped and
// the page it reached is read back.
async function scrolledToRest(page) {
  let last = null;
  for (let still = 0; still < 3;) {
    await new Promise((resolve) => setTimeout(resolve, 150));
    const at = await page.evaluate(() => `${window.scrollX},${window.scrollY}`);
    still = at === last ? still + 1 : 0;
    last = at;
  }
}

async function stepMs(page) {
  await page.keyboard.press('Alt+ArrowRight');
  await page.waitForFunction(() => window.__benchSteps.length > 0);
  const ms = await page.evaluate(() => window.__benchSteps.pop());
  await scrolledToRest(page);
  return ms;
}

// The document's own changes just before a step: a letter put into a paragraph's text, and a copy
// of its first card, or else of its first paragraph, put after it.
const DOCUMENT_CHANGES = {
  text: "document.querySelector('p').firstChild.insertData(0, 'x');",
  copy: "const first = document.querySelector('.card') || document.querySelector('p'); first.after(first.cloneNode(true));"
};

// The browser alone scrolls to the next page the way the step does, smoothly; after the
// document's change named, when one is, laid out first, as the step must see it.
async function bareStepMs(page, change = null) {
  const ms = await page.evaluate((change) => {
    const { state } = window.__lmwRuntime;
    const next = state.pages[Math.min(state.pages.length - 1, state.currentPage + 1)];
    return window.__benchBusy(() => {
      if (change) {
        window.__benchChanges[change]();
        void document.body.getBoundingClientRect();
      }
      if (next.node) next.node.scrollIntoView({ behavior: 'smooth', block: 'start', inline: 'start' });
      else (next.scroller || window).scrollTo({ left: next.x || 0, top: next.y || 0, behavior: 'smooth' });
    });
  }, change);
  await scrolledToRest(page);
  return ms;
}

async function stepAfterChangeMs(page, change) {
  await page.evaluate((name) => { window.__benchChange = name; }, change);
  return stepMs(page);
}

// A letter typed into the first text in the window, below the toolbar, then the step.
async function stepAfterTypingMs(page) {
  const point = await page.evaluate(() => {
    for (let y = 160; y < innerHeight; y += 10) {
      const text = document.elementFromPoint(innerWidth / 3, y)?.closest('p, li, h2');
      if (!text) continue;
      const box = text.getBoundingClientRect();
      return { x: box.right - 2, y: box.top + box.height / 2 };
    }
    throw new Error('no text in the window');
  });
  await page.mouse.click(point.x, point.y);
  await page.keyboard.type('x');
  await page.keyboard.press('Escape');
  return stepMs(page);
}

async function measureSteps(page, name) {
  await installStepProbe(page);
  const steps = [];
  const bare = [];
  for (let run = 0; run < RUNS; run++) {
    steps.push(await stepMs(page));
    bare.push(await bareStepMs(page));
  }
  const afterEdit = [];
  const bareAfterEdit = [];
  const afterCopy = [];
  const bareAfterCopy = [];
  const afterTyping = [];
  for (let run = 0; run < 3; run++) {
    afterEdit.push(await stepAfterChangeMs(page, 'text'));
    bareAfterEdit.push(await bareStepMs(page, 'text'));
    afterCopy.push(await stepAfterChangeMs(page, 'copy'));
    bareAfterCopy.push(await bareStepMs(page, 'copy'));
    afterTyping.push(await stepAfterTypingMs(page));
  }
  const reading = await page.evaluate(() => `${window.__lmwRuntime.state.pageMode} ${window.__lmwRuntime.state.pages.length}`);
  const result = {
    step: median(steps), bare: median(bare), afterEdit: median(afterEdit), bareAfterEdit: median(bareAfterEdit),
    afterCopy: median(afterCopy), bareAfterCopy: median(bareAfterCopy), afterTyping: median(afterTyping), first: steps[0]
  };
  const ms = (value) => `${value.toFixed(1).padStart(8)} ms`;
  console.log(`${name}: page steps, ${reading} pages (${RUNS} runs, medians)`);
  console.log(`  bare smooth scroll to the next page   ${ms(result.bare)}`);
  console.log(`  page step (Alt+→)                     ${ms(result.step)}   ${(result.step / result.bare).toFixed(2)} x bare scroll`);
  console.log(`    the first after entering            ${ms(result.first)}`);
  console.log(`  bare: a text change laid out, the scroll  ${ms(result.bareAfterEdit)}`);
  console.log(`  a step after the document's own edit  ${ms(result.afterEdit)}   ${(result.afterEdit / result.bareAfterEdit).toFixed(2)} x bare change + scroll`);
  console.log(`  bare: a copy laid out, the scroll     ${ms(result.bareAfterCopy)}`);
  console.log(`  a step after the document's own copy  ${ms(result.afterCopy)}   ${(result.afterCopy / result.bareAfterCopy).toFixed(2)} x bare copy + scroll`);
  console.log(`  a step right after typing             ${ms(result.afterTyping)}`);
  console.log(`  a step within ${STEP_TARGET_MS} ms: ${result.step < STEP_TARGET_MS ? 'yes' : 'NO'}`);
  return result;
}

async function openForSteps(page, file) {
  await openStartPage(page, pageFile);
  await chooseThroughInput(page, file);
  await waitForRuntime(page);
  await page.waitForFunction(() => document.querySelector('.__lw-toggle.active'));
}

function recordStep(name, result, what) {
  recordFigure(name, result.step, result.bare, `a page step (Alt+→) in edit mode on ${what}, from the key until the frame after it; the first after entering edit mode took ${
    result.first.toFixed(1)} ms, one right after typing ${
    result.afterTyping.toFixed(1)} ms, one with the document's own change of a text ${
    result.afterEdit.toFixed(1)} ms, where the browser alone lays such a change out and scrolls in ${
    result.bareAfterEdit.toFixed(1)} ms, and one with the document's own copy of an element ${
    result.afterCopy.toFixed(1)} ms, against ${result.bareAfterCopy.toFixed(1)} ms for the browser alone; bare: the same smooth scroll made by the browser alone in the same page`);
}

const browser = await launchBrowser();
const dir = tempDir('lmw-bench-');
try {
  await measure(browser, dir, '1 MB article', generatedArticle(1), COMMON_WORD);
  const article = await measure(browser, dir, '5 MB article', generatedArticle(5), COMMON_WORD);
  recordFigure('find_5mb', article.common, article.bareHighlight);
  recordFigure('replace_all_5mb', article.replace, article.walk);
  await measure(browser, dir, '40-slide deck', generatedDeck(40), 'lantern');
  const { page } = browser;
  await openForSteps(page, writeFixture(dir, 'steps-article.html', generatedArticle(5)));
  recordStep('page_step_5mb', await measureSteps(page, '5 MB article'), 'the 5 MB article');
  await openForSteps(page, writeFixture(dir, 'steps-cards.html', generateDocument(5)));
  recordStep('page_step_deck_5mb', await measureSteps(page, '5 MB document of cards'), 'a 5 MB document of cards');
  await openForSteps(page, writeFixture(dir, 'steps-deck.html', generatedDeck(40)));
  await measureSteps(page, '40-slide deck');
} finally {
  await browser.close();
}
