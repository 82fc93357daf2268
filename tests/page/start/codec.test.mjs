// The file codec, exercised through the start page with real files: encodings found from byte
// order marks, declarations and validity, the question for undeclared bytes, and bad input.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import {
  browserSession, openStartPage, chooseThroughInput, chooseThroughButtonWithoutPicker, waitForRuntime, waitForStatus, writeFixture, savedTextOf, TEST_PAGE
} from '../support/browser.mjs';
import { ENCODED, GBK_UNDECLARED, BINARY, UNKNOWN_CHARSET, fingerprintOf, writeEncodedFixtures } from '../support/fixtures.mjs';

const QUESTION = '该文件不是有效的 UTF-8，且没有声明字符编码。\n请输入编码：GB18030、GBK 或 Big5。\n取消将停止打开，以避免乱码覆盖。';

const browser = browserSession({
  ready(session) {
    // Every question the page asks is answered from the queue the test sets up; an unexpected
    // question is recorded and dismissed, and the test that caused it fails on the record.
    session.page.on('dialog', async (dialog) => {
      dialogs.push({ type: dialog.type(), message: dialog.message(), defaultValue: dialog.defaultValue() });
      const answer = answers.shift();
      if (typeof answer === 'string') await dialog.accept(answer);
      else await dialog.dismiss();
    });
  }
});
const dialogs = [];
let answers = [];

async function openThroughInput(file, prompts = []) {
  answers = prompts.slice();
  dialogs.length = 0;
  await openStartPage(browser.page, TEST_PAGE);
  await chooseThroughInput(browser.page, file);
}

test('declared and provable encodings open without a question', async () => {
  const files = writeEncodedFixtures(browser.dir);
  for (const [name, fixture] of Object.entries(ENCODED)) {
    await openThroughInput(files[name]);
    await waitForRuntime(browser.page);
    const opened = await browser.page.evaluate(() => ({
      text: document.body.textContent,
      encoding: window.__LMW_OPEN_FILE_ENCODING,
      fingerprint: window.__LMW_OPEN_FILE_FINGERPRINT,
      startsWithBom: document.documentElement.outerHTML.charCodeAt(0) === 0xfeff
    }));
    assert.ok(opened.text.includes(fixture.text), `${name}: ${JSON.stringify(opened.text.slice(0, 80))}`);
    assert.equal(opened.encoding, fixture.encoding, name);
    assert.equal(opened.fingerprint, fingerprintOf(fixture.bytes), name);
    assert.deepEqual(dialogs, [], `${name} asked a question`);
    const decoded = new TextDecoder(fixture.encoding).decode(fixture.bytes);
    const [declared, utf8] = fixture.declared || ['', ''];
    assert.equal(await savedTextOf(browser.page), declared ? decoded.replace(declared, utf8) : decoded, name);
    assert.deepEqual(await browser.page.evaluate(() => [...document.querySelectorAll('[data-lmw-runtime]')]
      .map((el) => el.getAttribute('data-lmw-runtime')).sort()), ['editor', 'icon', 'style'], name);
  }
});

test('undeclared bytes that are not UTF-8 are opened only with a confirmed encoding', async () => {
  const file = writeFixture(browser.dir, 'gbk-undeclared.html', GBK_UNDECLARED);

  await openThroughInput(file, [null]);
  let status = await waitForStatus(browser.page, "s.textContent.indexOf('已取消') === 0");
  assert.deepEqual(status, { text: '已取消打开无法确认编码的文件', className: 'status' });
  assert.equal(dialogs[0].type, 'prompt');
  assert.equal(dialogs[0].message, QUESTION);
  assert.equal(dialogs[0].defaultValue, 'GB18030');

  // A refused answer leaves the page ready, and the same file chosen again is read again.
  answers = ['Shift_JIS', 'cp936'];
  await chooseThroughButtonWithoutPicker(browser.page, file);
  status = await waitForStatus(browser.page, "s.className === 'status error'");
  assert.equal(status.text, '文件读取失败：不支持的手动编码：Shift_JIS');
  await chooseThroughButtonWithoutPicker(browser.page, file);
  await waitForRuntime(browser.page);
  assert.equal(await browser.page.evaluate(() => window.__LMW_OPEN_FILE_ENCODING), 'gbk');
  assert.match(await browser.page.textContent('body'), /中文测试/);

  await openThroughInput(file, ['GB18030']);
  await waitForRuntime(browser.page);
  assert.equal(await browser.page.evaluate(() => window.__LMW_OPEN_FILE_ENCODING), 'gb18030');
  assert.match(await browser.page.textContent('body'), /中文测试/);
});

