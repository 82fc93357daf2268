// Saving over a real file of 1, 5 and 20 MB, undo and redo on 1 and 5 MB documents, and the memory
// that 30 history entries of a 5 MB document hold, each set beside the bare browser operations
// that bound it, measured in the same run: for a save, one read of the file, one SHA-256, one
// createWritable/write/close of the same bytes and one byte comparison, and at 20 MB the frame
// that ending text editing costs the browser alone; for undo and redo, one
// document.open/write/close of the same text in a page of its own; for the history, the size of
// the text it holds.
// Every edit is a word typed into the document.
import fs from 'node:fs';
import { pathToFileURL } from 'node:url';
import { openStartPage, chooseThroughInput, writeFixture, launchBrowser, tempDir, TEST_PAGE }
  from '../tests/page/support/browser.mjs';
import {
  generateDocument, median, medians, openForEditing, typeWord, printFigures, launchWithPreciseMemory, until, recordFigure,
  settleDraft
} from './documents.mjs';
import { pagesDetected, typeAtEnd } from '../tests/page/support/editor.mjs';

const SAVE_RUNS = { 1: 7, 5: 5, 20: 5 };
const UNDO_RUNS = 9;
const HISTORY_ENTRIES = 30;

// One run after a typed word: the whole save (serialisation included), the guarded overwrite of a
// ready Blob, and the bare operations on the same bytes.
function saveRun(page) {
  return page.evaluate(async () => {
    const runtime = window.__lmwRuntime;
    let t = performance.now();
    await runtime.saveDocument();
    const whole = performance.now() - t;
    if (runtime.state.dirty) throw new Error('the save failed: ' + document.querySelector('.__lw-toast').textContent);
    const blob = new Blob([runtime.serializeDocument()], { type: 'text/html;charset=utf-8' });
    t = performance.now();
    await runtime.overwriteSave({ blob });
    const guarded = performance.now() - t;

    const handle = runtime.state.saveHandle;
    t = performance.now();
    const bytes = await (await handle.getFile()).arrayBuffer();
    await crypto.subtle.digest('SHA-256', bytes);
    const writable = await handle.createWritable();
    await writable.write(blob);
    await writable.close();
    const a = new Uint8Array(bytes);
    const b = new Uint8Array(await blob.arrayBuffer());
    let same = a.length === b.length;
    for (let i = 0; same && i < a.length; i++) same = a[i] === b[i];
    const bare = performance.now() - t;
    return { whole, guarded, bare, same };
  });
}

// What ending text editing costs the browser alone, which every save pays: in the plain file, a
// paragraph made editable and typed into, then unfocused and made plain again, until the frame
// that shows it has been drawn.
async function bareLeavingEditing(page, file) {
  const plain = await page.context().newPage();
  await plain.goto(pathToFileURL(file).href);
  const runs = [];
  for (let i = 1; i <= SAVE_RUNS[20]; i++) {
    const selector = `#s${i} p`;
    await plain.locator(selector).evaluate((element) => {
      element.scrollIntoView({ block: 'center' });
      element.contentEditable = 'true';
    });
    await typeAtEnd(plain, selector, ' word');
    await displayedFrame(plain);
    runs.push(await plain.locator(selector).evaluate((element) => new Promise((resolve) => {
      const start = performance.now();
      element.blur();
      element.removeAttribute('contenteditable');
      requestAnimationFrame(() => setTimeout(() => resolve(performance.now() - start), 0));
    })));
  }
  await plain.close();
  return median(runs);
}

async function benchSave(page, dir, megabytes) {
  const file = writeFixture(dir, `save-${megabytes}mb.html`, generateDocument(megabytes));
  await openForEditing(page, file, { dropped: true });
  const runs = [];
  for (let i = 1; i <= SAVE_RUNS[megabytes]; i++) {
    await typeWord(page, `#s${i} p`);
    runs.push(await saveRun(page));
  }
  const [whole, guarded, bare] = ['whole', 'guarded', 'bare'].map((key) => median(runs.map((run) => run[key])));
  const rows = [
    ['bare read + SHA-256 + write + compare', bare],
    ['guarded overwrite of a ready Blob', guarded, bare, 'bare'],
    ['whole save, serialisation included', whole, bare, 'bare']
  ];
  if (megabytes === 20) {
    const leaving = await bareLeavingEditing(page, file);
    rows.push(['bare frame, an edited paragraph made plain', leaving],
      ['whole save beside bare I/O + that frame', whole, bare + leaving, 'bare + frame']);
  }
  printFigures(`save, ${megabytes} MB file (${runs.length} runs, medians)`, rows);
  if (megabytes === 20) recordFigure('save_20mb', whole, bare);
  return guarded;
}

// Each step replaces a document that is on screen, as a user's Ctrl+Z does: tearing down a laid
// out document costs more than one only parsed, for the bare write as for ours.
function displayedFrame(page) {
  return page.evaluate(() => new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve, 0))));
}

// Undo or redo, from the call to the next instance started in edit mode. The draft that the
// last step left due is stored first.
async function timeStep(page, step) {
  await settleDraft(page);
  await displayedFrame(page);
  await page.evaluate((name) => {
    window.__stepAt = performance.timeOrigin + performance.now();
    window.__lmwRuntime[name]();
  }, step);
  await page.waitForFunction(() => window.__lmwStartedAt > window.__stepAt && window.__lmwRuntime.state.active,
    null, { timeout: 300000, polling: 20 });
  const ms = await page.evaluate(() => window.__lmwStartedAt - window.__stepAt);
  await pagesDetected(page);
  return ms;
}

