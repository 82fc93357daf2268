// What every write of a document adds before the write itself: ending the window's timers and
// frame callbacks and making the inline scripts' declarations redeclarable. Measured on the 5 MB
// generated document as it is (no scripts) and with a deck's inline scripts spread through it,
// each beside the bare document.open/write/close of the same text, in the same run.
import { launchBrowser, openStartPage, chooseThroughInput, waitForRuntime, tempDir, writeFixture, TEST_PAGE } from '../tests/page/support/browser.mjs';
import { generateDocument, median } from './documents.mjs';

const RUNS = 5;

// A script after every hundredth section, with top-level const, let and class and the words
// in strings and comments that make the scanner read every script whole.
function withScripts(html) {
  let count = 0;
  return html.replace(/<\/section>\n/g, (end) => {
    if (count++ % 100) return end;
    return `${end}<script>// let the deck know: const, class { }
const cards${count} = document.querySelectorAll('.card'); let shown${count} = 0, label${count} = \`class \${'{'}\`;
class Card${count} { constructor(el) { this.el = el; } show() { return /let|const/.test(this.el.id) ? 1 : 0; } }
for (let i = 0; i < 3; i++) shown${count} += i;
</script>\n`;
  });
}

async function timeRun(page) {
  return page.evaluate(async () => {
    const runtime = window.__lmwRuntime;
    const text = window.__benchText;
    let t = performance.now();
    const prepared = runtime.redeclarableDocument(text, runtime.canRedeclareInWindow).text;
    const prepare = performance.now() - t;
    const done = new Promise((resolve) => { window.__benchDone = resolve; });
    t = performance.now();
    document.open();
    document.write(prepared);
    document.addEventListener('DOMContentLoaded', () => window.__benchDone());
    document.close();
    await done;
    return { prepare, write: performance.now() - t, changed: prepared !== text };
  });
}

async function bench(page, dir, label, html) {
  await openStartPage(page, TEST_PAGE);
  await chooseThroughInput(page, writeFixture(dir, 'scripts.html', '<!DOCTYPE html><html><head></head><body><p>x</p></body></html>'));
  await waitForRuntime(page);
  await page.evaluate((text) => { window.__benchText = text; }, html);
  // Each run writes the bare text, which ends the runtime; its routines stay on the window.
  const runs = [];
  for (let i = 0; i < RUNS; i++) runs.push(await timeRun(page));
  const prepare = median(runs.map((run) => run.prepare));
  const write = median(runs.map((run) => run.write));
  console.log(`${label.padEnd(34)} prepare ${prepare.toFixed(1).padStart(7)} ms   bare write ${write.toFixed(1).padStart(8)} ms   ` +
    `${(100 * prepare / write).toFixed(2).padStart(5)} % of the write${runs[0].changed ? '' : ' (nothing to convert)'}`);
}

const browser = await launchBrowser();
const dir = tempDir('lmw-bench-');
try {
  const plain = generateDocument(5);
  await bench(browser.page, dir, '5 MB document, no scripts', plain);
  const scripted = withScripts(plain);
  const scriptCount = (scripted.match(/<script>/g) || []).length;
  await bench(browser.page, dir, `5 MB document, ${scriptCount} deck scripts`, scripted);
} finally {
  await browser.close();
}
