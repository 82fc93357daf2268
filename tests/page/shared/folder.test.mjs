// Serving a document's files from a folder granted to it, on real folders on disk dropped onto a
// real page (each drop yields a real FileSystemDirectoryHandle): every served URL gives the file's
// bytes, stylesheets come with their own addresses served from their own folder, an import cycle
// ends, a missing file and one outside the folder stay as written, and a document written with the
// edits shows as the browser shows the file. Every live value reads back as its author wrote it.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import crypto from 'node:crypto';
import { pathToFileURL } from 'node:url';
import { browserSession, catchHandle, writeFixture } from '../support/browser.mjs';
import { pngFromBrowser } from '../support/fixtures.mjs';
import { sharedScriptsThrough } from '../support/scripts.mjs';

const SOURCES = sharedScriptsThrough('folder.js');

// site/up.png sits above the document's folder, site/doc, which holds the rest.
const DOCUMENT = `<!DOCTYPE html><html><head><meta charset="utf-8"><link rel="stylesheet" href="css/main.css"></head><body>
<p id="out"></p><script src="js/app.js"></script>
<img id="up" src="../up.png"><img id="missing" src="img/none.png">
<img id="set" src="img/bg.png" srcset="img/dot.png 1x, img/bg.png?v=2 2x">
<p id="more" class="more">x</p><p id="a" class="a">a</p><p id="b" class="b">b</p><p id="font" class="font">W</p>
<div id="styled" style="width:6px;height:1px;background-image:url('img/dot.png')"></div>
<base href="img/sub/"><img id="based" src="based.png">
</body></html>`;
const MAIN_CSS = `@import "more.css";
@import url(cycle-a.css);
body { background-image: url(../img/bg.png) }
@font-face { font-family: Served; src: url("../fonts/served.ttf") format("truetype") }
.font { font-family: Served, monospace }
.missing { background-image: url(../img/none.png) }
.far { background-image: url(../../../far.png) }
`;
// Declared GBK, as older sites write them: "更多" in GBK bytes.
const MORE_CSS = Buffer.concat([Buffer.from('@charset "gbk";\n.more::before { content: "'), Buffer.from('b8fcb6e0', 'hex'),
  Buffer.from('" }\n.dot { background-image: url(\'../img/dot.png#frag\') }\n')]);
// The images' sizes tell them apart once shown.
const IMAGES = { 'up.png': [3, 2], 'doc/img/bg.png': [5, 4], 'doc/img/dot.png': [6, 1], 'doc/img/sub/based.png': [7, 3] };

async function writeSite(page, dir) {
  const site = path.join(dir, 'site');
  const files = {
    'doc/page.html': DOCUMENT, 'doc/css/main.css': MAIN_CSS, 'doc/css/more.css': MORE_CSS,
    'doc/css/cycle-a.css': '@import "cycle-b.css";\n.a { color: rgb(1, 2, 3) }\n',
    'doc/css/cycle-b.css': '@import "cycle-a.css";\n.b { color: rgb(4, 5, 6) }\n',
    'doc/js/app.js': "document.getElementById('out').textContent = '脚本已运行';\n",
    'doc/fonts/served.ttf': fs.readFileSync('/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf')
  };
  for (const [name, [width, height]] of Object.entries(IMAGES)) files[name] = await pngFromBrowser(page, width, height);
  for (const [name, content] of Object.entries(files)) {
    fs.mkdirSync(path.dirname(path.join(site, name)), { recursive: true });
    writeFixture(site, name, content);
  }
  return site;
}

const sha = (bytes) => crypto.createHash('sha256').update(bytes).digest('hex');

// In the page. A folder handle that counts the lookups made through it and how many run at once;
// it offers no way to list a folder, so a listing would fail the story.
function countingFolder(handle, counts) {
  const track = (promise) => {
    counts.lookups++;
    counts.inFlight++;
    counts.most = Math.max(counts.most, counts.inFlight);
    return promise.finally(() => { counts.inFlight--; });
  };
  const wrap = (folder) => ({
    kind: 'directory', name: folder.name,
    getDirectoryHandle: (name) => track(folder.getDirectoryHandle(name).then(wrap)),
    getFileHandle: (name) => track(folder.getFileHandle(name))
  });
  return wrap(handle);
}

function applyEdits(text, edits) {
  let written = '';
  let copied = 0;
  for (const edit of edits) {
    written += text.slice(copied, edit.from) + edit.markup;
    copied = edit.to;
  }
  return written + text.slice(copied);
}

