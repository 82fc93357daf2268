// Serving a document's files from a folder the user granted. The text written into the window
// gets each relative address it refers to as a blob: URL of the file, looked up in the folder by
// its path; what is saved never does (the saved text comes from the authored text, and live
// attribute values go back through authoredAddresses). Files are handed to the browser without
// being read, but for stylesheets, whose own addresses are served from their own folder. No
// folder is ever walked or listed, and every lookup is kept for as long as the grant lives, so
// that writing the same document again (undo, redo) asks the folder nothing.

// The blob's type by the file's extension: the browser needs it to take a file for what it is.
var SERVED_TYPES = nameTable({
  png: 'image/png', apng: 'image/apng', jpg: 'image/jpeg', jpeg: 'image/jpeg', jpe: 'image/jpeg', jfif: 'image/jpeg',
  pjpeg: 'image/jpeg', pjp: 'image/jpeg', gif: 'image/gif', webp: 'image/webp', avif: 'image/avif', bmp: 'image/bmp',
  ico: 'image/x-icon', cur: 'image/x-icon', tif: 'image/tiff', tiff: 'image/tiff', svg: 'image/svg+xml',
  woff: 'font/woff', woff2: 'font/woff2', ttf: 'font/ttf', otf: 'font/otf', eot: 'application/vnd.ms-fontobject',
  js: 'text/javascript', mjs: 'text/javascript', css: 'text/css', html: 'text/html', htm: 'text/html',
  xhtml: 'application/xhtml+xml', xht: 'application/xhtml+xml', xml: 'text/xml', json: 'application/json',
  txt: 'text/plain', vtt: 'text/vtt', pdf: 'application/pdf', wasm: 'application/wasm',
  mp4: 'video/mp4', m4v: 'video/mp4', webm: 'video/webm', ogv: 'video/ogg', mov: 'video/quicktime',
  mp3: 'audio/mpeg', m4a: 'audio/mp4', aac: 'audio/aac', oga: 'audio/ogg', ogg: 'audio/ogg', opus: 'audio/ogg',
  wav: 'audio/wav', flac: 'audio/flac'
});
// The served text is UTF-8 whatever the file was: said in the type, it outranks an @charset rule.
var SERVED_STYLESHEET_TYPE = 'text/css;charset=utf-8';
var CHARSET_RULE = /^@charset "([^"]*)";/;

// A grant of a folder to one document. `handle` is the folder's FileSystemDirectoryHandle;
// `place` where the document stands: { inside: [steps] }, its folder inside the granted one ([]
// when that is the document's own), or { beside: 'name' }, the granted folder is the one of that
// name in the document's folder. It keeps the folders looked up and the files served by path, the
// URLs served by address (as promises, and once settled in `known`), and what each URL was written
// for.
function newFolderGrant(handle, place) {
  return {
    handle: handle,
    place: place,
    folders: new Map(),
    contents: new Map(),
    urls: new Map(),
    known: new Map(),
    authored: new Map(),
    waits: new Map(),
    prefix: '',
    servedUrl: null
  };
}

// Where document steps lead in the granted folder: { path } of names, or { above: levels } for a
// file outside it, with how many levels above it the address climbs.
function placeInGrant(place, steps) {
  var climbs = steps.lastIndexOf('..') + 1;
  if (place.beside !== undefined) {
    return !climbs && steps[0] === place.beside ? { path: steps.slice(1) } : { above: climbs + 1 };
  }
  if (climbs > place.inside.length) return { above: climbs - place.inside.length };
  return { path: place.inside.slice(0, place.inside.length - climbs).concat(steps.slice(climbs)) };
}

// A folder of the grant by its path, or null where there is none; each looked up once, from its
// parent's handle.
function folderAt(grant, path) {
  var key = path.join('/');
  if (!grant.folders.has(key)) {
    var found = !path.length ? Promise.resolve(grant.handle) : folderAt(grant, path.slice(0, -1)).then(function (parent) {
      return parent && parent.getDirectoryHandle(path[path.length - 1]);
    });
    grant.folders.set(key, found.catch(function () { return null; }));
  }
  return grant.folders.get(key);
}

