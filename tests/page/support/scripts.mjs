// The page's scripts loaded into Node, in the build's own order, for the routines that need no
// browser: the shared files first, then the runtime files asked for.
import fs from 'node:fs';
import path from 'node:path';

// The files of one of the build's lists, in its order.
function buildList(name) {
  const cmake = fs.readFileSync(path.resolve('page/CMakeLists.txt'), 'utf8');
  const list = new RegExp(`set\\(${name}\\n([^)]*)\\)`).exec(cmake)[1];
  return [...list.matchAll(/\/((?:shared|runtime)\/[\w.-]+\.js)/g)].map((match) => path.resolve('page', match[1]));
}

// The shared files up to and with `last`, joined as the build joins them: for a page that loads
// a shared file with everything it stands on.
export function sharedScriptsThrough(last) {
  const files = buildList('LMW_SHARED_SCRIPTS');
  const end = files.findIndex((file) => path.basename(file) === last);
  if (end < 0) throw new Error(`${last} is not a shared script`);
  return files.slice(0, end + 1).map((file) => fs.readFileSync(file, 'utf8')).join('\n');
}

// The named routines of the shared files and of the given runtime files (by name, in the build's
// order). The runtime's state reads the hand-off globals of a window: an empty one stands for it.
export function loadRoutines(runtimeFiles, names) {
  const runtime = buildList('LMW_RUNTIME_SCRIPTS').filter((file) => runtimeFiles.includes(path.basename(file)));
  const sources = [...buildList('LMW_SHARED_SCRIPTS'), ...runtime].map((file) => fs.readFileSync(file, 'utf8')).join('\n');
  return new Function('window', `${sources}; return { ${names.join(', ')} };`)({});
}
