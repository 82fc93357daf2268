// The draft of a 5 MB document with unsaved edits: its write (the text a save would write, put
// into IndexedDB) beside a bare put of the same text into a database of its own, and the first
// keystroke after a draft write beside a keystroke of the same spell with no write before it.
import { writeFixture } from '../tests/page/support/browser.mjs';
import { generateDocument, medians, measureEachSize, openForEditing, printFigures } from './documents.mjs';

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
  await openForEditing(page, file);
  await page.click('#s3 p', { position: { x: 20, y: 8 } });
  await keystroke(page);
  const figures = { write: [], bare: [], inSpell: [], afterWrite: [] };
  for (let run = 0; run < RUNS; run++) {
    figures.inSpell.push(await keystroke(page));
    figures.write.push(await draftWrite(page));
    figures.afterWrite.push(await keystroke(page));
    figures.bare.push(await bareIndexedDbPut(page));
  }
  const m = medians(figures);
  printFigures(`drafts, ${megabytes} MB document (${RUNS} runs, medians)`, [
    ['draft write', m.write, m.bare, 'bare IndexedDB put of the text'],
    ['first keystroke after a draft write', m.afterWrite, m.inSpell, 'a keystroke with no write before it']
  ]);
}

await measureEachSize(measure, [5]);
