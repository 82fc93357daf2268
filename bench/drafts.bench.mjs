// The draft of a 5 MB document with unsaved edits: its write (the text a save would write, put
// into IndexedDB) beside a bare put of the same text into a database of its own, and the first
// keystroke after a draft write beside a keystroke of the same spell with no write before it.
import { openStartPage, chooseThroughInput, waitForRuntime, writeFixture, TEST_PAGE } from '../tests/page/support/browser.mjs';
import { generateDocument, median, measureEachSize } from './documents.mjs';

const RUNS = 7;

function bareIndexedDbPut(page) {
  return page.evaluate(() => new Promise((done, fail) => {
    const text = window.__lmwRuntime.serializeDocument();
    const start = performance.now();
    const request = indexedDB.open('bench-bare', 1);
    request.onupgradeneeded = () => request.result.createObjectStore('texts');
    request.onerror = () => fail(request.error);
    request.onsuccess = () => {
      const transaction = request.result.transaction('texts', 'readwrite');
      transaction.objectStore('texts').put(text, 'text');
      transaction.oncomplete = () => {
        request.result.close();
        done(performance.now() - start);
      };
    };
  }));
}

function draftWrite(page) {
  return page.evaluate(async () => {
    const start = performance.now();
    await window.__lmwRuntime.writeDraft();
    return performance.now() - start;
  });
}

// From the window's first sight of the key to the runtime's handling of the input it makes.
async function keystroke(page) {
  await page.evaluate(() => {
    window.__benchKey = new Promise((done) => {
      let start = 0;
      window.addEventListener('keydown', () => { start = performance.now(); }, { capture: true, once: true });
      document.addEventListener('input', () => done(performance.now() - start), { once: true });
    });
  });
  await page.keyboard.press('x');
  return page.evaluate(() => window.__benchKey);
}

async function measure({ page }, dir, megabytes) {
  const file = writeFixture(dir, `drafts-${megabytes}mb.html`, generateDocument(megabytes));
  await openStartPage(page, TEST_PAGE);
  await chooseThroughInput(page, file);
  await waitForRuntime(page);
  await page.waitForFunction(() => window.__lmwRuntime.state.active, null, { timeout: 300000 });
  await page.click('#s3 p', { position: { x: 20, y: 8 } });
  await keystroke(page);
  const figures = { write: [], bare: [], inSpell: [], afterWrite: [] };
  for (let run = 0; run < RUNS; run++) {
    figures.inSpell.push(await keystroke(page));
    figures.write.push(await draftWrite(page));
    figures.afterWrite.push(await keystroke(page));
    figures.bare.push(await bareIndexedDbPut(page));
  }
  const [write, bare, inSpell, afterWrite] = ['write', 'bare', 'inSpell', 'afterWrite'].map((key) => median(figures[key]));
  console.log(`drafts, ${megabytes} MB document (${RUNS} runs, medians)`);
  console.log(`  draft write                ${write.toFixed(1).padStart(8)} ms   ${(write / bare).toFixed(2)} x bare IndexedDB put (${bare.toFixed(1)} ms)`);
  console.log(`  first keystroke after it   ${afterWrite.toFixed(1).padStart(8)} ms   ${(afterWrite / inSpell).toFixed(2)} x a keystroke with no write before it (${inSpell.toFixed(1)} ms)`);
}

await measureEachSize(measure, [5]);
