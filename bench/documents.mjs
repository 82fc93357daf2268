// The generated documents the benchmarks measure, the median they report, the ways they open and
// edit a document as a user does, and the line that prints a figure beside the bare operation
// that bounds it.
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { launchBrowser, openStartPage, chooseThroughInput, dropOnDropZone, waitForRuntime, tempDir, TEST_PAGE }
  from '../tests/page/support/browser.mjs';
import { pagesDetected } from '../tests/page/support/editor.mjs';

export function generateDocument(megabytes) {
  const block = (i) => `<section class="card" id="s${i}"><h2>第 ${i} 节 Section</h2>` +
    `<p>这是一段<strong>生成的</strong>文字，用来测量打开与保存的速度。The quick <em>brown</em> fox jumps over the lazy dog.</p>` +
    `<ul><li>项目一</li><li><a href="#s${i}">链接</a></li></ul></section>\n`;
  const head = '<!DOCTYPE html>\n<html lang="zh-CN"><head><meta charset="utf-8"><title>bench</title>' +
    '<style>.card{padding:8px;border:1px solid #ccc}</style></head><body>\n';
  const parts = [head];
  let size = Buffer.byteLength(head);
  for (let i = 0; size < megabytes * 1024 * 1024; i++) {
    const piece = block(i);
    parts.push(piece);
    size += Buffer.byteLength(piece);
  }
  parts.push('</body></html>\n');
  return parts.join('');
}

export function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  const mid = sorted.length >> 1;
  return sorted.length % 2 ? sorted[mid] : (sorted[mid - 1] + sorted[mid]) / 2;
}

// One browser for every size; `measure` gets the browser, a scratch folder and the size in MB.
export async function measureEachSize(measure, sizes = [1, 5]) {
  const browser = await launchBrowser();
  const dir = tempDir('lmw-bench-');
  try {
    for (const megabytes of sizes) await measure(browser, dir, megabytes);
  } finally {
    await browser.close();
    fs.rmSync(dir, { recursive: true, force: true });
  }
}

// The file opened the way a user opens it, ready in edit mode with its pages detected: the model's
// marks and span table, then the pages, are worked out in slices after the first frame, and a
// step timed before they end would share the machine with them. Dropped, it comes with a handle
// that Ctrl+S saves over. Gives how long the model took to be ready once the document was on
// screen (the driver's first step after the runtime's first frame): a press before then
// finishes that work at once.
export async function openForEditing(page, file, { dropped = false, pageFile = TEST_PAGE } = {}) {
  await openStartPage(page, pageFile);
  await (dropped ? dropOnDropZone(page, file) : chooseThroughInput(page, file));
  await waitForRuntime(page);
  const shownAt = await page.evaluate(() => performance.now());
  const prepared = await page.waitForFunction(() => {
    const model = window.__lmwRuntime.state.model;
    return model.phase === 'ready' && performance.now();
  }, null, { polling: 'raf' });
  await pagesDetected(page);
  return (await prepared.jsonValue()) - shownAt;
}

// The element's box once brought to the middle of the window, away from the toolbar along its
// top, found by the page's own query. A driver's locator runs its own selector engine in the page,
// over every element of the document: at 5 MB that leaves tens of megabytes to collect just
// before the press it leads to, which no user's press brings with it.
export function elementInView(page, selector) {
  return page.evaluate((s) => {
    const element = document.querySelector(s);
    if (!element) throw new Error(`no element matches ${s}`);
    element.scrollIntoView({ block: 'center' });
    const box = element.getBoundingClientRect();
    return { x: box.x, y: box.y, width: box.width, height: box.height };
  }, selector);
}

// A press at the end of the text of the element in the box.
export function pressAtEnd(page, box) {
  return page.mouse.click(box.x + box.width - 2, box.y + box.height / 2);
}

// A real edit: a press at the end of the element's text, then the word typed there. Each call
// on another element is a typing spell of its own, and so one history entry.
export async function typeWord(page, selector, word = ' word') {
  await pressAtEnd(page, await elementInView(page, selector));
  await page.keyboard.type(word);
  const typed = await page.evaluate(([s, w]) => document.querySelector(s).textContent.endsWith(w), [selector, word]);
  if (!typed) throw new Error(`the word typed into ${selector} did not land there`);
}

// A timed press or key comes, as a user's does, once the page has been idle for a while: the
// browser collects the garbage of the work before it (a draft written, pages detected, the
// bench's own copies) in such idle time rather than inside whatever comes next.
export function pageIdle(page, periods = 3) {
  return page.evaluate((count) => new Promise((done) => {
    const next = (left) => (left ? requestIdleCallback(() => next(left - 1), { timeout: 300 }) : done());
    next(count);
  }), periods);
}

