// The style panel's control table: eleven groups of controls, one per property or function, in
// the order the panel shows them. Only data and the small reading and writing rules it names;
// the panel builds every control from it by type.

// Colours and numbers as the controls show them.
function hex2(number) {
  var text = Number(number).toString(16).toLowerCase();
  return text.length < 2 ? '0' + text : text;
}

function toHexColor(value) {
  if (!value || value === 'transparent' || value === 'rgba(0, 0, 0, 0)') return 'transparent';
  var match = /^rgba?\(\s*(\d+)[,\s]+(\d+)[,\s]+(\d+)/i.exec(value);
  if (match) return '#' + hex2(+match[1]) + hex2(+match[2]) + hex2(+match[3]);
  if (startsWith(value, '#')) return value;
  return '#000000';
}

function computedStyleValue(element, property) {
  return window.getComputedStyle(element).getPropertyValue(property);
}

function round2(number) {
  return Math.round(number * 100) / 100;
}

function readNormalAs(fallback) {
  return function (value) {
    return value === 'normal' ? fallback : parseFloat(value);
  };
}

function readNumberOrZero(value) {
  var number = parseFloat(value);
  return isNaN(number) ? 0 : number;
}

// A line height comes computed in px; the panel shows it as a multiple of the font size.
function readLineHeight(value, element) {
  if (value === 'normal') return 1.4;
  return round2(parseFloat(value) / parseFloat(computedStyleValue(element, 'font-size')));
}

function readWholeWeight(value) {
  return String(Math.round(parseFloat(value)));
}

function readZIndex(value) {
  var number = parseInt(value, 10);
  return value === 'auto' || isNaN(number) ? 0 : number;
}

function writeWholeNumber(number) {
  return String(Math.round(number));
}

function choices(pairs) {
  return pairs.map(function (pair) { return { value: pair[0], label: pair[1] }; });
}

function slider(prop, label, min, max, step, unit, parse, format) {
  return { prop: prop, label: label, type: 'slider', min: min, max: max, step: step, unit: unit, parse: parse,
    format: format };
}

function chooser(type, prop, label, pairs, parse) {
  return { prop: prop, label: label, type: type, options: choices(pairs), parse: parse };
}

function simple(type, prop, label) {
  return { prop: prop, label: label, type: type };
}

function compound(prop, label, subFn, min, max, step, unit, defaultVal) {
  return { prop: prop, label: label, type: 'compoundSlider', subFn: subFn, min: min, max: max, step: step,
    unit: unit, defaultVal: defaultVal };
}

function styleGroup(group, collapsed, controls) {
  return { group: group, collapsed: collapsed, controls: controls };
}

var STYLE_GROUPS = [
  styleGroup('文字', false, [
    slider('fontSize', '字号', 12, 96, 1, 'px'),
    slider('lineHeight', '行高', 0.8, 3, 0.05, '', readLineHeight),
    slider('letterSpacing', '字间距', -2, 10, 0.5, 'px', readNormalAs(0)),
    chooser('select', 'fontWeight', '字重', [['100', '100 极细'], ['300', '300 细体'], ['400', '400 常规'],
      ['500', '500 中等'], ['600', '600 半粗'], ['700', '700 粗体'], ['900', '900 极粗']], readWholeWeight),
    chooser('buttonGroup', 'textAlign', '对齐', [['left', '左'], ['center', '中'], ['right', '右'],
      ['justify', '两端']]),
    simple('color', 'color', '文字颜色')
  ]),
  styleGroup('背景', false, [
    simple('color', 'backgroundColor', '背景颜色'),
    slider('opacity', '不透明度', 0, 1, 0.05, '')
  ]),
  styleGroup('间距', false, [
    simple('spacing', 'padding', '内边距'),
    simple('spacing', 'margin', '外边距')
  ]),
  styleGroup('尺寸', false, [
    simple('dimension', 'width', '宽度'),
    simple('dimension', 'height', '高度'),
    simple('dimension', 'maxWidth', '最大宽度'),
    simple('dimension', 'minHeight', '最小高度'),
    slider('borderRadius', '圆角', 0, 100, 1, 'px', readNumberOrZero)
  ]),
  styleGroup('定位', true, [
    chooser('select', 'position', '定位方式', [['static', 'static 默认'], ['relative', 'relative 相对'],
      ['absolute', 'absolute 绝对'], ['fixed', 'fixed 固定'], ['sticky', 'sticky 粘性']]),
    simple('dimension', 'top', '上偏移'),
    simple('dimension', 'right', '右偏移'),
    simple('dimension', 'bottom', '下偏移'),
    simple('dimension', 'left', '左偏移'),
    slider('zIndex', '层级', -10, 100, 1, '', readZIndex, writeWholeNumber)
  ]),
  styleGroup('边框', true, [
    slider('borderWidth', '粗细', 0, 20, 1, 'px', readNumberOrZero),
    chooser('select', 'borderStyle', '样式', [['none', 'none 无'], ['solid', 'solid 实线'], ['dashed', 'dashed 虚线'],
      ['dotted', 'dotted 点线'], ['double', 'double 双线']]),
    simple('color', 'borderColor', '颜色')
  ]),
  styleGroup('排版', true, [
    simple('dimension', 'fontFamily', '字体'),
    chooser('buttonGroup', 'fontStyle', '斜体', [['normal', '正常'], ['italic', '斜体']]),
    chooser('buttonGroup', 'textDecorationLine', '装饰', [['none', '无'], ['underline', '下划线'],
      ['line-through', '删除线']]),
    slider('textIndent', '首行缩进', 0, 80, 1, 'px', readNumberOrZero),
    chooser('select', 'whiteSpace', '换行', [['normal', 'normal 自动'], ['nowrap', 'nowrap 不换'],
      ['pre-wrap', 'pre-wrap 保留换行'], ['pre-line', 'pre-line 合并空白']]),
    slider('wordSpacing', '词间距', -5, 20, 0.5, 'px', readNormalAs(0))
  ]),
  styleGroup('布局', true, [
    chooser('select', 'display', '显示', [['block', 'block'], ['inline', 'inline'], ['inline-block', 'inline-block'],
      ['flex', 'flex'], ['inline-flex', 'inline-flex'], ['grid', 'grid'], ['none', 'none 隐藏']]),
    chooser('buttonGroup', 'flexDirection', 'Flex 方向', [['row', '横'], ['column', '竖'], ['row-reverse', '横反'],
      ['column-reverse', '竖反']]),
    chooser('select', 'justifyContent', '主轴对齐', [['flex-start', 'start'], ['center', 'center'],
      ['flex-end', 'end'], ['space-between', 'between'], ['space-around', 'around'], ['space-evenly', 'evenly']]),
    chooser('select', 'alignItems', '交叉轴对齐', [['stretch', 'stretch'], ['flex-start', 'start'],
      ['center', 'center'], ['flex-end', 'end'], ['baseline', 'baseline']]),
    chooser('buttonGroup', 'flexWrap', 'Flex 换行', [['nowrap', '不换'], ['wrap', '换行']]),
    slider('gap', '间距', 0, 60, 1, 'px', readNumberOrZero),
    chooser('select', 'overflow', '溢出', [['visible', 'visible 显示'], ['hidden', 'hidden 隐藏'],
      ['scroll', 'scroll 滚动'], ['auto', 'auto 自动']])
  ]),
  styleGroup('阴影', true, [
    { prop: 'boxShadow', label: '盒阴影', type: 'shadow', hasSpread: true },
    { prop: 'textShadow', label: '文字阴影', type: 'shadow', hasSpread: false }
  ]),
  styleGroup('效果', true, [
    compound('filter', '模糊', 'blur', 0, 20, 0.5, 'px', 0),
    compound('filter', '亮度', 'brightness', 0, 3, 0.05, '', 1),
    compound('filter', '对比度', 'contrast', 0, 3, 0.05, '', 1),
    compound('filter', '饱和度', 'saturate', 0, 3, 0.05, '', 1),
    compound('filter', '灰度', 'grayscale', 0, 1, 0.05, '', 0),
    compound('backdropFilter', '背景模糊', 'blur', 0, 30, 1, 'px', 0)
  ]),
  styleGroup('变换', true, [
    compound('transform', '旋转', 'rotate', -180, 180, 1, 'deg', 0),
    compound('transform', '缩放', 'scale', 0.1, 3, 0.05, '', 1),
    compound('transform', '水平位移', 'translateX', -200, 200, 1, 'px', 0),
    compound('transform', '垂直位移', 'translateY', -200, 200, 1, 'px', 0)
  ])
];
