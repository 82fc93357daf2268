// The built page file as the launcher carries it: UTF-8 without a byte-order mark, line feeds
// only, the doctype first, its three scripts in order, the runtime as one string literal on
// one line, and the icon that the icon program drew.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { PAGE, VERSION } from '../support/browser.mjs';

const bytes = fs.readFileSync(PAGE);
const text = bytes.toString('utf8');

test('the page is clean UTF-8 text that begins with the doctype', () => {
  assert.notDeepEqual([...bytes.subarray(0, 3)], [0xef, 0xbb, 0xbf]);
  assert.equal(Buffer.from(text, 'utf8').equals(bytes), true, 'the bytes are valid UTF-8');
  assert.equal(text.includes('\r'), false);
  assert.ok(text.startsWith('<!DOCTYPE html>\n'));
  assert.ok(text.includes(`<p class="footer">v${VERSION}  |  支持本地离线编辑，文件不会由编辑器上传云端</p>`));
});

test('the page file is named after the version its footer shows', () => {
  assert.equal(path.basename(PAGE), `Lumaweave-v${VERSION}.html`);
});

test('the scripts stand after main in order: codec, start page, runtime source', () => {
  const main = text.indexOf('</main>');
  const scripts = [...text.matchAll(/^<script([^>]*)>$/gm)].map((m) => ({ at: m.index, attributes: m[1] }));
  assert.equal(scripts.length, 3);
  assert.ok(scripts.every((s) => s.at > main));
  assert.equal(scripts[0].attributes, ' data-lmw-bootstrap="codec"');
  assert.ok(text.slice(scripts[0].at).includes('window.LumaweaveFileCodec'));
  const last = text.slice(scripts[2].at).split('\n')[1];
  assert.match(last, /^var EDITOR_JS_SOURCE = ".*";$/);
  // The literal needs only three escapes to be read back, and yields runnable one-line script.
  const source = new Function(`return ${last.slice('var EDITOR_JS_SOURCE = '.length, -1)};`)();
  assert.equal(source.includes('\n'), false);
  assert.doesNotThrow(() => new Function(source));
  assert.doesNotMatch(source, /<\/script/i);
});

test('the icon link carries the drawn 64x64 PNG', () => {
  const href = /<link id="lmw-app-icon" rel="icon" type="image\/png" sizes="64x64" href="data:image\/png;base64,([^"]+)">/.exec(text);
  assert.ok(href, 'icon link present');
  const png = Buffer.from(href[1], 'base64');
  assert.deepEqual(png, fs.readFileSync(path.resolve('page/start/icon-64.png')));
  assert.equal(png.readUInt32BE(16), 64);
  assert.equal(png.readUInt32BE(20), 64);
});
