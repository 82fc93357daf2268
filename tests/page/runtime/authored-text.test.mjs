// The file keeps what its author wrote. A deck whose script restructures it at load (slides
// moved into a stage it makes, dots, a progress bar and a counter built, classes and inline
// styles toggled, a markdown template rendered, code highlighted) is edited every way the editor
// edits, saved, and the written text compared with the file as it was: only the edited element
// differs. Undo, redo, reopening and the saved file in a plain browser build the deck's interface
// once.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { pathToFileURL } from 'node:url';
import { browserSession, savedTextOf } from '../support/browser.mjs';
import {
  openInEditor, saveWithCtrlS, typeAtEnd, chooseFromElementMenu, pressForNewInstance
} from '../support/editor.mjs';

const DECK_SCRIPT = `
const slides = Array.prototype.slice.call(document.querySelectorAll('body > section.slide'));
const stage = document.createElement('div');
stage.className = 'stage';
slides.forEach(function (slide) { stage.appendChild(slide); });
document.body.insertBefore(stage, document.body.firstChild);
document.querySelectorAll('[data-markdown]').forEach(function (holder) {
  var template = holder.querySelector('textarea[data-template]');
  if (!template) return;
  var lines = template.value.trim().split('\\n');
  holder.innerHTML = '<h2>' + lines[0].replace(/^#+ /, '') + '</h2><p>' + lines.slice(1).join(' ') + '</p>';
});
document.querySelectorAll('pre code:not([data-highlighted])').forEach(function (code) {
  code.innerHTML = code.textContent.replace(/\\b(var|return)\\b/g, '<span class="kw">$1</span>');
  code.setAttribute('data-highlighted', 'yes');
});
const dots = document.createElement('nav');
dots.className = 'dots';
slides.forEach(function () { dots.appendChild(document.createElement('i')).className = 'dot'; });
document.body.appendChild(dots);
const progress = document.body.appendChild(document.createElement('div'));
progress.className = 'progress';
const counter = document.body.appendChild(document.createElement('div'));
counter.id = 'counter';
slides.forEach(function (slide, index) {
  slide.style.zIndex = String(slides.length - index);
  if (slide.classList.contains('active')) { counter.textContent = index + 1 + ' / ' + slides.length; }
});
`;

const FRAGMENTS = {
  title: '<h1 id="title">季度幻灯</h1>',
  intro: '<p id="intro">开场白</p>',
  second: '<p id="second">第二段&nbsp;幻灯 <b>要点</b></p>',
  styled: '<p id="styled" style="color: red">红字 <b>粗体</b></p>',
  markdown: '<div id="notes" data-markdown><textarea data-template>\n## 要点\n第一条\n第二条\n</textarea></div>',
  code: '<pre id="code"><code class="lang-js">var a = 1; return a;</code></pre>',
  slide1: '<section class="slide active" id="s1">',
  slide2: "<section class='slide' id=s2>"
};
const DECK = `<!DOCTYPE html>
<html lang="zh-CN">
<head>
<meta charset="utf-8">
<title>季度汇报</title>
<style>
html, body { height: 100%; margin: 0; }
body { font: 18px/1.5 sans-serif; }
.stage { position: relative; height: 100%; }
.slide { position: absolute; inset: 0; padding: 120px 60px 0; opacity: 0; pointer-events: none; background: #fff; }
.slide.active { opacity: 1; pointer-events: auto; }
h1 { font-size: 36px; margin: 0 0 10px; }
.dots, .progress, #counter { position: fixed; bottom: 0; }
</style>
</head>
<body>
${FRAGMENTS.slide1}
  ${FRAGMENTS.title}
  ${FRAGMENTS.intro}
  ${FRAGMENTS.second}
  ${FRAGMENTS.styled}
  ${FRAGMENTS.markdown}
  ${FRAGMENTS.code}
</section>
${FRAGMENTS.slide2}
  <h2 id="t2">第二页</h2>
  <p>第二页也有幻灯二字</p>
</section>
<section class="slide" id="s3"><h2>第三页</h2></section>
<script>${DECK_SCRIPT}</script>
</body>
</html>
`;

const session = browserSession();
const at = (x, y) => ({ position: { x, y } });

// What the deck's script built, counted: one of each, and one dot per slide.
function builtOnce(page) {
  return page.evaluate(() => [document.querySelectorAll('.stage').length, document.querySelectorAll('.dot').length,
    document.querySelectorAll('.progress').length, document.querySelectorAll('#counter').length,
    document.querySelectorAll('.kw').length, document.querySelectorAll('#notes h2').length]);
}
const ONE_SET = [1, 3, 1, 1, 2, 1];