// Gives the page two probes of how long the main thread is busy with a change until the frame
// after it: the change and the layout it needs, then the next frame's callbacks, where the
// runtime places what waited for the frame, and the layout they leave. The browser's own frame
// work (painting, and the hit test after a layout that the pointer's place may need) is left
// out: the bare operation's frame does it alike. `__benchFrame()` starts the time and asks for
// the frame's first callback, ahead of any the change asks for, and gives `finish`, which ends
// the change's part, asks for the frame's last callback, behind them, and resolves to the total;
// changes that events bring call the two from their first and last listeners. `__benchBusy(work)`
// times a change made by `work`.
export function installFrameProbe(page) {
  return page.evaluate(() => {
    window.__benchFrame = () => {
      let frameStart = null;
      requestAnimationFrame(() => { frameStart = performance.now(); });
      const start = performance.now();
      return () => {
        document.body.offsetHeight;
        const change = performance.now() - start;
        return new Promise((resolve) => requestAnimationFrame(() => {
          document.body.offsetHeight;
          resolve(change + performance.now() - frameStart);
        }));
      };
    };
    window.__benchBusy = (work) => {
      const finish = window.__benchFrame();
      work();
      return finish();
    };
  });
}

// Writes the draft that typing left due, as the runtime does after a quiet spell, and waits until
// it is stored: a draft falling due during a timed step would time the storage's work as well.
export function settleDraft(page) {
  return page.evaluate(() => window.__lmwRuntime.writeDraft());
}

// Empties the draft store. A file opened again with a draft of its own makes the start page ask
// whether to restore it, and that question, answered by the driver, would be timed as part of
// the opening.
export function forgetDrafts(page) {
  return page.evaluate(() => new Promise((resolve, reject) => {
    const request = indexedDB.open('lumaweave-drafts');
    // A store not yet made is left for the page to make: made here, it would lack its tables.
    request.onupgradeneeded = () => request.transaction.abort();
    request.onerror = () => (request.error.name === 'AbortError' ? resolve() : reject(request.error));
    request.onsuccess = () => {
      const database = request.result;
      const names = Array.from(database.objectStoreNames);
      const transaction = database.transaction(names, 'readwrite');
      for (const name of names) transaction.objectStore(name).clear();
      transaction.oncomplete = () => { database.close(); resolve(); };
      transaction.onabort = () => { database.close(); reject(transaction.error); };
    };
  }));
}

// The median of each series of a record of series.
export function medians(series) {
  return Object.fromEntries(Object.entries(series).map(([key, values]) => [key, median(values)]));
}

// A title, then one figure a row, each beside the bare one that bounds it, given as
// [label, ms, bare ms, bare name]: `  label   12.3 ms   1.50 x bare name`.
export function printFigures(title, rows) {
  console.log(title);
  for (const [label, ms, bare, bareName] of rows) {
    const ratio = bare === undefined ? '' : `   ${(ms / bare).toFixed(2)} x ${bareName}`;
    console.log(`  ${label.padEnd(44)} ${ms.toFixed(1).padStart(9)} ms${ratio}`);
  }
}

// A browser that reports its heap exactly and lets the page collect garbage.
export function launchWithPreciseMemory() {
  return launchBrowser({ args: ['--enable-precise-memory-info', '--js-flags=--expose-gc'] });
}

// Polls from here rather than from the page, whose timers a replacement of the document ends.
export async function until(page, predicate, timeoutMs = 300000) {
  const deadline = Date.now() + timeoutMs;
  for (;;) {
    const met = await page.evaluate(predicate).catch(() => false);
    if (met) return;
    if (Date.now() > deadline) throw new Error(`not met in ${timeoutMs} ms: ${predicate}`);
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
}

// The figures file the bench target leaves in the build folder: one object whose keys are the
// figure names and whose values are { ms, bare_ms, ratio } (and a note where a figure could not
// be taken). Each benchmark is its own process, so each merges its figures into what is there.
export const FIGURES_FILE = process.env.LMW_FIGURES || fileURLToPath(new URL('../build/bench/figures.json', import.meta.url));

export function readFigures(file = FIGURES_FILE) {
  try {
    return JSON.parse(fs.readFileSync(file, 'utf8'));
  } catch {
    return {};
  }
}

export function recordFigure(name, ms, bareMs = null, note = undefined) {
  const figures = readFigures();
  const known = (value) => (Number.isFinite(value) ? Number(value.toFixed(2)) : null);
  const figure = { ms: known(ms), bare_ms: known(bareMs) };
  figure.ratio = figure.ms !== null && figure.bare_ms ? Number((ms / bareMs).toFixed(3)) : null;
  if (note) figure.note = note;
  figures[name] = figure;
  fs.mkdirSync(path.dirname(FIGURES_FILE), { recursive: true });
  fs.writeFileSync(FIGURES_FILE, JSON.stringify(figures, null, 2) + '\n');
}
