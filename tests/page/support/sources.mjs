// The page's shared scripts joined as the build joins them, in the order written once in
// page/CMakeLists.txt, so that a test loads a file with everything it stands on.
import fs from 'node:fs';

const PAGE_DIR = new URL('../../../page/', import.meta.url);

function sharedScriptNames() {
  const listing = /set\(LMW_SHARED_SCRIPTS([^)]*)\)/.exec(fs.readFileSync(new URL('CMakeLists.txt', PAGE_DIR), 'utf8'))[1];
  return [...listing.matchAll(/shared\/([\w-]+\.js)/g)].map((match) => match[1]);
}

// The shared scripts up to and with `last`.
export function sharedScriptsThrough(last) {
  const names = sharedScriptNames();
  const end = names.indexOf(last);
  if (end < 0) throw new Error(`${last} is not a shared script`);
  return names.slice(0, end + 1).map((name) => fs.readFileSync(new URL(`shared/${name}`, PAGE_DIR), 'utf8')).join('\n');
}
