// Work that waits: for a moment when the browser is idle, or too long for one task and so run in
// slices that let presses and keys be answered between them.

var IDLE_TIMEOUT_MS = 2000;

// Work that can wait for a moment when the browser has nothing else to do, but not for ever.
function whenIdle(callback) {
  if (window.requestIdleCallback) window.requestIdleCallback(callback, { timeout: IDLE_TIMEOUT_MS });
  else setTimeout(callback, 0);
}

// A slice of long work this long keeps a press or a key from waiting noticeably behind it.
var SLICE_MS = 12;

// Work too long for one task runs in slices, each a task of its own, so that presses and keys are
// answered between them: `slice` is called with a test of whether its share of the main thread
// is spent, until it returns true. Works wait in one line, the earliest first. A line that was
// idle starts after the next frame, so that what is on screen is shown first; a channel message,
// not a timer, carries each slice, so no clamp delays them.
function inSlices(slice) {
  var line = sliceLine();
  line.works.push(slice);
  if (line.works.length === 1) window.requestAnimationFrame(function () { line.channel.port2.postMessage(null); });
}

// Made at the first work rather than with the state, so that loading these routines opens no channel.
function sliceLine() {
  if (!state.sliceLine) {
    var line = { works: [], channel: new MessageChannel() };
    line.channel.port1.onmessage = function () { runSlice(line); };
    state.sliceLine = line;
  }
  return state.sliceLine;
}

// A work that fails is dropped, so that the works behind it still run.
function runSlice(line) {
  var end = performance.now() + SLICE_MS;
  var done = true;
  try {
    done = line.works[0](function () { return performance.now() >= end; });
  } finally {
    if (done) line.works.shift();
    if (line.works.length) line.channel.port2.postMessage(null);
  }
}
