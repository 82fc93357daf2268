// Finding a classic script's top-level let, const and class declarations and turning them into
// var declarations, on scripts written to mislead a scanner; and finding a document's inline
// classic scripts.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { loadRoutines } from '../support/scripts.mjs';

const { redeclarableScript, composeDocument, documentTags } =
  loadRoutines([], ['redeclarableScript', 'composeDocument', 'documentTags']);
// A document's text with its inline classic scripts made safe to run again, as the editor writes it.
const redeclarableDocument = (text, canRedeclare) => composeDocument(text, documentTags(text), { canRedeclare });
const anyName = () => true;
// The words, braces and slashes in strings, comments, templates and regular expressions.
const MISLEADING = "var s = 'const x = { ', t = \"let y = }\"; // class Z {\n/* let w; } */ var r = /let [{(]/g, q = /[/]const/;\n" +
  "var u = `class ${ '}' + `${'let v'}` } { ${ { a: '}' }.a }`;\nif (s) /class A {/.test(t); var half = n / 2 / (m) / 4;\n" +
  'var o = { let: 1, class: 2 }; o.const = 3; let n = 3; while (n --> 0) step();';

test('top-level declarations become var, and nothing else changes', () => {
  const cases = [
    ['let x = 1, y;\nconst {a, b: [c, , ...d], e = f(1, 2), [k]: g, ...h} = o;', 'var x = 1, y;\nvar {a, b: [c, , ...d], e = f(1, 2), [k]: g, ...h} = o;'],
    // A class statement ends with its body, so a next line opening with "(" stays its own.
    ['class Deck extends mix(B, { c() {} }) { #i = 0 }class Z {}\n(function () {})()\n[1].map(f)',
      'var Deck = class Deck extends mix(B, { c() {} }) { #i = 0 };var Z = class Z {};\n(function () {})()\n[1].map(f)'],
    ['x = 1\nconst y = 2\nfunction f() {}\nlet z\nif (a) {}\nclass Q {}', 'x = 1\nvar y = 2\nfunction f() {}\nvar z\nif (a) {}\nvar Q = class Q {};'],
    [MISLEADING, MISLEADING.replace('let n = 3', 'var n = 3')],
    ["'use strict'\nlet \\u0061b = 1 // done", "'use strict'\nvar \\u0061b = 1 // done"]
  ];
  for (const [source, expected] of cases) assert.equal(redeclarableScript(source, anyName).text, expected, source);
});

test('declarations below the top level, words that declare nothing and unreadable scripts stay as they are', () => {
  const untouched = [
    'for (let i = 0; i < 3; i++) fns.push(() => i);\nif (a) { const b = 1; class C {} }\nfunction f() { let d = 2 }',
    'var A = class {};\nx = a ? class B {} : null;\nlet = 5;\nlet(x);\nlet in o;\nvar classes = "constant letters";',
    '<!-- hidden from old browsers\nlet a = 1;', 'let a = 1;\n--> old comment close',
    "let a = 'never closed;", 'let a = `never closed;', 'let a = /never closed;\n', 'let a = 1; /* never closed',
    'let a = [1, 2;', 'let a = (1, 2];', 'let a = 1; }', 'class A extends {} {}', 'class A extends function () {} {}',
    // Converted, it would not compile: the script keeps the error it had.
    'let a = ;'
  ];
  for (const source of untouched) assert.equal(redeclarableScript(source, anyName), null, source);
});

test('a declaration keeps its kind when one of its names may not be declared again', () => {
  const windowOwns = (name) => !['name', 'status', 'history'].includes(name);
  assert.deepEqual(redeclarableScript('let name = {t: 1}, n = 2;\nconst [status] = s, {h: history} = o;\nlet ok = 1;', windowOwns),
    { text: 'let name = {t: 1}, n = 2;\nconst [status] = s, {h: history} = o;\nvar ok = 1;', names: ['ok'] });
  assert.deepEqual(redeclarableScript('const {a = x, b: {c}} = o, [d = y] = p;\nclass E {}', anyName).names, ['a', 'c', 'd', 'E']);
});

test('in a document only inline classic scripts are converted, each marked with its own text', () => {
  const converted = {
    '<script>let a = "&\'";</script>': '<script data-lmw-script-source="let a = &quot;&amp;\'&quot;;">var a = "&\'";</script>',
    '<SCRIPT type=" Text/JavaScript ">const u = 1;</SCRIPT >': '<SCRIPT data-lmw-script-source="const u = 1;" type=" Text/JavaScript ">var u = 1;</SCRIPT >',
    '<script language="javascript">class L {}</script>': '<script data-lmw-script-source="class L {}" language="javascript">var L = class L {};</script>'
  };
  const untouched = ['<script type="module">const m = 1;</script>', '<script src="x.js">let s = 1;</script>',
    '<script type="text/template">let t;</script>', '<script language="vbscript">const vb = 1;</script>', '<script nomodule>const n = 1;</script>',
    '<template><script>const t = 1;</script></template>', '<svg><script>const s = 1;</script></svg><svg/>',
    '<!-- <script>const c = 1;</script> -->', '<textarea><script>const x = 1;</script></textarea>',
    '<script data-lmw-runtime="editor">const r = 1;</script>'];
  const body = [...untouched, ...Object.keys(converted)].join('\n');
  const result = redeclarableDocument(`<html><body>${body}</body></html>`, anyName);
  assert.equal(result.text, `<html><body>${Object.entries(converted).reduce((text, [from, to]) => text.replace(from, to), body)}</body></html>`);
  assert.deepEqual(result.names, ['a', 'u', 'L']);
  // In an escaped script the end found is not the parser's: nothing from there on is converted.
  const escaped = '<script>let one = 1;</script><script><!-- document.write("<script>x()</scr" + "ipt>");\nlet two; --></script><script>let three;</script>';
  assert.equal(redeclarableDocument(escaped, anyName).text, escaped.replace('<script>let one', '<script data-lmw-script-source="let one = 1;">var one'));
});
