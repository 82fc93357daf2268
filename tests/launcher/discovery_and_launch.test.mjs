// Browser discovery and the app-window launch under wine64. Fake browsers with chosen version
// resources stand at the six candidate paths; the one that the shell starts through the
// shortcut records its command line. Wine returns no process handle for a started shortcut, so
// these runs end without branding (that is covered by the unit tests).
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';

import {
  WinePrefix,
  expectedBrowserArguments,
  identityProperty,
  launchMessage,
  launcherExe,
  noBrowserMessage,
  pageFileName,
  readShellLink,
  recordedArguments,
  relaunchIconProperty,
  waitForFile,
  windowsPath,
  wineTools,
} from './wine_harness.mjs';

const wine = new WinePrefix();
// The app name "_/C:/users/<user>/AppData/Local/Lumaweave/<page file>" keeps its first and last
// ten units.
const identityOf = (prefix) => `${prefix}._/C:/users${pageFileName.slice(-10)}.BrowserProle.Default`;

before(() => wine.boot());
after(() => wine.dispose());

const candidateRows = () => [
  'C:\\Program Files\\Google\\Chrome\\Application\\chrome.exe',
  'C:\\Program Files (x86)\\Google\\Chrome\\Application\\chrome.exe',
  `${wine.localAppData}\\Google\\Chrome\\Application\\chrome.exe`,
  'C:\\Program Files\\Microsoft\\Edge\\Application\\msedge.exe',
  'C:\\Program Files (x86)\\Microsoft\\Edge\\Application\\msedge.exe',
  `${wine.localAppData}\\Microsoft\\Edge\\Application\\msedge.exe`,
];
const dataFolder = () => `${wine.localAppData}\\Lumaweave`;

// placements: {row: '85' | '86' | '120' | 'none' | 'directory'}, rows counted from 1.
function installBrowsers(placements) {
  candidateRows().forEach((row, index) => {
    const file = wine.drivePath(row);
    fs.rmSync(file, { recursive: true, force: true });
    fs.rmSync(file + '.command-line', { force: true });
    const kind = placements[index + 1];
    if (!kind) return;
    fs.mkdirSync(kind === 'directory' ? file : path.dirname(file), { recursive: true });
    if (kind !== 'directory') fs.copyFileSync(path.join(wineTools, `fake-browser-${kind}.exe`), file);
  });
}

function startedRows() {
  return candidateRows()
    .map((row, index) => (fs.existsSync(wine.drivePath(row) + '.command-line') ? index + 1 : 0))
    .filter(Boolean);
}

const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

describe('browser discovery', () => {
  const qualifying = [
    { placements: { 1: '86' }, row: 1, prefix: 'Chrome', story: 'Chrome 86.0 machine-wide' },
    { placements: { 1: '85', 3: '120' }, row: 3, prefix: 'Chrome', story: 'Chrome 85 machine-wide, 120 per user' },
    { placements: { 1: 'directory', 2: '86' }, row: 2, prefix: 'Chrome', story: 'a directory named chrome.exe' },
    { placements: { 1: 'none', 2: '120' }, row: 2, prefix: 'Chrome', story: 'a chrome.exe without version' },
    { placements: { 3: '86', 4: '120' }, row: 3, prefix: 'Chrome', story: 'Chrome is preferred over a newer Edge' },
    { placements: { 4: '86', 5: '120' }, row: 4, prefix: 'MSEdge', story: 'machine-wide Edge first' },
    { placements: { 4: '85', 5: 'none', 6: '120' }, row: 6, prefix: 'MSEdge', story: 'only a per-user Edge qualifies' },
  ];
  for (const { placements, row, prefix, story } of qualifying) {
    test(`${story}: row ${row} is started as ${prefix}`, async () => {
      installBrowsers(placements);
      const run = wine.runLauncher();
      assert.equal(run.status, 0);
      assert.deepEqual(run.messages, []);
      assert.deepEqual(identityProperty(run), [identityOf(prefix)]);
      const started = wine.drivePath(candidateRows()[row - 1]);
      assert.ok(await waitForFile(started + '.command-line'), 'the chosen browser was started');
      assert.equal(recordedArguments(started), expectedBrowserArguments(dataFolder()));
      assert.deepEqual(startedRows(), [row]);
    });
  }

  test('no qualifying candidate: 21, with the no-browser message only in normal mode', async () => {
    const unqualified = [{ 1: '85' }, { 1: 'none' }, { 1: 'directory' }, { 1: '85', 2: '85', 3: '85', 4: '85', 5: '85', 6: '85' }];
    for (const placements of unqualified) {
      installBrowsers(placements);
      const selfTest = wine.runLauncher(['--self-test']);
      assert.equal(selfTest.status, 21, JSON.stringify(placements));
      assert.deepEqual(selfTest.messages, []);
      const normal = wine.runLauncher();
      assert.equal(normal.status, 21, JSON.stringify(placements));
      assert.deepEqual(normal.messages, [noBrowserMessage]);
    }
    await pause(1000);
    assert.deepEqual(startedRows(), []);
  });

  test('self-test with a qualifying browser exits 0 and starts nothing', async () => {
    installBrowsers({ 1: '120' });
    fs.rmSync(wine.drivePath(wine.startMenuShortcut), { force: true });
    const run = wine.runLauncher(['--self-test']);
    assert.equal(run.status, 0);
    assert.deepEqual(run.messages, []);
    assert.deepEqual(run.properties, []);
    await pause(1500);
    assert.deepEqual(startedRows(), []);
    assert.ok(!fs.existsSync(wine.drivePath(wine.startMenuShortcut)), 'no shortcut in self-test mode');
  });
});

