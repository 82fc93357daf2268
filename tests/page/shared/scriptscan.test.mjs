// Finding a classic script's top-level let, const and class declarations, and turning them into
// var declarations, on scripts written to mislead a scanner; and finding the inline classic
// scripts of a whole document's text.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';

const sources = ['doctext.js', 'scriptscan.js', 'replacement.js']
  .map((name) => fs.readFileSync(path.resolve('page/shared', name), 'utf8')).join('\n');
const { redeclarableScript, redeclarableDocument } =
  new Function(`${sources}; return { redeclarableScript, redeclarableDocument };`)();

const anyName = () => true;
const converted = (source, canRedeclare = anyName) => {
  const result = redeclarableScript(source, canRedeclare);
  return result && result.text;
};

test('top-level declarations become var declarations, patterns and heritage included', () => {
  const cases = [
    ["const slides = document.querySelectorAll('.slide'); let current = 0;",
      "var slides = document.querySelectorAll('.slide'); var current = 0;"],
    ['let x = 1, y;\nconst {a, b: [c, , ...d], e = f(1, 2), [k]: g, ...h} = o;',
      'var x = 1, y;\nvar {a, b: [c, , ...d], e = f(1, 2), [k]: g, ...h} = o;'],
    // The class statement ends where its body does, so a line opening with "(" or "[" stays a
    // statement of its own.
    ['class Deck extends Base { next() { return this.#i++ } #i = 0 }\n(function () {})()\n[1].forEach(f)',
      'var Deck = class Deck extends Base { next() { return this.#i++ } #i = 0 };\n(function () {})()\n[1].forEach(f)'],
    ['class A extends mix(B, { c() {} }) {}class Z {}', 'var A = class A extends mix(B, { c() {} }) {};var Z = class Z {};'],
    // Statements begun on a new line without a semicolon.
    ['x = 1\nconst y = 2\nfunction f() {}\nlet z\nif (a) {}\nclass Q {}', 'x = 1\nvar y = 2\nfunction f() {}\nvar z\nif (a) {}\nvar Q = class Q {};'],
    ["'use strict'\nlet \\u0061b = 1 // done", "'use strict'\nvar \\u0061b = 1 // done"]
  ];
  for (const [source, expected] of cases) assert.equal(converted(source), expected, source);
});

test('words in strings, comments, templates and regular expressions stay as written', () => {
  const source = [
    "var s = 'const x = { ', t = \"let y = }\"; // class Z {",
    '/* let w = 1; } */ var r = /let [{(]/g, q = /[/]const/;',
    "var u = `class ${ '}' + `${'let v'}` } { ${ { a: '}' }.a } const`;",
    'if (s) /class A {/.test(t); var half = n / 2 / (m) / 4;',
    'var o = { let: 1, class: 2, const: 3 }; o.let = o.class;',
    'let done = true;'
  ].join('\n');
  assert.equal(converted(source), source.replace('let done', 'var done'));
});

test('declarations below the top level, and words that declare nothing, are left alone', () => {
  const untouched = [
    'for (let i = 0; i < 3; i++) fns.push(() => i);\nfor (const k of list) use(k);',
    'if (a) { const b = 1; class C {} }\nfunction f() { let d = 2 }\nswitch (e) { case 1: let g = 3 }',
    'var A = class {};\nx = a ? class B {} : null;\nuse(class C {});',
    'let = 5;\nlet(x);\nlet in o;\na = b\nlet.c = 1',
    'var classes = "constant letters", letter = 1, constant = 2;'
  ];
  for (const source of untouched) assert.equal(redeclarableScript(source, anyName), null, source);
});

test('a script that cannot be read with certainty is left exactly as it is', () => {
  const uncertain = [
    '<!-- hidden from old browsers\nlet a = 1;',
    'let a = 1;\n--> old comment close',
    "let a = 'never closed;",
    'let a = `never closed;',
    'let a = /never closed;\n',
    'let a = 1; /* never closed',
    'let a = [1, 2;',
    'let a = (1, 2];',
    'let a = 1; }',
    'class A extends {} {}',
    'class A extends function () {} {}',
    // Converted, it would not compile: the script keeps the error it had.
    'let a = ;'
  ];
  for (const source of uncertain) assert.equal(redeclarableScript(source, anyName), null, source);
  // "-->" inside a line is two operators, not a comment.
  assert.equal(converted('let n = 3; while (n --> 0) step();'), 'var n = 3; while (n --> 0) step();');
});

test('a declaration keeps its kind when one of its names may not be declared again', () => {
  const windowOwns = (name) => !['name', 'status', 'history'].includes(name);
  const result = redeclarableScript('let name = {t: 1}, n = 2;\nconst [status] = s;\nconst {h: history} = o;\nlet ok = 1;', windowOwns);
  assert.deepEqual(result, { text: 'let name = {t: 1}, n = 2;\nconst [status] = s;\nconst {h: history} = o;\nvar ok = 1;', names: ['ok'] });
  assert.deepEqual(redeclarableScript('const {a = x, b: {c}} = o, [d = y] = p;\nclass E {}', anyName).names, ['a', 'c', 'd', 'E']);
});

test('in a whole document only inline classic scripts are converted, each marked with its own text', () => {
  const body = [
    '<script>let a = "&\'";</script>',
    '<script type="module">const m = 1;</script>',
    '<script src="x.js">let s = 1;</script>',
    '<script type="text/template">let t = 1;</script>',
    '<SCRIPT type=" Text/JavaScript ">const u = 1;</SCRIPT >',
    '<script language="javascript">const l = 1;</script>',
    '<script language="vbscript">const vb = 1;</script>',
    '<script nomodule>const old = 1;</script>',
    '<template><script>const inTemplate = 1;</script></template>',
    '<svg><script>const inSvg = 1;</script></svg><svg/>',
    '<!-- <script>const inComment = 1;</script> -->',
    '<textarea><script>const inText = 1;</script></textarea>',
    '<script data-lmw-runtime="editor">const runtime = 1;</script>',
    '<script>class After {}</script>'
  ].join('\n');
  const result = redeclarableDocument(`<!DOCTYPE html><html><head></head><body>${body}</body></html>`, anyName);
  const expected = body
    .replace('<script>let a = "&\'";', '<script data-lmw-script-source="let a = &quot;&amp;\'&quot;;">var a = "&\'";')
    .replace('<SCRIPT type=" Text/JavaScript ">const u', '<SCRIPT data-lmw-script-source="const u = 1;" type=" Text/JavaScript ">var u')
    .replace('<script language="javascript">const l', '<script data-lmw-script-source="const l = 1;" language="javascript">var l')
    .replace('<script>class After {}', '<script data-lmw-script-source="class After {}">var After = class After {};');
  assert.equal(result.text, `<!DOCTYPE html><html><head></head><body>${expected}</body></html>`);
  assert.deepEqual(result.names, ['a', 'u', 'l', 'After']);
});

test('an escaped script hides where scripts end, so nothing from it on is converted', () => {
  const text = '<script>let before = 1;</script><script><!-- document.write("<script>x()</scr" + "ipt>");\nlet inside = 1; --></script>' +
    '<script>let after = 1;</script>';
  assert.equal(redeclarableDocument(text, anyName).text, text.replace('<script>let before', '<script data-lmw-script-source="let before = 1;">var before'));
  const plain = '<p>no scripts here, only the words let, const and class</p>';
  assert.deepEqual(redeclarableDocument(plain, anyName), { text: plain, names: [] });
});
