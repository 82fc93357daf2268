// The style panel: the selected element's tag and size and one control per entry of the control
// table, each showing the element's current value and writing a new one as an inline style on
// the element, or on every member of the multi-selection, one undo step per change.

var PANEL_FADE_MS = 80;
var HEX_COLOUR = /^#[0-9a-fA-F]{3,8}$/;
var SPACING_SIDES = [['Top', '上'], ['Right', '右'], ['Bottom', '下'], ['Left', '左']];
var SHADOW_LENGTHS = [
  { key: 'x', label: 'X', min: -50, max: 50 },
  { key: 'y', label: 'Y', min: -50, max: 50 },
  { key: 'blur', label: '糊', min: 0, max: 50 },
  { key: 'spread', label: '展', min: -20, max: 50 }
];
var panelRebuildTimer = null;

function toggleStylePanel() {
  if (!state.active) return;
  state.layoutOpen = !state.layoutOpen;
  refreshToolbar();
  renderStylePanel();
}

// The content fades out and is rebuilt a moment later; a rebuild asked for within that moment
// replaces the pending one, so quick successive selections build the panel once.
function renderStylePanel() {
  if (!state.layoutOpen || !ui.panelInner) return;
  ui.panelInner.classList.add('fade');
  clearTimeout(panelRebuildTimer);
  panelRebuildTimer = setTimeout(function () {
    if (state.layoutOpen) fillStylePanel();
  }, PANEL_FADE_MS);
}

// Everything is read and built apart from the document and put in at once: a read of a computed
// size after each insertion would lay out the whole document again every time.
function fillStylePanel() {
  var content = document.createDocumentFragment();
  var title = createUiElement('div', PREFIX + '-panel-title');
  title.appendChild(createUiElement('span', '', { text: '样式面板' }));
  title.appendChild(createUiElement('span', PREFIX + '-panel-subtitle', { text: panelSubtitle() }));
  content.appendChild(title);
  var shown = state.multiSelected.length ? state.multiSelected[0] : state.selected;
  if (shown) {
    content.appendChild(elementInfo(shown));
    STYLE_GROUPS.forEach(function (group) { content.appendChild(buildGroup(group)); });
  } else {
    content.appendChild(createUiElement('div', PREFIX + '-panel-empty',
      { text: '进入编辑模式后，点击页面里的标题、段落、卡片或按钮开始调整。' }));
  }
  ui.panelInner.textContent = '';
  ui.panelInner.appendChild(content);
  ui.panelInner.classList.remove('fade');
}

function panelSubtitle() {
  if (state.multiSelected.length) return '已选 ' + state.multiSelected.length + ' 个元素';
  return state.selected ? state.selected.tagName.toLowerCase() : '未选择';
}

function elementInfo(element) {
  var box = element.getBoundingClientRect();
  var info = createUiElement('div', PREFIX + '-el-info');
  info.appendChild(createUiElement('span', PREFIX + '-el-tag', { text: element.tagName.toLowerCase() }));
  info.appendChild(createUiElement('span', PREFIX + '-el-dim',
    { text: Math.round(box.width) + ' \u00d7 ' + Math.round(box.height) }));
  return info;
}

// Folding is not remembered: every rebuild starts each group as the table says. A folded group's
// controls are built when it is first unfolded, which keeps a rebuild, and so every selection
// while the panel is open, to the few groups that show.
function buildGroup(group) {
  var element = createUiElement('div', PREFIX + '-group' + (group.collapsed ? ' collapsed' : ''));
  var header = createUiElement('div', PREFIX + '-group-hd', { text: group.group });
  var body = createUiElement('div', PREFIX + '-group-bd');
  var filled = false;
  var fill = function () {
    if (filled || !state.selected) return;
    filled = true;
    group.controls.forEach(function (entry) { body.appendChild(buildControl(entry, state.selected)); });
  };
  header.addEventListener('click', function () {
    fill();
    element.classList.toggle('collapsed');
  });
  if (!group.collapsed) fill();
  element.appendChild(header);
  element.appendChild(body);
  return element;
}

var CONTROL_BUILDERS = {
  slider: buildSlider,
  select: buildSelect,
  buttonGroup: buildButtonGroup,
  color: buildColour,
  spacing: buildSpacing,
  dimension: buildDimension,
  shadow: buildShadow,
  compoundSlider: buildCompoundSlider
};

