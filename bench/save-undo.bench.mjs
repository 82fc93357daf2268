// Saving over a real file of 1, 5 and 20 MB, and undo and redo on 1 and 5 MB documents, each set
// beside the bare browser operations that bound it, measured in the same run: for a save, one
// read of the file, one SHA-256, one createWritable/write/close of the same bytes and one byte
// comparison; for undo and redo, one serialisation and one document.open/write/close of the text.
import {
  launchBrowser, openStartPage, dropOnDropZone, chooseThroughInput, waitForRuntime, tempDir, writeFixture, TEST_PAGE
} from '../tests/page/support/browser.mjs';
import { generateDocument, median } from './documents.mjs';

const SAVE_RUNS = { 1: 7, 5: 5, 20: 3 };
const UNDO_RUNS = 5;

async function openForEditing(page, file, withHandle) {
  await openStartPage(page, TEST_PAGE);
  if (withHandle) await dropOnDropZone(page, file);
  else await chooseThroughInput(page, file);
  await waitForRuntime(page);
  await page.waitForFunction(() => window.__lmwRuntime.state.active, null, { timeout: 300000 });
}

// One run: the whole save (serialisation included), the guarded overwrite of a ready Blob, and
// the bare operations on the same bytes.
function saveRun(page) {
  return page.evaluate(async () => {
    const runtime = window.__lmwRuntime;
    const change = () => { document.querySelector('#s1 p').append('x'); runtime.markChanged(); };
    change();
    let t = performance.now();
    await runtime.saveDocument();
    const whole = performance.now() - t;
    if (runtime.state.dirty) throw new Error('the save failed: ' + document.querySelector('.__lw-toast').textContent);
    change();
    const blob = new Blob([runtime.serializeDocument()], { type: 'text/html;charset=utf-8' });
    t = performance.now();
    await runtime.overwriteSave(blob);
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

async function benchSave(page, dir, megabytes) {
  const file = writeFixture(dir, `save-${megabytes}mb.html`, generateDocument(megabytes));
  await openForEditing(page, file, true);
  const runs = [];
  for (let i = 0; i < SAVE_RUNS[megabytes]; i++) runs.push(await saveRun(page));
  const [whole, guarded, bare] = ['whole', 'guarded', 'bare'].map((key) => median(runs.map((run) => run[key])));
  console.log(`save, ${megabytes} MB file (${runs.length} runs, medians)`);
  console.log(`  bare read + SHA-256 + write + compare ${bare.toFixed(1).padStart(9)} ms`);
  console.log(`  guarded overwrite of a ready Blob     ${guarded.toFixed(1).padStart(9)} ms   ${(guarded / bare).toFixed(2)} x bare`);
  console.log(`  whole save, serialisation included    ${whole.toFixed(1).padStart(9)} ms   ${(whole / bare).toFixed(2)} x bare`);
  return guarded;
}

// Undo or redo, from the call to the next instance started in edit mode.
async function timeStep(page, step) {
  await page.evaluate((name) => {
    window.__stepAt = performance.timeOrigin + performance.now();
    window.__lmwRuntime[name]();
  }, step);
  await page.waitForFunction(() => window.__lmwStartedAt > window.__stepAt && window.__lmwRuntime.state.active,
    null, { timeout: 300000, polling: 20 });
  return page.evaluate(() => window.__lmwStartedAt - window.__stepAt);
}

// The bare pair: serialise the document, and write the text into the window until it is parsed.
async function timeBarePair(page) {
  const serialise = await page.evaluate(() => {
    const t = performance.now();
    window.__benchHtml = window.__lmwRuntime.serializeDocument();
    return performance.now() - t;
  });
  await page.evaluate(() => {
    window.__bareAt = performance.timeOrigin + performance.now();
    document.open();
    document.write(window.__benchHtml);
    document.addEventListener('DOMContentLoaded', () => { window.__bareDoneAt = performance.timeOrigin + performance.now(); });
    document.close();
  });
  await page.waitForFunction(() => window.__bareDoneAt > window.__bareAt, null, { timeout: 300000, polling: 20 });
  return serialise + await page.evaluate(() => window.__bareDoneAt - window.__bareAt);
}

async function benchUndo(page, dir, megabytes) {
  const file = writeFixture(dir, `undo-${megabytes}mb.html`, generateDocument(megabytes));
  await openForEditing(page, file, false);
  await page.evaluate((count) => {
    const runtime = window.__lmwRuntime;
    for (let i = 0; i < count; i++) {
      runtime.recordHistory('change');
      document.querySelector(`#s${i + 1} p`).append('x');
      runtime.markChanged();
    }
  }, UNDO_RUNS);
  const undo = [];
  const redo = [];
  for (let i = 0; i < UNDO_RUNS; i++) undo.push(await timeStep(page, 'undo'));
  for (let i = 0; i < UNDO_RUNS; i++) redo.push(await timeStep(page, 'redo'));
  const bare = [];
  for (let i = 0; i < UNDO_RUNS; i++) bare.push(await timeBarePair(page));
  const base = median(bare);
  console.log(`undo and redo, ${megabytes} MB document (${UNDO_RUNS} runs, medians)`);
  console.log(`  bare serialise + open/write/close     ${base.toFixed(1).padStart(9)} ms`);
  for (const [label, values] of [['undo', undo], ['redo', redo]]) {
    const m = median(values);
    console.log(`  ${label.padEnd(37)}${m.toFixed(1).padStart(9)} ms   ${(m / base).toFixed(2)} x bare`);
  }
  return median(undo);
}

const browser = await launchBrowser();
const dir = tempDir('lmw-bench-');
try {
  const saves = {};
  for (const megabytes of [1, 5, 20]) saves[megabytes] = await benchSave(browser.page, dir, megabytes);
  console.log(`  guarded overwrite scaling 20 MB / 1 MB: ${(saves[20] / saves[1]).toFixed(1)} (linear: 20)`);
  const undos = {};
  for (const megabytes of [1, 5]) undos[megabytes] = await benchUndo(browser.page, dir, megabytes);
  console.log(`  undo scaling 5 MB / 1 MB: ${(undos[5] / undos[1]).toFixed(1)} (linear: 5)`);
} finally {
  await browser.close();
}
