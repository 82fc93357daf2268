// Where each element of a document's text stands, checked against the browser's own parser: on
// markup written to trip a scanner (implied end tags, misnested formatting, tables that move their
// content out, SVG and MathML, raw text, templates), on the corners of the parser's tree
// construction (plaintext, ruby, the modes before the body, content after the body, SVG and MathML
// in table cells, framesets) and on random tag soup, every element gets its mark, and every element
// whose end is called certain can be cut out of the text and put back as the browser serialises it
// without changing the parsed document.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { browserSession } from '../support/browser.mjs';
import { sharedScriptsThrough } from '../support/scripts.mjs';

const SOURCES = sharedScriptsThrough('replacement.js');
// In the page: a frame that parses a text through document.write, as the editor writes documents.
function frameParser() {
  const frame = document.body.appendChild(document.createElement('iframe'));
  const parse = (text) => {
    const doc = frame.contentDocument;
    doc.open();
    doc.write(text);
    doc.close();
    return doc;
  };
  return { parse, remove: () => frame.remove() };
}

const browser = browserSession({
  ready: async (session) => {
    await session.page.setContent('<!DOCTYPE html><html><body></body></html>');
    await session.page.addScriptTag({ content: `${SOURCES}\n${frameParser}` });
  }
});

// In the page: parses through document.write into a frame, as the editor writes documents, and
// lists what disagrees with the scan; and where the quick reading reads a text, what it finds
// that the full scan does not.
function checkAgainstParser(texts) {
  const markSource = (text) => ({ text: composeDocument(text, documentTags(text), { marks: true }).text, spans: spanTableOf(scanSource(text)) });
  const sameTags = (quick, full) => JSON.stringify([quick.markAt, quick.markIds, quick.scripts, quick.places]) ===
    JSON.stringify([full.markAt, full.markIds, full.scripts, full.places]);
  const { parse, remove } = frameParser();
  const unmarked = (element) => {
    const copy = element.cloneNode(true);
    [copy, ...copy.querySelectorAll('[data-lmw-n]')].forEach((e) => e.removeAttribute('data-lmw-n'));
    return copy;
  };
  // With the comments that stand outside the html element, where a comment after its end tag goes.
  const serialised = (doc) => [...doc.childNodes].map((node) => node === doc.documentElement ? unmarked(node).outerHTML :
    node.nodeType === Node.COMMENT_NODE ? `<!--${node.data}-->` : '').join('');
  const faults = [];
  let quickly = 0;
  for (const text of texts) {
    const quick = quickDocumentTags(text);
    if (quick) quickly++;
    if (quick && !sameTags(quick, documentTagsOf(scanSource(text)))) faults.push({ text, fault: 'quick reading differs' });
    const marked = markSource(text);
    const spans = marked.spans;
    const expected = serialised(parse(text));
    const live = parse(marked.text);
    if (serialised(live) !== expected) faults.push({ text, fault: 'marks change the document' });
    const placed = [];
    for (let id = 0; id < spans.count; id++) {
      if (spans.start[id] < 0) continue;
      const holders = live.querySelectorAll(`[data-lmw-n="${id}"]`);
      if (!holders.length) faults.push({ text, id, fault: 'mark lost' });
      if (spans.end[id] < 0) continue;
      if (holders.length !== 1) faults.push({ text, id, fault: 'certain element found ' + holders.length + ' times' });
      else placed.push({ id, markup: unmarked(holders[0]).outerHTML });
    }
    for (const { id, markup } of placed) {
      const again = text.slice(0, spans.start[id]) + markup + text.slice(spans.end[id]);
      const got = serialised(parse(again));
      if (got !== expected) faults.push({ text, id, span: text.slice(spans.start[id], spans.end[id]), fault: 'span', got, expected });
    }
  }
  remove();
  return { faults, quickly };
}

async function faultsOf(texts) {
  return (await browser.page.evaluate(checkAgainstParser, texts)).faults;
}

// The span of each element that has a place in the text, in the order of their start tags; null
// where the scan leaves its end uncertain.
function certainSpans(text) {
  return browser.page.evaluate((text) => {
    const spans = spanTableOf(scanSource(text));
    return Array.from({ length: spans.count }, (_, id) => id).filter((id) => spans.start[id] >= 0)
      .map((id) => spans.end[id] < 0 ? null : text.slice(spans.start[id], spans.end[id]));
  }, text);
}

