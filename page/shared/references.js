// What a document refers to beside itself, read from its text alone: the relative addresses the
// browser would load for it (stylesheets, scripts, images, media, frames, fonts), each with the
// span of the text that writes it, so that the text written into the window can write it again
// with the address served from a granted folder. Nothing here reads a file or needs a page.
//
// An address is a URL as its author wrote it ("../img/a%20b.png?v=2#top"). Its steps are the path
// it names from the document's folder, as the browser resolves it: the climbs ('..') first, then
// the names, decoded ([ '..', 'img', 'a b.png' ]). A folder is given by such steps as well: []
// for the document's own, ['css'] for a stylesheet in css/.

// Tables looked up by names read from the text, which must never find what every object has.
function nameTable(entries) {
  return Object.assign(Object.create(null), entries);
}

// The attributes that make the browser load an address, by element, with the kind of file each
// loads; inside SVG the SVG elements of these names.
var REFERRING_ATTRIBUTES = nameTable({
  img: { src: 'image', srcset: 'image' },
  image: { src: 'image', srcset: 'image' },
  // A source in a picture offers srcset, one in a video or an audio src.
  source: { src: 'media', srcset: 'image' },
  video: { src: 'media', poster: 'image' },
  audio: { src: 'media' },
  track: { src: 'media' },
  iframe: { src: 'frame' },
  frame: { src: 'frame' },
  embed: { src: 'other' },
  object: { data: 'other' },
  script: { src: 'script' },
  body: { background: 'image' },
  table: { background: 'image' },
  td: { background: 'image' },
  th: { background: 'image' }
});
var SVG_REFERRING_ATTRIBUTES = nameTable({
  image: { href: 'image', 'xlink:href': 'image' },
  use: { href: 'image', 'xlink:href': 'image' },
  feimage: { href: 'image', 'xlink:href': 'image' }
});
var IMAGE_INPUT = { src: 'image' };
// What a link loads, by its rel; a module preload is left out: a module's imports are not served.
var LINK_KINDS = nameTable({ stylesheet: 'stylesheet', icon: 'image', 'apple-touch-icon': 'image', 'apple-touch-icon-precomposed': 'image' });
var PRELOAD_KINDS = nameTable({
  style: 'stylesheet', script: 'script', image: 'image', font: 'font', audio: 'media', video: 'media', track: 'media',
  document: 'frame', fetch: 'other'
});
// Inside SVG and MathML these hold HTML again.
var FOREIGN_HTML_HOLDERS = wordSet('foreignobject desc title mi mo mn ms mtext');
var ASCII_SPACE = /[\t\n\f\r ]/;
var ASCII_SPACES = /[\t\n\f\r ]+/;

// ---- Character references in attribute values ----

// The Latin-1 characters from U+00A0 on, in order, by the names that also count without a
// semicolon; with amp, lt, gt and quot they are all such names.
var LATIN1_REFERENCE_NAMES = ('nbsp iexcl cent pound curren yen brvbar sect uml copy ordf laquo not shy reg macr ' +
  'deg plusmn sup2 sup3 acute micro para middot cedil sup1 ordm raquo frac14 frac12 frac34 iquest Agrave Aacute ' +
  'Acirc Atilde Auml Aring AElig Ccedil Egrave Eacute Ecirc Euml Igrave Iacute Icirc Iuml ETH Ntilde Ograve Oacute ' +
  'Ocirc Otilde Ouml times Oslash Ugrave Uacute Ucirc Uuml Yacute THORN szlig agrave aacute acirc atilde auml aring ' +
  'aelig ccedil egrave eacute ecirc euml igrave iacute icirc iuml eth ntilde ograve oacute ocirc otilde ouml divide ' +
  'oslash ugrave uacute ucirc uuml yacute thorn yuml').split(' ');

function legacyReferences() {
  var table = nameTable({ amp: '&', AMP: '&', lt: '<', LT: '<', gt: '>', GT: '>', quot: '"', QUOT: '"' });
  LATIN1_REFERENCE_NAMES.forEach(function (name, i) { table[name] = String.fromCharCode(0xa0 + i); });
  table.COPY = table.copy;
  table.REG = table.reg;
  return table;
}