// Every served URL in the written text and in the stylesheets it leads to: the address it was
// written for, the served bytes' digest and type, and a stylesheet's text.
async function servedFiles(written, grant) {
  const hex = (buffer) => Array.from(new Uint8Array(buffer), (byte) => byte.toString(16).padStart(2, '0')).join('');
  const found = [];
  const seen = new Set();
  const texts = [written];
  while (texts.length) {
    for (const url of texts.shift().match(/blob:[^\s"'(),]+/g) || []) {
      if (seen.has(url)) continue;
      seen.add(url);
      const blob = await (await fetch(url)).blob();
      const record = { authored: authoredAddresses(url, grant), type: blob.type, sha: hex(await crypto.subtle.digest('SHA-256', await blob.arrayBuffer())) };
      if (blob.type.startsWith('text/css')) texts.push(record.text = await blob.text());
      found.push(record);
    }
  }
  return found;
}

// Writes the text into a frame, as the editor writes a document into its window, and resolves
// once the frame has loaded what it refers to.
function shownInFrame(written) {
  const frame = document.body.appendChild(document.createElement('iframe'));
  const doc = frame.contentDocument;
  doc.open();
  doc.write(written);
  doc.close();
  return new Promise((done) => {
    const settled = () => (doc.readyState === 'complete' ? doc.fonts.ready.then(() => done(doc)) : setTimeout(settled, 20));
    settled();
  });
}

// What the frame shows: images' natural sizes, the loaded size of the body's background, styles,
// the font's state, the script's text, and live values read back through the grant.
async function whatIsShown(doc, grant) {
  const natural = (image) => [image.naturalWidth, image.naturalHeight];
  const loaded = (url) => new Promise((done) => {
    const image = new Image();
    image.onload = () => done(natural(image));
    image.onerror = () => done(null);
    image.src = url;
  });
  const background = /url\("(.*)"\)/.exec(doc.defaultView.getComputedStyle(doc.body).backgroundImage);
  const style = (id, pseudo) => doc.defaultView.getComputedStyle(doc.getElementById(id), pseudo);
  await doc.fonts.load('16px Served').catch(() => null);
  const face = Array.from(doc.fonts).find((font) => font.family === 'Served');
  return {
    images: Object.fromEntries(['up', 'missing', 'set', 'based'].map((id) => [id, natural(doc.getElementById(id))])),
    background: background && await loaded(background[1]),
    more: style('more', '::before').content,
    colours: [style('a').color, style('b').color],
    font: face ? face.status : 'none',
    script: doc.getElementById('out').textContent,
    authored: ['src', 'srcset'].map((name) => authoredAddresses(doc.getElementById('set').getAttribute(name), grant))
      .concat([authoredAddresses(doc.getElementById('styled').getAttribute('style'), grant),
        authoredAddresses(doc.getElementById('up').getAttribute('src'), grant)])
  };
}

const session = browserSession({
  ready: async (s) => {
    const blank = writeFixture(s.dir, 'blank.html', '<!DOCTYPE html><html><body></body></html>');
    await s.page.goto(pathToFileURL(blank).href);
    await s.page.addScriptTag({ content: `${SOURCES}\n${countingFolder}\n${applyEdits}\n${servedFiles}\n${shownInFrame}\n${whatIsShown}` });
    s.site = await writeSite(s.page, s.dir);
  }
});

// Grants the dropped folder in the page as window.__grant, serves the document and writes it into a
// frame; resolves to the edits, what was served and what is shown.
async function serveDropped(folder, place) {
  const { page } = session;
  await catchHandle(page, folder);
  return page.evaluate(async ({ text, place }) => {
    const counts = { lookups: 0, inFlight: 0, most: 0 };
    const grant = window.__grant = newFolderGrant(countingFolder(window.__lmwCaught, counts), place);
    const first = await servedEdits(text, grant);
    const lookups = counts.lookups;
    const again = await servedEdits(text, grant);
    const written = applyEdits(text, first.edits);
    return {
      ...first, written, lookups, most: counts.most, lookupsAgain: counts.lookups - lookups,
      sameAgain: JSON.stringify(again) === JSON.stringify(first),
      served: await servedFiles(written, grant), shown: await whatIsShown(await shownInFrame(written), grant)
    };
  }, { text: DOCUMENT, place });
}

const ON_DISK = (site, name) => sha(fs.readFileSync(path.join(site, name)));

test('the document\'s own folder serves its stylesheets, fonts, images and script as the browser loads them', async () => {
  const { site } = session;
  const result = await serveDropped(path.join(site, 'doc'), { inside: [] });
  // The edits are in text order, and every address served is written as a URL, the others as written.
  result.edits.reduce((end, edit) => { assert.ok(edit.from >= end); return edit.to; }, 0);
  assert.deepEqual(result.edits.map((edit) => DOCUMENT.slice(edit.from, edit.to)), ['"css/main.css"', '"js/app.js"',
    '"img/bg.png"', '"img/dot.png 1x, img/bg.png?v=2 2x"', '"width:6px;height:1px;background-image:url(\'img/dot.png\')"', '"based.png"']);
  assert.ok(result.written.includes('src="../up.png"') && result.written.includes('src="img/none.png"'));
  // The far file climbs two levels above the folder from the stylesheet; the up image one.
  assert.equal(result.above, 2);

  const files = {
    'css/main.css': null, 'more.css': null, 'cycle-a.css': null, 'cycle-b.css': null,
    'js/app.js': ['doc/js/app.js', 'text/javascript'], 'img/bg.png': ['doc/img/bg.png', 'image/png'],
    'img/dot.png': ['doc/img/dot.png', 'image/png'], 'img/bg.png?v=2': ['doc/img/bg.png', 'image/png'],
    'based.png': ['doc/img/sub/based.png', 'image/png'], '../img/bg.png': ['doc/img/bg.png', 'image/png'],
    '../fonts/served.ttf': ['doc/fonts/served.ttf', 'font/ttf'], '../img/dot.png#frag': ['doc/img/dot.png', 'image/png']
  };
  assert.deepEqual([...new Set(result.served.map((file) => file.authored))].sort(), Object.keys(files).sort());
  const sheets = {};
  for (const file of result.served) {
    if (files[file.authored]) assert.deepEqual([file.sha, file.type], [ON_DISK(site, files[file.authored][0]), files[file.authored][1]], file.authored);
    else sheets[file.authored] = file;
  }
  assert.equal(sheets['css/main.css'].type, 'text/css;charset=utf-8');
  // A stylesheet's addresses are served from its own folder; the missing one and the one above stay as written.
  const main = sheets['css/main.css'].text;
  assert.ok(main.includes('url(../img/none.png)') && main.includes('url(../../../far.png)'), main);
  assert.ok(!main.includes('../img/bg.png') && !main.includes('served.ttf') && !main.includes('"more.css"'), main);
  assert.match(sheets['more.css'].text, /content: "更多"[\s\S]*url\('blob:[^']+#frag'\)/);
  // The cycle ends where the second sheet would import the first again.
  assert.match(sheets['cycle-a.css'].text, /^@import "blob:/);
  assert.match(sheets['cycle-b.css'].text, /^@import "cycle-a\.css";/);

  // Shown as the browser shows the file from disk, but for the image in the folder above.
  assert.deepEqual(result.shown, {
    images: { up: [0, 0], missing: [0, 0], set: [6, 1], based: [7, 3] }, background: [5, 4], more: '"更多"',
    colours: ['rgb(1, 2, 3)', 'rgb(4, 5, 6)'], font: 'loaded', script: '脚本已运行',
    authored: ['img/bg.png', 'img/dot.png 1x, img/bg.png?v=2 2x', "width:6px;height:1px;background-image:url('img/dot.png')", '../up.png']
  });

  // The lookups ran side by side; writing the same text again asked the folder nothing and wrote the same URLs.
  assert.ok(result.most >= 4, `at most ${result.most} lookups at once`);
  assert.equal(result.lookupsAgain, 0);
  assert.ok(result.sameAgain);

  // Released, the grant's URLs no longer serve anything.
  const afterRelease = await session.page.evaluate(async (markup) => {
    releaseFolderGrant(window.__grant);
    return fetch(markup.slice(1, -1)).then(() => 'served', (error) => error.name);
  }, result.edits[1].markup);
  assert.equal(afterRelease, 'TypeError');
});

test('the folder above serves what climbs out of the document\'s folder; a folder beside it serves what is under it', async () => {
  const { site } = session;
  const above = await serveDropped(site, { inside: ['doc'] });
  assert.equal(above.above, 1);
  assert.deepEqual(above.shown.images, { up: [3, 2], missing: [0, 0], set: [6, 1], based: [7, 3] });
  assert.equal(above.shown.authored[3], '../up.png');
  assert.ok(above.served.some((file) => file.authored === '../up.png' && file.sha === ON_DISK(site, 'up.png')));

  // Granted report.files-style: only the img folder beside the document. The stylesheet and the
  // script are one level above it, the up image two.
  const beside = await serveDropped(path.join(site, 'doc', 'img'), { beside: 'img' });
  assert.equal(beside.above, 2);
  assert.deepEqual(beside.edits.map((edit) => DOCUMENT.slice(edit.from, edit.to)), ['"img/bg.png"',
    '"img/dot.png 1x, img/bg.png?v=2 2x"', '"width:6px;height:1px;background-image:url(\'img/dot.png\')"', '"based.png"']);
  assert.deepEqual([beside.shown.images, beside.shown.background, beside.shown.script],
    [{ up: [0, 0], missing: [0, 0], set: [6, 1], based: [7, 3] }, null, '']);
});