const TRICKY = [
  '<!DOCTYPE html><html><head><title>t</title></head><body><p>a<p>b<ul><li>x<li>y</ul><dl><dt>t<dd>d</dl></body></html>\n',
  '<!DOCTYPE html><p>one<div>block</div>two</p><h1>a<h2>b</h2><p>x<table><tr><td>c</table>',
  '<p>quirks<table><tr><td>in p</table></p>',
  '<!DOCTYPE html><b>bold<p>para</b>after</p><i><div>x</i>y</div>',
  '<!DOCTYPE html><a href=1>one<a href=2>two</a><nobr>n<nobr>m',
  '<!DOCTYPE html><table><div>moved</div>text<tr><td>1<td>2<tr><th>3</table><table><caption>c<tr><td>x</table>',
  '<!DOCTYPE html><table><tbody><tr><td><table><tr><td>nested</table></td></tr></tbody></table>',
  '<!DOCTYPE html><select><option>a<option>b<optgroup><option>c</select><ruby>r<rt>t<rp>p</ruby>',
  '<!DOCTYPE html><svg viewBox="0 0 1 1"><path d="M0"/><g><circle/></g><foreignObject><div>html<p>in</div></foreignObject><p>out',
  '<!DOCTYPE html><math><mi>x</mi><mtext><b>bold</b></mtext></math><svg><title><i>t</i></title><desc>d</desc></svg>',
  '<!DOCTYPE html><svg><![CDATA[ <p> ]]><rect/></svg><math><annotation-xml encoding="text/html"><div>h</div></annotation-xml></math>',
  '<!DOCTYPE html><script>if (a < b && "</p>") x = "<div>";</script><style>p > b { }</style><textarea><p>not</textarea><title>&lt;</title>',
  '<!DOCTYPE html><xmp><b></xmp><noscript><p>raw</p></noscript><iframe><p></iframe>',
  '<!DOCTYPE html><template><p>inside<td>cell</template><div>after</div>',
  '<!DOCTYPE html><div title=">" data-x=\'a>b\' data-y=c/><br/><img src=a.png/ alt=""><p =x a"b=1>t</p>',
  '<!DOCTYPE html><!-- <p> --><!--><!---><div><!-- x --!>y</div><!a><?php x ?></p></br><p/>',
  '<!DOCTYPE html><head><meta charset=utf-8><link rel=x><p>early</p></head><body class=b><div>x</div></body></html>',
  '<html><body><div>open</body>\n<p>after body</p></html>\n<!-- end -->',
  '<!DOCTYPE html><body><button>a<button>b</button><form><form><input></form><h3>h<h4>i</h4>',
  '<!DOCTYPE html><DIV CLASS=x><SPAN>Up</span></div><Svg><foreignObject><P>case</P></foreignObject></Svg>',
  '<!DOCTYPE html><pre>\nline</pre><textarea>\nt</textarea><listing>\nl</listing><plaintext><p>rest'
];

test('the elements of markup written to trip a scanner keep their marks, and certain spans are exact', async () => {
  assert.deepEqual(await faultsOf(TRICKY), []);
});

test('certain spans of the tricky markup cover what a reader would expect', async () => {
  const spans = await certainSpans('<!DOCTYPE html><body><ul><li>x<li>y</ul><b>q<p>r</b>s</p>\n</body>\n');
  assert.deepEqual(spans, [null, '<ul><li>x<li>y</ul>', '<li>x', '<li>y', null],
    'the body and the paragraph in misnested bold are uncertain; the bold itself carries no mark');
});

