// The style panel as a user meets it: it follows the selection, folds its groups, becomes a sheet
// in a narrow window, and each kind of control shows the element's value and writes what the
// user sets through the real control, one undo step per change; then undo and save.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { browserSession, savedTextOf } from '../support/browser.mjs';
import {
  openInEditor, editorView, waitForEditMode, historyOf, reasonsSince, pressForNewInstance, saveWithCtrlS
} from '../support/editor.mjs';

const DOCUMENT = `<!DOCTYPE html><html><head><meta charset="utf-8"><title>panel</title>
<style>body{margin:0;font:16px/1.5 sans-serif}main{padding:130px 40px 40px;width:700px}
#heavy{font-weight:800}#plain{line-height:normal}#huge{font-size:120px;line-height:1;margin:0}
#boxed{width:320px;box-shadow:2px 3px 4px 1px rgba(255,0,0,.5),0 0 10px rgb(0,0,255);padding:10px}</style></head>
<body><main><p id="heavy">Heavy words</p><p id="plain">A paragraph with a normal line height</p>
<h1 id="huge">Huge</h1><div id="boxed" style="width:250px">A shadowed box</div>
<p id="filtered" style="filter:contrast(1.2)">A filtered paragraph</p></main></body></html>`;

const session = browserSession();
const PANEL_BUTTON = '.__lw-tb-btn[title="显示/隐藏样式面板"]';
const control = (label) => session.page.locator(`.__lw-ctrl:has(> .__lw-ctrl-label:text-is("${label}"))`);
const unfold = (group) => session.page.click(`.__lw-group-hd:text-is("${group}")`);
const values = (locator) => locator.evaluateAll((inputs) => inputs.map((input) => input.value));
let file;

async function select(selector) {
  const { page } = session;
  if ((await editorView(page)).editingId) await page.keyboard.press('Escape');
  await page.click(selector, { position: { x: 12, y: 8 } });
  await page.waitForFunction((s) => {
    const inner = document.querySelector('.__lw-panel-inner');
    return inner.querySelector('.__lw-panel-subtitle')?.textContent === document.querySelector(s).tagName.toLowerCase() &&
      !inner.classList.contains('fade');
  }, selector);
}

async function typeInto(locator, text) {
  await locator.fill(text);
  await locator.press('Enter');
}

function groupsShown(page) {
  return page.evaluate(() => [...document.querySelectorAll('.__lw-group')].map((group) =>
    group.firstChild.textContent + (group.classList.contains('collapsed') ? ' folded' : '')));
}

const TABLE_GROUPS = ['文字', '背景', '间距', '尺寸', '定位 folded', '边框 folded', '排版 folded', '布局 folded',
  '阴影 folded', '效果 folded', '变换 folded'];

test('the panel follows the selection, starts every group as the table says and becomes a sheet when narrow', async () => {
  const { page, dir } = session;
  file = await openInEditor(page, dir, 'panel.html', DOCUMENT, { handle: true });
  await waitForEditMode(page, true);
  await page.click(PANEL_BUTTON);
  await page.waitForSelector('.__lw-panel.visible .__lw-panel-empty');
  assert.deepEqual(await page.locator('.__lw-panel-subtitle, .__lw-panel-empty, .__lw-tb-btn.active').allTextContents(),
    ['格式调整', '未选择', '进入编辑模式后，点击页面里的标题、段落、卡片或按钮开始调整。']);

  await select('#boxed');
  const box = await page.locator('#boxed').boundingBox();
  assert.deepEqual(await page.locator('.__lw-el-info span').allTextContents(),
    ['div', `${Math.round(box.width)} × ${Math.round(box.height)}`]);
  assert.deepEqual(await groupsShown(page), TABLE_GROUPS);
  await unfold('文字');
  await unfold('定位');
  assert.deepEqual((await groupsShown(page)).slice(0, 5), ['文字 folded', '背景', '间距', '尺寸', '定位']);
  await select('#plain');
  assert.deepEqual(await groupsShown(page), TABLE_GROUPS, 'folding is not remembered');

  await page.setViewportSize({ width: 700, height: 800 });
  await page.waitForFunction(() => document.querySelector('.__lw-panel').getBoundingClientRect().left === 8);
  const sheet = await page.locator('.__lw-panel').boundingBox();
  assert.deepEqual([sheet.width, sheet.y + sheet.height, Math.round(sheet.height)], [684, 792, 336]);
  await page.setViewportSize({ width: 1280, height: 800 });
});

