// The model's lowest layers, without a browser: the text kept as pieces and the span table kept
// in step with it. Every change of the text moves the places after it, grows or shrinks the
// elements that hold it and forgets those inside it; every table made in slices is the one made
// at once.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { loadRoutines } from '../support/scripts.mjs';

const model = loadRoutines(['pieces.js', 'spans.js'], [
  'newModel', 'modelText', 'modelSlice', 'replaceModelText', 'replaceModelRanges', 'ensureSpans', 'advanceSpans',
  'placesWithin', 'isCertain', 'scanSource', 'spanTableOf'
]);

const TEXT = '<!DOCTYPE html><html><head><title>t</title></head><body><p id="a">ab</p><div><p id="c">cd</p></div></body></html>';

// Each element's text by its number and where it stands, as the span table places it; an element
// it no longer knows is left out.
function elementTexts(state) {
  const spans = model.ensureSpans(state);
  const texts = {};
  for (let id = 0; id < spans.count; id++) {
    if (spans.start[id] >= 0 && spans.end[id] >= 0) {
      texts[id] = { text: model.modelSlice(state, spans.start[id], spans.end[id]), start: spans.start[id], end: spans.end[id] };
    }
  }
  return texts;
}

function opened() {
  const state = model.newModel(TEXT, null);
  model.ensureSpans(state);
  return state;
}

// What an element's text becomes when [from, to) of the whole text becomes `text`: the same where
// the change lies outside it, changed within where it lies inside its content.
function expectedText(element, from, to, text) {
  if (to <= element.start || from >= element.end) return element.text;
  return element.text.slice(0, from - element.start) + text + element.text.slice(to - element.start);
}

test('a change of the text moves, grows, shrinks or forgets the elements\' places', () => {
  const before = elementTexts(opened());
  assert.deepEqual(Object.values(before).map((element) => element.text).slice(2), [
    '<title>t</title>', '<body><p id="a">ab</p><div><p id="c">cd</p></div></body>', '<p id="a">ab</p>',
    '<div><p id="c">cd</p></div>', '<p id="c">cd</p>'
  ]);
  const at = (text) => TEXT.indexOf(text);
  const cases = [
    // [what, from, to, text, the elements forgotten]
    ['typed inside a paragraph', at('ab') + 1, at('ab') + 1, 'XY', []],
    ['a word cut from the inner paragraph', at('cd'), at('cd') + 1, '', []],
    ['the first paragraph replaced whole', at('<p id="a">'), at('<div>'), '<h1>新</h1>', [4]],
    ['the title\'s text', at('>t<') + 1, at('>t<') + 2, '标题', []]
  ];
  for (const [what, from, to, text, forgotten] of cases) {
    const state = opened();
    model.replaceModelText(state, from, to, text, null);
    assert.equal(model.modelText(state), TEXT.slice(0, from) + text + TEXT.slice(to), what);
    assert.equal(state.textChanges, 1, what);
    const after = elementTexts(state);
    for (const [id, element] of Object.entries(before)) {
      if (forgotten.includes(Number(id))) assert.equal(after[id], undefined, `${what}: element ${id} is forgotten`);
      else assert.equal(after[id].text, expectedText(element, from, to, text), `${what}: element ${id}`);
    }
  }
});

test('many places replaced at once move every later place by what the ones before it added', () => {
  const state = opened();
  const a = TEXT.indexOf('ab');
  const c = TEXT.indexOf('cd');
  model.replaceModelRanges(state, [{ from: a, to: a + 2, text: '甲乙丙' }, { from: c, to: c + 1, text: '' }]);
  assert.equal(model.modelText(state), TEXT.replace('ab', '甲乙丙').replace('cd', 'd'));
  const texts = elementTexts(state);
  assert.deepEqual([texts[4].text, texts[5].text, texts[6].text], ['<p id="a">甲乙丙</p>', '<div><p id="c">d</p></div>', '<p id="c">d</p>']);
  assert.equal(model.modelSlice(state, 0, 15), '<!DOCTYPE html>');
  assert.equal(state.textChanges, 1);
  // An element's inner places, relative to it, as a copy of it takes them.
  assert.deepEqual(model.placesWithin(state, state.spans.start[5], state.spans.end[5]).map((place) => [place.id, place.start, place.end]),
    [[5, 0, 26], [6, 5, 20]]);
});

test('a span table made in slices is the table made at once', () => {
  const long = TEXT.replace('<body>', '<body>' + '<section><p>段落<b>粗</b></p><ul><li>一<li>二</ul></section>'.repeat(400));
  const state = model.newModel(long, null);
  let slices = 0;
  while (!model.advanceSpans(state, () => true)) slices++;
  assert.ok(slices > 10, 'the table took many slices');
  assert.deepEqual(state.spans, model.spanTableOf(model.scanSource(long)));
  assert.equal(model.isCertain(state, 3), true);
});
