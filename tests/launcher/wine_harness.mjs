// Runs the x86-64 launcher under wine64 in a throwaway prefix, and reads back what it leaves
// behind: exit codes, the recorded message boxes and properties, files in the prefix, the
// Start-menu shortcut and the command lines that fake browsers were started with.
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

export const launcherExe = requiredEnvironment('LMW_LAUNCHER_TEST_EXE');
export const wineTools = requiredEnvironment('LMW_WINE_TOOLS');
export const pageFile = requiredEnvironment('LMW_PAGE_FILE');
// The launcher writes the page under the name the build gave it, which carries the version.
export const pageFileName = path.basename(pageFile);

export const MB_ICONERROR = 0x10;
export const MB_ICONWARNING = 0x30;
export const extractionMessage = {
  caption: 'Lumaweave',
  flags: MB_ICONERROR,
  text: '无法释放编辑器文件。请确认当前用户对本地应用数据目录具有写入权限。',
};
export const noBrowserMessage = {
  caption: '缺少兼容浏览器',
  flags: MB_ICONWARNING,
  text:
    '未找到可用的 Chromium 浏览器。\n\nWindows 7：请安装 Chrome 109 或 Edge 109。\n' +
    'Windows 11：请安装或启用当前版 Google Chrome / Microsoft Edge。\n\n浏览器版本必须为 86 或更高，IE 不受支持。',
};
export const launchMessage = {
  caption: 'Lumaweave',
  flags: MB_ICONERROR,
  text: '编辑器文件已经准备完成，但浏览器启动失败。请重新安装或修复 Chrome / Edge 后再试。',
};

// What the launcher ends with, and 255 from with_env when it cannot start it; anything else
// comes from wine.
const LAUNCHER_STATUSES = [0, 20, 21, 22, 255];
const APP_USER_MODEL_ID = 5;
const RELAUNCH_ICON_RESOURCE = 3;

function requiredEnvironment(name) {
  const value = process.env[name];
  if (!value) throw new Error(`${name} is not set; run this test through ctest`);
  return value;
}

function findWine() {
  for (const candidate of ['/usr/lib/wine/wine64', '/usr/bin/wine64', '/usr/lib/wine/wine']) {
    if (fs.existsSync(candidate)) return candidate;
  }
  throw new Error('wine64 not found');
}

// The Windows name of a Unix path, through wine's Z: drive.
export function windowsPath(unixPath) {
  return 'Z:' + unixPath.replaceAll('/', '\\');
}

export class WinePrefix {
  constructor() {
    this.wine = findWine();
    this.root = fs.mkdtempSync(path.join(os.tmpdir(), 'lumaweave-wine-'));
    this.prefix = path.join(this.root, 'prefix');
    this.log = path.join(this.root, 'test.log');
    this.environment = {
      ...process.env,
      WINEPREFIX: this.prefix,
      WINEDEBUG: '-all',
      // No desktop entries from saved shortcuts, and no attempt to fetch Mono or Gecko.
      WINEDLLOVERRIDES: 'winemenubuilder.exe=d;mscoree,mshtml=',
      LUMAWEAVE_TEST_LOG: windowsPath(this.log),
    };
    delete this.environment.DISPLAY;
    delete this.environment.WAYLAND_DISPLAY;
  }

  // Boots the prefix and keeps one wine server for all runs, which saves a start per run.
  boot() {
    this.wineCommand(['wineboot', '-i']);
    this.wineserver(['-p']);
    const users = fs.readdirSync(path.join(this.prefix, 'drive_c', 'users')).filter((name) => name !== 'Public');
    if (users.length !== 1) throw new Error(`expected one wine user, found ${users}`);
    this.user = users[0];
  }

  dispose() {
    this.wineserver(['-k']);
    fs.rmSync(this.root, { recursive: true, force: true });
  }

  // Output is not piped: the wine server that a command starts would hold a pipe open for ever.
  // Wine's own complaints go to a file, so that a run wine itself could not make says why.
  wineCommand(args) {
    const errors = fs.openSync(path.join(this.root, 'wine-errors.log'), 'w');
    const result = spawnSync(this.wine, args, { env: this.environment, stdio: ['ignore', 'ignore', errors], timeout: 120000 });
    fs.closeSync(errors);
    if (result.error) throw result.error;
    return result.status;
  }

  get wineErrors() {
    return fs.readFileSync(path.join(this.root, 'wine-errors.log'), 'utf8');
  }

  wineserver(args) {
    const server = path.join(path.dirname(this.wine), 'wineserver');
    spawnSync(server, args, { env: this.environment, stdio: 'ignore', timeout: 60000 });
  }

  // Runs the launcher, optionally under changed environment variables ({NAME: value} sets,
  // {NAME: null} removes). Returns the exit code and the records made during the run.
  runLauncher(args = [], environment = {}) {
    fs.rmSync(this.log, { force: true });
    const changes = Object.entries(environment).map(([name, value]) => `${name}=${value ?? ''}`);
    const commandLine = [windowsPath(launcherExe), ...args];
    const status = changes.length
      ? this.wineCommand([path.join(wineTools, 'with_env.exe'), ...changes, '--', ...commandLine])
      : this.wineCommand([launcherExe, ...args]);
    if (!LAUNCHER_STATUSES.includes(status)) throw new Error(`wine ended the run with ${status}: ${this.wineErrors}`);
    return { status, ...this.readRecords() };
  }

