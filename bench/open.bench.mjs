// Opening generated documents of 1, 5 and 20 MB, and the text of each after a one-word edit typed
// into it, each set beside what bounds it in the same run: the bare decode and
// document.open/write/close of the same text, and the browser's own outerHTML of the same
// document in the same state.
import fs from 'node:fs';
import path from 'node:path';
import {
  launchBrowser, openStartPage, chooseThroughInput, tempDir, TEST_PAGE
} from '../tests/page/support/browser.mjs';
import { generateDocument, median, typeWord, recordFigure, forgetDrafts } from './documents.mjs';

const SIZES_MB = [1, 5, 20];
const RUNS = { 1: 16, 5: 10, 20: 10 };

// Each opening starts from a collected heap, as one in a freshly started window does; otherwise
// whichever opening runs into the collection of an earlier document, 20 MB of it at the most,
// pays for that as well.
function collectGarbage(page) {
  return page.evaluate(() => { gc(); gc(); });
}

async function timeOpen(page, file) {
  await openStartPage(page, TEST_PAGE);
  await forgetDrafts(page);
  await page.evaluate(() => {
    document.getElementById('file-input').addEventListener('change', () => {
      window.__chosenAt = performance.timeOrigin + performance.now();
    }, true);
  });
  await collectGarbage(page);
  await chooseThroughInput(page, file);
  await page.waitForFunction(() => window.__lmwStartedAt > window.__chosenAt, null, { timeout: 300000, polling: 20 });
  return page.evaluate(() => window.__lmwStartedAt - window.__chosenAt);
}

// The same file through the bare browser operations: read, decode, write the document.
async function timeBareWrite(page, file) {
  await openStartPage(page, TEST_PAGE);
  await page.evaluate(() => {
    window.addEventListener('change', (event) => {
      event.stopImmediatePropagation();
      const chosenAt = performance.timeOrigin + performance.now();
      event.target.files[0].arrayBuffer().then((buffer) => {
        const text = new TextDecoder('utf-8').decode(buffer).replace('</body>',
          '<script>window.__bareDoneAt = performance.timeOrigin + performance.now();<\/script></body>');
        window.__bareChosenAt = chosenAt;
        document.open();
        document.write(text);
        document.close();
      });
    }, true);
  });
  await collectGarbage(page);
  await chooseThroughInput(page, file);
  await page.waitForFunction(() => window.__bareDoneAt > window.__bareChosenAt, null, { timeout: 300000, polling: 20 });
  return page.evaluate(() => window.__bareDoneAt - window.__bareChosenAt);
}

// The text right after each of `edits` one-word edits, each in another section: the model
// brings in the typed element, then writes its text; outerHTML writes the live document.
async function timeTextAfterEdits(page, edits) {
  await page.waitForFunction(() => window.__lmwRuntime && window.__lmwRuntime.state.active, null, { timeout: 300000 });
  const times = { ours: [], bare: [] };
  for (let i = 1; i <= edits; i++) {
    await typeWord(page, `#s${i} p`);
    const run = await page.evaluate(() => {
      let t = performance.now();
      const text = window.__lmwRuntime.serializeDocument();
      const ours = performance.now() - t;
      if (text.indexOf(' word</p>') < 0) throw new Error('the typed word is not in the text');
      t = performance.now();
      void document.documentElement.outerHTML.length;
      return { ours, bare: performance.now() - t };
    });
    times.ours.push(run.ours);
    times.bare.push(run.bare);
  }
  return times;
}

const browser = await launchBrowser({ args: ['--js-flags=--expose-gc'] });
const dir = tempDir('lmw-bench-');
const rows = [];
try {
  for (const mb of SIZES_MB) {
    const file = path.join(dir, `bench-${mb}mb.html`);
    fs.writeFileSync(file, generateDocument(mb));
    const open = [];
    const bare = [];
    let serialise = { ours: [], bare: [] };
    // The two openings take turns going first: the first after a document's teardown is the one
    // that collects its garbage.
    for (let run = 0; run < RUNS[mb]; run++) {
      const oursFirst = run % 2 === 1;
      if (!oursFirst) bare.push(await timeBareWrite(browser.page, file));
      open.push(await timeOpen(browser.page, file));
      const times = await timeTextAfterEdits(browser.page, 3);
      if (oursFirst) bare.push(await timeBareWrite(browser.page, file));
      serialise = { ours: serialise.ours.concat(times.ours), bare: serialise.bare.concat(times.bare) };
    }
    rows.push({ mb, open: median(open), bare: median(bare), ser: median(serialise.ours), outer: median(serialise.bare) });
  }
} finally {
  await browser.close();
  fs.rmSync(dir, { recursive: true, force: true });
}

console.log('size   open (ms)  bare decode+write (ms)  ratio   text after a one-word edit (ms)  outerHTML (ms)  ratio');
for (const r of rows) {
  console.log(`${String(r.mb).padStart(2)} MB  ${r.open.toFixed(1).padStart(9)}  ${r.bare.toFixed(1).padStart(22)}  ${(r.open / r.bare).toFixed(2).padStart(5)}  ` +
    `${r.ser.toFixed(1).padStart(31)}  ${r.outer.toFixed(1).padStart(14)}  ${(r.ser / r.outer).toFixed(2).padStart(5)}`);
}
for (const r of rows) recordFigure(`open_${r.mb}mb`, r.open, r.bare);
const first = rows[0];
const last = rows[rows.length - 1];
console.log(`scaling: ${last.mb} MB open / ${first.mb} MB open = ${(last.open / first.open).toFixed(1)} (size ratio ${last.mb / first.mb})`);