// The bare write: the same text written into a page of its own, which shows the plain file and
// then each text written before, until it is parsed.
async function timeBareWrite(bare) {
  await displayedFrame(bare);
  await bare.evaluate(() => {
    void window.__benchHtml.indexOf('<');
    window.__bareAt = performance.timeOrigin + performance.now();
    document.open();
    document.write(window.__benchHtml);
    document.addEventListener('DOMContentLoaded', () => { window.__bareDoneAt = performance.timeOrigin + performance.now(); });
    document.close();
  });
  await bare.waitForFunction(() => window.__bareDoneAt > window.__bareAt, null, { timeout: 300000, polling: 20 });
  return bare.evaluate(() => window.__bareDoneAt - window.__bareAt);
}

async function openBarePage(page, file) {
  const bare = await page.context().newPage();
  await bare.goto(pathToFileURL(file).href);
  await bare.evaluate((html) => { window.__benchHtml = html; }, await page.evaluate(() => window.__lmwRuntime.serializeDocument()));
  return bare;
}

// Each undo or redo is followed by a bare write, so that the machine's slow spells fall on both.
// The two pages run in processes of their own: each step waits until the other page has drawn
// its document, so that the two never share the machine's two cores.
async function benchUndo(page, dir, megabytes) {
  const file = writeFixture(dir, `undo-${megabytes}mb.html`, generateDocument(megabytes));
  await openForEditing(page, file);
  for (let i = 1; i <= UNDO_RUNS; i++) await typeWord(page, `#s${i} p`);
  const bare = await openBarePage(page, file);
  const times = { undo: [], redo: [], bare: [] };
  for (const step of ['undo', 'redo']) {
    for (let i = 0; i < UNDO_RUNS; i++) {
      times[step].push(await timeStep(page, step));
      await displayedFrame(page);
      times.bare.push(await timeBareWrite(bare));
      await displayedFrame(bare);
    }
  }
  await bare.close();
  const m = medians(times);
  printFigures(`undo and redo, ${megabytes} MB document (${UNDO_RUNS} runs each, ${times.bare.length} bare, medians)`, [
    ['bare document.open/write/close of the text', m.bare],
    ['undo', m.undo, m.bare, 'bare'],
    ['redo', m.redo, m.bare, 'bare']
  ]);
  recordFigure(`undo_${megabytes}mb`, m.undo, m.bare);
  if (megabytes === 5) recordFigure('redo_5mb', m.redo, m.bare);
  return m.undo;
}

// The model takes in the last edit first, so that the heap holds the text as the history has it.
const heapMB = (page) => page.evaluate(() => {
  window.__lmwRuntime.serializeDocument();
  window.gc();
  return performance.memory.usedJSHeapSize / 1048576;
});

// For a few seconds after opening, the heap holds about one more copy of the text, which goes
// without any edit; the heap is read once it has stopped shrinking.
async function settledHeapMB(page) {
  let last = await heapMB(page);
  for (let i = 0; i < 20; i++) {
    await new Promise((resolve) => setTimeout(resolve, 500));
    const now = await heapMB(page);
    if (now > last - 0.2) return now;
    last = now;
  }
  return last;
}

// The heap before and after 30 typed edits, each its own history entry, garbage collected both
// times; beside it the document's text, as the file's bytes and as the string the history holds.
async function benchHistoryMemory(dir, megabytes) {
  const browser = await launchWithPreciseMemory();
  const { page } = browser;
  try {
    await openStartPage(page, TEST_PAGE);
    await chooseThroughInput(page, writeFixture(dir, `history-${megabytes}mb.html`, generateDocument(megabytes)));
    await until(page, () => !!(window.__lmwRuntime && window.__lmwRuntime.state.active));
    const before = await settledHeapMB(page);
    for (let i = 1; i <= HISTORY_ENTRIES; i++) await typeWord(page, `#s${i} p`);
    await page.keyboard.press('Escape');
    const after = await heapMB(page);
    const { entries, chars, bytes } = await page.evaluate(() => {
      const text = window.__lmwRuntime.serializeDocument();
      return { entries: window.__lmwRuntime.state.history.length, chars: text.length, bytes: new Blob([text]).size };
    });
    console.log(`history memory, ${megabytes} MB document (${HISTORY_ENTRIES} entries made, ${entries} held)`);
    console.log(`  text: ${(bytes / 1048576).toFixed(1)} MB as UTF-8, ${(chars / 1048576).toFixed(1)} M characters`);
    console.log(`  JS heap before ${before.toFixed(1)} MB, after ${after.toFixed(1)} MB: ` +
      `${(after - before).toFixed(1)} MB for the entries, ${((after - before) / (bytes / 1048576)).toFixed(2)} x the text`);
  } finally {
    await browser.close();
  }
}

// `node save-undo.bench.mjs save 20` times the saves alone, of the sizes given (all by default).
const [part, ...sizes] = process.argv.slice(2);
const saveSizes = sizes.length ? sizes.map(Number) : [1, 5, 20];

const browser = await launchBrowser();
const dir = tempDir('lmw-bench-');
try {
  const saves = {};
  for (const megabytes of saveSizes) saves[megabytes] = await benchSave(browser.page, dir, megabytes);
  if (saves[20] && saves[1]) console.log(`  guarded overwrite scaling 20 MB / 1 MB: ${(saves[20] / saves[1]).toFixed(1)} (linear: 20)`);
  if (part !== 'save') {
    const undos = {};
    for (const megabytes of [1, 5]) undos[megabytes] = await benchUndo(browser.page, dir, megabytes);
    console.log(`  undo scaling 5 MB / 1 MB: ${(undos[5] / undos[1]).toFixed(1)} (linear: 5)`);
    await benchHistoryMemory(dir, 5);
  }
} finally {
  await browser.close();
  fs.rmSync(dir, { recursive: true, force: true });
}