// Corners of the parser's tree construction, each with the spans the scan finds (null where it
// leaves an element's end uncertain): what the parser builds must not be misplaced, and what can
// be placed must not be given up.
const CORNERS = [
  // The text after a plaintext start tag is its text, end tags and all.
  ['<!DOCTYPE html><div><b>x<plaintext><p>rest</div>', [null, null]],
  ['<!DOCTYPE html><p>a<plaintext></plaintext><meta charset=x><div>c', ['<p>a', null]],
  // An rp or rt ends a paragraph open in a ruby, but not an rtc; outside a ruby it ends nothing.
  ['<!DOCTYPE html><ruby>a<p>para<rt>t</rt>b</ruby><div>x</div>', ['<p>para', '<div>x</div>']],
  ['<!DOCTYPE html><ruby><rtc><p>x<rp>(</rp><rt>y</rtc></ruby><p>z', ['<rtc><p>x<rp>(</rp><rt>y</rtc>', '<p>x', '<p>z']],
  ['<!DOCTYPE html><p><ruby>a<rb>b<p>c<rt>d</ruby>e</p>', ['<p><ruby>a<rb>b', '<rb>b', '<p>c<rt>d</ruby>e</p>']],
  // A comment after the body's end tag goes outside the body, or into an open SVG element; white
  // space there goes into what is open.
  ['<!DOCTYPE html><body><div>open</body><!-- c -->', ['<body><div>open</body>', '<div>open']],
  ['<!DOCTYPE html><body><div>open</body><!-- c --><p>after</p>', [null, null, '<p>after</p>']],
  ['<!DOCTYPE html><body><svg><g>open</body><!-- c -->', [null, null, null]],
  ['<!DOCTYPE html><div>open</html><!-- c --> <p>x', [null, '<p>x']],
  ['<!DOCTYPE html><body><p>last\n</body>\n<!-- c -->\n</html>\n', [null, null]],
  ['<!DOCTYPE html><title>t</title><p>one<p>last\n</body>\n</html>\n', ['<title>t</title>', '<p>one', '<p>last\n</body>\n</html>\n']],
  // SVG and MathML elements that hold HTML, in table cells that the next cell or row closes.
  ['<!DOCTYPE html><table><tr><td><svg><foreignObject><p>x</foreignObject></svg><td>b</table>', [
    '<table><tr><td><svg><foreignObject><p>x</foreignObject></svg><td>b</table>',
    '<tr><td><svg><foreignObject><p>x</foreignObject></svg><td>b', '<td><svg><foreignObject><p>x</foreignObject></svg>',
    '<svg><foreignObject><p>x</foreignObject></svg>', null, '<p>x</foreignObject></svg>', '<td>b']],
  ['<!DOCTYPE html><table><tr><td><svg><desc><div>x<td>y</table>', [
    '<table><tr><td><svg><desc><div>x<td>y</table>', '<tr><td><svg><desc><div>x<td>y', '<td><svg><desc><div>x',
    '<svg><desc><div>x', null, '<div>x', '<td>y']],
  ['<!DOCTYPE html><table><tr><td><math><mi><b>x<td>y</table>', [
    '<table><tr><td><math><mi><b>x<td>y</table>', '<tr><td><math><mi><b>x<td>y', '<td><math><mi><b>x', '<math><mi><b>x',
    null, '<td>y']],
  ['<!DOCTYPE html><table><tr><td><math><annotation-xml encoding=text/html><div>x</div><tr><td>z</table>', [
    '<table><tr><td><math><annotation-xml encoding=text/html><div>x</div><tr><td>z</table>',
    '<tr><td><math><annotation-xml encoding=text/html><div>x</div>', '<td><math><annotation-xml encoding=text/html><div>x</div>',
    '<math><annotation-xml encoding=text/html><div>x</div>', null, '<div>x</div>', '<tr><td>z', '<td>z']],
  ['<!DOCTYPE html><table><tr><td><math><mtext><table><tr><td>n</table></mtext></math></table>', [
    '<table><tr><td><math><mtext><table><tr><td>n</table></mtext></math></table>',
    '<tr><td><math><mtext><table><tr><td>n</table></mtext></math>', '<td><math><mtext><table><tr><td>n</table></mtext></math>',
    '<math><mtext><table><tr><td>n</table></mtext></math>', '<mtext><table><tr><td>n</table></mtext>',
    '<table><tr><td>n</table>', '<tr><td>n', '<td>n']],
  // A frameset document drops every other element; a frameset replaces a body that holds only
  // boxes, white space and hidden inputs, and is dropped after anything more.
  ['<!DOCTYPE html><frameset><frame src=a><div>dropped</div><frameset><frame></frameset></frameset><p>gone', [
    '<frameset><frame src=a><div>dropped</div><frameset><frame></frameset></frameset>', '<frame src=a>',
    '<frameset><frame></frameset>', '<frame>']],
  ['<!DOCTYPE html><div><span> </span></div><frameset cols=1><frame><noframes><p>x</noframes></frameset>', [
    '<frameset cols=1><frame><noframes><p>x</noframes></frameset>', '<frame>', '<noframes><p>x</noframes>']],
  ['<!DOCTYPE html><div><input type=hidden>&#32;</div><frameset><frame></frameset>', ['<frameset><frame></frameset>', '<frame>']],
  ['<!DOCTYPE html><head><template><img></template></head><p></p><frameset><frame></frameset>', [
    '<head><template><img></template></head>', '<template><img></template>', '<frameset><frame></frameset>', '<frame>']],
  ['<!DOCTYPE html><p>text<frameset><frame></frameset>', ['<p>text<frameset><frame></frameset>']],
  ['<!DOCTYPE html><div><body></div><frameset><frame></frameset>', [null]],
  // A noscript after the head's end tag begins the body; white space written as character
  // references stays in a table; a noscript in a template is written out escaped.
  ['<!DOCTYPE html><head></head><noscript><p>x</p></noscript><body class=a><p>y</p></body>', [
    '<head></head>', '<noscript><p>x</p></noscript>', '<p>y</p>']],
  ['<!DOCTYPE html><table>&#32;&#x0A;<tr><td>x</table>', ['<table>&#32;&#x0A;<tr><td>x</table>', '<tr><td>x', '<td>x']],
  ['<!DOCTYPE html><div><template><noscript>a&amp;b</noscript></template></div>', [null, null]]
];

