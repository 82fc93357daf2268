// Writing a whole new document into the window: the start page's hand-off, opening another file,
// undo and redo all come through here. The window outlives each document, so the old document's
// timers and frame callbacks are ended first, and the new document's inline scripts are made
// safe to run where their declarations already stand.

var JAVASCRIPT_TYPES = wordSet('text/javascript application/javascript application/ecmascript ' +
  'application/x-ecmascript application/x-javascript text/ecmascript text/javascript1.0 ' +
  'text/javascript1.1 text/javascript1.2 text/javascript1.3 text/javascript1.4 text/javascript1.5 ' +
  'text/jscript text/livescript text/x-ecmascript text/x-javascript');
var TAG_ATTRIBUTE = /([^\s"'>\/=][^\s"'>\/=]*)(?:\s*=\s*(?:"([^"]*)"|'([^']*)'|([^\s>]+)))?/g;
// Timer and frame ids are small increasing integers per window: every id up to a fresh one is
// cleared. Ids already cleared at an earlier replacement are not visited again.
function clearIdsThrough(newest, clearedBefore, clear) {
  var first = clearedBefore > 0 && clearedBefore < newest ? clearedBefore + 1 : 1;
  for (var id = first; id <= newest; id++) clear(id);
  return newest;
}

function cancelPendingCallbacks() {
  var noop = function () {};
  window.__LMW_TIMERS_CLEARED = clearIdsThrough(setTimeout(noop, 0), window.__LMW_TIMERS_CLEARED, clearTimeout);
  window.__LMW_FRAMES_CLEARED = clearIdsThrough(requestAnimationFrame(noop), window.__LMW_FRAMES_CLEARED, cancelAnimationFrame);
}

// The attributes of a script start tag by lower-case name; the first of a repeated name counts.
function scriptTagAttributes(tagText) {
  var attributes = Object.create(null);
  var match;
  TAG_ATTRIBUTE.lastIndex = '<script'.length;
  while ((match = TAG_ATTRIBUTE.exec(tagText))) {
    var name = match[1].toLowerCase();
    if (!(name in attributes)) attributes[name] = match[2] !== undefined ? match[2] : match[3] !== undefined ? match[3] : match[4] || '';
  }
  return attributes;
}

// A classic script the parser runs from its own text: no src, no nomodule, and a JavaScript type.
function isInlineClassicScript(attributes) {
  if ('src' in attributes || 'nomodule' in attributes || 'data-lmw-runtime' in attributes) return false;
  var type = attributes.type;
  if (type === undefined) type = attributes.language ? 'text/' + attributes.language : '';
  type = type.trim().toLowerCase();
  return type === '' || JAVASCRIPT_TYPES[type] === true;
}

// The script start tag marked with the original text, which every serialisation puts back.
function markedScriptTag(tagText, original) {
  var nameEnd = '<script'.length;
  return tagText.slice(0, nameEnd) + ' ' + SCRIPT_SOURCE_ATTRIBUTE + '="' + escapeAttribute(original) + '"' + tagText.slice(nameEnd);
}

// The editor's parts as edits of the text that put them in.
function insertionEdits(places, length, parts) {
  return runtimeInsertions(places, length, parts.icon, parts.script, parts.wrapped).map(function (insertion) {
    return { from: insertion.at, to: insertion.at, markup: insertion.markup };
  });
}

// A document's text as it is written into the window, in one pass: with the elements' source
// marks (when asked), the editor's icon link and runtime script, the content wrapper (when
// asked), the given edits of the written text (`parts.edits`, inside start tags), and each inline
// classic script's top-level declarations made redeclarable where canRedeclare allows; with
// every name so declared.
function composeDocument(text, tags, parts) {
  var edits = insertionEdits(tags.places, text.length, parts).concat(parts.edits || []);
  var names = [];
  var marks = parts.marks ? tags.markAt : [];
  var markAt = 0;
  tags.scripts.forEach(function (script) {
    var original = text.slice(script.tagEnd, script.contentEnd);
    var converted = parts.canRedeclare && DECLARATION_WORD.test(original) ? redeclarableScript(original, parts.canRedeclare) : null;
    if (!converted) return;
    while (markAt < marks.length && marks[markAt] < script.tagStart) markAt++;
    var tagText = text.slice(script.tagStart, script.tagEnd);
    if (marks[markAt] < script.tagEnd) {
      var inTag = marks[markAt] - script.tagStart;
      tagText = tagText.slice(0, inTag) + sourceMarkAttribute(tags.markIds[markAt]) + tagText.slice(inTag);
    }
    edits.push({ from: script.tagStart, to: script.contentEnd, markup: markedScriptTag(tagText, original) + converted.text });
    names = names.concat(converted.names);
  });
  edits.sort(function (a, b) { return a.from - b.from; });
  return { text: composedText(text, tags, marks, edits), names: names };
}

// The pieces of the text between the edits, with the marks put in.
function composedText(text, tags, marks, edits) {
  var pieces = [];
  var copied = 0;
  var markAt = 0;
  var copyTo = function (at) {
    for (; markAt < marks.length && marks[markAt] <= at; markAt++) {
      if (marks[markAt] < copied) continue;
      pieces.push(text.slice(copied, marks[markAt]), sourceMarkAttribute(tags.markIds[markAt]));
      copied = marks[markAt];
    }
    pieces.push(text.slice(copied, at));
    copied = at;
  };
  edits.forEach(function (edit) {
    copyTo(edit.from);
    pieces.push(edit.markup);
    copied = Math.max(copied, edit.to);
  });
  copyTo(text.length);
  return pieces.join('');
}

var DECLARATION_WORD = /\b(?:let|const|class)\b/;

// A name may be declared with var when an earlier replacement did so, or when the window has no
// property of that name: a var would write through the window's own ("name" would become the
// window's name, turned into a string; "history" would stay the window's history).
function canRedeclareInWindow(name) {
  var declared = window.__LMW_REDECLARED_NAMES;
  if (declared && declared[name] === true) return true;
  var own = Object.prototype.hasOwnProperty;
  return !own.call(window, name) && !own.call(Window.prototype, name) && !(name in EventTarget.prototype);
}

function rememberRedeclared(names) {
  var declared = window.__LMW_REDECLARED_NAMES || (window.__LMW_REDECLARED_NAMES = Object.create(null));
  names.forEach(function (name) { declared[name] = true; });
}

// What one runtime instance hands the next in the same window through the tab's sessionStorage:
// its history stacks, that a replacement is under way, and that edit mode goes on.
var HISTORY_KEY = '__lw-history';
var FUTURE_KEY = '__lw-future';
var RESTORING_KEY = '__lw-restoring';
var HISTORY_KEYS = [HISTORY_KEY, FUTURE_KEY, RESTORING_KEY];
var AUTO_EDIT_KEY = '__lw-auto-edit';
// The editor asks the start page it loads afresh to open another file.
var OPEN_ANOTHER_KEY = '__lw-open-another';

function forgetSessionKeys(keys) {
  keys.forEach(function (key) {
    try {
      sessionStorage.removeItem(key);
    } catch (ignored) {
      // Storage that cannot be reached holds nothing to forget.
    }
  });
}

var FRAGMENT_HEAD = '<!DOCTYPE html>\n<html><head><meta charset="UTF-8">' +
  '<meta name="viewport" content="width=device-width,initial-scale=1.0"></head><body>\n';
var FRAGMENT_TAIL = '\n</body></html>';
var EDITOR_TRACES = /data-lmw-|__lw-/i;

// Leftovers of an earlier editor session in a file must never come back to life as working
// editor parts, so they are taken out before the document is written.
function stripEditorArtifacts(markup) {
  var doc = new DOMParser().parseFromString(markup, 'text/html');
  stripMarkers(doc.documentElement);
  return '<!DOCTYPE html>\n' + doc.documentElement.outerHTML;
}

var DOCTYPE_FIRST = /^[\t\n\f\r ]*<!doctype[\t\n\f\r ]/i;

// A file's text made ready for editing, the same on every road a file comes in by: a fragment
// becomes a complete document, a file with editor leftovers is cleaned, and any other file is
// edited exactly as it is, to its last byte. A file that opens with a doctype is a whole
// document even where its html, head and body tags are left to the parser. Empty when the file
// holds nothing but white space.
function documentForEditing(source) {
  var text = String(source == null ? '' : source);
  if (!text.trim()) return '';
  if (!/<html[\s>]/i.test(text) && !DOCTYPE_FIRST.test(text)) text = FRAGMENT_HEAD + text.trim() + FRAGMENT_TAIL;
  return EDITOR_TRACES.test(text) ? stripEditorArtifacts(text) : text;
}

// Markup through which something other than the editor could change the document's elements
// before the editor first looks at them: scripts, frames and plug-ins, event handler attributes,
// javascript: addresses, regions the user can edit outside edit mode, declarative shadow roots.
var OUT_OF_SIGHT_CHANGES = /<(?:script|iframe|frame|object|embed)[\t\n\f\r \/>]|[\t\n\f\r \/"']on[a-z]+[\t\n\f\r ]*=|javascript:|contenteditable|shadowroot/i;

// Writes a document's text into the window with the editor's own parts, and hands the text itself
// to the runtime that starts in it: that text, plus the user's edits, is what saving and undo
// write from then on. The elements' source marks go into the written text only where something
// could change the elements before the runtime reads them; otherwise the written text is the
// document's own, which the browser parses as fast as the bare file, with the content wrapper of
// edit mode already around the body's content. Its tags are then read after the writing, and the
// runtime gives each element its mark by walking the parsed tree; where the places the parts went
// in at prove wrong, it writes the text again with marks. Either way a meta refresh is written
// held, so that it never takes the window away, and the addresses a granted folder serves are
// written as the served ones (`how.served`, edits inside start tags and style elements).
// `how.marked` writes the marks in any case; `how.declared` tells that the text already declares
// UTF-8 as saving does.
function writeSourceDocument(source, iconMarkup, scriptMarkup, how) {
  cancelPendingCallbacks();
  var declared = !!(how && how.declared);
  var marked = !!(how && how.marked) || OUT_OF_SIGHT_CHANGES.test(source);
  var edits = heldRefreshEdits(source).concat((how && how.served) || []);
  if (!marked && writeUnmarkedDocument(source, { icon: iconMarkup, script: scriptMarkup, wrapped: true }, edits, declared)) return;
  var composed = composeDocument(source, documentTags(source),
    { marks: true, icon: iconMarkup, script: scriptMarkup, edits: edits, canRedeclare: canRedeclareInWindow });
  rememberRedeclared(composed.names);
  window.__LMW_DOCUMENT_SOURCE = { text: source, declared: declared, unmarked: null };
  document.open();
  document.write(composed.text);
  document.close();
}

var REFRESH_PRAGMA = /http-equiv[\t\n\f\r ]*=[\t\n\f\r ]*["']?refresh/i;

// The edits that write each meta refresh's http-equiv attribute under the held name.
function heldRefreshEdits(text) {
  if (!REFRESH_PRAGMA.test(text)) return [];
  var edits = [];
  eachStartTag(text, function (tag, attributes) {
    if (tag.name !== 'meta') return;
    var pragma = attributes.filter(function (attribute) { return attribute.name === 'http-equiv'; })[0];
    if (!pragma || text.slice(pragma.valueStart, pragma.valueEnd).toLowerCase() !== 'refresh') return;
    edits.push({ from: pragma.start, to: pragma.start + 'http-equiv'.length, markup: HELD_REFRESH_ATTRIBUTE });
  });
  return edits;
}

// The text goes in piece by piece around the editor's parts and the other edits, never joined
// into a second copy. False when the parts did not land whole (the body's end tag stood in a
// comment, the body's start tag held a ">"): the document is left unclosed then, so that the
// runtime that may have started in it never runs, and the caller writes the text again.
function writeUnmarkedDocument(source, parts, otherEdits, declared) {
  var places = glancedPlaces(source);
  window.__LMW_DOCUMENT_SOURCE = { text: source, declared: declared, unmarked: { places: places } };
  var edits = insertionEdits(places, source.length, parts).concat(otherEdits);
  edits.sort(function (a, b) { return a.from - b.from; });
  var copied = 0;
  document.open();
  edits.forEach(function (edit) {
    document.write(source.slice(copied, edit.from));
    document.write(edit.markup);
    copied = edit.to;
  });
  document.write(source.slice(copied));
  var landed = runtimeScriptLanded(parts.script) && (!edits.some(isWrapperStart) || !!writtenContentWrapper());
  if (landed) document.close();
  return landed;
}

function isWrapperStart(edit) {
  return edit.markup === CONTENT_WRAPPER_START;
}

// A runtime script cut by a comment's end leaves its code parsed as markup, and a string in that
// code can make a script element of the same name: only the whole text is the runtime's.
function runtimeScriptLanded(scriptMarkup) {
  var scripts = document.querySelectorAll(RUNTIME_SCRIPTS);
  if (scripts.length !== 1) return false;
  if (scriptMarkup.indexOf(RUNTIME_SCRIPT_START) !== 0) return scripts[0].hasAttribute('src');
  return runtimeScriptMarkup(scripts[0].text).length === scriptMarkup.length;
}
