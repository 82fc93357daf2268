// The clean serialisation of the live document: whatever the editor has put into it, the text
// for saving, copying and undo holds the document alone, with UTF-8 declared.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import {
  browserSession, openStartPage, chooseThroughInput, waitForRuntime, writeFixture, TEST_PAGE
} from '../support/browser.mjs';

const browser = browserSession();

async function open(name, source) {
  await openStartPage(browser.page, TEST_PAGE);
  await chooseThroughInput(browser.page, writeFixture(browser.dir, name, source));
  await waitForRuntime(browser.page);
}

test('old doctypes and outside comments stay as written; a legacy head declaration alone becomes UTF-8', async () => {
  const legacy = '<!-- before -->\n<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01//EN" "http://www.w3.org/TR/html4/strict.dtd">\n' +
    '<html><head><meta http-equiv="Content-Type" content="text/html; charset=GB2312"><title>old</title></head>' +
    '<body><p>text</p><meta http-equiv="content-type" content="text/html; charset=gbk"></body></html>\n<!-- after -->';
  await open('legacy.html', legacy);
  const html = await browser.page.evaluate(() => window.__lmwRuntime.serializeDocument());
  assert.equal(html, legacy.replace('<head><meta http-equiv="Content-Type" content="text/html; charset=GB2312">',
    '<head><meta charset="UTF-8"><meta http-equiv="Content-Type" content="text/html; charset=UTF-8">'));
  assert.equal(await browser.page.evaluate(() => window.__lmwRuntime.serializeDocument()), html, 'declared once only');
});

test('every marker the editor puts into the live document is left out of an element it rewrites', async () => {
  const source = '<!DOCTYPE html><html><head><meta charset="utf-8"><title>m</title></head><body>' +
    '<h1 contenteditable="false">锁定标题</h1><p id="plain">普通段落</p><div contenteditable="">空值</div>' +
    '<p id="found">查找结果在这里</p></body></html>\n';
  await open('marked.html', source);
  const result = await browser.page.evaluate(() => {
    const runtime = window.__lmwRuntime;
    // Mark the document the way the editor does while it works: text under edit, a find
    // highlight, a multi-selection outline, the content wrapper, short-lived interface pieces
    // and the floating controls; then have every marked element written as it stands.
    const mark = (el, prev) => {
      if (prev !== undefined) el.setAttribute('data-lmw-prev-contenteditable', prev);
      el.setAttribute('contenteditable', 'true');
      el.setAttribute('data-lmw-editing', '1');
    };
    mark(document.querySelector('h1'), 'false');
    mark(document.getElementById('plain'), '__lw_absent');
    mark(document.querySelector('div[contenteditable]'), '');
    const found = document.getElementById('found');
    const text = found.firstChild;
    const rest = text.splitText(4);
    rest.splitText(2);
    const span = document.createElement('span');
    span.className = '__lw-search-highlight active';
    span.setAttribute('data-lmw-ui', 'search-highlight');
    found.replaceChild(span, rest);
    span.appendChild(rest);
    const outline = document.createElement('div');
    outline.className = '__lw-multi-ov';
    outline.setAttribute('data-lmw-ui', 'multi-selection');
    document.body.appendChild(outline);
    const download = document.createElement('a');
    download.setAttribute('data-lmw-ui', 'download');
    document.body.appendChild(download);
    for (const [tag, cls] of [['button', '__lw-toggle'], ['button', '__lw-import-btn'], ['input', '__lw-import-input']]) {
      const control = document.createElement(tag);
      control.className = cls;
      document.body.appendChild(control);
    }
    for (const element of ['h1', '#plain', 'div[contenteditable]', '#found']) runtime.noteEdited(document.querySelector(element));
    const one = runtime.serializeDocument();
    runtime.noteEdited(document.body.firstElementChild);
    runtime.noteEdited(document.body);
    return { one, whole: runtime.serializeDocument(), wrapperStillThere: !!document.querySelector('[data-lmw-wrapper]') };
  });
  assert.equal(result.one, source, 'each element written again as it was');
  assert.equal(result.whole, source.replace('</body></html>\n', '\n</body></html>'),
    'the body written whole takes in the line feed that the parser put into it, and nothing of the editor');
  assert.equal(result.wrapperStillThere, true);
});
