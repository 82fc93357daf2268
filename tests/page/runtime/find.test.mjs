// Find and replace as a user meets it: the find bar from Ctrl+F, matches of any case highlighted
// in place with the active one taken from the caret, never the interface's own text, replacing
// one match or all as undoable edits, and no trace of a highlight in the text or its snapshots.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { browserSession, savedTextOf } from '../support/browser.mjs';
import { openInEditor, editorView, historyOf, pressForNewInstance } from '../support/editor.mjs';

const browser = browserSession();
const DOCUMENT = `<!DOCTYPE html><html><head><meta charset="utf-8"><style>body{padding:120px 40px}</style></head><body>
<p id="twice">Apple pie and apple tart</p><p id="upper">APPLE juice</p><p>Straw<b>berry</b></p><p id="tail">The last apple</p>
<style>.apple-note{color:rgb(200, 0, 0)}</style><p id="styled" class="apple-note">styled</p></body></html>`;
const FIND = '.__lw-findbar-input[placeholder="查找..."]';
const REPLACE = '.__lw-findbar-input[placeholder="替换为..."]';

const findView = () => browser.page.evaluate(() => [document.querySelector('.__lw-findbar').style.display,
  document.querySelector('.__lw-findbar-count').textContent, ...[...document.querySelectorAll('.__lw-search-highlight')]
    .map((span) => `${span.parentNode.id}:${span.textContent}${span.classList.contains('active') ? '*' : ''}`)]);
const texts = () => browser.page.evaluate(() => ['twice', 'upper', 'tail'].map((id) => document.getElementById(id).textContent));
const toast = async () => (await editorView(browser.page)).toast;

async function search(query) {
  await browser.page.fill(FIND, query);
  await browser.page.click('.__lw-findbar-btn.primary');
}

test('finding: any case, trimmed, one match per text node, the active one after the caret, nothing of the interface', async () => {
  const { page } = browser;
  await openInEditor(page, browser.dir, 'fruit.html', DOCUMENT);
  await page.keyboard.press('Control+f');
  await page.keyboard.type('  aPPle \n');
  assert.deepEqual(await findView(), ['flex', '4 个匹配', 'twice:Apple*', 'upper:APPLE', 'tail:apple'],
    'the document\'s style text is counted, but no highlight goes into it');
  assert.equal(await page.evaluate(() => getComputedStyle(document.getElementById('styled')).color), 'rgb(200, 0, 0)');
  await page.click('#tail', { position: { x: 5, y: 8 } });
  await page.click('.__lw-findbar-btn.primary');
  assert.deepEqual((await findView()).slice(2), ['twice:Apple', 'upper:APPLE', 'tail:apple*']);

  for (const query of ['strawberry', '全部替换', '上一页', '开始编辑', 'replaceHighlightWithText']) {
    await search(query);
    assert.deepEqual(await findView(), ['flex', '0 个匹配'], query);
  }
  await search('   ');
  assert.equal(await toast(), '请输入查找内容');
  await search('apple');
  await page.click('.__lw-findbar-close');
  assert.deepEqual(await findView(), ['none', '']);
  assert.deepEqual(await page.evaluate(() => [...document.querySelectorAll('p[id]')].map((p) => p.childNodes.length)), [1, 1, 1, 1],
    'no split text nodes are left');
  await page.click('.__lw-tb-btn[title^="打开查找"]');
  await search('juice');
  await page.keyboard.press('Escape');
  assert.deepEqual([await findView(), (await editorView(page)).editMode, (await historyOf(page)).length], [['none', ''], true, 0]);
});

test('replacing: one undo step each, replace all counting every occurrence, no highlight in any snapshot', async () => {
  const { page } = browser;
  await openInEditor(page, browser.dir, 'fruit.html', DOCUMENT);
  await page.keyboard.press('Control+f');
  await search('pie');
  await page.fill(REPLACE, '  cake');
  await page.click('.__lw-findbar-btn:text-is("替换")');
  assert.deepEqual([await toast(), (await findView())[1]], ['已替换', '0 个匹配']);
  await page.fill(REPLACE, '');
  await search('TART');
  await page.focus(REPLACE);
  await page.keyboard.press('Enter');
  assert.deepEqual(await texts(), ['Apple   cake and apple ', 'APPLE juice', 'The last apple'], 'taken as typed; empty deletes');

  await page.fill(REPLACE, 'pear');
  await page.fill(FIND, 'Apple');
  await page.click('.__lw-findbar-btn:text-is("全部替换")');
  assert.deepEqual([await toast(), await findView()], ['已替换 5 处', ['flex', '']], 'two in one text node, and the style\'s');
  assert.deepEqual(await texts(), ['pear   cake and pear ', 'pear juice', 'The last pear']);
  await page.fill(FIND, 'kiwi');
  await page.click('.__lw-findbar-btn:text-is("全部替换")');
  assert.equal(await toast(), '未找到匹配内容');
  await search('pear');
  const history = await historyOf(page);
  assert.deepEqual(history.map((entry) => entry.reason), ['replace', 'replace', 'replaceAll'], 'nothing found, nothing recorded');
  assert.match(history[2].html, /<p id="twice">Apple {3}cake and apple <\/p>/);
  for (const html of [...history.map((entry) => entry.html), await page.evaluate(() => window.__lmwRuntime.serializeDocument())]) {
    assert.doesNotMatch(html, /__lw-|data-lmw/);
  }

  await page.keyboard.press('Escape');
  await page.keyboard.press('Alt+z');
  await page.waitForFunction(() => document.getElementById('upper')?.textContent === 'APPLE juice');
  assert.deepEqual(await texts(), ['Apple   cake and apple ', 'APPLE juice', 'The last apple'], 'Alt+Z takes back the replace-all');
});

// The file as its author wrote it, each match given by `match` as written there (a reference in
// it, any case), and raw text apart: a style's text takes a replacement as it is typed.
const authored = (match, raw = match) => `<!DOCTYPE html>
<html><HEAD><meta charset=utf-8><title>apple</title></HEAD>
<body>
<!-- apple, outside -->
<P CLASS=note title='apple pie'  ><!-- apple --> ${match('Apple')}&nbsp;tart &amp; ${match('APPLE')}<B
>${match('apple')}</B><!-- apple --></P>
<ul id=list><li>one ${match('&#97;pple')}\r\n<li data-x = "apple">two ${match('apple')}</ul>
<style>/* ${raw('apple')} */ .note{color:rgb(0, 90, 0)}</style>
</body></html>
`;

test('replace-all changes the saved text at the matches alone, and one undo gives the file back', async () => {
  const { page } = browser;
  const FILE = authored((written) => written);
  await openInEditor(page, browser.dir, 'authored.html', FILE);
  await page.waitForFunction(() => document.querySelector('.__lw-toggle.active'));
  await page.keyboard.press('Control+f');
  await page.fill(FIND, 'apple');
  await page.fill(REPLACE, 'pear & <fig>');
  await page.click('.__lw-findbar-btn:text-is("全部替换")');
  assert.equal(await toast(), '已替换 6 处');
  assert.equal(await savedTextOf(page), authored(() => 'pear &amp; &lt;fig&gt;', () => 'pear & <fig>'),
    'attributes, comments, quoting, references and line breaks stay as written');
  assert.deepEqual((await historyOf(page)).map((entry) => [entry.reason, entry.html === FILE]), [['replaceAll', true]]);
  await page.keyboard.press('Escape');
  await pressForNewInstance(page, 'Alt+z');
  assert.equal(await savedTextOf(page), FILE);
});
