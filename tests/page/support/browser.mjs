// Drives the built page in Debian's Chromium, headless, the way a user does: real files opened
// through the hidden input, dropped onto the drop zone (which yields a real on-disk handle) or
// chosen through the open button with the picker answering with such a handle.
import { before, after } from 'node:test';
import { chromium } from 'playwright-core';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import { spawn } from 'node:child_process';

// The project's version, written once in the top CMakeLists.txt; the page file is named after it.
export const VERSION = projectVersion();
export const PAGE = process.env.LMW_PAGE || path.resolve(`build/page/Lumaweave-v${VERSION}.html`);
export const TEST_PAGE = process.env.LMW_TEST_PAGE || path.resolve('build/page/test-page.html');
export const FIXTURE_PAGE = process.env.LMW_FIXTURE_PAGE || path.resolve('build/page/fixture-runtime-page.html');

function projectVersion() {
  const project = fs.readFileSync(new URL('../../../CMakeLists.txt', import.meta.url), 'utf8');
  return /^project\(Lumaweave VERSION ([0-9.]+)/m.exec(project)[1];
}

const CHROMIUM_ARGS = ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
  '--disable-component-update', '--disable-sync'];

// Every replacement of the document clears all of the window's timer and frame ids, among them
// those with which Playwright polls page.waitForFunction: a wait across an undo or an opened file
// would never be answered. Playwright takes its timers from window.__pwClock when present; the
// ids it gets there are spared by the window's clearing functions, the page's own are not.
function keepPlaywrightTimersApart() {
  const timers = new Set();
  const frames = new Set();
  const sparing = (name, spared) => {
    const clear = window[name].bind(window);
    window[name] = (id) => { if (!spared.has(id)) clear(id); };
    return (id) => { spared.delete(id); clear(id); };
  };
  const kept = (name, spared, once) => {
    const schedule = window[name].bind(window);
    return (callback, ...rest) => {
      const id = schedule(once ? (...args) => { spared.delete(id); callback(...args); } : callback, ...rest);
      spared.add(id);
      return id;
    };
  };
  window.__pwClock = {
    builtins: {
      setTimeout: kept('setTimeout', timers, true), setInterval: kept('setInterval', timers, false),
      requestAnimationFrame: kept('requestAnimationFrame', frames, true),
      clearTimeout: sparing('clearTimeout', timers), clearInterval: sparing('clearInterval', timers),
      cancelAnimationFrame: sparing('cancelAnimationFrame', frames),
      requestIdleCallback: window.requestIdleCallback.bind(window), cancelIdleCallback: window.cancelIdleCallback.bind(window),
      performance: window.performance, Intl: window.Intl, Date: window.Date, AbortSignal: window.AbortSignal, Temporal: window.Temporal
    }
  };
}

// write: 'allow' grants File System Access writes without a prompt; 'block' refuses them.
// read: 'allow' grants reads too, so that a handle stored before a restart is granted again when
// the page asks on a click (headless Chromium shows a prompt that nobody can answer).
export function newProfile({ write = 'allow', read } = {}) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'lmw-profile-'));
  fs.mkdirSync(path.join(profile, 'Default'));
  const exceptions = { file_system_write_guard: { '*,*': { setting: write === 'allow' ? 1 : 2 } } };
  if (read === 'allow') exceptions.file_system_read_guard = { '*,*': { setting: 1 } };
  fs.writeFileSync(path.join(profile, 'Default', 'Preferences'),
    JSON.stringify({ profile: { content_settings: { exceptions } } }));
  return profile;
}