// The handle of a file of the grant by its path; fails where there is none.
function fileHandleAt(grant, path) {
  return folderAt(grant, path.slice(0, -1)).then(function (folder) {
    if (!folder || !path.length) throw new Error('找不到文件：' + path.join('/'));
    return folder.getFileHandle(path[path.length - 1]);
  });
}

function fileAt(grant, path) {
  return fileHandleAt(grant, path).then(function (handle) { return handle.getFile(); }).catch(function () { return null; });
}

function servedType(file) {
  var dot = file.name.lastIndexOf('.');
  return (dot >= 0 && SERVED_TYPES[file.name.slice(dot + 1).toLowerCase()]) || file.type;
}

// What a file is served as, { blob, above } or null when it cannot be read: a stylesheet's text
// with its own addresses served, and `above` the levels the addresses in it (and in what it
// imports) climb above the granted folder; any other file as it stands, unread.
function servedContent(grant, path, asStylesheet) {
  var key = (asStylesheet ? 'stylesheet:' : 'file:') + path.join('/');
  if (!grant.contents.has(key)) grant.contents.set(key, asStylesheet ? servedStylesheet(grant, path) : fileAt(grant, path).then(function (file) {
    return file && { blob: file.slice(0, file.size, servedType(file)), above: 0 };
  }));
  return grant.contents.get(key);
}

function servedStylesheet(grant, path) {
  var key = path.join('/');
  grant.waits.set(key, new Set());
  return fileAt(grant, path).then(function (file) {
    return file && file.arrayBuffer();
  }).then(function (buffer) {
    return buffer && servedCss(grant, decodedStylesheet(new Uint8Array(buffer)), path.slice(0, -1), key);
  }).catch(function () {
    return null;
  }).then(function (served) {
    grant.waits.delete(key);
    return served && { blob: new Blob([served.text], { type: SERVED_STYLESHEET_TYPE }), above: served.above };
  });
}

// A stylesheet's text as the browser decodes it: by its byte order mark, else by a leading
// @charset rule, else as UTF-8.
function decodedStylesheet(bytes) {
  var encoding = 'utf-8';
  if (bytes[0] === 0xfe && bytes[1] === 0xff) encoding = 'utf-16be';
  else if (bytes[0] === 0xff && bytes[1] === 0xfe) encoding = 'utf-16le';
  else if (!(bytes[0] === 0xef && bytes[1] === 0xbb && bytes[2] === 0xbf)) encoding = declaredStylesheetEncoding(bytes);
  return new TextDecoder(encoding).decode(bytes);
}

function declaredStylesheetEncoding(bytes) {
  var declared = CHARSET_RULE.exec(String.fromCharCode.apply(null, bytes.subarray(0, 1024)));
  try {
    var encoding = declared ? new TextDecoder(declared[1]).encoding : 'utf-8';
    // A sheet that says UTF-16 without a byte order mark is read as UTF-8, as the browser does.
    return encoding.indexOf('utf-16') === 0 ? 'utf-8' : encoding;
  } catch (unknownLabel) {
    return 'utf-8';
  }
}

// A stylesheet's text with the addresses the grant serves written as their URLs, relative to the
// sheet's own folder; resolves to { text, above }.
function servedCss(grant, css, folder, sheet) {
  var entries = cssReferences(css);
  entries.forEach(function (entry) {
    var target = addressSteps(entry.address, []);
    entry.steps = target && target.steps;
    entry.fragment = target && target.fragment;
  });
  return servedAddresses(grant, { inside: folder }, entries, sheet).then(function (serving) {
    return { text: withServedAddresses(css, entries, serving.served) || css, above: serving.above };
  });
}

// Where each address written from a place leads in the grant, with `resolve(path, address)` giving
// what is served for one inside it: { served: what resolve gave, or null for an address outside,
// above: the most levels those outside climb above the granted folder }.
function servingOf(place, addresses, resolve) {
  var above = 0;
  var served = addresses.map(function (address) {
    var target = address.steps && placeInGrant(place, address.steps);
    if (target && !target.above) return resolve(target.path, address);
    above = Math.max(above, target ? target.above : 0);
    return null;
  });
  return { served: served, above: above };
}