var LEGACY_REFERENCES = legacyReferences();
// Names that count only with their semicolon, those an address may hold.
var SEMICOLON_REFERENCES = nameTable({
  apos: "'", sol: '/', bsol: '\\', colon: ':', num: '#', percnt: '%', quest: '?', equals: '=', period: '.', comma: ',',
  lpar: '(', rpar: ')', plus: '+', lowbar: '_', excl: '!', commat: '@', dollar: '$', ast: '*', semi: ';', Tab: '\t',
  NewLine: '\n', hyphen: '\u2010', dash: '\u2010', ndash: '\u2013', mdash: '\u2014', hellip: '\u2026'
});
var REFERENCE_IN_VALUE = /&(?:#[xX]([0-9a-fA-F]+);?|#([0-9]+);?|([a-zA-Z0-9]+)(;?))/g;
var UNREADABLE = null;

// An attribute's value as the parser reads it, or null where it holds a reference this table does
// not know (a named one with its semicolon, a number the parser maps to another character).
function decodeAttributeValue(raw) {
  if (raw.indexOf('&') < 0) return raw;
  var known = true;
  var decoded = raw.replace(REFERENCE_IN_VALUE, function (whole, hex, decimal, name, semicolon, at) {
    var read = name === undefined ? numericReference(hex !== undefined ? parseInt(hex, 16) : parseInt(decimal, 10))
      : semicolon ? LEGACY_REFERENCES[name] || SEMICOLON_REFERENCES[name] || UNREADABLE
        : legacyReferenceIn(raw, name, at + whole.length);
    if (read === UNREADABLE) known = false;
    return read || whole;
  });
  return known ? decoded : null;
}

// In an attribute a name without its semicolon counts only as a whole legacy name not followed by
// "=", so that "?a=1&copy=2" keeps its text.
function legacyReferenceIn(raw, name, after) {
  return raw.charAt(after) !== '=' && LEGACY_REFERENCES[name] || '';
}

function numericReference(code) {
  if (code === 0 || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff)) return '\ufffd';
  // The parser reads these as the characters of windows-1252, which this table does not hold.
  if (code >= 0x80 && code <= 0x9f) return UNREADABLE;
  return String.fromCodePoint(code);
}

// ---- Addresses ----

var URL_SCHEME = /^[a-zA-Z][a-zA-Z0-9+.\-]*:/;
var URL_OUTER_SPACE = /^[\u0000-\u0020]+|[\u0000-\u0020]+$/g;
var URL_LINE_BREAKS = /[\t\n\r]/g;
var LONE_PERCENT = /%(?![0-9a-fA-F]{2})/g;
var UNSERVED_IN_NAME = /[\/\\\u0000]/;

// An address as the URL parser takes it in: without the control characters and spaces around it,
// without tabs and line breaks inside, with backslashes as slashes (a file: URL is special).
function cleanedAddress(address) {
  return String(address).replace(URL_OUTER_SPACE, '').replace(URL_LINE_BREAKS, '').replace(/\\/g, '/');
}

// 1 for a "." segment, 2 for "..", in any of the spellings the URL parser knows; 0 otherwise.
function dotSegment(segment) {
  if (segment.length > 6 || segment.indexOf('.') < 0 && segment.indexOf('%') < 0) return 0;
  var plain = segment.toLowerCase().replace(/%2e/g, '.');
  return plain === '.' ? 1 : plain === '..' ? 2 : 0;
}

// A path segment as the file it names: percent-escapes decoded as UTF-8; null when they do not
// decode, or decode into a separator.
function decodedStep(segment) {
  if (segment.indexOf('%') < 0) return segment;
  try {
    var decoded = decodeURIComponent(segment.replace(LONE_PERCENT, '%25'));
    return UNSERVED_IN_NAME.test(decoded) ? null : decoded;
  } catch (malformed) {
    return null;
  }
}

function climb(steps) {
  if (steps.length && steps[steps.length - 1] !== '..') steps.pop();
  else steps.push('..');
}

// The steps a relative address names from a folder, the last one '' when it names a folder, and
// its fragment ('#…', or ''); null for an address left to the browser, or one that does not decode.
function resolvedPath(address, folderSteps) {
  var url = cleanedAddress(address);
  if (url === '' || url.charAt(0) === '#' || url.charAt(0) === '/' || URL_SCHEME.test(url)) return null;
  var hash = url.indexOf('#');
  var fragment = hash < 0 ? '' : url.slice(hash);
  var path = hash < 0 ? url : url.slice(0, hash);
  if (path.indexOf('?') >= 0) path = path.slice(0, path.indexOf('?'));
  // Only a query: the document itself.
  if (path === '') return null;
  var steps = folderSteps.slice();
  var segments = path.split('/');
  for (var i = 0; i < segments.length; i++) {
    var dots = dotSegment(segments[i]);
    if (dots === 2) climb(steps);
    var step = dots ? '' : decodedStep(segments[i]);
    if (step === null) return null;
    if (!dots || i === segments.length - 1) steps.push(step);
  }
  return { steps: steps, fragment: fragment };
}

