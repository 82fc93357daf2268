// Find and replace as a user meets it: the find bar from Ctrl+F and the toolbar, matches found
// whatever their case and highlighted in place, the active one taken from where the caret is,
// replacing one match or all of them as undoable edits, and no trace of the highlights in the
// document's text, its history or its saved form.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { browserSession } from '../support/browser.mjs';
import { openInEditor, editorView, historyOf } from '../support/editor.mjs';

const browser = browserSession();

const DOCUMENT = `<!DOCTYPE html><html><head><meta charset="utf-8"><title>fruit</title>
<style>body{margin:0;padding:120px 40px;font:16px/1.6 sans-serif}</style></head><body><main>
<h1 id="title">Fruit notes</h1>
<p id="twice">Apple pie and apple tart</p>
<p id="upper">APPLE juice</p>
<p id="split">Straw<b>berry</b> fields</p>
<p id="tail">The last apple of the year</p>
<style>.apple-note{color:rgb(200, 0, 0)}</style>
<p id="styled" class="apple-note">styled note</p>
</main></body></html>`;

function findView() {
  return browser.page.evaluate(() => {
    const bar = document.querySelector('.__lw-findbar');
    return {
      shown: bar.style.display === 'flex',
      count: document.querySelector('.__lw-findbar-count').textContent,
      highlights: [...document.querySelectorAll('.__lw-search-highlight')]
        .map((span) => `${span.parentNode.id}:${span.textContent}${span.classList.contains('active') ? '*' : ''}`)
    };
  });
}

async function search(query) {
  await browser.page.fill('.__lw-findbar-input[placeholder="查找..."]', query);
  await browser.page.click('.__lw-findbar-btn.primary');
}

function texts() {
  return browser.page.evaluate(() => ['twice', 'upper', 'tail'].map((id) => document.getElementById(id).textContent));
}

async function toast() {
  return (await editorView(browser.page)).toast;
}

test('finding: any case, trimmed, highlighted in place, the active match from the caret, nothing of the interface', async () => {
  const { page } = browser;
  await openInEditor(page, browser.dir, 'fruit.html', DOCUMENT);
  await page.keyboard.press('Control+f');
  assert.equal((await findView()).shown, true);
  assert.equal(await page.evaluate(() => document.activeElement.placeholder), '查找...');
  await page.keyboard.type('  aPPle ');
  await page.keyboard.press('Enter');
  assert.deepEqual(await findView(), {
    shown: true, count: '4 个匹配', highlights: ['twice:Apple*', 'upper:APPLE', 'tail:apple']
  }, 'one match per text node; the text of the document\'s style is counted but left intact');
  assert.equal(await page.evaluate(() => getComputedStyle(document.getElementById('styled')).color), 'rgb(200, 0, 0)');
  assert.equal(await page.textContent('#twice'), 'Apple pie and apple tart');

  await page.click('#tail', { position: { x: 5, y: 8 } });
  await page.click('.__lw-findbar-btn.primary');
  assert.deepEqual((await findView()).highlights, ['twice:Apple', 'upper:APPLE', 'tail:apple*'],
    'the first match after the caret is the active one');

  for (const query of ['strawberry', '全部替换', '查找', '上一页', 'replaceHighlightWithText', '开始编辑']) {
    await search(query);
    assert.deepEqual(await findView(), { shown: true, count: '0 个匹配', highlights: [] }, query);
  }
  await search('   ');
  assert.equal(await toast(), '请输入查找内容');

  await search('apple');
  await page.click('.__lw-findbar-close');
  assert.deepEqual(await findView(), { shown: false, count: '', highlights: [] });
  assert.deepEqual(await page.evaluate(() => ['twice', 'upper', 'tail'].map((id) => document.getElementById(id).childNodes.length)),
    [1, 1, 1], 'no split text nodes are left');
  assert.deepEqual(await texts(), ['Apple pie and apple tart', 'APPLE juice', 'The last apple of the year']);

  await page.click('.__lw-tb-btn[title^="打开查找"]');
  await search('juice');
  await page.keyboard.press('Escape');
  assert.deepEqual(await findView(), { shown: false, count: '', highlights: [] }, 'Escape closes the find bar first');
  assert.equal((await editorView(page)).editMode, true);
  assert.equal((await historyOf(page)).length, 0, 'finding records nothing');
});

test('replacing: each replacement one undo step, replace all counting every occurrence, no highlight in any snapshot', async () => {
  const { page } = browser;
  await openInEditor(page, browser.dir, 'fruit.html', DOCUMENT);
  await page.keyboard.press('Control+f');
  await search('pie');
  await page.fill('.__lw-findbar-input[placeholder="替换为..."]', '  cake');
  await page.click('.__lw-findbar-btn:text-is("替换")');
  assert.equal(await toast(), '已替换');
  assert.equal((await findView()).count, '0 个匹配', 'the find runs again after the replacement');

  await page.fill('.__lw-findbar-input[placeholder="替换为..."]', '');
  await search('TART');
  await page.focus('.__lw-findbar-input[placeholder="替换为..."]');
  await page.keyboard.press('Enter');
  assert.deepEqual(await texts(), ['Apple   cake and apple ', 'APPLE juice', 'The last apple of the year'],
    'the replacement is taken as typed, and an empty one deletes the match');

  await page.fill('.__lw-findbar-input[placeholder="替换为..."]', 'pear');
  await page.fill('.__lw-findbar-input[placeholder="查找..."]', 'Apple');
  await page.click('.__lw-findbar-btn:text-is("全部替换")');
  assert.equal(await toast(), '已替换 5 处', 'both occurrences of one text node count, and the style\'s');
  assert.deepEqual(await texts(), ['pear   cake and pear ', 'pear juice', 'The last pear of the year']);
  assert.deepEqual(await findView(), { shown: true, count: '', highlights: [] });

  let history = await historyOf(page);
  assert.deepEqual(history.map((entry) => entry.reason), ['replace', 'replace', 'replaceAll']);
  assert.ok(history.every((entry) => !/__lw-|data-lmw/.test(entry.html)), 'snapshots hold the document alone');
  assert.match(history[0].html, /<p id="twice">Apple pie and apple tart<\/p>/);
  assert.match(history[2].html, /<p id="twice">Apple {3}cake and apple <\/p>/);

  await page.fill('.__lw-findbar-input[placeholder="查找..."]', 'kiwi');
  await page.click('.__lw-findbar-btn:text-is("全部替换")');
  assert.equal(await toast(), '未找到匹配内容');
  assert.equal((await historyOf(page)).length, 3, 'nothing found, nothing recorded');

  await search('pear');
  assert.equal((await findView()).count, '4 个匹配');
  const saved = await page.evaluate(() => window.__lmwRuntime.serializeDocument());
  assert.doesNotMatch(saved, /search-highlight|__lw-|data-lmw/);

  await page.keyboard.press('Escape');
  await page.keyboard.press('Alt+z');
  await page.waitForFunction(() => window.__lmwRuntime && document.getElementById('upper').textContent === 'APPLE juice');
  assert.deepEqual(await texts(), ['Apple   cake and apple ', 'APPLE juice', 'The last apple of the year'],
    'Alt+Z takes back the replace-all as one step');
  history = await historyOf(page);
  assert.deepEqual(history.map((entry) => entry.reason), ['replace', 'replace']);
});