function highestAbove(above, served) {
  return served.reduce(function (highest, one) { return one ? Math.max(highest, one.above) : highest; }, above);
}

// Serves addresses written from a place (addresses with their steps from there, as
// documentReferences gives them): resolves to { served, above }, with each address's { url, above }
// or null, and the most levels any of them, or any stylesheet served, climbs above the folder.
function servedAddresses(grant, place, addresses, fromSheet) {
  var serving = servingOf(place, addresses, function (path, address) {
    return servedAddress(grant, path, address.address, address.fragment, address.kind === 'stylesheet', fromSheet);
  });
  return Promise.all(serving.served).then(function (served) {
    return { served: served, above: highestAbove(serving.above, served) };
  });
}

// The same for the document's addresses, at once, from what the grant has served before; null when
// one of them has not been looked up yet.
function knownAddresses(grant, addresses) {
  var unknown = false;
  var serving = servingOf(grant.place, addresses, function (path, address) {
    var key = servedKey(path, address.address, address.kind === 'stylesheet');
    if (!grant.known.has(key)) unknown = true;
    return grant.known.get(key) || null;
  });
  return unknown ? null : { served: serving.served, above: highestAbove(serving.above, serving.served) };
}

function servedKey(path, address, asStylesheet) {
  return (asStylesheet ? 'stylesheet:' : 'file:') + path.join('/') + '\n' + address;
}

// The URL written for an address, { url, above } with the address's fragment on the URL, or null
// when the file is not served. A stylesheet imported by one it is itself waiting for is not:
// the cycle ends there.
function servedAddress(grant, path, address, fragment, asStylesheet, fromSheet) {
  if (asStylesheet && fromSheet !== null && !mayWaitFor(grant, fromSheet, path.join('/'))) return Promise.resolve(null);
  var key = servedKey(path, address, asStylesheet);
  if (!grant.urls.has(key)) {
    grant.urls.set(key, servedContent(grant, path, asStylesheet).then(function (content) {
      var served = null;
      if (content) {
        var url = URL.createObjectURL(content.blob);
        noteServedUrl(grant, url, address, fragment);
        served = { url: url + fragment, above: content.above };
      }
      grant.known.set(key, served);
      return served;
    }));
  }
  return grant.urls.get(key);
}

// The stylesheets being served wait for those they import; a wait that would close a circle is
// refused, so none waits for itself.
function mayWaitFor(grant, sheet, imported) {
  if (imported === sheet || (grant.waits.has(imported) && waitsFor(grant, imported, sheet, new Set()))) return false;
  grant.waits.get(sheet).add(imported);
  return true;
}

function waitsFor(grant, sheet, other, seen) {
  if (sheet === other) return true;
  if (seen.has(sheet) || !grant.waits.has(sheet)) return false;
  seen.add(sheet);
  return Array.from(grant.waits.get(sheet)).some(function (next) { return waitsFor(grant, next, other, seen); });
}

// Every URL a grant serves has the same beginning ("blob:null/" on a page from a file), followed
// by its id: one pattern finds them in a value.
function noteServedUrl(grant, url, address, fragment) {
  var hash = address.indexOf('#');
  grant.authored.set(url, { address: address, fragment: fragment, path: hash < 0 ? address : address.slice(0, hash) });
  if (grant.servedUrl) return;
  grant.prefix = url.slice(0, url.lastIndexOf('/') + 1);
  grant.servedUrl = new RegExp(grant.prefix.replace(/[.*+?^${}()|[\]\\\/]/g, '\\$&') + '[0-9a-fA-F-]+(#[^\\s"\'(),]*)?', 'g');
}

