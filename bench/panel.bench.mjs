// Style-panel costs on generated documents of 1 MB and 5 MB, each set beside the bare browser work
// that bounds it, measured in the same run: one slider input (a real arrow key on the font-size
// slider; its history entry, the style change in the document and its text, and the outline
// placed again included) beside the same key on a copy of that slider that nothing listens to,
// and beside a bare change of another paragraph's font size read back by its box (the relayout
// that placing the outline waits for); and selecting an element with the panel open (the selection and the panel's rebuild for it)
// beside one documentElement.outerHTML. Usage: node bench/panel.bench.mjs [test-page.html]
import path from 'node:path';
import { writeFixture, TEST_PAGE } from '../tests/page/support/browser.mjs';
import { generateDocument, medians, measureEachSize, openForEditing, printFigures } from './documents.mjs';

const RUNS = 9;
const SLIDER_TARGET_MS = 20;
const pageFile = process.argv[2] ? path.resolve(process.argv[2]) : TEST_PAGE;
const FONT_SIZE_SLIDER = '.__lw-ctrl:has(> .__lw-ctrl-label:text-is("字号")) .__lw-slider:not(#bench-bare-slider)';

// The panel open on a paragraph, and beside its font-size slider a bare copy of it, without the
// panel's listener.
async function openWithPanel(page, file) {
  await openForEditing(page, file, { pageFile });
  await page.click('.__lw-tb-btn[title="显示/隐藏样式面板"]');
  await page.click('#s3 p', { position: { x: 20, y: 8 } });
  await page.waitForSelector('.__lw-panel-subtitle:text-is("p")');
  await page.locator(FONT_SIZE_SLIDER).evaluate((slider) => {
    const bare = slider.cloneNode(true);
    bare.id = 'bench-bare-slider';
    slider.after(bare);
  });
  await page.evaluate(() => {
    window.addEventListener('keydown', () => { window.__benchStart = performance.now(); }, true);
    document.addEventListener('input', () => { window.__benchInput = performance.now() - window.__benchStart; });
  });
}

async function sliderInputMs(page, slider) {
  await page.locator(slider).focus();
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

function bareMs(page, run) {
  return page.evaluate((n) => {
    const time = (work) => {
      const start = performance.now();
      return work() >= 0 ? performance.now() - start : -1;
    };
    const other = document.querySelector('#s5 p');
    return {
      outerHtml: time(() => document.documentElement.outerHTML.length),
      relayout: time(() => {
        other.style.fontSize = `${16 + (n % 2)}px`;
        return other.getBoundingClientRect().height;
      })
    };
  }, run);
}

async function measure(browser, dir, megabytes) {
  const { page } = browser;
  const file = writeFixture(dir, `panel-${megabytes}mb.html`, generateDocument(megabytes));
  await openWithPanel(page, file);
  const times = { slider: [], bareSlider: [], outerHtml: [], relayout: [], selection: [] };
  for (let run = 0; run < RUNS; run++) {
    times.slider.push(await sliderInputMs(page, FONT_SIZE_SLIDER));
    times.bareSlider.push(await sliderInputMs(page, '#bench-bare-slider'));
    const bare = await bareMs(page, run);
    times.outerHtml.push(bare.outerHtml);
    times.relayout.push(bare.relayout);
  }
  const entries = await page.evaluate(() => window.__lmwRuntime.state.history.filter((entry) => entry.reason === 'style').length);
  if (entries < Math.min(RUNS, 30)) throw new Error(`the slider made ${entries} history entries`);
  for (let run = 0; run < RUNS; run++) times.selection.push(await selectionMs(page, run));
  const m = medians(times);
  printFigures(`${megabytes} MB document (${RUNS} runs, medians)`, [
    ['bare slider input, nothing listening', m.bareSlider],
    ['bare font-size change + relayout', m.relayout],
    ['bare documentElement.outerHTML', m.outerHtml],
    ['slider input (history entry included)', m.slider, m.bareSlider, 'bare slider input'],
    ['', m.slider, m.relayout, 'bare change + relayout'],
    ['selecting with the panel open', m.selection, m.outerHtml, 'outerHTML']
  ]);
  console.log(`  slider input within ${SLIDER_TARGET_MS} ms: ${m.slider < SLIDER_TARGET_MS ? 'yes' : 'NO'}`);
  console.log(`  selecting within 0.1 x outerHTML: ${m.selection < 0.1 * m.outerHtml ? 'yes' : 'NO'}`);
}

await measureEachSize(measure);
