// Fixture files made on the spot, one per way a real file can be encoded or malformed.
import crypto from 'node:crypto';
import { writeFixture } from './browser.mjs';

const GBK_ZHONGWEN_CESHI = Buffer.from('d6d0cec4b2e2cad4', 'hex'); // 中文测试
const BIG5_ZHONGWEN = Buffer.from('a4a4a4e5', 'hex'); // 中文

function html(head, body) {
  return `<!DOCTYPE html>\n<html><head>${head}</head><body>${body}</body></html>\n`;
}

function utf16(text, bigEndian) {
  const le = Buffer.from(text, 'utf16le');
  if (!bigEndian) return Buffer.concat([Buffer.from([0xff, 0xfe]), le]);
  const be = Buffer.alloc(le.length);
  for (let i = 0; i < le.length; i += 2) { be[i] = le[i + 1]; be[i + 1] = le[i]; }
  return Buffer.concat([Buffer.from([0xfe, 0xff]), be]);
}

function asciiWithBytes(before, bytes, after) {
  return Buffer.concat([Buffer.from(before, 'latin1'), bytes, Buffer.from(after, 'latin1')]);
}

// Each entry: the bytes, what opening them must show, and the one change saving makes to the
// decoded text: its head's declaration of the encoding becomes UTF-8.
export const ENCODED = {
  'utf8.html': { bytes: Buffer.from(html('<title>u</title>', '<p>中文测试 UTF-8</p>')), text: '中文测试 UTF-8', encoding: 'utf-8' },
  'utf8-bom-declares-gbk.html': {
    bytes: Buffer.concat([Buffer.from([0xef, 0xbb, 0xbf]), Buffer.from(html('<meta charset="gbk">', '<p>带 BOM 的中文</p>'))]),
    text: '带 BOM 的中文', encoding: 'utf-8', declared: ['<meta charset="gbk">', '<meta charset="UTF-8">']
  },
  'utf16le.html': {
    bytes: utf16(html('<meta charset="gbk">', '<p>小端中文</p>'), false), text: '小端中文', encoding: 'utf-16le',
    declared: ['<meta charset="gbk">', '<meta charset="UTF-8">']
  },
  'utf16be.html': {
    bytes: utf16(html('', '<p>大端中文</p>'), true), text: '大端中文', encoding: 'utf-16be',
    declared: ['<head>', '<head><meta charset="UTF-8">']
  },
  'gbk-meta.html': {
    bytes: asciiWithBytes('<!DOCTYPE html><html><head><meta charset="gb2312"></head><body><p>', GBK_ZHONGWEN_CESHI, '</p></body></html>'),
    text: '中文测试', encoding: 'gbk', declared: ['<meta charset="gb2312">', '<meta charset="UTF-8">']
  },
  'gbk-http-equiv.html': {
    bytes: asciiWithBytes('<html><head><meta http-equiv="Content-Type" content="text/html; charset=GB2312"></head><body><p>', GBK_ZHONGWEN_CESHI, '</p></body></html>'),
    text: '中文测试', encoding: 'gbk', declared: ['<head><meta http-equiv="Content-Type" content="text/html; charset=GB2312">',
      '<head><meta charset="UTF-8"><meta http-equiv="Content-Type" content="text/html; charset=UTF-8">']
  },
  'big5.html': {
    bytes: asciiWithBytes('<html><head><meta charset=big5></head><body><p>', BIG5_ZHONGWEN, '</p></body></html>'),
    text: '中文', encoding: 'big5', declared: ['<meta charset=big5>', '<meta charset=UTF-8>']
  },
  // The declaration stands past the sniffed 16384 bytes, so the valid UTF-8 decides.
  'late-declaration.html': {
    bytes: Buffer.from(html('', `<p>${'x'.repeat(17000)}</p><p>后面的声明</p><meta charset="gbk">`)),
    text: '后面的声明', encoding: 'utf-8'
  },
  // Declared UTF-8 with broken bytes: opened with replacement characters, never a question.
  'invalid-utf8-declared.html': {
    bytes: asciiWithBytes('<html><head><meta charset="utf-8"></head><body><p>bad:', Buffer.from([0xc3, 0x28, 0xff]), ':end</p></body></html>'),
    text: 'bad:\ufffd(\ufffd:end', encoding: 'utf-8'
  }
};

export const GBK_UNDECLARED = asciiWithBytes('<html><body><p>', GBK_ZHONGWEN_CESHI, '</p></body></html>');
export const BINARY = Buffer.concat([Buffer.from('\x89PNG\r\n\x1a\n', 'latin1'), crypto.randomBytes(4096), Buffer.alloc(64)]);
export const UNKNOWN_CHARSET = Buffer.from(html('<meta charset="x-made-up-9">', '<p>unknown</p>'));

export function fingerprintOf(bytes) {
  return `${bytes.length}:${crypto.createHash('sha256').update(bytes).digest('hex')}`;
}

export function writeEncodedFixtures(dir) {
  const files = {};
  for (const [name, fixture] of Object.entries(ENCODED)) files[name] = writeFixture(dir, name, fixture.bytes);
  return files;
}

// Real PNG files, encoded by the browser's own canvas.
export async function pngFromBrowser(page, width, height) {
  return Buffer.from(await page.evaluate(([w, h]) => {
    const canvas = Object.assign(document.createElement('canvas'), { width: w, height: h });
    canvas.getContext('2d').fillRect(0, 0, 3, 2);
    return canvas.toDataURL('image/png').split(',')[1];
  }, [width, height]), 'base64');
}
