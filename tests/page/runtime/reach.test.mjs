// What an opened document can reach from the editor's window: no handle of another file, whether
// that file was opened before it (and left a draft) or after it (into a window it may have set
// traps in); a meta refresh never takes the editor away; a navigation the document starts asks
// first, with the unsaved changes already in their draft.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { pathToFileURL } from 'node:url';
import { browserSession, writeFixture, waitForDrafts, storedDrafts } from '../support/browser.mjs';
import { openInEditor, openFromStartPage, typeAtEnd, saveWithCtrlS, waitForEditMode, afterNewInstance } from '../support/editor.mjs';

const browser = browserSession({
  ready(session) {
    session.page.on('dialog', (dialog) => {
      const answer = answers.shift() || 'accept';
      asked.push(dialog.type());
      return answer === 'accept' ? dialog.accept() : dialog.dismiss();
    });
  }
});
const answers = [];
const asked = [];

const page = (title, body, head = '') =>
  `<!DOCTYPE html>\n<html><head><meta charset="utf-8">${head}<title>${title}</title></head>\n<body>\n${body}\n</body></html>\n`;

// A document someone sent: it looks through every database of the page's storage and the window's
// globals for file or folder handles, and writes through every one that is not its own file's.
const SNOOP = page('看看', '<p id="text">无害的页面</p>', `<script>
window.__snoop = (async () => {
  const found = [];
  const seen = new Set();
  const look = (value, where, depth) => {
    if (!value || typeof value !== 'object' || seen.has(value) || depth > 4 || value instanceof Node) return;
    seen.add(value);
    if (value instanceof FileSystemHandle) { found.push({ where, handle: value }); return; }
    for (const key of Object.keys(value)) { try { look(value[key], where + '.' + key, depth + 1); } catch (refused) {} }
  };
  for (const { name } of await indexedDB.databases()) {
    const database = await new Promise((done) => { const request = indexedDB.open(name); request.onsuccess = () => done(request.result); });
    for (const store of database.objectStoreNames) {
      const rows = await new Promise((done) => { const all = database.transaction(store).objectStore(store).getAll(); all.onsuccess = () => done(all.result); });
      look(rows, name + '/' + store, 0);
    }
    database.close();
  }
  for (const name of Object.getOwnPropertyNames(window)) { try { look(window[name], name, 2); } catch (refused) {} }
  const others = found.filter(({ handle }) => handle.name !== 'snoop.html');
  const written = [];
  for (const { where, handle } of others) {
    try { const writable = await handle.createWritable(); await writable.write('PWNED'); await writable.close(); written.push(where); } catch (refused) {}
  }
  return { found: others.map(({ where, handle }) => where + ':' + handle.name), written };
})();
</script>`);

test('a document opened after another finds no handle of it, in storage or in the window', async () => {
  const { page: tab, dir } = browser;
  const secret = await openInEditor(tab, dir, 'secret.html', page('机密', '<p id="text">机密内容</p>'), { handle: true });
  await typeAtEnd(tab, '#text', '，已保存的修改');
  const saved = await saveWithCtrlS(tab, secret);
  await typeAtEnd(tab, '#text', '，草稿里的修改');
  await waitForDrafts(tab, (drafts) => drafts.some((draft) => /草稿里的修改/.test(draft.text)));

  await openFromStartPage(tab, writeFixture(dir, 'snoop.html', SNOOP));
  const snooped = await tab.evaluate(() => window.__snoop);
  assert.deepEqual(snooped, { found: [], written: [] });
  assert.equal(fs.readFileSync(secret, 'utf8'), saved);
  assert.match(saved, /机密内容，已保存的修改/);
  assert.match((await storedDrafts(tab)).find((draft) => draft.fileName === 'secret.html').text, /草稿里的修改/);
});

// A document that sets traps for the files opened after it in the same window: a picker that
// keeps what it hands out, a prototype that sees every write, a setter on the hand-off global.
const TRAPS = page('陷阱', '<p id="text">陷阱页</p>', `<script>
const note = (what) => localStorage.setItem('lmw-caught', (localStorage.getItem('lmw-caught') || '') + what + ';');
localStorage.setItem('lmw-traps', 'set');
const pick = window.showOpenFilePicker;
window.showOpenFilePicker = async (...args) => { const handles = await pick.apply(window, args); handles.forEach((h) => note('picker:' + h.name)); return handles; };
const create = FileSystemFileHandle.prototype.createWritable;
FileSystemFileHandle.prototype.createWritable = function (...args) { note('writable:' + this.name); return create.apply(this, args); };
let held = window.__LW_OPEN_FILE_HANDLE;
Object.defineProperty(window, '__LW_OPEN_FILE_HANDLE', { configurable: true, get: () => held, set: (value) => { if (value) note('global:' + value.name); held = value; } });
</script>`);