function buildControl(entry, element) {
  var control = createUiElement('div', PREFIX + '-ctrl');
  control.appendChild(createUiElement('div', PREFIX + '-ctrl-label', { text: entry.label }));
  CONTROL_BUILDERS[entry.type](control, entry, element);
  return control;
}

// The property as the element now has it goes into its text, with the addresses in it that a
// granted folder serves written as their author wrote them.
function writeStyleProperty(model, element, name) {
  var grant = folderGrant();
  var value = element.style.getPropertyValue(name);
  setStylePropertyInModel(model, element, name, grant ? authoredAddresses(value, grant) : value,
    element.style.getPropertyPriority(name));
}

function cssName(prop) {
  return prop.replace(/[A-Z]/g, function (letter) { return '-' + letter.toLowerCase(); });
}

function computedOf(element, prop) {
  return computedStyleValue(element, cssName(prop));
}

function parsedValue(entry, element) {
  var value = computedOf(element, entry.prop);
  return entry.parse ? entry.parse(value, element) : value;
}

function appendRow(control, className) {
  var row = createUiElement('div', PREFIX + '-' + className);
  control.appendChild(row);
  return row;
}

// One drag of a slider, or one run of a held key on it, is one undo step: its first input records
// the state before it, and the inputs after it record nothing until the pointer or the key is let
// go. A drag ends with the release's change event too, should the pointer be let go elsewhere.
function followSliderGestures(slider) {
  var begin = function (kind) {
    return function (event) {
      if (!event.repeat) state.sliderGesture = { slider: slider, kind: kind, recorded: false };
    };
  };
  var end = function (kind) {
    return function () {
      var gesture = state.sliderGesture;
      if (gesture && gesture.slider === slider && gesture.kind === kind) state.sliderGesture = null;
    };
  };
  slider.addEventListener('pointerdown', begin('pointer'));
  slider.addEventListener('keydown', begin('key'));
  ['pointerup', 'pointercancel', 'change'].forEach(function (type) { slider.addEventListener(type, end('pointer')); });
  slider.addEventListener('keyup', end('key'));
}

// Whether an input of the slider goes on with a gesture that has recorded its undo step already.
function continuesSliderGesture(slider) {
  var gesture = state.sliderGesture;
  if (!gesture || gesture.slider !== slider) return false;
  var recorded = gesture.recorded;
  gesture.recorded = true;
  return recorded;
}

// A range and a number box that follow each other. The box shows the number through `show`;
// every range step and every typed number reaches `onNumber`, typed ones outside the range too,
// with whether the step goes on with a slider gesture that has recorded its undo step.
function appendNumberRow(row, range, value, show, onNumber) {
  var slider = createUiElement('input', PREFIX + '-slider',
    { type: 'range', min: range.min, max: range.max, step: range.step });
  slider.value = value;
  var box = createUiElement('input', PREFIX + '-num', { type: 'text' });
  box.value = show(value);
  followSliderGestures(slider);
  // The slider's own state is settled before the document's element changes, and the box follows
  // after it: the style of each is worked out apart (see settleStyleOf).
  slider.addEventListener('input', function () {
    var number = Number(slider.value);
    settleStyleOf(slider);
    onNumber(number, continuesSliderGesture(slider));
    box.value = show(number);
  });
  box.addEventListener('change', function () {
    var number = parseFloat(box.value);
    if (isNaN(number)) return;
    slider.value = number;
    onNumber(number);
  });
  row.appendChild(slider);
  row.appendChild(box);
}

function showWithUnit(unit) {
  return function (number) { return round2(number) + unit; };
}

function buildSlider(control, entry, element) {
  var value = parseFloat(parsedValue(entry, element));
  if (isNaN(value)) value = entry.min;
  appendNumberRow(appendRow(control, 'ctrl-row'), entry, value, showWithUnit(entry.unit), function (number, recorded) {
    applyStyle(entry.prop, entry.format ? entry.format(number) : number + entry.unit, recorded);
  });
}