// `value` with each served address replaced by its URL, joined from pieces so that a large sheet
// with many addresses is copied once; null when none is served.
function withServedAddresses(value, addresses, served) {
  var pieces = [];
  var copied = 0;
  addresses.forEach(function (address, i) {
    if (!served[i]) return;
    pieces.push(value.slice(copied, address.at), served[i].url);
    copied = address.at + address.length;
  });
  if (!pieces.length) return null;
  pieces.push(value.slice(copied));
  return pieces.join('');
}

// The edits that write a document's text into the window with its files served: resolves to
// { edits: [{ from, to, markup }] in text order, above }. Each edit writes one reference again
// (an attribute's value double-quoted, a style element's text as it stands) with every address
// the grant serves as its URL; the others stay as written. `above` is the most levels any address,
// the stylesheets' own included, climbs above the granted folder (0 when none does).
function servedEdits(text, grant) {
  var references = documentReferences(text);
  return Promise.all(references.map(function (reference) {
    return servedAddresses(grant, grant.place, reference.addresses, null);
  })).then(function (servings) {
    return editsOfServings(references, servings);
  });
}

// The same edits at once, where the grant has looked up every address of the text before (a
// document written again for undo or redo); null where it has not.
function servedEditsNow(text, grant) {
  var references = documentReferences(text);
  var servings = [];
  for (var i = 0; i < references.length; i++) {
    var serving = knownAddresses(grant, references[i].addresses);
    if (!serving) return null;
    servings.push(serving);
  }
  return editsOfServings(references, servings);
}

function editsOfServings(references, servings) {
  var edits = [];
  references.forEach(function (reference, i) {
    var value = withServedAddresses(reference.value, reference.addresses, servings[i].served);
    if (value !== null) edits.push({ from: reference.from, to: reference.to, markup: reference.attribute ? '"' + escapeAttribute(value) + '"' : value });
  });
  return { edits: edits, above: servings.reduce(function (highest, serving) { return Math.max(highest, serving.above); }, 0) };
}

// A stylesheet first asked for by the written document arrives after the document's whole text is
// parsed, and a large document is then styled and laid out once for every one of them: each
// stylesheet served is loaded beforehand, aside in the document about to be replaced, so that the
// browser holds it when the written document asks. Resolves once they have loaded or failed.
function preloadServedStylesheets(grant) {
  var urls = [];
  grant.known.forEach(function (served, key) {
    if (served && key.indexOf('stylesheet:') === 0) urls.push(served.url);
  });
  return Promise.all(urls.map(loadStylesheetAside));
}

function loadStylesheetAside(url) {
  return new Promise(function (resolve) {
    var link = document.createElement('link');
    link.rel = 'stylesheet';
    link.media = 'not all';
    link.setAttribute('data-lmw-ui', 'preload');
    link.onload = link.onerror = resolve;
    link.href = url;
    (document.head || document.documentElement).appendChild(link);
  });
}

// A page of the granted folder read for opening, as { handle, file, opened, path }: `opened` the
// codec's reading of it, or its draft's when the user takes that.
function readPageOfGrant(grant, path) {
  return fileHandleAt(grant, path).then(fileWithHandle).then(function (picked) {
    return window.LumaweaveFileCodec.readFile(picked.file).then(function (read) {
      return offerDraftOf(picked.file.name, read, '');
    }).then(function (opened) {
      return { handle: picked.handle, file: picked.file, opened: opened, path: path };
    });
  });
}

// A live attribute value or style text with every URL the grant served written back as the
// address its author wrote; a URL followed by another fragment than the one served keeps that one.
function authoredAddresses(value, grant) {
  if (!grant.servedUrl || value.indexOf(grant.prefix) < 0) return value;
  return value.replace(grant.servedUrl, function (written, fragment) {
    var url = fragment ? written.slice(0, -fragment.length) : written;
    var authored = grant.authored.get(url);
    if (!authored) return written;
    return (fragment || '') === authored.fragment ? authored.address : authored.path + (fragment || '');
  });
}

// Gives back every URL the grant served, once its document is gone.
function releaseFolderGrant(grant) {
  grant.authored.forEach(function (authored, url) { URL.revokeObjectURL(url); });
  grant.authored.clear();
  grant.urls.clear();
  grant.known.clear();
  grant.contents.clear();
}