test('a document opened before another leaves it no trap: its picker, prototype and setter catch nothing', async () => {
  const { page: tab, dir } = browser;
  await tab.evaluate(() => localStorage.clear());
  await openInEditor(tab, dir, 'traps.html', TRAPS, { handle: true });
  assert.equal(await tab.evaluate(() => localStorage.getItem('lmw-traps')), 'set');

  const victim = writeFixture(dir, 'victim.html', page('目标', '<p id="text">目标文件</p>'));
  await openFromStartPage(tab, victim);
  await typeAtEnd(tab, '#text', '，改过');
  const saved = await saveWithCtrlS(tab, victim);
  assert.match(saved, /目标文件，改过/);
  assert.equal(await tab.evaluate(() => FileSystemFileHandle.prototype.createWritable.toString().includes('note(')), false);
  assert.doesNotMatch(await tab.evaluate(() => localStorage.getItem('lmw-caught') || ''), /victim/);
});

// Written as the file stands, or with its elements' marks where a script of its own could change
// them first: the refresh is held either way.
const REFRESHING = {
  'plain.html': page('刷新', '<p id="text">会自行刷新的页面</p>', '<meta http-equiv="Refresh" content="2; url=elsewhere.html">'),
  'scripted.html': page('刷新', '<p id="text">会自行刷新的页面</p>\n<script>window.__own = true;</script>',
    '<meta content="2" http-equiv=refresh>')
};

// A clock in the page, counted well past the time of the document's refresh.
async function pastItsTime(tab) {
  await tab.evaluate(() => { window.__ticks = 0; setInterval(() => { window.__ticks++; }, 100); });
  await tab.waitForFunction(() => window.__ticks >= 35);
}

test('a meta refresh does not take the editor away, in view or edit mode, and is saved as written', async () => {
  const { page: tab, dir } = browser;
  writeFixture(dir, 'elsewhere.html', page('别处', '<p>别处</p>'));
  for (const [name, source] of Object.entries(REFRESHING)) {
    const file = await openInEditor(tab, dir, name, source, { handle: true });
    await tab.keyboard.press('Alt+e');
    await waitForEditMode(tab, false);
    await pastItsTime(tab);
    assert.equal(await tab.evaluate(() => document.querySelectorAll('meta[data-lmw-http-equiv]').length), 1, name);

    await tab.keyboard.press('Alt+e');
    await typeAtEnd(tab, '#text', '，改');
    await afterNewInstance(tab, () => tab.keyboard.press('Alt+z'));
    await pastItsTime(tab);
    assert.equal(await tab.title(), '刷新', name);
    await afterNewInstance(tab, () => tab.keyboard.press('Alt+y'));
    assert.equal(await saveWithCtrlS(tab, file), source.replace('会自行刷新的页面', '会自行刷新的页面，改'), name);
  }
});

test('a navigation the document starts asks first, with the unsaved text already in its draft', async () => {
  const { page: tab, dir } = browser;
  const elsewhere = pathToFileURL(writeFixture(dir, 'elsewhere.html', page('别处', '<p>别处</p>'))).href;
  await openInEditor(tab, dir, 'leaving.html',
    page('离开', `<p id="text">要离开的页面</p>\n<script>window.leaveNow = () => { location.href = "${elsewhere}"; };</script>`));
  await typeAtEnd(tab, '#text', '，先打几个字');
  asked.length = 0;
  answers.push('dismiss');
  const question = tab.waitForEvent('dialog');
  await tab.evaluate(() => { document.execCommand('insertText', false, '，最后一笔'); window.leaveNow(); });
  await question;
  assert.match((await storedDrafts(tab)).find((draft) => draft.fileName === 'leaving.html').text, /要离开的页面，先打几个字，最后一笔/);
  assert.equal(await tab.title(), '离开');

  await Promise.all([tab.waitForURL(/elsewhere\.html$/), tab.evaluate(() => window.leaveNow())]);
  assert.deepEqual(asked, ['beforeunload', 'beforeunload']);
  assert.match((await storedDrafts(tab)).find((draft) => draft.fileName === 'leaving.html').text, /最后一笔/);
});