test('the codec object reduces labels, decodes and fingerprints as documented', async () => {
  await openStartPage(browser.page, TEST_PAGE);
  const results = await browser.page.evaluate(async () => {
    const codec = window.LumaweaveFileCodec;
    const bytes = (list) => new Uint8Array(list).buffer;
    const bomThenGbkDeclaration = new Uint8Array([0xef, 0xbb, 0xbf, ...new TextEncoder().encode('<meta charset="gbk">好')]).buffer;
    const decoded = codec.decodeBytes(bomThenGbkDeclaration);
    let unknownError = null;
    try { codec.decodeBytes(bytes([0x61]), 'no-such-encoding'); } catch (error) { unknownError = error.message; }
    return {
      labels: [codec.normalizeEncoding('  UTF_8 '), codec.normalizeEncoding('UniCode'), codec.normalizeEncoding(null),
        codec.normalizeEncoding('GB2312'), codec.normalizeEncoding('Big-5'), codec.normalizeEncoding('windows-1252')],
      bom: { encoding: decoded.encoding, source: decoded.source, guessed: decoded.guessed, first: decoded.text.charCodeAt(0),
        sameBuffer: decoded.buffer === bomThenGbkDeclaration },
      empty: codec.decodeBytes(bytes([])),
      guessed: (({ encoding, source, guessed }) => ({ encoding, source, guessed }))(codec.decodeBytes(bytes([0x61, 0xd6, 0xd0]))),
      user: (({ encoding, source, guessed }) => ({ encoding, source, guessed }))(codec.decodeBytes(bytes([0x61, 0xd6, 0xd0]), 'CP936')),
      // U+FFFD written by the author is a character of valid UTF-8, not the mark of a bad byte.
      ownReplacement: (({ encoding, source, text }) => ({ encoding, source, text }))(codec.decodeBytes(new TextEncoder().encode('a\uFFFDb').buffer)),
      replacementBesideBadByte: (({ encoding, source }) => ({ encoding, source }))(codec.decodeBytes(bytes([0xef, 0xbf, 0xbd, 0xff]))),
      unknownError,
      emptyFingerprint: await codec.fingerprintBuffer(bytes([])),
      fileFingerprint: await codec.fingerprintFile(new Blob(['abc']))
    };
  });
  assert.deepEqual(results.labels, ['utf-8', 'utf-16le', '', 'gbk', 'big5', 'windows-1252']);
  assert.deepEqual(results.bom, { encoding: 'utf-8', source: 'bom', guessed: false, first: '<'.charCodeAt(0), sameBuffer: true });
  assert.equal(results.empty.encoding, 'utf-8');
  assert.equal(results.empty.source, 'valid-utf8');
  assert.deepEqual(results.guessed, { encoding: 'gb18030', source: 'fallback', guessed: true });
  assert.deepEqual(results.user, { encoding: 'gbk', source: 'user', guessed: false });
  assert.deepEqual(results.ownReplacement, { encoding: 'utf-8', source: 'valid-utf8', text: 'a\uFFFDb' });
  assert.deepEqual(results.replacementBesideBadByte, { encoding: 'gb18030', source: 'fallback' });
  assert.equal(results.unknownError, '不支持或无法解析文件编码：no-such-encoding');
  assert.equal(results.emptyFingerprint, fingerprintOf(Buffer.alloc(0)));
  assert.equal(results.fileFingerprint, fingerprintOf(Buffer.from('abc')));
});

