// Lints the page's scripts for what a reader cannot see in one file: which names it uses. Each file
// may use the browser's names, the names of the files before it in the build order (written once
// in page/CMakeLists.txt), and the forward references it writes down at its head in a
// `/* global … */` comment; each joined script (the start page's, the runtime's) uses every name
// it declares; and a lower layer of the model uses no name of the runtime above it. Exits non-zero
// when anything is found.
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { ESLint } from 'eslint';
import * as espree from 'espree';
import globals from 'globals';

const ROOT = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const PAGE = path.join(ROOT, 'page');
// The model's layers, lowest first; the runtime's files after them are what they build on.
const MODEL_LAYERS = ['pieces.js', 'spans.js', 'marks.js', 'rewrite.js', 'starttags.js', 'textplaces.js'];
const LANGUAGE = { ecmaVersion: 2022, sourceType: 'script' };

function buildList(name) {
  const cmake = fs.readFileSync(path.join(PAGE, 'CMakeLists.txt'), 'utf8');
  const list = new RegExp(`set\\(${name}\\n([^)]*)\\)`).exec(cmake)[1];
  const own = [...list.matchAll(/\/((?:shared|runtime|start)\/[\w.-]+\.js)/g)].map((match) => path.join(PAGE, match[1]));
  return list.includes('${LMW_SHARED_SCRIPTS}') ? buildList('LMW_SHARED_SCRIPTS').concat(own) : own;
}

// The names a file declares at its top level.
function declaredNames(file) {
  const program = espree.parse(fs.readFileSync(file, 'utf8'), LANGUAGE);
  const names = [];
  for (const statement of program.body) {
    if (statement.type === 'FunctionDeclaration') names.push(statement.id.name);
    if (statement.type === 'VariableDeclaration') statement.declarations.forEach((declaration) => names.push(declaration.id.name));
  }
  return names;
}

const asGlobals = (names) => Object.fromEntries(names.map((name) => [name, 'readonly']));
const BROWSER = { ...globals.browser, ...globals.es2021 };

// Per file: what it may use, in the order of each list it stands in; the shared files stand first
// in both lists and know the same names in each.
function fileConfigs(lists) {
  const configs = new Map();
  for (const list of lists) {
    const known = [];
    for (const file of list) {
      if (!configs.has(file)) {
        configs.set(file, { files: [path.relative(ROOT, file)], languageOptions: { ...LANGUAGE, globals: { ...BROWSER, ...asGlobals(known) } } });
      }
      known.push(...declaredNames(file));
    }
  }
  return configs;
}

// A lower layer of the model may not use what the runtime above the model declares.
function layerRules(runtime) {
  const lastLayer = runtime.findIndex((file) => path.basename(file) === MODEL_LAYERS[MODEL_LAYERS.length - 1]);
  const above = runtime.slice(lastLayer + 1).flatMap(declaredNames);
  return runtime.filter((file) => MODEL_LAYERS.includes(path.basename(file))).map((file) => ({
    files: [path.relative(ROOT, file)],
    rules: { 'no-restricted-globals': ['error', ...above.map((name) => ({ name, message: 'a layer of the model uses no name of the runtime above it' }))] }
  }));
}

// A joined script as the build joins it, with where each of its lines came from.
function joined(list) {
  const lines = ["(function () {", "'use strict';"];
  const origins = [null, null];
  for (const file of list) {
    fs.readFileSync(file, 'utf8').split('\n').forEach((line, index) => {
      // A file's forward references are declared in the joined script itself.
      lines.push(line.startsWith('/* global ') ? '' : line);
      origins.push({ file, line: index + 1 });
    });
  }
  lines.push('})();');
  origins.push(null);
  return { text: lines.join('\n'), origins };
}

async function lintFiles(lists, runtime) {
  const configs = fileConfigs(lists);
  const eslint = new ESLint({
    cwd: ROOT,
    overrideConfigFile: true,
    overrideConfig: [
      { rules: { 'no-undef': 'error' } },
      ...configs.values(),
      ...layerRules(runtime)
    ]
  });
  const results = await eslint.lintFiles([...configs.keys()]);
  return results.flatMap((result) => result.messages.map((message) =>
    `${path.relative(ROOT, result.filePath)}:${message.line}: ${message.message} (${message.ruleId})`));
}

// The names a joined script declares and never uses, each with where it is declared.
async function unusedInJoined(name, list) {
  const script = joined(list);
  const eslint = new ESLint({
    cwd: ROOT,
    overrideConfigFile: true,
    overrideConfig: [{ languageOptions: { ...LANGUAGE, globals: BROWSER }, rules: { 'no-unused-vars': ['error', { vars: 'all', args: 'none', caughtErrors: 'none' }] } }]
  });
  const [result] = await eslint.lintText(script.text, { filePath: path.join(ROOT, `${name}.joined.js`) });
  return result.messages.map((message) => {
    const origin = script.origins[message.line - 1];
    return { message, name: /'([^']+)'/.exec(message.message)[1], file: origin && origin.file,
      where: origin ? `${path.relative(ROOT, origin.file)}:${origin.line}` : `${name}:${message.line}` };
  });
}

// Both joined scripts carry the shared files: a shared name need only be used by one of them.
async function lintJoined(start, runtime) {
  const shared = new Set(buildList('LMW_SHARED_SCRIPTS'));
  const inStart = await unusedInJoined('start page', start);
  const inRuntime = await unusedInJoined('runtime', runtime);
  const runtimeUnused = new Set(inRuntime.map((unused) => unused.name));
  const reported = [
    ...inStart.filter((unused) => !shared.has(unused.file) || runtimeUnused.has(unused.name)),
    ...inRuntime.filter((unused) => !shared.has(unused.file))
  ];
  return reported.map((unused) => `${unused.where}: ${unused.message.message} (${unused.message.ruleId})`);
}

const start = buildList('LMW_START_SCRIPTS');
const runtime = buildList('LMW_RUNTIME_SCRIPTS');
const codec = [path.join(PAGE, 'start/codec.js')];
const found = [
  ...await lintFiles([start, runtime, codec], runtime),
  ...await lintJoined(start, runtime)
];
for (const line of found) console.log(line);
console.log(found.length ? `${found.length} problems` : 'the page\'s scripts use only what they may');
process.exitCode = found.length ? 1 : 0;