// The swatch takes only six-digit colours, so shorter hex forms are spelled out for it.
function swatchColour(hex) {
  if (hex.length === 4 || hex.length === 5) {
    return '#' + hex.charAt(1) + hex.charAt(1) + hex.charAt(2) + hex.charAt(2) + hex.charAt(3) + hex.charAt(3);
  }
  return hex.length > 5 ? hex.slice(0, 7) : hex;
}

// A swatch and a text box; `onColour` receives every picked or validly typed colour.
function appendColourRow(control, colour, options, onColour) {
  var row = appendRow(control, 'color-row');
  var swatch = createUiElement('input', PREFIX + '-color-input', { type: 'color' });
  swatch.value = colour === 'transparent' ? options.swatchWhenTransparent : colour;
  var box = createUiElement('input', PREFIX + '-color-hex', { type: 'text' });
  box.value = colour;
  swatch.addEventListener('input', function () {
    box.value = swatch.value;
    onColour(swatch.value);
  });
  box.addEventListener('change', function () {
    var text = box.value.trim();
    if (HEX_COLOUR.test(text)) {
      swatch.value = swatchColour(text);
      onColour(text);
    } else if (options.acceptsTransparent && text === 'transparent') {
      onColour(text);
    }
  });
  row.appendChild(swatch);
  row.appendChild(box);
}

function buildColour(control, entry, element) {
  var colour = toHexColor(computedOf(element, entry.prop));
  appendColourRow(control, colour, { swatchWhenTransparent: '#ffffff', acceptsTransparent: true }, function (value) {
    applyStyle(entry.prop, value);
  });
}

function buildSelect(control, entry, element) {
  var value = parsedValue(entry, element);
  var select = createUiElement('select', PREFIX + '-select');
  entry.options.forEach(function (option) {
    var item = createUiElement('option', '', { value: option.value, text: option.label });
    if (option.value === value) item.setAttribute('selected', '');
    select.appendChild(item);
  });
  // With no option matching, none is marked and the browser shows the first.
  select.addEventListener('change', function () { applyStyle(entry.prop, select.value); });
  control.appendChild(select);
}

function buildButtonGroup(control, entry, element) {
  var value = parsedValue(entry, element);
  var group = createUiElement('div', PREFIX + '-btn-group');
  entry.options.forEach(function (option) {
    var button = createUiElement('button', PREFIX + '-bg-item' + (option.value === value ? ' active' : ''),
      { type: 'button', text: option.label });
    button.addEventListener('click', function () {
      forEachNode(group.children, function (item) { item.classList.remove('active'); });
      button.classList.add('active');
      applyStyle(entry.prop, option.value);
    });
    group.appendChild(button);
  });
  control.appendChild(group);
}

// The stepper stops at 0, typing does not: a typed negative margin is applied as typed.
function buildSpacing(control, entry, element) {
  var grid = appendRow(control, 'sp-grid');
  SPACING_SIDES.forEach(function (side) {
    var prop = entry.prop + side[0];
    var cell = createUiElement('div');
    var input = createUiElement('input', PREFIX + '-sp-input', { type: 'number', min: 0 });
    input.value = Math.round(readNumberOrZero(computedOf(element, prop)));
    input.addEventListener('change', function () {
      applyStyle(prop, (Math.round(parseFloat(input.value)) || 0) + 'px');
    });
    cell.appendChild(createUiElement('div', PREFIX + '-sp-label', { text: side[1] }));
    cell.appendChild(input);
    grid.appendChild(cell);
  });
}

// An emptied box takes the inline value away, so the stylesheet's value applies again.
function buildDimension(control, entry, element) {
  var input = createUiElement('input', PREFIX + '-dim-input', { type: 'text', placeholder: 'auto' });
  input.value = computedOf(element, entry.prop);
  input.addEventListener('change', function () { applyStyle(entry.prop, input.value.trim()); });
  control.appendChild(input);
}

function splitOutsideParentheses(text) {
  var parts = [];
  var depth = 0;
  var start = 0;
  for (var i = 0; i < text.length; i++) {
    var character = text.charAt(i);
    if (character === '(') depth++;
    else if (character === ')') depth--;
    else if (character === ',' && depth === 0) {
      parts.push(text.slice(start, i).trim());
      start = i + 1;
    }
  }
  parts.push(text.slice(start).trim());
  return parts;
}

