// Changing an element's start tag in the text: one attribute set or removed, one inline style
// property, one class token, with the author's other attributes written as they were.

// The attributes of a start tag's text.
function tagTextAttributes(tag) {
  var attributes = [];
  var rest = readTagRest(tag, stickyMatchEnd(TAG_NAME, tag, 1), attributes);
  return { attributes: attributes, end: rest ? rest.end : tag.length, selfClosing: !!(rest && rest.selfClosing) };
}

function findAttribute(attributes, name) {
  for (var i = 0; i < attributes.length; i++) if (attributes[i].name === name) return attributes[i];
  return null;
}

var attributeReader = null;

// An attribute's value as the parser reads it, character references and all; null when absent.
function attributeOfTag(tag, name) {
  attributeReader = attributeReader || document.createElement('template');
  attributeReader.innerHTML = '<b' + tag.slice(stickyMatchEnd(TAG_NAME, tag, 1));
  var element = attributeReader.content.firstElementChild;
  return element ? element.getAttribute(name) : null;
}

var UNQUOTED_SAFE = /^[^\t\n\f\r "'=<>`&]+$/;

// An attribute's new value written the way the author wrote the old one: in the same quotes, or
// unquoted where it can stand so.
function writtenValue(tag, found, value) {
  var quote = found.valueStart > 0 ? tag.charAt(found.valueStart - 1) : '';
  if (quote === "'") return "'" + String(value).replace(/&/g, '&amp;').replace(/'/g, '&#39;') + "'";
  if (quote !== '"' && found.valueStart >= 0 && UNQUOTED_SAFE.test(value)) return value;
  return '"' + escapeAttribute(value) + '"';
}

// The start tag's text with one attribute set (null removes it); the other attributes stay as
// written.
function withAttribute(tag, name, value) {
  var read = tagTextAttributes(tag);
  var found = findAttribute(read.attributes, name);
  var written = value === null ? '' : name + '="' + escapeAttribute(value) + '"';
  if (found) {
    if (value !== null && found.valueStart >= 0) {
      var valueFrom = tag.charAt(found.valueStart - 1) === '"' || tag.charAt(found.valueStart - 1) === "'" ? found.valueStart - 1 : found.valueStart;
      var valueTo = valueFrom === found.valueStart ? found.valueEnd : found.valueEnd + 1;
      return tag.slice(0, valueFrom) + writtenValue(tag, found, value) + tag.slice(valueTo);
    }
    if (value !== null) return tag.slice(0, found.start) + written + tag.slice(found.end);
    var before = found.start;
    while (before > 0 && /[\t\n\f\r ]/.test(tag.charAt(before - 1))) before--;
    return tag.slice(0, before) + tag.slice(found.end);
  }
  if (value === null) return tag;
  var at = read.selfClosing ? read.end - 2 : read.end - 1;
  var spaced = /[\t\n\f\r ]$/.test(tag.slice(0, at)) ? '' : ' ';
  return tag.slice(0, at) + spaced + written + tag.slice(at);
}

// Changes a trusted element's start tag in the text; an element that is not trusted is written
// as it stands instead, when `rewriteOtherwise` says so.
function patchStartTag(model, element, change, rewriteOtherwise) {
  flushModel(model);
  if (!isTrusted(model, element)) {
    if (rewriteOtherwise) noteEdited(model, element);
    return;
  }
  var id = markOf(element);
  var spans = model.spans;
  var tag = modelSlice(model, spans.start[id], spans.tagEnd[id]);
  var changed = change(tag);
  if (changed === tag) return;
  var grown = changed.length - tag.length;
  var place = { id: id, start: 0, tagEnd: changed.length, end: spans.end[id] < 0 ? -1 : spans.end[id] - spans.start[id] + grown, parent: spans.parent[id] };
  replaceModelText(model, spans.start[id], spans.tagEnd[id], changed, [place]);
}

function setAttributeInModel(model, element, name, value) {
  patchStartTag(model, element, function (tag) { return withAttribute(tag, name, value); }, true);
}

var styleScratch = null;

// One property of the inline style, by its CSS name, set to the value given; the author's other
// declarations stay.
function setStylePropertyInModel(model, element, name, value, priority) {
  patchStartTag(model, element, function (tag) {
    var written = attributeOfTag(tag, 'style');
    styleScratch = styleScratch || document.createElement('div');
    styleScratch.setAttribute('style', written || '');
    styleScratch.style.setProperty(name, value, priority);
    var style = styleScratch.getAttribute('style');
    return withAttribute(tag, 'style', style || (written === null ? null : ''));
  }, true);
}

// A class the editor's page navigation sets or clears on a page; the author's other classes
// stay as written. Pages that are not the author's own take it live only.
function setClassTokenInModel(model, element, token, on) {
  patchStartTag(model, element, function (tag) {
    var written = attributeOfTag(tag, 'class');
    var classes = written || '';
    var tokens = classes.split(/[\t\n\f\r ]+/);
    var has = tokens.indexOf(token) >= 0;
    if (has === on) return tag;
    var next = on ? classes + (/[^\t\n\f\r ]$/.test(classes) ? ' ' : '') + token
      : tokens.filter(function (own) { return own && own !== token; }).join(' ');
    return withAttribute(tag, 'class', next || (written === null ? null : ''));
  }, false);
}
