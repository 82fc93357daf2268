// The file codec: turns a file's bytes into text without guessing silently, and fingerprints
// them so that saving can tell whether the file changed on disk. It stays on the window after
// the start page is replaced, for every editor instance that follows.
(function () {
  'use strict';

  var META_SNIFF_BYTES = 16384;
  var CHARSET_PATTERN = /<meta\b[^>]*\bcharset\s*=\s*["']?\s*([a-zA-Z0-9._:-]+)/i;
  var CONTENT_CHARSET_PATTERN = /<meta\b[^>]*\bcontent\s*=\s*["'][^"']*charset\s*=\s*([a-zA-Z0-9._:-]+)/i;
  var ALIASES = {
    'utf8': 'utf-8', 'unicode-1-1-utf-8': 'utf-8',
    'utf16': 'utf-16le', 'utf-16': 'utf-16le', 'utf16le': 'utf-16le', 'unicode': 'utf-16le',
    'utf16be': 'utf-16be',
    'gb2312': 'gbk', 'gb-2312': 'gbk', 'x-gbk': 'gbk', 'cp936': 'gbk', 'ms936': 'gbk',
    'gb-18030': 'gb18030',
    'big-5': 'big5', 'cp950': 'big5'
  };
  var MANUAL_ENCODINGS = ['gb18030', 'gbk', 'big5'];
  var ENCODING_QUESTION = [
    '该文件不是有效的 UTF-8，且没有声明字符编码。',
    '请输入编码：GB18030、GBK 或 Big5。',
    '取消将停止打开，以避免乱码覆盖。'
  ].join('\n');

  function normalizeEncoding(label) {
    var reduced = String(label == null ? '' : label).trim().toLowerCase().replace(/_/g, '-');
    if (!reduced) return '';
    return Object.prototype.hasOwnProperty.call(ALIASES, reduced) ? ALIASES[reduced] : reduced;
  }

  // Bytes are projected onto ASCII without decoding, so a declaration is found in any
  // ASCII-compatible encoding. Windows-1252 reads each byte as one character, and every one
  // outside tab to tilde becomes a space: the browser's decoder does at once what a loop in the
  // start page's cold code takes milliseconds over.
  function sniffMetaCharset(bytes) {
    var head = new TextDecoder('windows-1252').decode(bytes.subarray(0, META_SNIFF_BYTES)).replace(/[^\t-~]/g, ' ');
    var match = CHARSET_PATTERN.exec(head) || CONTENT_CHARSET_PATTERN.exec(head);
    return match ? normalizeEncoding(match[1]) : '';
  }

  // Returns the decoded text, or null when the bytes are not UTF-8, so that a valid file is
  // decoded once and not twice. A decoder that replaces what it cannot read runs about twice as
  // fast as one that stops at it, and a text without U+FFFD had nothing replaced; only a text
  // holding one is decoded again strictly, to tell a replaced sequence from the character itself.
  function strictUtf8Text(bytes) {
    var text = new TextDecoder('utf-8').decode(bytes);
    if (text.indexOf('\uFFFD') < 0) return text;
    try {
      return new TextDecoder('utf-8', { fatal: true }).decode(bytes);
    } catch (e) {
      return null;
    }
  }

  function detectEncoding(bytes) {
    if (bytes.length >= 3 && bytes[0] === 0xEF && bytes[1] === 0xBB && bytes[2] === 0xBF) {
      return { encoding: 'utf-8', source: 'bom', guessed: false };
    }
    if (bytes.length >= 2 && bytes[0] === 0xFF && bytes[1] === 0xFE) {
      return { encoding: 'utf-16le', source: 'bom', guessed: false };
    }
    if (bytes.length >= 2 && bytes[0] === 0xFE && bytes[1] === 0xFF) {
      return { encoding: 'utf-16be', source: 'bom', guessed: false };
    }
    var declared = sniffMetaCharset(bytes);
    if (declared) return { encoding: declared, source: 'meta', guessed: false };
    var text = strictUtf8Text(bytes);
    if (text !== null) return { encoding: 'utf-8', source: 'valid-utf8', guessed: false, text: text };
    return { encoding: 'gb18030', source: 'fallback', guessed: true };
  }

  // Bytes the encoding cannot read are replaced rather than refused; bytes it reads whole decode
  // to the same text either way.
  function decodeWith(encoding, bytes) {
    try {
      return new TextDecoder(encoding).decode(bytes);
    } catch (unknownError) {
      throw new Error('不支持或无法解析文件编码：' + encoding);
    }
  }

  function decodeBytes(buffer, label) {
    var bytes = new Uint8Array(buffer);
    var detected = detectEncoding(bytes);
    var chosen = normalizeEncoding(label);
    var encoding = chosen || detected.encoding;
    var userSupplied = label != null && String(label) !== '';
    var reuse = detected.text !== undefined && encoding === 'utf-8';
    return {
      text: reuse ? detected.text : decodeWith(encoding, bytes),
      encoding: encoding,
      source: userSupplied ? 'user' : detected.source,
      guessed: !userSupplied && detected.guessed,
      buffer: buffer
    };
  }

  function readBlobBuffer(blob) {
    if (typeof blob.arrayBuffer === 'function') return blob.arrayBuffer();
    return new Promise(function (resolve, reject) {
      var reader = new FileReader();
      reader.onload = function () { resolve(reader.result); };
      reader.onerror = function () { reject(reader.error || new Error('文件读取失败')); };
      reader.readAsArrayBuffer(blob);
    });
  }

  function toHex(buffer) {
    var bytes = new Uint8Array(buffer);
    var out = '';
    for (var i = 0; i < bytes.length; i++) out += (bytes[i] < 16 ? '0' : '') + bytes[i].toString(16);
    return out;
  }

  function fingerprintBuffer(buffer) {
    if (!window.crypto || !window.crypto.subtle) {
      return Promise.reject(new Error('当前浏览器缺少 SHA-256 文件校验能力'));
    }
    return window.crypto.subtle.digest('SHA-256', buffer).then(function (digest) {
      return buffer.byteLength + ':' + toHex(digest);
    });
  }

  function fingerprintFile(blob) {
    return readBlobBuffer(blob).then(fingerprintBuffer);
  }

  function abortError(message) {
    var error = new Error(message);
    error.name = 'AbortError';
    return error;
  }

  // Undeclared, non-UTF-8 bytes are never decoded on a guess: the user confirms the encoding,
  // or the opening stops so that garbled text is never saved over the file.
  function confirmGuessedEncoding(result) {
    if (!result.guessed) return result;
    var answer = window.prompt(ENCODING_QUESTION, 'GB18030');
    if (answer === null) throw abortError('已取消打开无法确认编码的文件');
    var encoding = normalizeEncoding(answer);
    if (MANUAL_ENCODINGS.indexOf(encoding) < 0) throw new Error('不支持的手动编码：' + answer);
    return decodeBytes(result.buffer, encoding);
  }

  // A NUL byte never stands in HTML text of a byte-oriented encoding; asking for an encoding
  // would only offer to open an image or archive as garbled text.
  function refuseBinary(result) {
    if (/^utf-16/.test(result.encoding)) return result;
    var head = new Uint8Array(result.buffer, 0, Math.min(result.buffer.byteLength, META_SNIFF_BYTES));
    if (head.indexOf(0) >= 0) throw new Error('文件内容不是文本，可能不是 HTML 文件');
    return result;
  }

  function readFile(file) {
    return readBlobBuffer(file).then(function (buffer) {
      // The digest runs beside the decoding; a decoding failure leaves it to settle unheard.
      var fingerprinting = fingerprintBuffer(buffer);
      fingerprinting.catch(function () {});
      var result = confirmGuessedEncoding(refuseBinary(decodeBytes(buffer)));
      return fingerprinting.then(function (fingerprint) {
        result.fingerprint = fingerprint;
        result.size = buffer.byteLength;
        result.lastModified = file.lastModified || 0;
        return result;
      });
    });
  }

  window.LumaweaveFileCodec = {
    normalizeEncoding: normalizeEncoding,
    decodeBytes: decodeBytes,
    readBlobBuffer: readBlobBuffer,
    readFile: readFile,
    fingerprintBuffer: fingerprintBuffer,
    fingerprintFile: fingerprintFile
  };
})();