function parseShadow(value) {
  var shadow = { x: 0, y: 0, blur: 0, spread: 0, color: '#000000', rest: '' };
  if (!value || value === 'none') return shadow;
  var layers = splitOutsideParentheses(value);
  var first = layers[0];
  shadow.rest = layers.slice(1).join(', ');
  var colour = /rgba?\([^)]*\)/i.exec(first);
  if (colour) shadow.color = toHexColor(colour[0]);
  var lengths = first.replace(/rgba?\([^)]*\)/gi, ' ').replace(/#[0-9a-fA-F]+/g, ' ').replace(/\binset\b/gi, ' ')
    .split(/\s+/).map(parseFloat).filter(function (number) { return !isNaN(number); });
  ['x', 'y', 'blur', 'spread'].forEach(function (key, index) {
    if (index < lengths.length) shadow[key] = lengths[index];
  });
  return shadow;
}

// The word inset is never written: an inset first layer becomes an outer shadow once changed.
function composeShadow(shadow, hasSpread) {
  var parts = [shadow.x + 'px', shadow.y + 'px', shadow.blur + 'px'];
  if (hasSpread) parts.push(shadow.spread + 'px');
  parts.push(shadow.color);
  return parts.join(' ') + (shadow.rest ? ', ' + shadow.rest : '');
}

function showWholePx(number) {
  return Math.round(number) + 'px';
}

function buildShadow(control, entry, element) {
  var shadow = parseShadow(computedOf(element, entry.prop));
  var apply = function () { applyStyle(entry.prop, composeShadow(shadow, entry.hasSpread)); };
  SHADOW_LENGTHS.forEach(function (length) {
    if (length.key === 'spread' && !entry.hasSpread) return;
    var row = appendRow(control, 'ctrl-row');
    row.appendChild(createUiElement('span', PREFIX + '-shadow-label', { text: length.label }));
    var range = { min: length.min, max: length.max, step: 1 };
    appendNumberRow(row, range, shadow[length.key], showWholePx, function (number) {
      shadow[length.key] = number;
      apply();
    });
  });
  appendColourRow(control, shadow.color, { swatchWhenTransparent: '#000000', acceptsTransparent: false },
    function (colour) {
      shadow.color = colour;
      apply();
    });
}

function functionPattern(name) {
  return new RegExp(name + '\\([^)]*\\)');
}

function inlineFunctions(element, prop) {
  var value = element.style[prop] || '';
  return value === 'none' ? '' : value;
}

// The functions of one property keep the order in which they were first set, and functions the
// panel does not know stay as they are.
function setFunctionArgument(value, name, argument) {
  var call = name + '(' + argument + ')';
  var pattern = functionPattern(name);
  return pattern.test(value) ? value.replace(pattern, call) : (value + ' ' + call).trim();
}

function functionArgument(value, name) {
  var match = functionPattern(name).exec(value);
  return match ? parseFloat(match[0].slice(name.length + 1)) : NaN;
}

function buildCompoundSlider(control, entry, element) {
  var value = functionArgument(inlineFunctions(element, entry.prop), entry.subFn);
  if (isNaN(value)) value = entry.defaultVal;
  appendNumberRow(appendRow(control, 'ctrl-row'), entry, value, showWithUnit(entry.unit), function (number, recorded) {
    var current = state.selected ? inlineFunctions(state.selected, entry.prop) : '';
    applyStyle(entry.prop, setFunctionArgument(current, entry.subFn, number + entry.unit), recorded);
  });
}

// The panel is not rebuilt after a change: its controls keep what the user set. A change records
// its undo step first, unless it goes on with a slider drag that has recorded one.
function applyStyle(prop, value, recorded) {
  var targets = state.multiSelected.length ? state.multiSelected : (state.selected ? [state.selected] : []);
  if (!targets.length) return;
  var name = cssName(prop);
  editDocument({
    reason: recorded ? null : 'style',
    change: function () {
      targets.forEach(function (element) { element.style[prop] = value; });
      // Settled before the toolbar follows the change.
      settleStyleOf(targets[0]);
    },
    after: function (model) { targets.forEach(function (element) { writeStyleProperty(model, element, name); }); }
  });
  refreshSelectionOutline();
  if (state.multiSelected.length) drawMultiOutlines();
}