describe('app-window launch', () => {
  const chrome = () => candidateRows()[0];

  function assertShortcut(windowsFile) {
    const link = readShellLink(wine.drivePath(windowsFile));
    assert.equal(link.target, chrome());
    assert.equal(link.arguments, expectedBrowserArguments(dataFolder()));
    assert.equal(link.workingDirectory, dataFolder());
    assert.equal(link.description, 'Lumaweave');
    assert.equal(link.iconLocation, windowsPath(launcherExe));
    assert.equal(link.iconIndex, 0);
  }

  test('writes the Start-menu shortcut with the identity and opens it, on every start', async () => {
    installBrowsers({ 1: '86' });
    for (let start = 1; start <= 2; start++) {
      fs.rmSync(wine.drivePath(chrome()) + '.command-line', { force: true });
      const run = wine.runLauncher();
      assert.equal(run.status, 0);
      assert.deepEqual(run.messages, []);
      assertShortcut(wine.startMenuShortcut);
      assert.deepEqual(identityProperty(run), [identityOf('Chrome')]);
      assert.deepEqual(relaunchIconProperty(run), [`${windowsPath(launcherExe)},0`]);
      assert.ok(await waitForFile(wine.drivePath(chrome()) + '.command-line'), `browser started on start ${start}`);
      assert.equal(recordedArguments(wine.drivePath(chrome())), expectedBrowserArguments(dataFolder()));
    }
  });

  test('without APPDATA the shortcut goes into the data folder', async () => {
    installBrowsers({ 1: '86' });
    const inDataFolder = `${dataFolder()}\\Lumaweave.lnk`;
    fs.rmSync(wine.drivePath(inDataFolder), { force: true });
    fs.rmSync(wine.drivePath(wine.startMenuShortcut), { force: true });
    const run = wine.runLauncher([], { APPDATA: null });
    assert.equal(run.status, 0);
    assertShortcut(inDataFolder);
    assert.ok(!fs.existsSync(wine.drivePath(wine.startMenuShortcut)));
    assert.ok(await waitForFile(wine.drivePath(chrome()) + '.command-line'));
  });

  test('a shortcut that cannot be saved ends the run with 22 and the launch failure message', async () => {
    installBrowsers({ 1: '86' });
    const run = wine.runLauncher([], { APPDATA: 'C:\\missing' });
    assert.equal(run.status, 22);
    assert.deepEqual(run.messages, [launchMessage]);
    const selfTest = wine.runLauncher(['--self-test'], { APPDATA: 'C:\\missing' });
    assert.equal(selfTest.status, 0, 'self-test never reaches the launch');
    await pause(1000);
    assert.deepEqual(startedRows(), []);
  });
});
