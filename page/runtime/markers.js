// The clean serialisation of the live document, for saving, copying and undo snapshots.
// Marker removal itself is shared with the start page (stripMarkers).

// Saving always writes UTF-8, so the declaration in the head is made to agree with the bytes.
function declareUtf8(root) {
  var head = root.querySelector('head');
  if (!head) return;
  var meta = head.querySelector('meta[charset]');
  if (!meta) {
    meta = root.ownerDocument.createElement('meta');
    head.insertBefore(meta, head.firstChild);
  }
  meta.setAttribute('charset', 'UTF-8');
  forEachNode(head.querySelectorAll('meta[http-equiv]'), function (element) {
    if (String(element.getAttribute('http-equiv')).toLowerCase() === 'content-type') {
      element.setAttribute('content', 'text/html; charset=UTF-8');
    }
  });
}

function serializeDocument() {
  var root = document.documentElement.cloneNode(true);
  stripMarkers(root);
  declareUtf8(root);
  return '<!DOCTYPE html>\n' + root.outerHTML;
}

function serializeAndLeaveTextEditing() {
  var html = serializeDocument();
  endTextEditing();
  return html;
}