test('the corners of the parser\'s tree construction: the scan places what the browser builds, and gives up no more', async () => {
  assert.deepEqual(await faultsOf(CORNERS.map(([text]) => text)), []);
  for (const [text, spans] of CORNERS) assert.deepEqual(await certainSpans(text), spans, text);
});

// Tag soup from a small vocabulary: every kind of element the parser treats specially; and the
// same with the elements of the parser's corners.
const SOUP_NAMES = ['p', 'div', 'li', 'ul', 'b', 'i', 'a', 'table', 'tr', 'td', 'th', 'tbody', 'span', 'svg', 'path',
  'foreignObject', 'select', 'option', 'template', 'h1', 'h2', 'dd', 'dt', 'button', 'form', 'caption', 'math', 'mi',
  'section', 'em', 'pre', 'br', 'img', 'hr', 'textarea', 'title', 'nobr', 'font', 'body', 'head', 'html'];
const CORNER_SOUP_NAMES = [...SOUP_NAMES, 'ruby', 'rt', 'rp', 'rtc', 'rb', 'frameset', 'frame', 'noframes', 'input', 'desc',
  'mtext', 'annotation-xml', 'noscript', 'listing', 'object', 'plaintext'];

function tagSoup(seed, length, names = SOUP_NAMES) {
  let state = seed;
  const random = (n) => {
    state = (state * 1103515245 + 12345) % 2147483648;
    return state % n;
  };
  const pieces = [random(2) ? '<!DOCTYPE html>' : ''];
  for (let i = 0; i < length; i++) {
    const name = names[random(names.length)];
    const kind = random(10);
    if (kind < 5) pieces.push(`<${name}${random(3) ? '' : ' class="c' + i + '"'}${random(8) ? '' : '/'}>`);
    else if (kind < 8) pieces.push(`</${name}>`);
    else if (kind < 9) pieces.push(random(2) ? 'text ' : ' ');
    else pieces.push(random(2) ? '<!-- c -->' : 'x<y');
  }
  return pieces.join('');
}

const cornerSoup = (count) => Array.from({ length: count }, (_, i) => tagSoup(i + 1, 30, CORNER_SOUP_NAMES));

test('random tag soup: marks survive, certain spans are exact, the quick reading agrees with the full scan', async () => {
  const documents = [...Array.from({ length: 2500 }, (_, i) => tagSoup(i + 1, 24)), ...cornerSoup(1500)];
  const { faults, quickly } = await browser.page.evaluate(checkAgainstParser, documents);
  assert.deepEqual(faults.slice(0, 3), []);
  assert.ok(quickly > 300, `the quick reading read ${quickly} of them`);
});