// The file a relative address names, as { steps, fragment }: the steps from the document's folder
// (see above; '..' first where it climbs above that folder), the fragment '#…' or ''. `folderSteps`
// is the folder the address is written from: [] for the document, ['css'] for css/x.css, the
// folder of a <base href>. Null for an address left to the browser: absolute (a scheme, or "/",
// "\\" or "//" first), empty, a fragment or a query alone, a folder, or one that does not decode.
function addressSteps(address, folderSteps) {
  var resolved = resolvedPath(address, folderSteps || []);
  if (!resolved || resolved.steps[resolved.steps.length - 1] === '') return null;
  // A doubled slash names the same file: the file system reads it as one.
  var steps = resolved.steps.filter(function (step) { return step !== ''; });
  return { steps: steps, fragment: resolved.fragment };
}

// The folder a <base href> puts relative addresses in, as steps; null when it is absolute, and
// with it every relative address is the browser's.
function baseFolder(href) {
  var url = cleanedAddress(href);
  if (url === '' || url.charAt(0) === '#' || url.charAt(0) === '?') return [];
  var resolved = resolvedPath(url, []);
  return resolved ? resolved.steps.slice(0, -1) : null;
}

// ---- Stylesheets ----

var CSS_SIGNIFICANT = /\/\*|["'();{}]|@[a-zA-Z-]+|(?<![\w\\-])(?:url|(?:-webkit-)?image-set)\(/gi;
var CSS_QUOTE_AHEAD = /[\t\n\f\r ]*(["'])/y;
var CSS_UNQUOTED_URL = /[\t\n\f\r ]*([^\t\n\f\r "'()\\\u0000-\u0008\u000b\u000e-\u001f\u007f]*)[\t\n\f\r ]*\)/y;

// The addresses a stylesheet loads: [{ at, length, address, isImport, kind }] for url(…), quoted
// or not, for @import "…", and for the strings of image-set(…); comments and other strings are
// passed over. An address written with an escape is left out. `kind` is 'stylesheet' for an
// import, 'font' inside @font-face, 'image' otherwise.
function cssReferences(cssText) {
  var reading = { css: cssText, found: [], braces: 0, fontFace: -1, awaitsFontFace: false, rule: '', parens: 0, imageSets: [] };
  for (var at = 0; at < cssText.length;) {
    CSS_SIGNIFICANT.lastIndex = at;
    var match = CSS_SIGNIFICANT.exec(cssText);
    if (!match) break;
    at = readCssToken(reading, match[0].toLowerCase(), match.index);
  }
  return reading.found;
}

// Reads what a significant token begins; returns where reading goes on.
function readCssToken(reading, token, at) {
  var css = reading.css;
  var next = at + token.length;
  if (token === '/*') {
    var close = css.indexOf('*/', next);
    return close < 0 ? css.length : close + 2;
  }
  if (token === '"' || token === "'") {
    var string = readCssString(css, at);
    var imageSet = reading.imageSets.length && reading.imageSets[reading.imageSets.length - 1] === reading.parens;
    if (reading.rule === 'import' || imageSet) noteCssAddress(reading, at + 1, string.value);
    return string.end;
  }
  if (token === 'url(') return readCssUrl(reading, next);
  if (token.charAt(0) === '@') reading.rule = token === '@import' ? 'import' : token === '@namespace' ? 'namespace' : '';
  if (token === '@font-face') reading.awaitsFontFace = true;
  else if (token.slice(-10) === 'image-set(') reading.imageSets.push(++reading.parens);
  else if (token === '(') reading.parens++;
  else if (token === ')') closeCssParenthesis(reading);
  else if (token === ';') reading.rule = '';
  else if (token === '{' || token === '}') readCssBrace(reading, token);
  return next;
}

function closeCssParenthesis(reading) {
  if (reading.imageSets[reading.imageSets.length - 1] === reading.parens) reading.imageSets.pop();
  reading.parens--;
}

function readCssBrace(reading, brace) {
  reading.rule = '';
  if (brace === '{') {
    reading.braces++;
    if (reading.awaitsFontFace) reading.fontFace = reading.braces;
    reading.awaitsFontFace = false;
    return;
  }
  if (reading.fontFace === reading.braces) reading.fontFace = -1;
  reading.braces--;
}

// A url(…): with a quoted string it is a function whose ")" comes later; unquoted, it runs to its
// ")", and one that holds what such a url cannot (an escape, a quote, a space inside) is passed over.
function readCssUrl(reading, at) {
  var css = reading.css;
  CSS_QUOTE_AHEAD.lastIndex = at;
  var quote = CSS_QUOTE_AHEAD.exec(css);
  if (quote) {
    reading.parens++;
    var stringAt = at + quote[0].length - 1;
    var string = readCssString(css, stringAt);
    noteCssAddress(reading, stringAt + 1, string.value);
    return string.end;
  }
  CSS_UNQUOTED_URL.lastIndex = at;
  var plain = CSS_UNQUOTED_URL.exec(css);
  if (!plain) {
    var close = css.indexOf(')', at);
    return close < 0 ? css.length : close + 1;
  }
  noteCssAddress(reading, at + plain[0].indexOf(plain[1]), plain[1]);
  return CSS_UNQUOTED_URL.lastIndex;
}

// A string from its quote to the closing one: its value, or null where an escape stands in it or
// a line break ends it unclosed; `end` is where reading goes on.
function readCssString(css, at) {
  var quote = css.charAt(at);
  var escaped = false;
  for (var i = at + 1; i < css.length; i++) {
    var character = css.charAt(i);
    if (character === quote) return { end: i + 1, value: escaped ? null : css.slice(at + 1, i) };
    if (character === '\\') {
      escaped = true;
      i++;
    } else if (character === '\n' || character === '\r' || character === '\f') {
      return { end: i, value: null };
    }
  }
  return { end: css.length, value: escaped ? null : css.slice(at + 1) };
}

function noteCssAddress(reading, at, address) {
  var isImport = reading.rule === 'import';
  if (reading.rule === 'namespace' || address === null || address === '') return;
  reading.rule = '';
  var kind = isImport ? 'stylesheet' : reading.fontFace >= 0 ? 'font' : 'image';
  reading.found.push({ at: at, length: address.length, address: address, isImport: isImport, kind: kind });
}

// ---- The document ----

// The references of a document's text, in text order: [{ from, to, attribute, value, addresses,
// kind, folder }]. [from, to) is the span to write again: an attribute's whole value as written,
// quotes included (`attribute` its name), or a style element's text (`attribute` null). `value`
// is what the parser reads there; `addresses` are the relative ones in it, each { at, length,
// address, kind, steps, fragment } with `at` in `value` and steps and fragment as addressSteps
// gives them; `kind` is that of the first. `folder` is the folder its addresses are written
// from. Tags in comments, scripts and other raw text are no tags.
//
// The array's `base` is the first <base href> as { from, to, value, folder }, or null. It puts
// the addresses after it in its folder; after one that is absolute, none is listed.
function documentReferences(text) {
  var walk = newReferenceWalk(text);
  continueReferenceWalk(walk, null);
  return walk.references;
}

// The reading of a large document's references goes in slices: a walk is taken up again where
// its time ran out.
function newReferenceWalk(text) {
  return { text: text, pos: 0, open: [], folder: [], references: [], base: null, styleWordAt: -1 };
}

// Reads further, to the end or until `outOfTime` (looked at every so many tags) says so; true once
// the walk is over, when its `references` are whole.
function continueReferenceWalk(walk, outOfTime) {
  var text = walk.text;
  for (var steps = 1; walk.pos < text.length; steps++) {
    var lt = text.indexOf('<', walk.pos);
    var tag = lt < 0 ? null : readTagAt(text, lt, inForeignWalk(walk));
    if (!tag) break;
    walk.pos = tag.end;
    if (tag.kind === 'start') walk.pos = readReferringTag(walk, tag);
    else if (tag.kind === 'end') closeForeignElement(walk, tag.name);
    if (isTimeUp(outOfTime, steps)) return false;
  }
  walk.pos = text.length;
  walk.references.base = walk.base;
  return true;
}

function inForeignWalk(walk) {
  return walk.open.length > 0 && FOREIGN_HTML_HOLDERS[walk.open[walk.open.length - 1]] !== true;
}

// Only SVG and MathML elements are followed: in them a tag's name means something else, and
// style and script hold markup; an HTML tag that no SVG holds ends them.
function closeForeignElement(walk, name) {
  var at = walk.open.lastIndexOf(name);
  if (at >= 0) walk.open.length = at;
}

function leaveForeignContent(walk) {
  while (inForeignWalk(walk)) walk.open.pop();
}

// Notes what a start tag refers to; returns where reading goes on.
function readReferringTag(walk, tag) {
  var foreign = inForeignWalk(walk);
  if (foreign && FOREIGN_BREAKOUT[tag.name] === true) {
    leaveForeignContent(walk);
    foreign = false;
  }
  var table = foreign ? SVG_REFERRING_ATTRIBUTES : REFERRING_ATTRIBUTES;
  var special = !foreign && (tag.name === 'link' || tag.name === 'input' || tag.name === 'base');
  if (table[tag.name] || special || mayHoldStyle(walk, tag)) noteTagReferences(walk, tag, foreign);
  if (foreign || tag.name === 'svg' || tag.name === 'math') {
    if (!tag.selfClosing) walk.open.push(tag.name);
    return foreign && tag.name === 'style' && !tag.selfClosing ? readForeignStyle(walk, tag) : tag.end;
  }
  if (RAW_TEXT_IN_HTML[tag.name] !== true) return tag.end;
  var contentEnd = tag.name === 'plaintext' ? -1 : rawTextEnd(walk.text, tag.name, tag.end);
  if (contentEnd < 0) contentEnd = walk.text.length;
  if (tag.name === 'style') noteStyleText(walk, tag.end, contentEnd);
  return contentEnd;
}

// An SVG style's text is markup: read as a stylesheet where it holds no tag.
function readForeignStyle(walk, tag) {
  var contentEnd = walk.text.indexOf('<', tag.end);
  if (contentEnd >= 0 && walk.text.startsWith('</style', contentEnd)) noteStyleText(walk, tag.end, contentEnd);
  return tag.end;
}

function noteStyleText(walk, from, to) {
  var css = walk.text.slice(from, to);
  noteReference(walk, { from: from, to: to, attribute: null, value: css }, cssReferences(css));
}

var STYLE_WORD = /style/gi;

// Whether the word "style" stands inside the tag; the next place of the word is kept, so that the
// document is searched once from start to end.
function mayHoldStyle(walk, tag) {
  if (walk.styleWordAt < tag.nameEnd) {
    STYLE_WORD.lastIndex = tag.nameEnd;
    var found = STYLE_WORD.exec(walk.text);
    walk.styleWordAt = found ? found.index : Infinity;
  }
  return walk.styleWordAt < tag.end;
}

// The attributes of a tag by name, in text order; the first of each name counts, as the parser
// keeps it.
function firstAttributes(text, tag) {
  var read = [];
  readTagRest(text, tag.nameEnd, read);
  var attributes = Object.create(null);
  read.forEach(function (attribute) {
    if (!(attribute.name in attributes)) attributes[attribute.name] = attribute;
  });
  return attributes;
}

// An attribute's value as the parser reads it ('' when it has none); null when it is absent or
// holds a reference this table does not know.
function attributeText(text, attribute) {
  if (!attribute) return null;
  return attribute.valueStart < 0 ? '' : decodeAttributeValue(text.slice(attribute.valueStart, attribute.valueEnd));
}

// Where an attribute's value is written, its quotes included; an attribute without a value has
// an empty span at its end.
function valueSpan(attribute) {
  if (attribute.valueStart < 0) return { from: attribute.end, to: attribute.end };
  return { from: attribute.end > attribute.valueEnd ? attribute.valueStart - 1 : attribute.valueStart, to: attribute.end };
}

function noteTagReferences(walk, tag, foreign) {
  var attributes = firstAttributes(walk.text, tag);
  var referring = foreign ? SVG_REFERRING_ATTRIBUTES[tag.name] : htmlReferringAttributes(walk.text, tag.name, attributes);
  if (tag.name === 'base' && !foreign) noteBase(walk, attributes.href);
  Object.keys(attributes).forEach(function (name) {
    if (name === 'style') noteAttributeReference(walk, attributes.style, 'style');
    else if (referring && referring[name]) noteAttributeReference(walk, attributes[name], referring[name]);
  });
}

function htmlReferringAttributes(text, name, attributes) {
  if (name === 'input') return String(attributeText(text, attributes.type)).toLowerCase() === 'image' ? IMAGE_INPUT : null;
  if (name === 'link') {
    var kind = linkKind(attributeText(text, attributes.rel), attributeText(text, attributes.as));
    return kind ? { href: kind } : null;
  }
  return REFERRING_ATTRIBUTES[name] || null;
}

function linkKind(rel, as) {
  var words = String(rel || '').toLowerCase().split(ASCII_SPACES);
  if (words.indexOf('modulepreload') >= 0) return null;
  for (var i = 0; i < words.length; i++) {
    if (LINK_KINDS[words[i]]) return LINK_KINDS[words[i]];
    // A preload that does not say what it loads loads nothing.
    if (words[i] === 'preload') return PRELOAD_KINDS[String(as || '').toLowerCase()] || null;
  }
  return null;
}

function noteBase(walk, href) {
  if (walk.base || !href) return;
  var value = attributeText(walk.text, href);
  var span = valueSpan(href);
  walk.base = { from: span.from, to: span.to, value: value, folder: value === null ? null : baseFolder(value) };
  walk.folder = walk.base.folder;
}

// `kind` is the kind of file the attribute loads, or 'style' for a style attribute.
function noteAttributeReference(walk, attribute, kind) {
  var value = attributeText(walk.text, attribute);
  if (!value) return;
  var span = valueSpan(attribute);
  var addresses = kind === 'style' ? cssReferences(value)
    : attribute.name === 'srcset' ? srcsetAddresses(value, kind) : wholeValueAddress(value, kind);
  noteReference(walk, { from: span.from, to: span.to, attribute: attribute.name, value: value }, addresses);
}

// Keeps a reference with those of its addresses that are relative.
function noteReference(walk, reference, addresses) {
  if (!walk.folder) return;
  reference.folder = walk.folder;
  reference.addresses = addresses.filter(function (address) {
    var target = addressSteps(address.address, walk.folder);
    if (target) {
      address.steps = target.steps;
      address.fragment = target.fragment;
    }
    return !!target;
  });
  if (!reference.addresses.length) return;
  reference.kind = reference.addresses[0].kind;
  walk.references.push(reference);
}

// A URL attribute's value without the white space around it, which the URL parser drops.
function wholeValueAddress(value, kind) {
  var start = 0;
  var end = value.length;
  while (start < end && ASCII_SPACE.test(value.charAt(start))) start++;
  while (end > start && ASCII_SPACE.test(value.charAt(end - 1))) end--;
  return [{ at: start, length: end - start, address: value.slice(start, end), kind: kind }];
}

// The URLs of a srcset, read as the browser reads its candidates: a URL runs to white space (its
// trailing commas are no part of it), its descriptors to a comma outside parentheses.
function srcsetAddresses(value, kind) {
  var found = [];
  var pos = 0;
  for (;;) {
    while (pos < value.length && (ASCII_SPACE.test(value.charAt(pos)) || value.charAt(pos) === ',')) pos++;
    if (pos >= value.length) return found;
    var start = pos;
    while (pos < value.length && !ASCII_SPACE.test(value.charAt(pos))) pos++;
    var end = pos;
    while (value.charAt(end - 1) === ',') end--;
    if (end === pos) pos = descriptorsEnd(value, pos);
    found.push({ at: start, length: end - start, address: value.slice(start, end), kind: kind });
  }
}

function descriptorsEnd(value, pos) {
  var inParentheses = false;
  for (; pos < value.length; pos++) {
    var character = value.charAt(pos);
    if (character === '(') inParentheses = true;
    else if (character === ')') inParentheses = false;
    else if (character === ',' && !inParentheses) return pos + 1;
  }
  return pos;
}

// What the notice says before any folder is granted: `count` files referenced (distinct paths),
// their `kinds` in the order first met, how many levels the addresses climb `above` the document's
// folder at most, and `firstSteps`: the distinct folders that addresses staying under the
// document's folder go into first (a file directly in the document's folder adds none).
function referenceSummary(references) {
  var files = Object.create(null);
  var summary = { count: 0, kinds: [], above: 0, firstSteps: [] };
  references.forEach(function (reference) {
    reference.addresses.forEach(function (address) {
      var path = address.steps.join('/');
      if (files[path] === true) return;
      files[path] = true;
      summary.count++;
      if (summary.kinds.indexOf(address.kind) < 0) summary.kinds.push(address.kind);
      var climbs = address.steps.lastIndexOf('..') + 1;
      summary.above = Math.max(summary.above, climbs);
      if (!climbs && address.steps.length > 1 && summary.firstSteps.indexOf(address.steps[0]) < 0) {
        summary.firstSteps.push(address.steps[0]);
      }
    });
  });
  return summary;
}