// The drafts the page's storage holds, with their texts (kept as pieces, given whole), newest first. A database that does not exist yet is not
// created here, so that the page still creates it with its stores.
export function storedDrafts(page) {
  return page.evaluate(() => new Promise((done, fail) => {
    const request = indexedDB.open('lumaweave-drafts');
    request.onupgradeneeded = () => request.transaction.abort();
    request.onerror = () => (request.error.name === 'AbortError' ? done([]) : fail(request.error));
    request.onsuccess = () => {
      const transaction = request.result.transaction(['records', 'texts']);
      const drafts = [];
      transaction.objectStore('records').getAll().onsuccess = (event) => event.target.result.forEach(({ handle, ...draft }) => {
        transaction.objectStore('texts').get(draft.id).onsuccess = (read) => {
          const stored = read.target.result;
          drafts.push({ ...draft, text: Array.isArray(stored) ? stored.join('') : stored });
        };
      });
      transaction.oncomplete = () => {
        request.result.close();
        done(drafts.sort((a, b) => b.savedAt - a.savedAt));
      };
    };
  }));
}

// Waits until the stored drafts are `wanted` in number, or pass it as a test, and resolves to them.
export async function waitForDrafts(page, wanted) {
  const settled = typeof wanted === 'function' ? wanted : (drafts) => drafts.length === wanted;
  const deadline = Date.now() + 120000;
  for (;;) {
    const drafts = await storedDrafts(page);
    if (settled(drafts)) return drafts;
    if (Date.now() > deadline) throw new Error(`the stored drafts never settled: ${JSON.stringify(drafts.map((d) => d.fileName))}`);
    await new Promise((done) => setTimeout(done, 100));
  }
}

// `args` are further Chromium switches, such as those a benchmark of memory needs.
export async function launchBrowser({ write = 'allow', viewport = { width: 1280, height: 800 }, args = [] } = {}) {
  const profile = newProfile({ write });
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: '/usr/bin/chromium', headless: true, args: [...CHROMIUM_ARGS, ...args], viewport
  });
  await context.addInitScript(keepPlaywrightTimersApart);
  const page = context.pages()[0] || await context.newPage();
  // A huge document keeps the browser busy laying it out; waits must outlast that.
  context.setDefaultTimeout(120000);
  const errors = [];
  page.on('pageerror', (error) => errors.push(error));
  return {
    context, page, errors,
    async close() {
      await context.close();
      fs.rmSync(profile, { recursive: true, force: true });
    }
  };
}

async function portOf(profile, child) {
  const portFile = path.join(profile, 'DevToolsActivePort');
  while (!fs.existsSync(portFile) || !fs.readFileSync(portFile, 'utf8').includes('\n')) {
    if (child.exitCode !== null) throw new Error('chromium ended at start-up');
    await new Promise((done) => setTimeout(done, 50));
  }
  return fs.readFileSync(portFile, 'utf8').split('\n')[0];
}

// A browser process that the test can kill for real, started by hand on the given profile and
// attached over the DevTools protocol.
export async function startKillableBrowser(profile) {
  fs.rmSync(path.join(profile, 'DevToolsActivePort'), { force: true });
  const child = spawn('/usr/bin/chromium', ['--headless=new', '--remote-debugging-port=0',
    `--user-data-dir=${profile}`, ...CHROMIUM_ARGS, 'about:blank'], { stdio: 'ignore', detached: true });
  // The whole browser dies at once, its helper processes too, as when the machine kills it; and a
  // test that ends early leaves none of it running.
  const killAll = () => { try { process.kill(-child.pid, 'SIGKILL'); } catch (gone) { /* already ended */ } };
  process.once('exit', killAll);
  const browser = await chromium.connectOverCDP(`http://127.0.0.1:${await portOf(profile, child)}`);
  const context = browser.contexts()[0];
  context.setDefaultTimeout(120000);
  await context.addInitScript(keepPlaywrightTimersApart);
  return {
    context,
    async kill() {
      const ended = new Promise((done) => child.once('exit', done));
      killAll();
      await ended;
    }
  };
}

// One browser and one folder of fixtures for a whole test file: filled in before its first test
// (then `ready` runs on it, if given), closed after its last.
export function browserSession({ ready, ...options } = {}) {
  const session = {};
  before(async () => {
    Object.assign(session, await launchBrowser(options), { dir: tempDir() });
    if (ready) await ready(session);
  });
  after(async () => {
    await session.close();
    fs.rmSync(session.dir, { recursive: true, force: true });
  });
  return session;
}

