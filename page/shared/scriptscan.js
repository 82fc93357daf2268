// A document's inline classic script, made safe to run again in the same window. The window's
// global let, const and class bindings outlive every document written into it, so the same text
// run a second time throws "already declared"; its top-level declarations run as var instead.
// The scanner knows just enough JavaScript to find them; whatever it cannot read with certainty
// makes it leave the script exactly as it is.

// Thrown inside the scanner when the text is not what it can read with certainty.
var SCRIPT_UNCERTAIN = { uncertain: true };

function wordSet(words) {
  var set = Object.create(null);
  words.split(' ').forEach(function (word) { set[word] = true; });
  return set;
}

// After these words an expression follows: a "/" there opens a regular expression, and a
// declaration keyword there is no statement of its own.
var EXPRESSION_FOLLOWS = wordSet('return typeof instanceof in of new delete void throw case do else ' +
  'yield await extends export default');
var CONTROL_WORDS = wordSet('if while for with');
var BLOCK_AFTER_WORDS = wordSet('else do try finally');
// "let" followed by one of these is an identifier in an expression, not a declaration.
var LET_AS_IDENTIFIER_BEFORE = wordSet('in instanceof');
var PUNCTUATOR = /\.\.\.|\?\.(?!\d)|=>|>>>=|\*\*=|<<=|>>=|&&=|\|\|=|\?\?=|===|!==|>>>|\*\*|==|!=|<=|>=|&&|\|\||\?\?|\+\+|--|[+\-*%&|^]=|<<|>>|[{}()[\];,<>+\-*%&|^!~?:=.@]/y;
var IDENTIFIER_PART = /(?:[\w$\u0080-\uffff]|\\u(?:[0-9a-fA-F]{4}|\{[0-9a-fA-F]+\}))+/y;
var NUMBER_PART = /(?:[eE][+-][0-9]|[0-9a-zA-Z_.])+/y;
var PRIVATE_NAME = /#[\w$\u0080-\uffff]+/y;
var SLASH_PUNCTUATOR = /\/=?/y;
// White space, line breaks and comments between two tokens, in one stretch.
var BETWEEN_TOKENS = /(?:\s+|\/\/.*|\/\*[\s\S]*?\*\/)*/y;
var LINE_BREAK = /[\n\r\u2028\u2029]/;
var STRING = /"[^"\\\n\r]*(?:\\(?:\r\n|[\s\S])[^"\\\n\r]*)*"|'[^'\\\n\r]*(?:\\(?:\r\n|[\s\S])[^'\\\n\r]*)*'/y;
// Template text from its opening "`" or from the "}" that ends an expression in it, up to its
// closing "`" or the next "${".
var TEMPLATE_TEXT = /[`}][^`\\$]*(?:(?:\\[\s\S]|\$(?!\{))[^`\\$]*)*(?:`|\$\{)/y;
var REGULAR_EXPRESSION = /\/(?:[^\\\/\[\n\r\u2028\u2029]|\\[^\n\r\u2028\u2029]|\[(?:[^\]\\\n\r\u2028\u2029]|\\[^\n\r\u2028\u2029])*\])+\/[\w$]*/y;
var CLOSERS = { ')': '(', ']': '[', '}': '{' };

function isPunct(token, text) {
  return !!token && token.type === 'punct' && token.text === text;
}

function isName(token, text) {
  return !!token && token.type === 'name' && (text === undefined || token.text === text);
}

// A name right after "." or "?." is a property, never a keyword.
function isPropertyName(tokens, index) {
  var before = tokens[index - 1];
  return isPunct(before, '.') || isPunct(before, '?.');
}

function isKeywordAt(tokens, index, words) {
  return tokens[index].type === 'name' && words[tokens[index].text] === true && !isPropertyName(tokens, index);
}

// Where a sticky pattern's match starting at the given place ends, or -1 when it does not match.
function stickyEnd(pattern, source, at) {
  pattern.lastIndex = at;
  return pattern.test(source) ? pattern.lastIndex : -1;
}

// The scanner's running state: the tokens so far and the brackets still open, innermost last
// (the index of the opening token; -1 for a template's "${", which stands there like a brace).
function newScan(source) {
  return { source: source, at: 0, tokens: [], open: [], newline: false };
}

// Every token has the same fields; only names and punctuators keep their text. A bracket knows
// its partner's index, and an opening one whether it follows a control word or opens a block.
function addToken(scan, type, end) {
  var keepsText = type === 'name' || type === 'punct';
  var token = {
    type: type, text: keepsText ? scan.source.slice(scan.at, end) : '', start: scan.at, end: end,
    newline: scan.newline, depth: scan.open.length, partner: -1, control: false, block: false
  };
  scan.newline = false;
  scan.tokens.push(token);
  scan.at = end;
  return token;
}

function hasLineBreak(source, from, to) {
  for (var at = from; at < to; at++) {
    var code = source.charCodeAt(at);
    if (code === 10 || code === 13 || code === 0x2028 || code === 0x2029) return true;
  }
  return false;
}

// HTML-like comments (an opener anywhere, "-->" at the start of a line) are comments in classic
// scripts; the scanner does not follow them and gives up instead.
function startsHtmlComment(scan) {
  var source = scan.source;
  if (source.startsWith('<\!--', scan.at)) return true;
  return source.startsWith('-->', scan.at) && (scan.newline || scan.tokens.length === 0);
}

function skipSpaceAndComments(scan) {
  var source = scan.source;
  if (scan.at === 0 && source.startsWith('#!')) scan.at = source.search(LINE_BREAK) + 1 || source.length;
  var end = stickyEnd(BETWEEN_TOKENS, source, scan.at);
  if (hasLineBreak(source, scan.at, end)) scan.newline = true;
  scan.at = end;
  if (source.startsWith('/*', scan.at) || startsHtmlComment(scan)) throw SCRIPT_UNCERTAIN;
}

function scanWord(scan, pattern, type) {
  var end = stickyEnd(pattern, scan.source, scan.at);
  if (end < 0) throw SCRIPT_UNCERTAIN;
  return addToken(scan, type, end);
}

function scanTemplateText(scan) {
  var token = scanWord(scan, TEMPLATE_TEXT, 'template');
  if (scan.source[token.end - 1] === '{') scan.open.push(-1);
}

// Whether a "/" at this point opens a regular expression rather than dividing: it does unless
// the token before ends an operand.
function slashOpensRegex(tokens) {
  var index = tokens.length - 1;
  var before = tokens[index];
  if (!before) return true;
  if (before.type === 'name') return isKeywordAt(tokens, index, EXPRESSION_FOLLOWS);
  if (before.type !== 'punct') return false;
  if (before.text === ')') return tokens[before.partner].control;
  if (before.text === '}') return tokens[before.partner].block;
  return before.text !== ']' && before.text !== '++' && before.text !== '--';
}

// Whether a "{" opens a block or a body rather than an object literal; only the reading of a
// "/" after its closing brace depends on it.
function braceOpensBlock(tokens) {
  var index = tokens.length - 1;
  var before = tokens[index];
  if (!before) return true;
  if (before.type === 'punct') return /^(?:[;{})]|=>)$/.test(before.text);
  if (before.type !== 'name') return false;
  if (isKeywordAt(tokens, index, BLOCK_AFTER_WORDS)) return true;
  return !isKeywordAt(tokens, index, EXPRESSION_FOLLOWS);
}

function openBracket(scan, character) {
  var tokens = scan.tokens;
  var before = tokens.length - 1;
  var control = character === '(' && before >= 0 && isKeywordAt(tokens, before, CONTROL_WORDS);
  var block = character === '{' && braceOpensBlock(tokens);
  var token = addToken(scan, 'punct', scan.at + 1);
  token.control = control;
  token.block = block;
  scan.open.push(tokens.length - 1);
}

function closeBracket(scan, character) {
  var opener = scan.open.pop();
  if (opener === undefined || opener < 0 || scan.tokens[opener].text !== CLOSERS[character]) throw SCRIPT_UNCERTAIN;
  var token = addToken(scan, 'punct', scan.at + 1);
  token.partner = opener;
  scan.tokens[opener].partner = scan.tokens.length - 1;
}

function isDigit(code) {
  return code >= 48 && code <= 57;
}

function scanToken(scan) {
  var source = scan.source;
  var character = source[scan.at];
  var open = scan.open;
  if (character === '"' || character === "'") return scanWord(scan, STRING, 'string');
  if (character === '`') return scanTemplateText(scan);
  if (character === '}' && open.length && open[open.length - 1] < 0) {
    open.pop();
    return scanTemplateText(scan);
  }
  if (character === '(' || character === '[' || character === '{') return openBracket(scan, character);
  if (CLOSERS[character]) return closeBracket(scan, character);
  if (character === '/') {
    if (slashOpensRegex(scan.tokens)) return scanWord(scan, REGULAR_EXPRESSION, 'regex');
    return scanWord(scan, SLASH_PUNCTUATOR, 'punct');
  }
  if (isDigit(source.charCodeAt(scan.at)) || (character === '.' && isDigit(source.charCodeAt(scan.at + 1)))) {
    return scanWord(scan, NUMBER_PART, 'number');
  }
  if (character === '#') return scanWord(scan, PRIVATE_NAME, 'name');
  if (stickyEnd(IDENTIFIER_PART, source, scan.at) > 0) return scanWord(scan, IDENTIFIER_PART, 'name');
  scanWord(scan, PUNCTUATOR, 'punct');
}

// The script's tokens with their bracket depth, or null when it cannot be read with certainty.
function scriptTokens(source) {
  var scan = newScan(source);
  try {
    for (skipSpaceAndComments(scan); scan.at < source.length; skipSpaceAndComments(scan)) scanToken(scan);
  } catch (error) {
    if (error === SCRIPT_UNCERTAIN) return null;
    throw error;
  }
  return scan.open.length ? null : scan.tokens;
}

// Whether the token ends an operand, so that a line break after it ends the statement when the
// next token cannot continue it.
function endsOperand(tokens, index) {
  var token = tokens[index];
  if (token.type === 'punct') return /^(?:[)\]}]|\+\+|--)$/.test(token.text);
  if (token.type === 'name') return !isKeywordAt(tokens, index, EXPRESSION_FOLLOWS);
  return true;
}

function startsStatement(tokens, index) {
  var before = tokens[index - 1];
  if (!before) return true;
  if (isPunct(before, ';') || isPunct(before, '}')) return true;
  return tokens[index].newline && endsOperand(tokens, index - 1);
}

// Where an initialiser or default value that starts at the given token ends: at a "," or ";"
// of its own depth, at the bracket that closes around it, or where a new line begins another
// statement. Reading on too far only finds names that are not declared, which is harmless.
function endOfExpression(tokens, index) {
  var depth = tokens[index] ? tokens[index].depth : 0;
  for (var at = index; at < tokens.length; at++) {
    var token = tokens[at];
    if (token.depth < depth) return at;
    if (token.depth === depth && (isPunct(token, ',') || isPunct(token, ';'))) return at;
    var beginsAnother = token.type === 'name' && !isKeywordAt(tokens, at, LET_AS_IDENTIFIER_BEFORE);
    if (at > index && token.newline && token.depth === depth && beginsAnother && endsOperand(tokens, at - 1)) return at;
  }
  return tokens.length;
}

function skipDefaultValue(tokens, index) {
  return isPunct(tokens[index], '=') ? endOfExpression(tokens, index + 1) : index;
}

function arrayPatternNames(tokens, index, names) {
  var closer = tokens[index].partner;
  var at = index + 1;
  while (at < closer) {
    if (isPunct(tokens[at], ',')) { at++; continue; }
    if (isPunct(tokens[at], '...')) at++;
    at = skipDefaultValue(tokens, bindingNames(tokens, at, names));
    if (isPunct(tokens[at], ',')) at++;
    else if (at !== closer) throw SCRIPT_UNCERTAIN;
  }
  return closer + 1;
}

function objectPropertyNames(tokens, at, names) {
  if (isPunct(tokens[at], '...')) return bindingNames(tokens, at + 1, names);
  var key = tokens[at];
  var afterKey;
  if (isPunct(key, '[')) afterKey = key.partner + 1;
  else if (key.type === 'name' || key.type === 'string' || key.type === 'number') afterKey = at + 1;
  else throw SCRIPT_UNCERTAIN;
  if (isPunct(tokens[afterKey], ':')) return skipDefaultValue(tokens, bindingNames(tokens, afterKey + 1, names));
  if (key.type !== 'name') throw SCRIPT_UNCERTAIN;
  names.push(key.text);
  return skipDefaultValue(tokens, afterKey);
}

function objectPatternNames(tokens, index, names) {
  var closer = tokens[index].partner;
  var at = index + 1;
  while (at < closer) {
    at = objectPropertyNames(tokens, at, names);
    if (isPunct(tokens[at], ',')) at++;
    else if (at !== closer) throw SCRIPT_UNCERTAIN;
  }
  return closer + 1;
}

// Collects the names a binding (a name, or an array or object pattern) declares; returns the
// index just after it.
function bindingNames(tokens, index, names) {
  var token = tokens[index];
  if (isName(token)) {
    names.push(token.text);
    return index + 1;
  }
  if (isPunct(token, '[')) return arrayPatternNames(tokens, index, names);
  if (isPunct(token, '{')) return objectPatternNames(tokens, index, names);
  throw SCRIPT_UNCERTAIN;
}

function declaratorNames(tokens, index) {
  var names = [];
  var at = index;
  for (;;) {
    at = skipDefaultValue(tokens, bindingNames(tokens, at, names));
    if (!isPunct(tokens[at], ',')) return names;
    at++;
  }
}

// The body's opening brace of a class declaration; the heritage before it must be plain enough
// that its first brace at its own depth is certainly the body's.
function classBodyIndex(tokens, nameIndex) {
  var at = nameIndex + 1;
  if (!isName(tokens[at], 'extends')) return at;
  if (isPunct(tokens[++at], '{')) throw SCRIPT_UNCERTAIN;
  for (; at < tokens.length; at++) {
    var token = tokens[at];
    if (isPunct(token, '{')) return at;
    if (isName(token, 'function') || isName(token, 'class') || isPunct(token, '=>')) throw SCRIPT_UNCERTAIN;
    if (token.partner > at) at = token.partner;
  }
  throw SCRIPT_UNCERTAIN;
}

// A declaration at the top statement level: the names it declares and the text edits that make
// it a var declaration. Null when the word there declares nothing.
function topLevelDeclaration(tokens, index) {
  var keyword = tokens[index];
  var next = tokens[index + 1];
  if (keyword.text === 'let' && !(isPunct(next, '[') || isPunct(next, '{') ||
      (isName(next) && !LET_AS_IDENTIFIER_BEFORE[next.text]))) return null;
  if (keyword.text !== 'class') {
    return { names: declaratorNames(tokens, index + 1),
      edits: [{ start: keyword.start, end: keyword.end, text: 'var' }] };
  }
  if (!isName(next) || next.text === 'extends') throw SCRIPT_UNCERTAIN;
  var body = tokens[classBodyIndex(tokens, index + 1)];
  if (!isPunct(body, '{')) throw SCRIPT_UNCERTAIN;
  var bodyEnd = tokens[body.partner].end;
  return { names: [next.text], edits: [
    { start: keyword.start, end: keyword.start, text: 'var ' + next.text + ' = ' },
    { start: bodyEnd, end: bodyEnd, text: ';' }
  ] };
}

function topLevelDeclarations(tokens) {
  var found = [];
  for (var index = 0; index < tokens.length; index++) {
    var token = tokens[index];
    if (token.depth !== 0 || token.type !== 'name') continue;
    if (token.text !== 'let' && token.text !== 'const' && token.text !== 'class') continue;
    if (!startsStatement(tokens, index)) continue;
    var declaration = topLevelDeclaration(tokens, index);
    if (declaration) found.push(declaration);
  }
  return found;
}

// The edits come in the order of the text; two at one place keep that order.
function applyEdits(source, edits) {
  var pieces = [];
  var copied = 0;
  edits.forEach(function (edit) {
    pieces.push(source.slice(copied, edit.start), edit.text);
    copied = edit.end;
  });
  pieces.push(source.slice(copied));
  return pieces.join('');
}

function compilesAsScript(text) {
  try {
    Function(text);
    return true;
  } catch (ignored) {
    return false;
  }
}

// The script with each top-level declaration whose names all pass canRedeclare turned into a var
// declaration, and the names so declared; null when nothing changes or the script cannot be
// scanned with certainty. The result must still compile, or the script stays as it was.
function redeclarableScript(source, canRedeclare) {
  if (!/\b(?:let|const|class)\b/.test(source)) return null;
  var tokens = scriptTokens(source);
  if (!tokens) return null;
  var declarations;
  try {
    declarations = topLevelDeclarations(tokens);
  } catch (error) {
    if (error === SCRIPT_UNCERTAIN) return null;
    throw error;
  }
  var edits = [];
  var names = [];
  declarations.forEach(function (declaration) {
    if (!declaration.names.every(canRedeclare)) return;
    edits = edits.concat(declaration.edits);
    names = names.concat(declaration.names);
  });
  if (!edits.length) return null;
  var text = applyEdits(source, edits);
  return compilesAsScript(text) ? { text: text, names: names } : null;
}
