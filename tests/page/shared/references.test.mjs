// What a document refers to beside itself, read from its text alone: tags only where the parser
// sees tags, values as the parser reads them, addresses resolved as the URL parser resolves them
// (checked against Node's own WHATWG URL parser), stylesheets read for their url()s and imports.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import path from 'node:path';
import { loadRoutines } from '../support/scripts.mjs';

const { documentReferences, cssReferences, addressSteps, referenceSummary } =
  loadRoutines([], ['documentReferences', 'cssReferences', 'addressSteps', 'referenceSummary']);
const summarizeReferences = (text) => referenceSummary(documentReferences(text));

// Each reference as "its span as written → the steps and fragment of each address (kind)".
function listed(text) {
  return documentReferences(text).map((reference) => `${text.slice(reference.from, reference.to)} → ` +
    reference.addresses.map((address) => `${address.steps.join('/')}${address.fragment} (${address.kind})`).join(', '));
}

// What every listing must hold: each address stands in the value where it says, the spans are in
// text order without overlapping, and an attribute's span is its value as written.
function checkSpans(text) {
  let last = 0;
  for (const reference of documentReferences(text)) {
    assert.ok(reference.from >= last, `spans in order in ${text}`);
    last = reference.to;
    const written = text.slice(reference.from, reference.to);
    if (reference.attribute === null) assert.equal(written, reference.value);
    else assert.ok(/^(["']).*\1$/s.test(written) || !/["'\s>]/.test(written), `a whole attribute value: ${written}`);
    for (const address of reference.addresses) assert.equal(reference.value.substr(address.at, address.length), address.address);
  }
}

// Each case: a text, and its references as listed.
function checkListings(cases) {
  for (const [text, expected] of cases) {
    assert.deepEqual(listed(text), expected, text);
    checkSpans(text);
  }
}

test('only tags the parser sees refer, and each element refers through its own attributes', () => {
  const cases = [
    // Comments, scripts, styles, text areas, titles and noscript hold no tags.
    ['<!-- <img src="c.png"> --><script>var s = \'<img src="s.png">\';</script><style>/* <img src="st.png"> */</style>' +
      '<textarea><img src="t.png"></textarea><title><img src=ti.png></title><noscript><img src=n.png></noscript>' +
      '<!--> <img src="after-empty-comment.png"><img src="real.png">',
    ['"after-empty-comment.png" → after-empty-comment.png (image)', '"real.png" → real.png (image)']],
    // Values unquoted, single-quoted and double-quoted; the first of a repeated attribute counts.
    ["<img src=a.png alt=x><img src='b c.png'><img src=\"d.png\" src=\"no.png\"><IMG SRC = e.png ><img src src=none.png>",
      ['a.png → a.png (image)', "'b c.png' → b c.png (image)", '"d.png" → d.png (image)', 'e.png → e.png (image)']],
    ['<video poster=p.jpg src=v.mp4><source src=s.webm><track src=t.vtt></video><audio src=a.mp3></audio>' +
      '<picture><source srcset="a.avif 1x, b.avif 2x"><img src=fallback.png></picture>',
    ['p.jpg → p.jpg (image)', 'v.mp4 → v.mp4 (media)', 's.webm → s.webm (media)', 't.vtt → t.vtt (media)',
      'a.mp3 → a.mp3 (media)', '"a.avif 1x, b.avif 2x" → a.avif (image), b.avif (image)', 'fallback.png → fallback.png (image)']],
    ['<iframe src=f.html></iframe><frameset><frame src=fr.html></frameset><embed src=e.svg><object data=o.pdf></object>' +
      '<script src=s.js></script><input type=IMAGE src=i.png><input type=text src=no.png><image src=old.png>',
    ['f.html → f.html (frame)', 'fr.html → fr.html (frame)', 'e.svg → e.svg (other)', 'o.pdf → o.pdf (other)',
      's.js → s.js (script)', 'i.png → i.png (image)', 'old.png → old.png (image)']],
    ['<body background=b.gif><table background=t.gif><tr><td background=td.gif><th background=th.gif></table>' +
      '<p background=no.gif><a href=page.html>link</a>',
    ['b.gif → b.gif (image)', 't.gif → t.gif (image)', 'td.gif → td.gif (image)', 'th.gif → th.gif (image)']],
    // Links by what they load; a module preload, a preload of nothing said and a link to a page load nothing served.
    ['<link rel="alternate stylesheet" href=alt.css><link rel="Shortcut Icon" href=fav.ico><link rel=apple-touch-icon href=t.png>' +
      '<link rel=preload as=font href=f.woff2 crossorigin><link rel=preload as=style href=p.css><link rel=modulepreload href=m.js>' +
      '<link rel=preload href=what.bin><link rel=next href=n.html>',
    ['alt.css → alt.css (stylesheet)', 'fav.ico → fav.ico (image)', 't.png → t.png (image)', 'f.woff2 → f.woff2 (font)',
      'p.css → p.css (stylesheet)']],
    // Inside SVG an image refers by href; an HTML tag ends the SVG, and a foreignObject holds HTML.
    ['<svg><image href=a.png xlink:href=b.png /><use xlink:href="sprite.svg#i"/><feImage href=fe.png /><image src=no.png />' +
      '<foreignObject><image src=fo.png></foreignObject><img src=breakout.png><image src=html.png></svg>',
    ['a.png → a.png (image)', 'b.png → b.png (image)', '"sprite.svg#i" → sprite.svg#i (image)', 'fe.png → fe.png (image)',
      'fo.png → fo.png (image)', 'breakout.png → breakout.png (image)', 'html.png → html.png (image)']],
    // Styles: attributes by their url()s, style elements by their imports too, SVG styles where they hold no tag.
    ['<style>@import "more.css"; body { background: url( bg.png ) } @font-face { src: url(f.woff) }</style>' +
      '<p style="background:url(&quot;q.png&quot;)">x</p><svg><style>.s { fill: url(p.svg#g) }</style></svg>',
    ['@import "more.css"; body { background: url( bg.png ) } @font-face { src: url(f.woff) } → more.css (stylesheet), bg.png (image), f.woff (font)',
      '"background:url(&quot;q.png&quot;)" → q.png (image)', '.s { fill: url(p.svg#g) } → p.svg#g (image)']]
  ];
  checkListings(cases);
});

test('values are read as the parser reads them, and what cannot be read or served is left out', () => {
  const cases = [
    // Character references: numeric, named with and without semicolon; a legacy name before "=" stays text.
    ['<img src="&#x61;&#98;&sol;c&period;png?x=1&copy=2&amp;y">', ['"&#x61;&#98;&sol;c&period;png?x=1&copy=2&amp;y" → ab/c.png (image)']],
    ['<img src="caf&eacute;.png"><img src="x&ampy.png"><img src="a&amp-b.png">',
      ['"caf&eacute;.png" → café.png (image)', '"x&ampy.png" → x&ampy.png (image)', '"a&amp-b.png" → a&-b.png (image)']],
    // A reference this table does not know, or one the parser maps through windows-1252, leaves its attribute unserved.
    ['<img src="&notin;.png"><img src="&#150;.png"><img src="ok.png">', ['"ok.png" → ok.png (image)']],
    // Srcsets: descriptors, commas inside URLs, trailing commas, parentheses in descriptors.
    ['<img srcset=" a.png 1x,b,c.png 2x ,  d.png,, e.png (x, y) 3x, f.png">',
      ['" a.png 1x,b,c.png 2x ,  d.png,, e.png (x, y) 3x, f.png" → a.png (image), b,c.png (image), d.png (image), e.png (image), f.png (image)']],
    // Addresses left to the browser; a reference keeps only its relative ones.
    ['<img src="http://x/a.png"><img src="https://x/a.png"><img src="file:///c/a.png"><img src="data:image/png;base64,AA">' +
      '<img src="blob:null/1"><img src="mailto:a@b"><img src="/root.png"><img src="\\\\share\\a.png"><img src="//host/a.png">' +
      '<img src="#frag"><img src=""><img src="?only=query"><img src="folder/"><img src="  spaced.png  ">' +
      '<img srcset="http://x/a.png 1x, rel.png 2x">',
    ['"  spaced.png  " → spaced.png (image)', '"http://x/a.png 1x, rel.png 2x" → rel.png (image)']],
    // A text that ends inside a tag ends the reading, as the parser drops such a tag.
    ['<img src=a.png><img src="b.png', ['a.png → a.png (image)']]
  ];
  checkListings(cases);
});

test('a base element puts the addresses after it in its folder; an absolute one leaves them to the browser', () => {
  const cases = [
    ['<img src=before.png><!-- <base href=no/> --><base href="../up/"><base href="second/"><img src=after.png>',
      ['before.png → before.png (image)', 'after.png → ../up/after.png (image)'], ['"../up/"', ['..', 'up']]],
    ['<base href="img/sub/page.html?x#y"><img src="../a.png">', ['"../a.png" → img/a.png (image)'], ['"img/sub/page.html?x#y"', ['img', 'sub']]],
    ['<base target=_blank><base href="#top"><img src=a.png>', ['a.png → a.png (image)'], ['"#top"', []]],
    ['<img src=first.png><base href="https://example.com/"><img src=a.png><style>p { background: url(b.png) }</style>',
      ['first.png → first.png (image)'], ['"https://example.com/"', null]],
    ['<base href><base href="sub/"><img src=a.png>', ['a.png → a.png (image)'], ['', []]],
    ['<img src=a.png>', ['a.png → a.png (image)'], null]
  ];
  for (const [text, expected, base] of cases) {
    const references = documentReferences(text);
    assert.deepEqual(listed(text), expected, text);
    assert.deepEqual(references.base && [text.slice(references.base.from, references.base.to), references.base.folder], base, text);
  }
});

test('a stylesheet refers by url() and @import, and by nothing in its comments or other strings', () => {
  const cases = [
    ['/* url(no.png) @import "no.css"; */ @import url("i.css") screen; @IMPORT \'j.css\'; @import url(k.css) layer(x);',
      [['i.css', true, 'stylesheet'], ['j.css', true, 'stylesheet'], ['k.css', true, 'stylesheet']]],
    ['@namespace svg url(http://www.w3.org/2000/svg); a { content: "url(s.png)"; background: URL( "q s.png" ) url(u.png) }',
      [['q s.png', false, 'image'], ['u.png', false, 'image']]],
    ['@font-face { font-family: F; src: local("F"), url(f.woff2) format("woff2"), url(\'f.ttf\') } p { background: url(after.png) }',
      [['f.woff2', false, 'font'], ['f.ttf', false, 'font'], ['after.png', false, 'image']]],
    ['.i { background: image-set("a.png" 1x, url(b.png) 2x); } .w { background: -webkit-image-set("c.png" 1x) } .f { x: fn("no.png") }',
      [['a.png', false, 'image'], ['b.png', false, 'image'], ['c.png', false, 'image']]],
    // Escapes, a space inside an unquoted url, a url that is part of a longer name: none is served.
    ['a { b: url(x\\).png); c: url(a b.png); d: url("e\\"f.png"); e: myurl(g.png); } g { h: url(ok.png) }',
      [['ok.png', false, 'image']]],
    // A line break ends an unclosed string, in a url too; what follows is read again.
    ['a { b: url("broken\n); c: "open\n } p { background: url(after.png) }', [['after.png', false, 'image']]],
    ['@import "first.css"; @import "second.css" print; p { background: url() }',
      [['first.css', true, 'stylesheet'], ['second.css', true, 'stylesheet']]]
  ];
  for (const [css, expected] of cases) {
    const found = cssReferences(css);
    assert.deepEqual(found.map((entry) => [entry.address, entry.isImport, entry.kind]), expected, css);
    for (const entry of found) assert.equal(css.substr(entry.at, entry.length), entry.address);
  }
});

test('addresses resolve as the URL parser resolves them', () => {
  const cases = [
    ['../../x.png', [], { steps: ['..', '..', 'x.png'], fragment: '' }],
    ['./a/../b.css', [], { steps: ['b.css'], fragment: '' }],
    ['a%20b.png', [], { steps: ['a b.png'], fragment: '' }],
    ['a.png?v=2#x', [], { steps: ['a.png'], fragment: '#x' }],
    ['../img/a.png', ['css'], { steps: ['img', 'a.png'], fragment: '' }],
    ['../../a.png', ['css'], { steps: ['..', 'a.png'], fragment: '' }],
    ['x.png', ['..', 'up'], { steps: ['..', 'up', 'x.png'], fragment: '' }],
    ['..\\img\\a.png', ['css'], { steps: ['img', 'a.png'], fragment: '' }],
    ['%2e%2e/a.png', ['css'], { steps: ['a.png'], fragment: '' }],
    ['.%2E/a.png', ['css'], { steps: ['a.png'], fragment: '' }],
    ['a/%2e/b.png', [], { steps: ['a', 'b.png'], fragment: '' }],
    ['a//b.png', [], { steps: ['a', 'b.png'], fragment: '' }],
    ['%E5%9B%BE.png', [], { steps: ['图.png'], fragment: '' }],
    ['图 片.png', [], { steps: ['图 片.png'], fragment: '' }],
    ['50%.png', [], { steps: ['50%.png'], fragment: '' }],
    [' \ta\n.png#f g ', [], { steps: ['a.png'], fragment: '#f g' }],
    ['sprite.svg#icon', ['img'], { steps: ['img', 'sprite.svg'], fragment: '#icon' }],
    ...['/abs.png', '\\abs.png', '//host/a.png', 'http://x/a.png', 'HTTPS://x', 'file:///a.png', 'data:,x', 'blob:null/1',
      'mailto:a@b', 'c:/x.png', '', '   ', '#frag', '?q', 'dir/', 'dir/..', '.', 'a%C3%28.png', 'a%2Fb.png', 'a%00.png']
      .map((address) => [address, [], null])
  ];
  for (const [address, folder, expected] of cases) assert.deepEqual(addressSteps(address, folder), expected, JSON.stringify(address));
  // The steps name the file the browser would load, from a document deep enough for every climb.
  const documentFolder = 'file:///r/1/2/3/doc/';
  const fromUrl = (address, folder) => {
    const url = new URL(address, documentFolder + folder.map((step) => `${step}/`).join('') + 'sheet.css');
    const file = decodeURIComponent(url.pathname);
    const steps = path.posix.relative(decodeURIComponent(new URL(documentFolder).pathname), file).split('/').filter(Boolean);
    return { steps, fragment: url.hash };
  };
  // The URL keeps a doubled slash that the file system reads as one, escapes a fragment's space,
  // and keeps a lone "%" that the decoding here would refuse.
  const notComparable = new Set(['a//b.png', ' \ta\n.png#f g ', '50%.png']);
  const compared = cases.filter(([address, , expected]) => expected && !notComparable.has(address));
  assert.equal(compared.length, 14);
  for (const [address, folder, expected] of compared) assert.deepEqual(expected, fromUrl(address, folder), address);
});

test('the notice counts the files, their kinds, the climbs and the folders first entered', () => {
  const text = '<link rel=stylesheet href="报告.files/style.css"><img src="报告.files/image001.png"><img src="./报告.files/image001.png">' +
    '<img src="../logo.png"><script src="../../lib/x.js"></script><img src="loose.png"><img src="img/a.png" srcset="img/a.png 2x">' +
    '<img src="http://x/ad.png"><iframe src="frames/f.html"></iframe>';
  assert.deepEqual(summarizeReferences(text), {
    count: 7, kinds: ['stylesheet', 'image', 'script', 'frame'], above: 2, firstSteps: ['报告.files', 'img', 'frames']
  });
  assert.deepEqual(summarizeReferences('<p style="color:red">no files</p><img src="https://x/a.png">'),
    { count: 0, kinds: [], above: 0, firstSteps: [] });
});
