// Edit-mode costs on generated documents of 1 MB and 5 MB, each set beside a bare serialisation of
// the same document measured in the same run: entering edit mode (Alt+E), the press that starts
// a typing spell (it takes the snapshot that the spell's first input records) and the first
// keystroke of the spell. Usage: node bench/edit.bench.mjs [page.html]
import path from 'node:path';
import { launchBrowser, openStartPage, chooseThroughInput, waitForRuntime, tempDir, writeFixture, PAGE }
  from '../tests/page/support/browser.mjs';
import { median } from './documents.mjs';

const RUNS = 7;
const pageFile = process.argv[2] ? path.resolve(process.argv[2]) : PAGE;

function generatedDocument(megabytes) {
  const section = (n) => `<section class="chapter" id="s${n}"><h2>第 ${n} 节 Section ${n}</h2>` +
    '<p>这是一段用于测量编辑器开销的文字，The quick brown fox jumps over the lazy dog. ' +
    '<b>加粗</b> 与 <a href="#s0">链接</a>。</p>'.repeat(1) +
    '<ul><li>条目一 item one</li><li>条目二 item two</li></ul>' +
    '<p>第二段文字 second paragraph of the section with some more words in it.</p></section>\n';
  const parts = [];
  let size = 0;
  for (let n = 0; size < megabytes * 1024 * 1024; n++) {
    const piece = section(n);
    parts.push(piece);
    size += Buffer.byteLength(piece);
  }
  return `<!DOCTYPE html><html><head><meta charset="utf-8"><title>bench</title></head><body>\n${parts.join('')}</body></html>`;
}

// Times in the page: from the window's first sight of the event to the end of the runtime's work.
// In view mode the runtime's key handler sits on the document, so a later document listener
// marks its end; in edit mode keys stop at the window, and the input event marks a keystroke.
async function installProbes(page) {
  await page.evaluate(() => {
    window.__benchMarks = [];
    window.addEventListener('keydown', () => { window.__benchStart = performance.now(); }, true);
    document.addEventListener('keydown', (event) => {
      if (event.key.length === 1) window.__benchMarks.push({ kind: 'key', ms: performance.now() - window.__benchStart });
    });
    document.addEventListener('input', () => {
      window.__benchMarks.push({ kind: 'input', ms: performance.now() - window.__benchStart });
    });
    window.addEventListener('mousedown', () => {
      const start = performance.now();
      const channel = new MessageChannel();
      channel.port1.onmessage = () => window.__benchMarks.push({ kind: 'press', ms: performance.now() - start });
      channel.port2.postMessage(0);
    }, true);
  });
}

async function takeMark(page, kind) {
  await page.waitForFunction((k) => window.__benchMarks.some((m) => m.kind === k), kind);
  return page.evaluate((k) => {
    const index = window.__benchMarks.findIndex((m) => m.kind === k);
    return window.__benchMarks.splice(index, 1)[0].ms;
  }, kind);
}

async function serialisationMs(page) {
  return page.evaluate(() => {
    const start = performance.now();
    const clone = document.documentElement.cloneNode(true);
    const text = clone.outerHTML;
    return text.length ? performance.now() - start : -1;
  });
}

async function measure(browser, dir, megabytes) {
  const { page } = browser;
  const file = writeFixture(dir, `bench-${megabytes}mb.html`, generatedDocument(megabytes));
  await openStartPage(page, pageFile);
  await chooseThroughInput(page, file);
  await waitForRuntime(page);
  await page.waitForFunction(() => document.querySelector('.__lw-toggle.active'), null, { timeout: 120000 });
  await installProbes(page);
  const enter = [];
  const press = [];
  const keystroke = [];
  const serialise = [];
  for (let run = 0; run < RUNS; run++) {
    await page.keyboard.press('Alt+e');
    await page.waitForFunction(() => !document.querySelector('.__lw-toggle.active'));
    await page.keyboard.press('Alt+e');
    enter.push(await takeMark(page, 'key'));
    const target = page.locator(`#s${run * 7 + 1} p`).first();
    await target.scrollIntoViewIfNeeded();
    await target.click({ position: { x: 20, y: 8 } });
    press.push(await takeMark(page, 'press'));
    await page.keyboard.press('x');
    keystroke.push(await takeMark(page, 'input'));
    await page.keyboard.press('Escape');
    await page.waitForFunction(() => !document.querySelector('[data-lmw-editing]'));
    serialise.push(await serialisationMs(page));
  }
  const base = median(serialise);
  const line = (label, values) => {
    const m = median(values);
    return `  ${label.padEnd(30)} ${m.toFixed(1).padStart(8)} ms   ${(m / base).toFixed(2)} x serialisation`;
  };
  console.log(`${megabytes} MB document (${RUNS} runs, medians)`);
  console.log(`  ${'serialisation (clone + outerHTML)'.padEnd(30)} ${base.toFixed(1).padStart(8)} ms`);
  console.log(line('entering edit mode', enter));
  console.log(line('press starting a typing spell', press));
  console.log(line('first keystroke of the spell', keystroke));
  const limit = base + 10;
  const ok = median(keystroke) <= limit;
  console.log(`  first keystroke within serialisation + 10 ms (${limit.toFixed(1)} ms): ${ok ? 'yes' : 'NO'}`);
}

const browser = await launchBrowser();
const dir = tempDir('lmw-bench-');
try {
  await measure(browser, dir, 1);
  await measure(browser, dir, 5);
} finally {
  await browser.close();
}
