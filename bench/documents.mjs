// The generated documents the benchmarks measure, the median they report, and a run over
// document sizes in one browser.
import { launchBrowser, tempDir } from '../tests/page/support/browser.mjs';

export function generateDocument(megabytes) {
  const block = (i) => `<section class="card" id="s${i}"><h2>第 ${i} 节 Section</h2>` +
    `<p>这是一段<strong>生成的</strong>文字，用来测量打开与保存的速度。The quick <em>brown</em> fox jumps over the lazy dog.</p>` +
    `<ul><li>项目一</li><li><a href="#s${i}">链接</a></li></ul></section>\n`;
  const head = '<!DOCTYPE html>\n<html lang="zh-CN"><head><meta charset="utf-8"><title>bench</title>' +
    '<style>.card{padding:8px;border:1px solid #ccc}</style></head><body>\n';
  const parts = [head];
  let size = Buffer.byteLength(head);
  for (let i = 0; size < megabytes * 1024 * 1024; i++) {
    const piece = block(i);
    parts.push(piece);
    size += Buffer.byteLength(piece);
  }
  parts.push('</body></html>\n');
  return parts.join('');
}

export function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  const mid = sorted.length >> 1;
  return sorted.length % 2 ? sorted[mid] : (sorted[mid - 1] + sorted[mid]) / 2;
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