test('every kind of control reads the element and writes what the user sets, one undo step each', async () => {
  const { page } = session;
  const before = (await historyOf(page)).length;
  const style = (selector, prop) => page.evaluate(([s, p]) => document.querySelector(s).style[p], [selector, prop]);

  await select('#heavy');
  const weight = control('字重').locator('select');
  assert.deepEqual(await weight.evaluate((element) => [element.value, [...element.options].some((o) => o.defaultSelected)]),
    ['100', false], 'a weight of 800 has no option and shows the first');
  await weight.selectOption('700');
  await control('对齐').locator('button:text-is("中")').click();
  assert.deepEqual(await control('对齐').locator('.active').allTextContents(), ['中']);
  const colour = control('文字颜色');
  await typeInto(colour.locator('.__lw-color-hex'), '#abc');
  assert.equal(await colour.locator('input[type=color]').inputValue(), '#aabbcc');
  await typeInto(colour.locator('.__lw-color-hex'), '');
  await typeInto(colour.locator('.__lw-color-hex'), 'bluish');
  assert.equal(await page.getAttribute('#heavy', 'style'), 'font-weight: 700; text-align: center; color: rgb(170, 187, 204);');

  await select('#plain');
  const lineHeight = control('行高');
  assert.deepEqual(await values(lineHeight.locator('input')), ['1.4', '1.4'], 'a normal line height reads 1.4');
  await lineHeight.locator('.__lw-slider').focus();
  await page.keyboard.press('ArrowRight');
  assert.deepEqual([await style('#plain', 'lineHeight'), await lineHeight.locator('.__lw-num').inputValue()], ['1.45', '1.45']);
  const margin = control('外边距').locator('input');
  assert.deepEqual(await values(margin), ['16', '0', '16', '0']);
  await typeInto(margin.nth(3), '-12');
  assert.equal(await style('#plain', 'marginLeft'), '-12px', 'a typed negative margin is applied');

  await select('#huge');
  const size = control('字号');
  assert.deepEqual(await values(size.locator('input')), ['96', '120px']);
  await typeInto(size.locator('.__lw-num'), '130');
  await typeInto(size.locator('.__lw-num'), 'big');
  assert.equal(await style('#huge', 'fontSize'), '130px', 'typed beyond the range is applied; no number is ignored');

  await select('#boxed');
  assert.equal(await control('宽度').locator('input').inputValue(), '250px');
  await typeInto(control('宽度').locator('input'), '');
  assert.deepEqual([await style('#boxed', 'width'), (await page.locator('#boxed').boundingBox()).width], ['', 340],
    'an empty width box gives the stylesheet its width back');
  await unfold('阴影');
  const shadow = control('盒阴影');
  assert.deepEqual(await values(shadow.locator('.__lw-slider, .__lw-color-hex')), ['2', '3', '4', '1', '#ff0000']);
  await typeInto(shadow.locator('.__lw-num').first(), '7');
  assert.equal(await page.evaluate(() => getComputedStyle(document.getElementById('boxed')).boxShadow),
    'rgb(255, 0, 0) 7px 3px 4px 1px, rgb(0, 0, 255) 0px 0px 10px 0px', 'the second layer stays');

  await select('#filtered');
  await unfold('效果');
  assert.deepEqual([await control('对比度').locator('.__lw-slider').inputValue(), await control('模糊').locator('.__lw-num').inputValue()],
    ['1.2', '0px'], 'compound sliders read the inline functions');
  await typeInto(control('模糊').locator('.__lw-num'), '2');
  assert.equal(await style('#filtered', 'filter'), 'contrast(1.2) blur(2px)');
  assert.deepEqual(await reasonsSince(page, before), Array(9).fill('style'));

  await pressForNewInstance(page, 'Alt+z');
  assert.equal(await style('#filtered', 'filter'), 'contrast(1.2)', 'undo takes back the last change');
  const saved = await saveWithCtrlS(page, file);
  assert.doesNotMatch(saved, /data-lmw|__lw/);
  assert.match(saved, /<p id="heavy" style="font-weight: 700; text-align: center; color: rgb\(170, 187, 204\);">/);
  assert.match(saved, /<div id="boxed" style="box-shadow: [^"]*7px 3px 4px 1px[^"]*, rgb\(0, 0, 255\) 0px 0px 10px 0px;">/);
});

// A gesture on a slider: the thumb dragged across the track in many steps, or an arrow key held.
const GESTURES = {
  async drag(slider) {
    const track = await slider.boundingBox();
    const y = track.y + track.height / 2;
    await session.page.mouse.move(track.x + 2, y);
    await session.page.mouse.down();
    await session.page.mouse.move(track.x + track.width - 2, y, { steps: 30 });
    await session.page.mouse.up();
  },
  async holdKey(slider) {
    await slider.focus();
    for (let i = 0; i < 6; i++) await session.page.keyboard.down('ArrowRight');
    await session.page.keyboard.up('ArrowRight');
  }
};

test('one drag of a slider or one held key is one undo step, and the steps before it stay', async () => {
  const { page, dir } = session;
  await openInEditor(page, dir, 'gestures.html', DOCUMENT);
  await waitForEditMode(page, true);
  const opened = await savedTextOf(page);
  await page.click(PANEL_BUTTON);
  await select('#plain');
  for (const align of ['中', '右', '两端', '左']) await control('对齐').locator(`button:text-is("${align}")`).click();
  const inputs = () => page.evaluate(() => window.sliderInputs);
  await page.evaluate(() => {
    window.sliderInputs = 0;
    document.addEventListener('input', (event) => { if (event.target.type === 'range') window.sliderInputs++; }, true);
  });
  await GESTURES.holdKey(control('行高').locator('.__lw-slider'));
  assert.equal(await inputs(), 6, 'every key of the held run stepped the slider');
  assert.equal(await page.evaluate(() => document.getElementById('plain').style.lineHeight), '1.7');
  const beforeDrag = await savedTextOf(page);
  await GESTURES.drag(control('字号').locator('.__lw-slider'));
  assert.ok(await inputs() > 6 + 10, `the drag went in many steps (${await inputs()} inputs)`);
  assert.equal(await page.evaluate(() => document.getElementById('plain').style.fontSize), '96px');
  assert.deepEqual(await reasonsSince(page, 0), Array(6).fill('style'), 'four clicks, one held key, one drag');

  await pressForNewInstance(page, 'Alt+z');
  assert.equal(await savedTextOf(page), beforeDrag, 'one undo takes back the whole drag');
  for (let i = 0; i < 5; i++) await pressForNewInstance(page, 'Alt+z');
  assert.equal(await savedTextOf(page), opened, 'five more take back the earlier steps');
});
