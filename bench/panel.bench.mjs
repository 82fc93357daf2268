// Style-panel costs on generated documents of 1 MB and 5 MB, each set beside one serializeDocument
// and one raw documentElement.outerHTML of the same document measured in the same run: one slider
// input (a real arrow key on the font-size slider; its history snapshot, the style change and the
// outline placed again included) and selecting an element with the panel open (the selection and
// the panel's rebuild for it). Usage: node bench/panel.bench.mjs [test-page.html]
import path from 'node:path';
import { openStartPage, chooseThroughInput, waitForRuntime, writeFixture, TEST_PAGE }
  from '../tests/page/support/browser.mjs';
import { generateDocument, median, measureEachSize } from './documents.mjs';

const RUNS = 9;
const pageFile = process.argv[2] ? path.resolve(process.argv[2]) : TEST_PAGE;

async function openWithPanel(page, file) {
  await openStartPage(page, pageFile);
  await chooseThroughInput(page, file);
  await waitForRuntime(page);
  await page.waitForFunction(() => document.querySelector('.__lw-toggle.active'), null, { timeout: 120000 });
  await page.click('.__lw-tb-btn[title="显示/隐藏样式面板"]');
  await page.click('#s3 p', { position: { x: 20, y: 8 } });
  await page.waitForSelector('.__lw-panel-subtitle:text-is("p")');
  await page.evaluate(() => {
    window.addEventListener('keydown', () => { window.__benchStart = performance.now(); }, true);
    document.addEventListener('input', () => { window.__benchInput = performance.now() - window.__benchStart; });
  });
}

async function sliderInputMs(page) {
  await page.evaluate(() => { window.__benchInput = null; });
  await page.keyboard.press('ArrowRight');
  await page.waitForFunction(() => window.__benchInput !== null);
  return page.evaluate(() => window.__benchInput);
}

function selectionMs(page, run) {
  return page.evaluate((n) => {
    const runtime = window.__lmwRuntime;
    const element = document.querySelector(`#s${10 + n * 13} p`);
    const start = performance.now();
    runtime.selectElement(element);
    runtime.fillStylePanel();
    return runtime.ui.panel.offsetHeight >= 0 ? performance.now() - start : -1;
  }, run);
}

function bareMs(page) {
  return page.evaluate(() => {
    const time = (work) => {
      const start = performance.now();
      return work().length ? performance.now() - start : -1;
    };
    return {
      serialize: time(() => window.__lmwRuntime.serializeDocument()),
      outerHtml: time(() => document.documentElement.outerHTML)
    };
  });
}

async function measure(browser, dir, megabytes) {
  const { page } = browser;
  const file = writeFixture(dir, `panel-${megabytes}mb.html`, generateDocument(megabytes));
  await openWithPanel(page, file);
  const slider = [];
  const serialize = [];
  const outerHtml = [];
  await page.locator('.__lw-ctrl:has(> .__lw-ctrl-label:text-is("字号")) .__lw-slider').focus();
  for (let run = 0; run < RUNS; run++) {
    slider.push(await sliderInputMs(page));
    const bare = await bareMs(page);
    serialize.push(bare.serialize);
    outerHtml.push(bare.outerHtml);
  }
  const selection = [];
  for (let run = 0; run < RUNS; run++) selection.push(await selectionMs(page, run));
  const base = median(serialize);
  const line = (label, values) => {
    const m = median(values);
    return `  ${label.padEnd(38)} ${m.toFixed(1).padStart(8)} ms   ${(m / base).toFixed(2)} x serializeDocument`;
  };
  console.log(`${megabytes} MB document (${RUNS} runs, medians)`);
  console.log(line('serializeDocument', serialize));
  console.log(line('documentElement.outerHTML', outerHtml));
  console.log(line('slider input (snapshot included)', slider));
  console.log(line('selecting with the panel open', selection));
  console.log(`  slider input within 1.3 x serializeDocument: ${median(slider) <= 1.3 * base ? 'yes' : 'NO'}`);
  console.log(`  selecting within 0.1 x serializeDocument: ${median(selection) < 0.1 * base ? 'yes' : 'NO'}`);
}

await measureEachSize(measure);