export function tempDir(prefix = 'lmw-files-') {
  return fs.mkdtempSync(path.join(os.tmpdir(), prefix));
}

export function writeFixture(dir, name, content) {
  const file = path.join(dir, name);
  fs.writeFileSync(file, content);
  return file;
}

export async function openStartPage(page, pageFile = PAGE) {
  await page.goto(pathToFileURL(pageFile).href);
  await page.waitForSelector('#btn-open');
}

export async function chooseThroughInput(page, file) {
  await page.setInputFiles('#file-input', file);
}

// As in a browser without the open-file picker: the open button falls back to the hidden input.
export async function chooseThroughButtonWithoutPicker(page, file) {
  await page.evaluate(() => { delete window.showOpenFilePicker; });
  const [chooser] = await Promise.all([page.waitForEvent('filechooser'), page.click('#btn-open')]);
  await chooser.setFiles(file);
}

export async function dropFile(page, file, x, y) {
  const cdp = await page.context().newCDPSession(page);
  const data = { items: [], files: [file], dragOperationsMask: 1 };
  for (const type of ['dragEnter', 'dragOver', 'drop']) {
    await cdp.send('Input.dispatchDragEvent', { type, x, y, data });
  }
  await cdp.detach();
}

async function centreOf(page, selector) {
  const box = await page.locator(selector).boundingBox();
  return { x: box.x + box.width / 2, y: box.y + box.height / 2 };
}

export async function dropOnDropZone(page, file) {
  const { x, y } = await centreOf(page, '#drop-zone');
  await dropFile(page, file, x, y);
}

// A real FileSystemFileHandle for a disk file: dropped onto a catcher laid over the page,
// which keeps the handle in window.__lmwCaught instead of opening anything.
export async function catchHandle(page, file) {
  await page.evaluate(() => {
    const catcher = document.createElement('div');
    catcher.id = 'lmw-test-catcher';
    catcher.style.cssText = 'position:fixed;left:0;top:0;width:40px;height:40px;z-index:2147483647';
    catcher.addEventListener('dragover', (event) => event.preventDefault());
    catcher.addEventListener('drop', (event) => {
      event.preventDefault();
      event.stopPropagation();
      window.__lmwCaught = event.dataTransfer.items[0].getAsFileSystemHandle();
    });
    document.body.appendChild(catcher);
  });
  await dropFile(page, file, 20, 20);
  await page.evaluate(async () => {
    window.__lmwCaught = await window.__lmwCaught;
    document.getElementById('lmw-test-catcher').remove();
  });
}

// Replaces the browser's picker (which headless Chromium cannot answer) with one that resolves
// to the caught real handle, or rejects with a real AbortError when no file is given.
export async function answerPickerWith(page, file) {
  if (file) await catchHandle(page, file);
  await page.evaluate((cancel) => {
    window.showOpenFilePicker = (options) => {
      window.__lmwPickerOptions = options;
      return cancel ? Promise.reject(new DOMException('The user aborted a request.', 'AbortError'))
        : Promise.resolve([window.__lmwCaught]);
    };
  }, !file);
}

// The runtime has started once its stylesheet stands in the head.
export async function waitForRuntime(page) {
  await page.waitForFunction(() => !!document.querySelector('style[data-lmw-runtime="style"]'));
}

export async function statusOf(page) {
  return page.evaluate(() => {
    const status = document.getElementById('status');
    return { text: status.textContent, className: status.className };
  });
}

export async function waitForStatus(page, predicate) {
  await page.waitForFunction(
    (source) => new Function('s', 'return ' + source)(document.getElementById('status')),
    predicate);
  return statusOf(page);
}

// The text that saving would write.
export function savedTextOf(page) {
  return page.evaluate(() => window.__lmwRuntime.serializeDocument());
}
