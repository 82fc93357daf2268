// The runtime's pure helpers, which the style panel reads computed colours and sizes through.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { loadRoutines } from '../support/scripts.mjs';

const { hex2, toHexColor, round2, startsWith } =
  loadRoutines(['state.js', 'stylecontrols.js'], ['hex2', 'toHexColor', 'round2', 'startsWith']);

test('computed colours become hex, transparency stays a word', () => {
  assert.equal(hex2(0), '00');
  assert.equal(hex2(10), '0a');
  assert.equal(hex2(255), 'ff');
  assert.equal(toHexColor('rgb(37, 99, 235)'), '#2563eb');
  assert.equal(toHexColor('rgba(0, 0, 0, 0.5)'), '#000000');
  assert.equal(toHexColor('rgb(1 2 3)'), '#010203');
  assert.equal(toHexColor('#fde68a'), '#fde68a');
  for (const clear of ['', 'transparent', 'rgba(0, 0, 0, 0)', null]) assert.equal(toHexColor(clear), 'transparent');
  assert.equal(toHexColor('hsl(0, 0%, 50%)'), '#000000');
});

test('numbers round to two places and prefixes compare as text', () => {
  assert.equal(round2(2.345678), 2.35);
  assert.equal(round2(-0.126), -0.13);
  assert.equal(startsWith('__lw-root', '__lw'), true);
  assert.equal(startsWith(12345, '12'), true);
  assert.equal(startsWith('x__lw', '__lw'), false);
});
