// Placing the icon link and the runtime script in a document's text: only real closing tags
// count, never those inside scripts, styles, comments, text areas or attribute values, and the
// pieces go in literally.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { loadRoutines } from '../support/scripts.mjs';

const { composeDocument, documentTags, iconLinkMarkup, runtimeScriptMarkup } =
  loadRoutines([], ['composeDocument', 'documentTags', 'iconLinkMarkup', 'runtimeScriptMarkup']);
// The text as written into the window, without the elements' source marks.
const insertRuntimeParts = (text, icon, script) => composeDocument(text, documentTags(text), { icon, script }).text;

test('the icon ends the head and the script ends the body, skipping look-alike tags', () => {
  const cases = [
    ['<html lang="a>b"><head><script>var s="</head></body>";</script><!-- </head> --><style>/*</body>*/</style></head>' +
      '<body><p title="</body>">x</p></body></html>',
    '<html lang="a>b"><head><script>var s="</head></body>";</script><!-- </head> --><style>/*</body>*/</style>I</head>' +
      '<body><p title="</body>">x</p>S</body></html>'],
    ['<!DOCTYPE html><html><head><SCRIPT>x="</HEAD>"</SCRIPT ></head><body><textarea></body></textarea></BODY></html>',
      '<!DOCTYPE html><html><head><SCRIPT>x="</HEAD>"</SCRIPT >I</head><body><textarea></body></textarea>S</BODY></html>'],
    // Texts that were never serialised: the fallbacks.
    ['<HTML DATA-X=1><BODY><p>no closing tags', '<HTML DATA-X=1><head>I</head><BODY><p>no closing tagsS'],
    ['<html><body>x</html>', '<html><head>I</head><body>xS</html>'],
    ['<p>no html tag at all</p>', '<p>no html tag at all</p>S'],
    ['<html><head><title>never closed', '<html><head>I</head><head><title>never closedS']
  ];
  for (const [text, expected] of cases) assert.equal(insertRuntimeParts(text, 'I', 'S'), expected);
});

test('markup pieces are inserted literally, dollar patterns and all', () => {
  const runtime = 'var a = "$1$&$`$\'"; x.replace(/(a)/, "$1");';
  const result = insertRuntimeParts('<html><head></head><body></body></html>', iconLinkMarkup('data:image/png;base64,AB+/=='),
    runtimeScriptMarkup(runtime));
  assert.equal(result, '<html><head><link rel="icon" type="image/png" sizes="64x64" data-lmw-runtime="icon" ' +
    'href="data:image/png;base64,AB+/=="></head><body><script data-lmw-runtime="editor">' + runtime +
    '</scr' + 'ipt></body></html>');
  assert.equal(iconLinkMarkup('a"b&c'), '<link rel="icon" type="image/png" sizes="64x64" data-lmw-runtime="icon" href="a&quot;b&amp;c">');
  assert.equal(insertRuntimeParts('<html><body></body></html>', '', 'S'), '<html><body>S</body></html>', 'no icon without a data URI');
});
