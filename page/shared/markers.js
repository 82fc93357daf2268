// The editor's markers and their removal. Every class the editor adds begins "__lw-", every
// attribute "data-lmw-". The start page cleans a file's text with this before opening it, and
// the runtime cleans every copy of the live document it serialises.

/* global SOURCE_MARK, SOURCE_MARK_SELECTOR, authoredAddresses */

var LIVE_EDITOR_PARTS = '[data-lmw-root], [data-lmw-runtime]';
// The floating controls stand outside the interface root; the file input is recognised by a
// class of the editor's own, which no document uses.
var FLOATING_CONTROLS = '.__lw-toggle, .__lw-import-btn, .__lw-import-input';
var EDITING_MARKS = '[data-lmw-editing], [data-lmw-prev-contenteditable]';
var SEARCH_HIGHLIGHTS = '.__lw-search-highlight[data-lmw-ui]';
var MULTI_SELECTION_OUTLINES = '.__lw-multi-ov[data-lmw-ui]';
var CONTENT_WRAPPERS = ['.__lw-preview-container[data-lmw-wrapper]', '.__lw-zoom-container[data-lmw-wrapper]'];
// The content wrapper's start tag, for a document written with the wrapper already in its text.
var CONTENT_WRAPPER_START = '<div class="__lw-zoom-container __lw-preview-container" data-lmw-wrapper="content">';

// What belongs to the editor's own interface, which every operation on the document passes over;
// a node that is nowhere counts as the editor's.
function isEditorUi(node) {
  if (!node) return true;
  var element = node.closest ? node : node.parentElement;
  if (!element) return true;
  return !!element.closest('[data-lmw-root], [data-lmw-ui], ' + FLOATING_CONTROLS);
}

// The wrapper written with that start tag, where the parser left it: first in the body. Null when
// it stands anywhere else or nowhere.
function writtenContentWrapper() {
  var first = document.body && document.body.firstElementChild;
  return first && first.getAttribute('data-lmw-wrapper') === 'content' ? first : null;
}
// An inline script that runs with redeclarable declarations keeps its own text in this attribute.
var SCRIPT_SOURCE_ATTRIBUTE = 'data-lmw-script-source';
var REWRITTEN_SCRIPTS = 'script[' + SCRIPT_SOURCE_ATTRIBUTE + ']';
// A meta refresh would take the window away from the editor: it is written under this name instead.
var HELD_REFRESH_ATTRIBUTE = 'data-lmw-http-equiv';
var HELD_REFRESHES = 'meta[' + HELD_REFRESH_ATTRIBUTE + ']';

function forEachMatch(root, selector, callback) {
  var matches = root.querySelectorAll(selector);
  for (var i = 0; i < matches.length; i++) callback(matches[i]);
}

function removeNode(node) {
  if (node && node.parentNode) node.parentNode.removeChild(node);
}

function restoreContentEditable(element) {
  var previous = element.getAttribute('data-lmw-prev-contenteditable');
  if (previous === null || previous === '__lw_absent') element.removeAttribute('contenteditable');
  else element.setAttribute('contenteditable', previous);
}

function restoreScriptSource(script) {
  script.textContent = script.getAttribute(SCRIPT_SOURCE_ATTRIBUTE);
  script.removeAttribute(SCRIPT_SOURCE_ATTRIBUTE);
}

function releaseRefresh(meta) {
  meta.setAttribute('http-equiv', meta.getAttribute(HELD_REFRESH_ATTRIBUTE));
  meta.removeAttribute(HELD_REFRESH_ATTRIBUTE);
}

function dropEditingMarks(element) {
  restoreContentEditable(element);
  element.removeAttribute('data-lmw-editing');
  element.removeAttribute('data-lmw-prev-contenteditable');
}

function unwrapElement(element) {
  var parent = element.parentNode;
  if (!parent) return;
  while (element.firstChild) parent.insertBefore(element.firstChild, element);
  parent.removeChild(element);
}

function replaceHighlightWithText(element) {
  var parent = element.parentNode;
  if (!parent) return;
  parent.replaceChild(element.ownerDocument.createTextNode(element.textContent), element);
  parent.normalize();
}

function forEachMatchFrom(root, selector, callback) {
  if (root.matches && root.matches(selector)) callback(root);
  forEachMatch(root, selector, callback);
}

// Takes out everything of the editor's but the source marks. Changes the tree in place; the tree
// is a clone or a parsed document, never the live one, and may be a single element's copy.
function stripEditorParts(root) {
  forEachMatch(root, LIVE_EDITOR_PARTS, removeNode);
  forEachMatch(root, FLOATING_CONTROLS, removeNode);
  forEachMatchFrom(root, REWRITTEN_SCRIPTS, restoreScriptSource);
  forEachMatchFrom(root, HELD_REFRESHES, releaseRefresh);
  forEachMatchFrom(root, EDITING_MARKS, dropEditingMarks);
  forEachMatch(root, SEARCH_HIGHLIGHTS, replaceHighlightWithText);
  forEachMatch(root, MULTI_SELECTION_OUTLINES, removeNode);
  CONTENT_WRAPPERS.forEach(function (selector) {
    forEachMatch(root, selector, unwrapElement);
  });
  // Short-lived interface pieces (a download link, a drag image) carry data-lmw-ui as well;
  // whatever of them still stands is interface, never content.
  forEachMatch(root, '[data-lmw-ui]', removeNode);
  restoreAuthoredAddresses(root);
}

// A live element's attributes and style text carry the addresses that a granted folder served;
// every copy of them is written with the addresses its author wrote.
var SERVED_ATTRIBUTES = ['src', 'srcset', 'href', 'xlink:href', 'poster', 'data', 'background', 'style'];

function restoreAuthoredAddresses(root) {
  var grant = window.__LMW_FOLDER_GRANT;
  if (!grant || !grant.servedUrl) return;
  forEachMatchFrom(root, '*', function (element) {
    SERVED_ATTRIBUTES.forEach(function (name) {
      var value = element.getAttribute(name);
      if (value && value.indexOf(grant.prefix) >= 0) element.setAttribute(name, authoredAddresses(value, grant));
    });
    if (element.localName === 'style' && element.textContent.indexOf(grant.prefix) >= 0) {
      element.textContent = authoredAddresses(element.textContent, grant);
    }
  });
}

function stripMarkers(root) {
  stripEditorParts(root);
  forEachMatchFrom(root, SOURCE_MARK_SELECTOR, function (element) { element.removeAttribute(SOURCE_MARK); });
}
