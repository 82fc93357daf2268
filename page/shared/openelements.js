// The parser's stack of open elements as the full scan follows it: each open element's record
// number, name and namespace, the scopes the tree construction asks about, and popping. Where an
// element ends is no concern of the stack: it calls the scan's hook for each element it pops.

var HTML_SPACE = 0;
var SVG_SPACE = 1;
var MATH_SPACE = 2;

// Every scope is bounded by these HTML elements (a select among them, since the browser reads
// what a select holds as content of its own) and by the SVG and MathML elements that hold HTML.
var SCOPE_BASE = 'applet caption html table td th marquee object template select';
var DEFAULT_SCOPE = wordSet(SCOPE_BASE);
var BUTTON_SCOPE = wordSet(SCOPE_BASE + ' button');
var LIST_ITEM_SCOPE = wordSet(SCOPE_BASE + ' ol ul');
var FOREIGN_SCOPE = wordSet('mi mo mn ms mtext annotation-xml foreignobject desc title');
// Table scope is bounded by these alone, whatever their namespace.
var TABLE_SCOPE = wordSet('html table template');
var IMPLIED_END = wordSet('dd dt li optgroup option p rb rp rt rtc');
var TABLE_CONTEXT = wordSet('table tbody thead tfoot tr');
var HEADINGS = wordSet('h1 h2 h3 h4 h5 h6');

// `popped` is called with the record number of every element taken off the stack.
function newOpenElements(popped) {
  return { items: [], names: [], spaces: [], templates: 0, selects: 0, tableParts: 0, popped: popped };
}

// Open templates, selects and table parts are counted, so that the common case of none open is
// told without looking through the stack.
function countOpen(open, name, space, step) {
  if (space !== HTML_SPACE) return;
  if (name === 'template') open.templates += step;
  else if (name === 'select') open.selects += step;
  else if (TABLE_CONTEXT[name] === true) open.tableParts += step;
}

function pushOpenElement(open, index, name, space) {
  open.items.push(index);
  open.names.push(name);
  open.spaces.push(space);
  countOpen(open, name, space, 1);
}

function popCurrentNode(open) {
  var index = open.items.pop();
  countOpen(open, open.names.pop(), open.spaces.pop(), -1);
  open.popped(index);
  return index;
}

function insertOpenElement(open, position, index, name, space) {
  open.items.splice(position, 0, index);
  open.names.splice(position, 0, name);
  open.spaces.splice(position, 0, space);
  countOpen(open, name, space, 1);
}

// Pops the open elements down to and with the one at `position`.
function popThrough(open, position) {
  while (open.items.length > position) popCurrentNode(open);
}

// Takes the element at `position` off the stack, leaving those above it open.
function removeOpenElement(open, position) {
  var index = open.items[position];
  countOpen(open, open.names[position], open.spaces[position], -1);
  open.items.splice(position, 1);
  open.names.splice(position, 1);
  open.spaces.splice(position, 1);
  open.popped(index);
}

function currentNode(open) {
  return open.items.length ? open.items[open.items.length - 1] : -1;
}

function currentNodeName(open) {
  return open.items.length ? open.names[open.names.length - 1] : '';
}

function currentNodeSpace(open) {
  return open.items.length ? open.spaces[open.spaces.length - 1] : HTML_SPACE;
}

function isForeignAt(open, position) {
  return open.spaces[position] !== HTML_SPACE;
}

// "Has an element in scope", in the parser's words, for the scope given: where the nearest open
// HTML element of the name stands, when no element bounding the scope stands above it; -1 when
// there is none.
function elementInSpecificScope(open, name, scope) {
  for (var i = open.items.length - 1; i >= 0; i--) {
    var openName = open.names[i];
    if (isForeignAt(open, i)) {
      if (FOREIGN_SCOPE[openName] === true) return -1;
    } else if (openName === name) {
      return i;
    } else if (scope[openName] === true) {
      return -1;
    }
  }
  return -1;
}

function elementInScope(open, name) {
  return elementInSpecificScope(open, name, DEFAULT_SCOPE);
}

function elementInButtonScope(open, name) {
  return elementInSpecificScope(open, name, BUTTON_SCOPE);
}

function elementInListItemScope(open, name) {
  return elementInSpecificScope(open, name, LIST_ITEM_SCOPE);
}

// The nearest open heading of any rank in scope, as a heading's end tag closes any of them.
function headingInScope(open) {
  for (var i = open.items.length - 1; i >= 0; i--) {
    var openName = open.names[i];
    if (isForeignAt(open, i)) {
      if (FOREIGN_SCOPE[openName] === true) return -1;
    } else if (HEADINGS[openName] === true) {
      return i;
    } else if (DEFAULT_SCOPE[openName] === true) {
      return -1;
    }
  }
  return -1;
}

// The nearest open element of any of the names in table scope, or -1.
function elementInTableScope(open, names) {
  for (var i = open.items.length - 1; i >= 0; i--) {
    var openName = open.names[i];
    if (names[openName] === true) return i;
    if (TABLE_SCOPE[openName] === true) return -1;
  }
  return -1;
}

// Pops the paragraphs, list items, options and ruby parts that end where an element around them
// ends, but for those of the name `except`.
function generateImpliedEndTags(open, except) {
  for (var name = currentNodeName(open); IMPLIED_END[name] === true && name !== except &&
      !isForeignAt(open, open.items.length - 1); name = currentNodeName(open)) {
    popCurrentNode(open);
  }
}
