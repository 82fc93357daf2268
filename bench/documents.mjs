// Generated documents, the median and the run over document sizes, shared by the edit-mode
// benchmarks.
import { launchBrowser, tempDir } from '../tests/page/support/browser.mjs';

export function generatedDocument(megabytes) {
  const section = (n) => `<section class="chapter" id="s${n}"><h2>第 ${n} 节 Section ${n}</h2>` +
    '<p>这是一段用于测量编辑器开销的文字，The quick brown fox jumps over the lazy dog. ' +
    '<b>加粗</b> 与 <a href="#s0">链接</a>。</p>' +
    '<ul><li>条目一 item one</li><li>条目二 item two</li></ul>' +
    '<p>第二段文字 second paragraph of the section with some more words in it.</p></section>\n';
  const parts = [];
  let size = 0;
  for (let n = 0; size < megabytes * 1024 * 1024; n++) {
    const piece = section(n);
    parts.push(piece);
    size += Buffer.byteLength(piece);
  }
  return `<!DOCTYPE html><html><head><meta charset="utf-8"><title>bench</title></head><body>\n${parts.join('')}</body></html>`;
}

export function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.floor(sorted.length / 2)];
}

// One browser for every size; `measure` gets the browser, a scratch folder and the size in MB.
export async function measureEachSize(measure, sizes = [1, 5]) {
  const browser = await launchBrowser();
  const dir = tempDir('lmw-bench-');
  try {
    for (const megabytes of sizes) await measure(browser, dir, megabytes);
  } finally {
    await browser.close();
  }
}