  readRecords() {
    const messages = [];
    const properties = [];
    if (!fs.existsSync(this.log)) return { messages, properties };
    for (const record of fs.readFileSync(this.log, 'utf16le').split('\u001e').filter(Boolean)) {
      const fields = record.split('\u001f');
      if (fields[0] === 'message') messages.push({ caption: fields[1], flags: Number(fields[2]), text: fields[3] });
      if (fields[0] === 'property') properties.push({ id: Number(fields[1]), text: fields[2] });
    }
    return { messages, properties };
  }

  // Unix path of a path on drive C, given in Windows form.
  drivePath(windowsName) {
    return path.join(this.prefix, 'drive_c', ...windowsName.replace(/^C:\\/i, '').split('\\'));
  }

  get localAppData() {
    return `C:\\users\\${this.user}\\AppData\\Local`;
  }

  get roamingAppData() {
    return `C:\\users\\${this.user}\\AppData\\Roaming`;
  }

  get temp() {
    return `C:\\users\\${this.user}\\Temp`;
  }

  get startMenuShortcut() {
    return `${this.roamingAppData}\\Microsoft\\Windows\\Start Menu\\Programs\\Lumaweave.lnk`;
  }
}

export function identityProperty(run) {
  return run.properties.filter((p) => p.id === APP_USER_MODEL_ID).map((p) => p.text);
}

export function relaunchIconProperty(run) {
  return run.properties.filter((p) => p.id === RELAUNCH_ICON_RESOURCE).map((p) => p.text);
}

// Waits for a file that another process writes asynchronously.
export async function waitForFile(file, timeoutMs = 15000) {
  const deadline = Date.now() + timeoutMs;
  while (Date.now() < deadline) {
    if (fs.existsSync(file) && fs.statSync(file).size > 0) return true;
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  return false;
}

// The fields of a shell link file that the launcher sets (MS-SHLLINK): the target from the
// link information, the string data, and the icon index from the header.
export function readShellLink(file) {
  const bytes = fs.readFileSync(file);
  if (bytes.readUInt32LE(0) !== 0x4c) throw new Error('not a shell link');
  const flags = bytes.readUInt32LE(0x14);
  const link = { iconIndex: bytes.readInt32LE(0x38) };
  let at = 0x4c;
  if (flags & 0x01) at += 2 + bytes.readUInt16LE(at);
  if (flags & 0x02) {
    const headerSize = bytes.readUInt32LE(at + 4);
    if (headerSize >= 0x24 && bytes.readUInt32LE(at + 28)) {
      link.target = readTerminated(bytes, at + bytes.readUInt32LE(at + 28), 'utf16le');
    } else {
      link.target = readTerminated(bytes, at + bytes.readUInt32LE(at + 16), 'latin1');
    }
    at += bytes.readUInt32LE(at);
  }
  const unicode = (flags & 0x80) !== 0;
  const stringFields = [
    [0x04, 'description'],
    [0x08, 'relativePath'],
    [0x10, 'workingDirectory'],
    [0x20, 'arguments'],
    [0x40, 'iconLocation'],
  ];
  for (const [flag, name] of stringFields) {
    if (!(flags & flag)) continue;
    const count = bytes.readUInt16LE(at);
    const size = unicode ? count * 2 : count;
    // Some writers count a terminator as well; it is no part of the value.
    link[name] = bytes.toString(unicode ? 'utf16le' : 'latin1', at + 2, at + 2 + size).replace(/\0+$/, '');
    at += 2 + size;
  }
  return link;
}

function readTerminated(bytes, start, encoding) {
  const unit = encoding === 'utf16le' ? 2 : 1;
  let end = start;
  while (end + unit <= bytes.length && (unit === 1 ? bytes[end] : bytes.readUInt16LE(end)) !== 0) end += unit;
  return bytes.toString(encoding, start, end);
}

// The command line a fake browser recorded, without its own quoted program path.
export function recordedArguments(fakeBrowserFile) {
  const commandLine = fs.readFileSync(fakeBrowserFile + '.command-line', 'utf16le');
  const match = /^"[^"]*" (.*)$/s.exec(commandLine) ?? /^\S+ (.*)$/s.exec(commandLine);
  return match ? match[1] : '';
}

export function expectedBrowserArguments(dataFolder) {
  const url = 'file:///' + `${dataFolder}\\${pageFileName}`.replaceAll('\\', '/');
  return (
    `--app="${url}" --user-data-dir="${dataFolder}\\BrowserProfile" --no-first-run --no-default-browser-check ` +
    '--disable-background-networking --disable-background-mode'
  );
}

export function filesIn(directory) {
  return fs.existsSync(directory) ? fs.readdirSync(directory).sort() : [];
}