async function openDeck(name, text = DECK) {
  const file = await openInEditor(session.page, session.dir, name, text, { handle: true });
  await session.page.waitForFunction(() => document.querySelector('.__lw-toggle.active'));
  return file;
}

async function setFontSizeOf(page, selector) {
  await page.click(selector, at(20, 10));
  await page.click('.__lw-tb-btn[title="显示/隐藏样式面板"]');
  await page.locator('.__lw-ctrl:has(> :text-is("字号")) .__lw-slider').focus();
  await page.keyboard.press('ArrowRight');
  await page.click('.__lw-tb-btn[title="显示/隐藏样式面板"]');
}

async function replaceAll(page, query, replacement) {
  await page.keyboard.press('Control+f');
  await page.fill('.__lw-findbar-input[placeholder="查找..."]', query);
  await page.fill('.__lw-findbar-input[placeholder="替换为..."]', replacement);
  await page.click('.__lw-findbar-btn:text-is("全部替换")');
  await page.keyboard.press('Escape');
}

function accepting(page, action) {
  return async () => {
    page.once('dialog', (dialog) => dialog.accept());
    await action();
  };
}

// Each edit, and the file's text it must leave: the original with the edited element alone
// written anew.
const EDITS = [
  { name: 'typing', edit: (page) => typeAtEnd(page, '#intro', '，欢迎'),
    expect: (text) => text.replace(FRAGMENTS.intro, '<p id="intro">开场白，欢迎</p>') },
  { name: 'a slider of the style panel', edit: (page) => setFontSizeOf(page, '#title'),
    expect: (text) => text.replace(FRAGMENTS.title, '<h1 id="title" style="font-size: 37px;">季度幻灯</h1>') },
  { name: 'copying', edit: (page) => chooseFromElementMenu(page, '#second', '复制元素'),
    expect: (text) => text.replace(FRAGMENTS.second, FRAGMENTS.second + FRAGMENTS.second) },
  { name: 'deleting', edit: (page) => accepting(page, () => chooseFromElementMenu(page, '#second', '删除元素'))(),
    expect: (text) => text.replace(FRAGMENTS.second, '') },
  { name: 'moving down', edit: (page) => chooseFromElementMenu(page, '#intro', '下移'),
    expect: (text) => text.replace(`${FRAGMENTS.intro}\n  ${FRAGMENTS.second}`, `\n  ${FRAGMENTS.second}${FRAGMENTS.intro}`) },
  { name: 'clearing formatting', edit: async (page) => {
    await page.click('#styled', at(8, 8));
    await page.keyboard.press('Escape');
    await page.click('.__lw-tb-btn:text-is("清除格式")');
  }, expect: (text) => text.replace(FRAGMENTS.styled, '<p id="styled">红字 粗体</p>') },
  { name: 'replacing all', edit: (page) => replaceAll(page, '幻灯', '演示'),
    expect: (text) => text.replace(FRAGMENTS.title, '<h1 id="title">季度演示</h1>')
      .replace(FRAGMENTS.second, '<p id="second">第二段&nbsp;演示 <b>要点</b></p>')
      .replace('<p>第二页也有幻灯二字</p>', '<p>第二页也有演示二字</p>') }
];

test('each kind of edit changes, in the saved file, the edited element alone', async () => {
  const { page, errors } = session;
  for (const { name, edit, expect } of EDITS) {
    const file = await openDeck('edit.html');
    await edit(page);
    assert.equal(await saveWithCtrlS(page, file), expect(DECK), name);
    assert.deepEqual(await builtOnce(page), ONE_SET, name);
  }
  assert.deepEqual(errors.map(String), []);
});

// The text around an element rewritten as it stands live: everything else is the file's own.
function rewrittenPart(saved, fragment) {
  const start = DECK.indexOf(fragment);
  const tail = DECK.slice(start + fragment.length);
  assert.equal(saved.slice(0, start), DECK.slice(0, start));
  assert.ok(saved.endsWith(tail));
  return saved.slice(start, saved.length - tail.length);
}

test('an edit inside what a script made writes the nearest element of the author\'s as it stands', async () => {
  const { page } = session;
  const file = await openDeck('rendered.html');
  await typeAtEnd(page, '#notes p', '。');
  await typeAtEnd(page, '#code', ' ');
  const saved = await saveWithCtrlS(page, file);
  assert.equal(rewrittenPart(saved.replace(/<pre id="code">[^]*?<\/pre>/, FRAGMENTS.code), FRAGMENTS.markdown),
    '<div id="notes" data-markdown=""><h2>要点</h2><p>第一条 第二条。</p></div>');
  assert.equal(rewrittenPart(saved.replace(/<div id="notes"[^]*?<\/div>/, FRAGMENTS.markdown), FRAGMENTS.code),
    '<pre id="code"><code class="lang-js" data-highlighted="yes"><span class="kw">var</span> a = 1; <span class="kw">return</span> a; </code></pre>');
  // The page opened again renders nothing twice: the highlighter skips what is marked done.
  await openDeck('rendered-again.html', saved);
  assert.deepEqual(await builtOnce(page), ONE_SET);
});