// A text written without its marks has them given by walking the parsed tree: each element found
// so must be the one its mark would have landed on, and a tree the parser built otherwise than
// the tags read is refused, never walked wrongly.
function checkWalkedMarks(texts) {
  const { parse, remove } = frameParser();
  const faults = [];
  let walked = 0;
  for (const text of texts) {
    const tags = quickDocumentTags(text);
    if (!tags || OUT_OF_SIGHT_CHANGES.test(text)) continue;
    const marked = parse(composeDocument(text, tags, { marks: true }).text);
    const markedOrder = [...marked.getElementsByTagName('*')].map((element) => element.getAttribute('data-lmw-n'));
    const plain = parse(composeDocument(text, tags, { marks: false }).text);
    const elements = elementsOfTags(plain.querySelectorAll('*'), tags.markNames);
    if (!elements) continue;
    walked++;
    const plainOrder = [...plain.getElementsByTagName('*')];
    elements.forEach((element, i) => {
      if (markedOrder[plainOrder.indexOf(element)] !== String(tags.markIds[i])) faults.push({ text, id: tags.markIds[i] });
    });
  }
  remove();
  return { faults, walked };
}

test('marks given by walking the parsed tree land where the text would have put them', async () => {
  const implied = ['<!DOCTYPE html>\n<title>t</title>\n<ul><li>一\n<li>二\n</ul>\n<p>段\n<p>段\n',
    '<nobr></nobr><head><p>dropped head</p>', '<table><tr><td>a</td></tr><tbody><tr><td>b</table>', '<div></p><p>x</p></div>'];
  const documents = [...TRICKY, ...CORNERS.map(([text]) => text), ...implied,
    ...Array.from({ length: 4000 }, (_, i) => tagSoup(i + 1, 24)), ...cornerSoup(1500)];
  const { faults, walked } = await browser.page.evaluate(checkWalkedMarks, documents);
  assert.deepEqual(faults.slice(0, 3), []);
  assert.ok(walked > 100, `the walk took ${walked} of them`);
});

// A long text is read in slices, each stopping where its time is up: a reading stopped at every
// look at the clock and taken up again reads as one done at once.
function checkResumedReadings(texts) {
  const readInSlices = (reading, advance) => {
    let slices = 0;
    while (!advance(reading, () => true)) slices++;
    return { reading, slices };
  };
  const same = (a, b) => JSON.stringify(a) === JSON.stringify(b);
  const faults = [];
  let slices = 0;
  let quickly = 0;
  for (const text of texts) {
    const scan = readInSlices(newSourceScan(text), continueScan);
    const quick = readInSlices(newQuickReading(text), continueQuickReading);
    slices += scan.slices + quick.slices;
    if (!quick.reading.failed) quickly++;
    if (!same(spanTableOf(scan.reading), spanTableOf(scanSource(text)))) faults.push({ text, fault: 'spans differ' });
    if (!same(documentTagsOf(scan.reading), documentTagsOf(scanSource(text)))) faults.push({ text, fault: 'tags differ' });
    if (!same(quick.reading.failed ? null : quick.reading.tags, quickDocumentTags(text))) faults.push({ text, fault: 'quick reading differs' });
  }
  return { faults, slices, quickly };
}

test('a reading taken up again wherever its time ran out reads as one done at once', async () => {
  const section = (i) => `<section id="s${i}"><h2>${i}</h2><p>a <b>b</b><ul><li>x<li>y</ul><svg><path d="M0"/></svg>` +
    `<script>if (a < b) x = "</p>";</script><!-- c --></section>\n`;
  const wellFormed = `<!DOCTYPE html><html><head><title>t</title></head><body>${Array.from({ length: 600 }, (_, i) => section(i)).join('')}</body></html>`;
  const documents = [wellFormed, TRICKY.join('\n'), CORNERS.map(([text]) => text).join('\n'),
    ...Array.from({ length: 20 }, (_, i) => tagSoup(i + 1, 3000))];
  const { faults, slices, quickly } = await browser.page.evaluate(checkResumedReadings, documents);
  assert.deepEqual(faults.slice(0, 3), []);
  assert.ok(quickly >= 1 && slices > 60, `the quick reading read ${quickly} of them; the readings stopped ${slices} times`);
});