test('bad files get a clear message and leave the start page ready', async () => {
  const cases = [
    { name: 'photo.html', bytes: BINARY, status: { text: '文件读取失败：文件内容不是文本，可能不是 HTML 文件', className: 'status error' } },
    { name: 'odd-charset.html', bytes: UNKNOWN_CHARSET, status: { text: '文件读取失败：不支持或无法解析文件编码：x-made-up-9', className: 'status error' } },
    { name: 'page.html.txt', bytes: Buffer.from('<p>x</p>'), status: { text: '请选择 .html 或 .htm 文件。', className: 'status error' } },
    { name: 'README', bytes: Buffer.from('<p>x</p>'), status: { text: '请选择 .html 或 .htm 文件。', className: 'status error' } },
    // An empty file is read, and the hand-off then has nothing to open.
    { name: 'empty.html', bytes: Buffer.alloc(0), status: { text: '正在读取：empty.html', className: 'status' } },
    { name: 'blank.htm', bytes: Buffer.from(' \n\t\n'), status: { text: '正在读取：blank.htm', className: 'status' } }
  ];
  await openStartPage(browser.page, TEST_PAGE);
  for (const item of cases) {
    answers = [];
    dialogs.length = 0;
    await chooseThroughInput(browser.page, writeFixture(browser.dir, item.name, item.bytes));
    const status = await waitForStatus(browser.page, `s.textContent === ${JSON.stringify(item.status.text)}`);
    assert.deepEqual(status, item.status, item.name);
    assert.deepEqual(dialogs, [], `${item.name} asked a question`);
  }
  // Still the start page, still working: a good file with an upper-case extension opens.
  await browser.page.waitForTimeout(200);
  assert.equal(await browser.page.evaluate(() => !!document.getElementById('btn-open')), true);
  await chooseThroughInput(browser.page, writeFixture(browser.dir, 'UPPER.HTM', ENCODED['utf8.html'].bytes));
  await waitForRuntime(browser.page);
  assert.equal(await browser.page.evaluate(() => window.__LW_OPEN_FILE_NAME), 'UPPER.HTM');
});

// The declaration is read from the bytes themselves: any byte outside printable ASCII reads as a
// space, and only the first 16,384 bytes are looked at.
test('a declaration is found among bytes of any ASCII-compatible encoding', async () => {
  await openStartPage(browser.page, TEST_PAGE);
  const declaration = '<meta charset=gbk>';
  const lastWhole = ' '.repeat(16384 - declaration.length);
  const cases = [
    { bytes: [...Buffer.from('<meta charset='), 0xa0, ...Buffer.from('gbk>')], encoding: 'gbk', source: 'meta' },
    { bytes: [...Buffer.from('<meta'), 0x01, ...Buffer.from('charset="'), 0xe9, ...Buffer.from('big5">')], encoding: 'big5', source: 'meta' },
    { bytes: [...Buffer.from('<meta http-equiv=x content="text/html;'), 0x81, 0x9d, ...Buffer.from(' charset=GB2312">')], encoding: 'gbk', source: 'meta' },
    { bytes: [...Buffer.from(lastWhole + declaration)], encoding: 'gbk', source: 'meta' },
    { bytes: [...Buffer.from(lastWhole + '        ' + declaration)], encoding: 'utf-8', source: 'valid-utf8' }
  ];
  const read = await browser.page.evaluate((lists) => lists.map((list) => {
    const { encoding, source } = window.LumaweaveFileCodec.decodeBytes(new Uint8Array(list).buffer);
    return { encoding, source };
  }), cases.map((c) => c.bytes));
  assert.deepEqual(read, cases.map(({ encoding, source }) => ({ encoding, source })));
});
