// Start-up under wine64: the data folder, its fallback, extraction failures and the page file.
// No browser is installed in this prefix, so every run ends after discovery with code 21.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import { after, before, describe, test } from 'node:test';

import { WinePrefix, extractionMessage, filesIn, noBrowserMessage, pageFile, pageFileName } from './wine_harness.mjs';

const wine = new WinePrefix();
const page = fs.readFileSync(pageFile);

before(() => wine.boot());
after(() => wine.dispose());

function dataFolderFiles(windowsFolder) {
  return filesIn(wine.drivePath(windowsFolder));
}

function assertPageWritten(windowsFolder) {
  const written = fs.readFileSync(wine.drivePath(`${windowsFolder}\\${pageFileName}`));
  assert.ok(written.equals(page), 'the page file equals resource 100 byte for byte');
  assert.deepEqual(dataFolderFiles(windowsFolder), ['BrowserProfile', pageFileName]);
}

// chattr +i makes a folder unwritable even for root; some file systems do not support it.
function makeImmutable(unixPath, on) {
  return spawnSync('chattr', [on ? '+i' : '-i', unixPath]).status === 0;
}

describe('data folder', () => {
  test('self-test without a browser writes the page to LOCALAPPDATA, exits 21 and shows nothing', () => {
    const folder = `${wine.localAppData}\\Lumaweave`;
    const run = wine.runLauncher(['--self-test']);
    assert.equal(run.status, 21);
    assert.deepEqual(run.messages, []);
    assertPageWritten(folder);
  });

  test('normal mode without a browser shows the no-browser message once', () => {
    const run = wine.runLauncher();
    assert.equal(run.status, 21);
    assert.deepEqual(run.messages, [noBrowserMessage]);
  });

  test('self-test is recognised only as an exact later argument', () => {
    const exact = wine.runLauncher(['first', '--self-test', 'last']);
    assert.deepEqual(exact.messages, [], 'a later --self-test still suppresses the message');
    for (const nearMiss of ['--Self-Test', '--self-test=1']) {
      const run = wine.runLauncher([nearMiss]);
      assert.equal(run.status, 21);
      assert.equal(run.messages.length, 1, `${nearMiss} is not the self-test switch`);
    }
  });

  test('falls back to TEMP when LOCALAPPDATA is undefined or leaves a percent sign', () => {
    const fallback = `${wine.temp}\\Lumaweave`;
    for (const localAppData of [null, 'C:\\50%\\Data', '%UNDEFINED_LUMAWEAVE_VARIABLE%']) {
      fs.rmSync(wine.drivePath(fallback), { recursive: true, force: true });
      const run = wine.runLauncher(['--self-test'], { LOCALAPPDATA: localAppData });
      assert.equal(run.status, 21, `LOCALAPPDATA=${localAppData}`);
      assertPageWritten(fallback);
    }
  });

  test('with neither LOCALAPPDATA nor TEMP usable the run ends with 20 and creates nothing', () => {
    const run = wine.runLauncher([], { LOCALAPPDATA: null, TEMP: 'C:\\%NOPE%' });
    assert.equal(run.status, 20);
    assert.deepEqual(run.messages, [extractionMessage]);
    assert.ok(!fs.existsSync(wine.drivePath('C:\\%NOPE%')));
  });

  test('a first-choice folder that cannot be created ends the run with 20, without trying TEMP', () => {
    const fallback = `${wine.temp}\\Lumaweave`;
    fs.rmSync(wine.drivePath(fallback), { recursive: true, force: true });
    const selfTest = wine.runLauncher(['--self-test'], { LOCALAPPDATA: 'C:\\missing\\parent' });
    assert.equal(selfTest.status, 20);
    assert.deepEqual(selfTest.messages, []);
    const normal = wine.runLauncher([], { LOCALAPPDATA: 'C:\\missing\\parent' });
    assert.equal(normal.status, 20);
    assert.deepEqual(normal.messages, [extractionMessage]);
    assert.ok(!fs.existsSync(wine.drivePath(fallback)));
  });

  test('an unwritable data folder ends the run with 20 and leaves the old page alone', (t) => {
    const folder = wine.drivePath(`${wine.localAppData}\\Lumaweave`);
    wine.runLauncher(['--self-test']);
    if (!makeImmutable(folder, true)) {
      t.skip('this file system cannot make a folder immutable');
      return;
    }
    try {
      const run = wine.runLauncher();
      assert.equal(run.status, 20);
      assert.deepEqual(run.messages, [extractionMessage]);
    } finally {
      makeImmutable(folder, false);
    }
    assertPageWritten(`${wine.localAppData}\\Lumaweave`);
  });
});

describe('page file', () => {
  const folder = () => `${wine.localAppData}\\Lumaweave`;

  test('is rewritten from the resource on every start, replacing a modified copy', () => {
    wine.runLauncher(['--self-test']);
    const pagePath = wine.drivePath(`${folder()}\\${pageFileName}`);
    fs.writeFileSync(pagePath, 'modified by someone else');
    assert.equal(wine.runLauncher(['--self-test']).status, 21);
    assertPageWritten(folder());
    fs.truncateSync(pagePath, 10);
    wine.runLauncher(['--self-test']);
    assertPageWritten(folder());
  });

  test('that cannot be replaced ends the run with 20 and leaves no temporary file', () => {
    const pagePath = wine.drivePath(`${folder()}\\${pageFileName}`);
    fs.rmSync(pagePath, { force: true });
    fs.mkdirSync(pagePath);
    fs.writeFileSync(`${pagePath}/inside`, 'keeps the folder in use');
    try {
      const run = wine.runLauncher();
      assert.equal(run.status, 20);
      assert.deepEqual(run.messages, [extractionMessage]);
      assert.deepEqual(dataFolderFiles(folder()), ['BrowserProfile', pageFileName]);
    } finally {
      fs.rmSync(pagePath, { recursive: true, force: true });
    }
    wine.runLauncher(['--self-test']);
    assertPageWritten(folder());
  });
});