test('page navigation keeps its classes in the text; nothing else of a page moves', async () => {
  const { page } = session;
  await openDeck('pages.html');
  await page.click('.__lw-tb-btn[title^="切换到下一页"]');
  await page.waitForFunction(() => document.getElementById('s2').classList.contains('active'));
  assert.equal(await savedTextOf(page), DECK.replace(FRAGMENTS.slide1, '<section class="slide prev" id="s1">')
    .replace(FRAGMENTS.slide2, "<section class='slide active' id=s2>"));
});

test('undo and redo give back the earlier text, and the deck builds its interface once each time', async () => {
  const { page, errors } = session;
  const file = await openDeck('cycles.html');
  await typeAtEnd(page, '#intro', '一');
  await chooseFromElementMenu(page, '#second', '复制元素');
  const afterEdits = await savedTextOf(page);
  const steps = [['Alt+z', EDITS[0].expect(DECK).replace('开场白，欢迎', '开场白一')], ['Alt+z', DECK], ['Alt+y', null],
    ['Alt+y', afterEdits], ['Alt+z', null], ['Alt+y', afterEdits]];
  for (const [keys, text] of steps) {
    await pressForNewInstance(page, keys);
    assert.deepEqual(await builtOnce(page), ONE_SET, keys);
    if (text) assert.equal(await savedTextOf(page), text, keys);
  }
  const saved = await saveWithCtrlS(page, file);
  assert.equal(saved, afterEdits);

  // The saved file opened by the browser itself, without the editor.
  const plain = await session.context.newPage();
  await plain.goto(pathToFileURL(file).href);
  assert.deepEqual(await builtOnce(plain), ONE_SET);
  await plain.close();
  assert.deepEqual(errors.map(String), []);
});

test('a file whose end tags the parser implies keeps its bytes around the edited item', async () => {
  const { page } = session;
  const LIST = '<!DOCTYPE html>\n<title>list</title>\n<ul id="list">\n<li id="one">一\n<li id="two">二\n</ul>\n<p id="p">段落一\n<p>段落二\n';
  const file = await openInEditor(page, session.dir, 'implied.html', LIST, { handle: true });
  await page.waitForFunction(() => document.querySelector('.__lw-toggle.active'));
  await typeAtEnd(page, '#two', '改');
  await typeAtEnd(page, '#p', '改');
  const saved = await saveWithCtrlS(page, file);
  // The browser's editing drops the trailing line feed it shows as nothing; the rest is the file's.
  assert.equal(saved, LIST.replace('<li id="two">二\n', '<li id="two">二改</li>').replace('<p id="p">段落一\n', '<p id="p">段落一改</p>'));
  await pressForNewInstance(page, 'Alt+z');
  assert.equal(await savedTextOf(page), LIST.replace('<li id="two">二\n', '<li id="two">二改</li>'), 'undo takes back the second edit alone');
});

// A file without scripts is written as it is, the editor's parts placed where a glance at its
// tags puts them; where the glance misreads (a body end tag in a comment, a ">" in an attribute,
// a head end tag in a comment), the file is written again with its marks before anything is
// edited, and it saves with the edit alone.
const MISREAD = [
  ['a body end tag in a trailing comment', '<!DOCTYPE html>\n<html><head><title>t</title></head><body>\n<p id="p">段落</p>\n</body>\n<!-- 旧的结尾 </body></html> -->\n</html>\n'],
  ['a ">" inside the body tag', '<!DOCTYPE html>\n<html><head><title>t</title></head><body data-note="a>b">\n<p id="p">段落</p>\n</body></html>\n'],
  ['a head end tag in a comment', '<!DOCTYPE html>\n<html><head><!-- </head> --><title>t</title></head><body>\n<p id="p">段落</p>\n</body></html>\n']
];

test('a file whose parts a glance misplaces is written again with its marks and saves with the edit alone', async () => {
  const { page } = session;
  for (const [label, text] of MISREAD) {
    const file = await openInEditor(page, session.dir, 'misread.html', text, { handle: true });
    await page.waitForFunction(() => document.querySelector('.__lw-toggle.active') &&
      document.querySelector('#p').hasAttribute('data-lmw-n'), null, { timeout: 30000 });
    await typeAtEnd(page, '#p', '改');
    assert.equal(await saveWithCtrlS(page, file), text.replace('段落</p>', '段落改</p>'), label);
  }
});
