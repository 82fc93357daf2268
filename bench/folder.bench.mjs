// Opening a 5 MB document that refers to 500 files beside it (stylesheets, images) with its folder
// granted, until the document is shown with them all (the first frame after its load event),
// beside the browser's own load of the same file from disk to the same point: the folder dropped
// on the start page, the page picked from its list.
import fs from 'node:fs';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import { launchBrowser, openStartPage, dropOnDropZone, tempDir, TEST_PAGE } from '../tests/page/support/browser.mjs';
import { pngFromBrowser } from '../tests/page/support/fixtures.mjs';
import { generateDocument, median, recordFigure, forgetDrafts } from './documents.mjs';

const RUNS = 5;
const STYLESHEETS = 20;
const IMAGES = 480;

// The generated 5 MB document with its stylesheets in the head and an image in every so many
// sections; each stylesheet sets one more image as a background, from its own folder's sibling.
async function writeSite(page, dir) {
  const site = path.join(dir, 'site');
  fs.mkdirSync(path.join(site, 'css'), { recursive: true });
  fs.mkdirSync(path.join(site, 'img'), { recursive: true });
  const png = await pngFromBrowser(page, 8, 8);
  for (let i = 0; i < IMAGES; i++) fs.writeFileSync(path.join(site, 'img', `i${i}.png`), png);
  const links = [];
  for (let i = 0; i < STYLESHEETS; i++) {
    fs.writeFileSync(path.join(site, 'css', `s${i}.css`), `#s${i} { background: url(../img/i${i}.png) no-repeat right top }\n`);
    links.push(`<link rel="stylesheet" href="css/s${i}.css">`);
  }
  let image = STYLESHEETS;
  const text = generateDocument(5).replace('</head>', `${links.join('')}</head>`)
    .replace(/<\/h2>/g, (end) => (image < IMAGES ? `${end}<img src="img/i${image++}.png" alt="">` : end));
  fs.writeFileSync(path.join(site, 'doc.html'), text);
  return site;
}

// From the press on the page in the start page's list to the written document's first frame after
// its load event.
async function timeGrantedOpen(page, site) {
  await openStartPage(page, TEST_PAGE);
  await forgetDrafts(page);
  await dropOnDropZone(page, site);
  await page.waitForSelector('#site [data-page]');
  await page.evaluate(() => {
    document.getElementById('site-list').addEventListener('click', () => {
      window.__pressedAt = performance.timeOrigin + performance.now();
    }, true);
  });
  await page.click('#site [data-page] button');
  await page.waitForFunction(() => window.__lmwShownAt > window.__pressedAt, null, { timeout: 300000, polling: 50 });
  return page.evaluate(() => window.__lmwShownAt - window.__pressedAt);
}

// The browser's own load of the file, from the start of its navigation to the first frame after
// its load event.
function noteShown() {
  window.addEventListener('load', () => requestAnimationFrame(() => setTimeout(() => { window.__shownAt = performance.now(); }, 0)));
}

async function timeBrowserLoad(page, site) {
  await page.goto(pathToFileURL(path.join(site, 'doc.html')).href, { waitUntil: 'load', timeout: 300000 });
  await page.waitForFunction(() => window.__shownAt > 0, null, { timeout: 300000, polling: 50 });
  return page.evaluate(() => window.__shownAt);
}

const browser = await launchBrowser();
await browser.page.addInitScript(noteShown);
const dir = tempDir('lmw-bench-');
try {
  const site = await writeSite(browser.page, dir);
  const ours = [];
  const bare = [];
  for (let run = 0; run < RUNS; run++) {
    if (run % 2) ours.push(await timeGrantedOpen(browser.page, site));
    bare.push(await timeBrowserLoad(browser.page, site));
    if (!(run % 2)) ours.push(await timeGrantedOpen(browser.page, site));
  }
  const [ms, bareMs] = [median(ours), median(bare)];
  console.log('5 MB with 500 files beside it   shown with its folder granted (ms)   the browser\'s own load (ms)   ratio');
  console.log(`${' '.repeat(32)}${ms.toFixed(1).padStart(37)}   ${bareMs.toFixed(1).padStart(27)}   ${(ms / bareMs).toFixed(2).padStart(5)}`);
  recordFigure('open_with_folder_5mb', ms, bareMs);
} finally {
  await browser.close();
  fs.rmSync(dir, { recursive: true, force: true });
}
