// The clean text of the document for saving, copying and undo: the model's text, with its
// charset declaration made to agree with the UTF-8 that saving writes. Marker removal itself is
// shared with the start page (stripMarkers).

/* global endTextEditing */

var CONTENT_TYPE_CHARSET = /charset[\t\n\f\r ]*=[\t\n\f\r ]*["']?([^;"'\t\n\f\r ]+)/i;
var UTF8_DECLARATION = '<meta charset="UTF-8">';

function isUtf8Label(label) {
  try {
    return new TextDecoder(String(label).trim()).encoding === 'utf-8';
  } catch (unknown) {
    return false;
  }
}

// The charset the author's start tag of a head meta declares, and how: by its charset attribute
// or as an http-equiv Content-Type; null for a meta that declares none.
function declarationOf(model, meta) {
  var id = markOf(meta);
  if (!isSpanned(model, id)) return null;
  var tag = modelSlice(model, model.spans.start[id], model.spans.tagEnd[id]);
  var charset = attributeOfTag(tag, 'charset');
  if (charset !== null) return { meta: meta, attribute: 'charset', label: charset };
  if (String(attributeOfTag(tag, 'http-equiv')).toLowerCase() !== 'content-type') return null;
  var content = CONTENT_TYPE_CHARSET.exec(attributeOfTag(tag, 'content') || '');
  return { meta: meta, attribute: 'content', label: content ? content[1] : 'utf-8' };
}

function headDeclarations(model) {
  if (!document.head) return [];
  var found = [];
  forEachNode(document.head.querySelectorAll('meta'), function (meta) {
    var declaration = declarationOf(model, meta);
    if (declaration) found.push(declaration);
  });
  return found;
}

// Where a new declaration goes: first in the head, after its start tag, or where the head would be.
function declarationPlace(model) {
  var head = markOf(document.head);
  if (isSpanned(model, head)) return model.spans.tagEnd[head];
  var html = markOf(document.documentElement);
  return isSpanned(model, html) ? model.spans.tagEnd[html] : documentPrefix(model).length;
}

// A head declaration of another encoding is made UTF-8, and a file read in another encoding
// that declares none gets one; nothing else of the text changes.
function declareUtf8InModel(model) {
  var declarations = headDeclarations(model);
  declarations.forEach(function (declaration) {
    if (isUtf8Label(declaration.label)) return;
    setAttributeInModel(model, declaration.meta, declaration.attribute,
      declaration.attribute === 'charset' ? 'UTF-8' : 'text/html; charset=UTF-8');
  });
  var hasCharset = declarations.some(function (declaration) { return declaration.attribute === 'charset'; });
  if (hasCharset || state.sourceEncoding === 'utf-8' || model.declaredUtf8) return;
  flushModel(model);
  var at = declarationPlace(model);
  replaceModelText(model, at, at, UTF8_DECLARATION, null);
  model.declaredUtf8 = true;
}

// The clean text as the model's pieces, in order: a save writes them without joining them into
// one string. The list is a copy, so later edits leave it as it was taken. A text unchanged since
// it last declared UTF-8, with no edit waiting, is already the clean text: undo and redo take it
// without looking at a single element.
function serializeDocumentPieces() {
  var model = state.model;
  if (!model.pending.length && model.declaredAt === model.textChanges) return model.pieces.slice();
  flushModel(model);
  declareUtf8InModel(model);
  model.declaredAt = model.textChanges;
  return model.pieces.slice();
}

function serializeDocument() {
  return joinPieces(serializeDocumentPieces());
}

function leaveTextEditingAfter(serialized) {
  endTextEditing();
  return serialized;
}

function serializeAndLeaveTextEditing() {
  return leaveTextEditingAfter(serializeDocument());
}

function serializePiecesAndLeaveTextEditing() {
  return leaveTextEditingAfter(serializeDocumentPieces());
}
