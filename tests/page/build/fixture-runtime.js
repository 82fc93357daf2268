// A stand-in runtime full of characters that a careless build or insertion would mangle:
// replacement patterns, quotes, backslashes, closing tags other than the script's, Chinese.
var samples = {
  patterns: 'a$1b$&c$$d$`e$\'f',
  quotes: "double \" single ' both \"'",
  backslashes: 'C:\\dir\\file \\n not a line feed',
  tags: '<span>x</span></head></body></html><\/script>',
  chinese: '中文：测试，“引号”',
  regex: /a\/b[/]c/.source,
  division: 10 / 2 / 5
};
// Counts its runs, so a test can tell that exactly one instance started.
window.__fixtureRuns = (window.__fixtureRuns || 0) + 1;
window.__fixtureSamples = samples;
window.__fixtureOwnText = document.currentScript ? document.currentScript.textContent : null;
