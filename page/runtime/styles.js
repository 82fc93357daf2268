// The injected stylesheet: one text for the whole interface, composed from the prefix so that no
// rule can reach the document's own elements. The root resets every inherited property, so the
// document's styles never leak into the toolbar, and it lets the pointer through to the page.

var MONO_FONTS = '"SF Mono", Monaco, Consolas, monospace';
var UI_FONTS = 'Inter, -apple-system, BlinkMacSystemFont, "Segoe UI", sans-serif';

function uiClass(name) {
  return CLASS_PREFIX + name;
}

function layer(offset) {
  return 'z-index:' + (LAYER_BASE + offset);
}

function cssRule(selector, declarations) {
  return selector + '{' + declarations.join(';') + '}';
}

function floatingControlRules() {
  var toggle = uiClass('toggle');
  var importBtn = uiClass('import-btn');
  var shared = ['position:fixed', 'top:16px', 'margin:0', 'height:38px', 'line-height:38px',
    'border-radius:9px', 'font-size:14px', 'font-weight:650', 'font-family:inherit', 'cursor:pointer',
    'pointer-events:auto', 'user-select:none', 'white-space:nowrap', layer(9),
    'transition:transform .2s ' + EASE_SPRING + ',background .2s ' + EASE_STANDARD +
      ',box-shadow .2s ' + EASE_STANDARD];
  return [
    cssRule(toggle + ',' + importBtn, shared),
    cssRule(toggle, ['right:16px', 'padding:0 20px', 'background:#2563eb', 'color:#fff',
      'border:1px solid rgba(255,255,255,.16)', 'box-shadow:0 12px 30px rgba(15,23,42,.35)']),
    cssRule(toggle + ':hover', ['background:#1d4ed8', 'box-shadow:0 16px 36px rgba(37,99,235,.3)',
      'transform:translateY(-1px)']),
    cssRule(toggle + '.active', ['background:#475569', 'border-color:rgba(148,163,184,.22)']),
    cssRule(toggle + '.active:hover', ['background:#5f6b7a']),
    cssRule(importBtn, ['right:130px', 'padding:0 18px', 'background:rgba(255,255,255,.92)', 'color:#1e293b',
      'border:1px solid rgba(148,163,184,.3)', 'box-shadow:0 12px 30px rgba(15,23,42,.18)']),
    cssRule(importBtn + ':hover', ['background:#fff', 'box-shadow:0 16px 36px rgba(15,23,42,.25)',
      'transform:translateY(-1px)']),
    cssRule(toggle + ':active,' + importBtn + ':active', ['transform:scale(.96)',
      'transition-duration:.1s'])
  ];
}

// The root contains its own layout: a change of the toolbar, the status or an outline lays out the
// interface alone, never the document behind it, which at several megabytes takes tens of
// milliseconds to lay out again from its root.
function rootRules() {
  return [
    cssRule('#' + PREFIX + '-root', ['all:initial', 'position:fixed', 'top:0', 'right:0', 'bottom:0', 'left:0',
      'pointer-events:none', 'font-family:' + UI_FONTS, 'font-size:13px', 'color:#d8dee9', 'line-height:1.4',
      'contain:strict', layer(0)]),
    cssRule('#' + PREFIX + '-root *,#' + PREFIX + '-root *::before,#' + PREFIX + '-root *::after',
      ['box-sizing:border-box']),
    '@keyframes ' + PREFIX + '-pop{from{opacity:0;transform:scale(.97)}to{opacity:1;transform:scale(1)}}'
  ];
}

function toolbarRules() {
  var button = uiClass('tb-btn');
  return [
    cssRule(uiClass('toolbar'), ['position:fixed', 'top:66px', 'right:16px', 'width:auto',
      'max-width:calc(100vw - 32px)', 'min-height:42px', 'background:rgba(15,23,42,.96)',
      'border:1px solid rgba(148,163,184,.22)', 'border-radius:10px', 'display:flex', 'flex-direction:row',
      'flex-wrap:wrap', 'align-items:center', 'justify-content:flex-end', 'padding:6px', 'gap:6px',
      'box-shadow:0 18px 45px rgba(2,6,23,.28)', 'backdrop-filter:blur(16px) saturate(1.15)',
      '-webkit-backdrop-filter:blur(16px) saturate(1.15)', 'opacity:0', 'transform:translateY(-16px)',
      'pointer-events:none', layer(5),
      'transition:opacity .3s ' + EASE_STANDARD + ',transform .35s ' + EASE_SPRING]),
    cssRule(uiClass('toolbar') + '.visible', ['opacity:1', 'transform:none', 'pointer-events:auto']),
    cssRule(button, ['height:30px', 'line-height:28px', 'margin:0', 'padding:0 11px', 'border-radius:7px',
      'border:1px solid rgba(148,163,184,.18)', 'background:rgba(255,255,255,.045)', 'color:#cbd5e1',
      'font-size:12px', 'white-space:nowrap', 'font-family:inherit', 'cursor:pointer',
      'transition:all .15s ' + EASE_STANDARD]),
    cssRule(button + ':hover', ['background:rgba(255,255,255,.09)', 'border-color:rgba(148,163,184,.3)',
      'color:#f8fafc']),
    cssRule(button + ':active', ['transform:scale(.95)', 'transition-duration:.08s']),
    cssRule(button + '.primary', ['background:#2563eb', 'border-color:#3b82f6', 'color:#fff']),
    cssRule(button + '.primary:hover', ['background:#1d4ed8', 'box-shadow:0 8px 18px rgba(37,99,235,.28)']),
    cssRule(button + ':disabled', ['opacity:.45', 'cursor:default', 'transform:none!important',
      'box-shadow:none!important']),
    cssRule(button + '.active', ['background:#334155', 'border-color:#60a5fa', 'color:#fff']),
    cssRule(uiClass('pager'), ['display:flex', 'align-items:center', 'gap:4px', 'padding:0 6px', 'margin:0 2px',
      'border-left:1px solid rgba(148,163,184,.16)', 'border-right:1px solid rgba(148,163,184,.16)']),
    cssRule(uiClass('pager') + '.hidden', ['display:none']),
    cssRule(uiClass('page-label'), ['min-width:44px', 'text-align:center', 'color:#93c5fd', 'font-size:12px',
      'font-family:' + MONO_FONTS]),
    cssRule(uiClass('file-status'), ['max-width:220px', 'overflow:hidden', 'white-space:nowrap',
      'text-overflow:ellipsis', 'color:#dbeafe', 'font-size:11px', 'font-family:' + MONO_FONTS,
      'padding:0 7px']),
    cssRule(uiClass('file-status') + '.dirty', ['color:#fde68a']),
    cssRule(uiClass('breadcrumb'), ['display:none']),
    cssRule(uiClass('shortcut-hint'), ['font-size:10px', 'opacity:.5', 'margin-left:4px'])
  ];
}

function toastRules() {
  return [
    cssRule(uiClass('toast'), ['position:fixed', 'bottom:80px', 'left:50%', 'transform:translate(-50%,8px)',
      'background:rgba(15,23,42,.92)', 'border:1px solid rgba(148,163,184,.18)', 'color:#f8fafc',
      'padding:9px 18px', 'border-radius:999px', 'font-size:13px', 'pointer-events:none', 'opacity:0',
      'box-shadow:0 16px 35px rgba(2,6,23,.32)', layer(9),
      'transition:opacity .25s ' + EASE_STANDARD + ',transform .25s ' + EASE_SPRING]),
    cssRule(uiClass('toast') + '.show', ['opacity:1', 'transform:translate(-50%,0)'])
  ];
}

// The notice about a folder to grant, and the question before leaving unsaved changes for another
// page: cards that take the pointer, over the document but under the menus.
function noticeRules() {
  var card = ['position:fixed', 'background:rgba(15,23,42,.96)', 'border:1px solid rgba(148,163,184,.22)',
    'color:#f8fafc', 'border-radius:12px', 'box-shadow:0 16px 40px rgba(2,6,23,.38)', 'pointer-events:auto',
    'font-size:13px', 'line-height:1.5', layer(8)];
  var button = ['margin:0 0 0 8px', 'height:30px', 'padding:0 12px', 'border-radius:8px', 'font:inherit',
    'font-weight:600', 'cursor:pointer', 'border:1px solid rgba(148,163,184,.3)', 'background:rgba(255,255,255,.08)',
    'color:#f8fafc', 'white-space:nowrap'];
  return [
    cssRule(uiClass('notice'), card.concat(['left:16px', 'bottom:16px', 'max-width:min(560px,calc(100vw - 32px))',
      'padding:10px 12px', 'display:none', 'align-items:center', 'gap:4px'])),
    cssRule(uiClass('notice') + '.show', ['display:flex', 'animation:' + PREFIX + '-pop .2s ' + EASE_SPRING]),
    cssRule(uiClass('notice-text'), ['flex:1']),
    cssRule(uiClass('notice-btn') + ',' + uiClass('ask-btn'), button),
    cssRule(uiClass('notice-btn') + ',' + uiClass('ask-btn') + ':first-of-type', ['background:#2563eb', 'border-color:#2563eb']),
    cssRule(uiClass('notice-close'), button.concat(['padding:0 8px', 'background:transparent', 'border-color:transparent'])),
    cssRule(uiClass('ask'), card.concat(['left:50%', 'top:30%', 'transform:translateX(-50%)', 'padding:16px 18px',
      'width:min(420px,calc(100vw - 32px))', 'text-align:right', 'animation:' + PREFIX + '-pop .2s ' + EASE_SPRING])),
    cssRule(uiClass('ask-text'), ['margin:0 0 14px', 'text-align:left'])
  ];
}

function outlineRules() {
  var handle = uiClass('drag-handle');
  return [
    cssRule(uiClass('hover-ov'), ['position:fixed', 'pointer-events:none', 'display:none',
      'border:1px dashed rgba(96,165,250,.75)', 'background:rgba(96,165,250,.08)', layer(1),
      'transition:top .1s ' + EASE_STANDARD + ',left .1s ' + EASE_STANDARD + ',width .1s ' +
        EASE_STANDARD + ',height .1s ' + EASE_STANDARD]),
    cssRule(uiClass('sel-ov'), ['position:fixed', 'pointer-events:none', 'display:none',
      'border:1px solid #60a5fa', 'background:rgba(96,165,250,.07)',
      'box-shadow:0 0 0 1px rgba(15,23,42,.7),0 0 0 4px rgba(96,165,250,.12)', layer(2),
      'animation:' + PREFIX + '-pop .2s ' + EASE_SPRING]),
    cssRule(uiClass('ov-tag'), ['position:absolute', 'top:-22px', 'left:-1px', 'background:#2563eb',
      'color:#fff', 'font-size:10px', 'padding:3px 7px', 'border-radius:6px 6px 0 0',
      'font-family:' + MONO_FONTS, 'white-space:nowrap']),
    cssRule(uiClass('multi-ov'), ['position:fixed', 'pointer-events:none', 'border:2px solid #60a5fa',
      'background:rgba(96,165,250,.1)', 'border-radius:2px', layer(1)]),
    cssRule(handle, ['position:absolute', 'top:-2px', 'left:-2px', 'width:18px', 'height:18px', 'cursor:grab',
      'background:rgba(96,165,250,.3)', 'border:1px solid rgba(96,165,250,.5)', 'border-radius:4px',
      'display:flex', 'align-items:center', 'justify-content:center', 'z-index:10', 'pointer-events:auto',
      'opacity:0', 'transition:opacity .15s ' + EASE_STANDARD]),
    cssRule(uiClass('sel-ov') + ':hover ' + handle, ['opacity:1']),
    cssRule(handle + '::after', ['content:"\u283f"', 'font-size:10px', 'color:#60a5fa', 'line-height:1'])
  ];
}

function menuRules() {
  var item = uiClass('ctxmenu-item');
  return [
    cssRule(uiClass('ctxmenu'), ['position:fixed', 'display:none', 'min-width:150px',
      'background:rgba(15,23,42,.97)', 'border:1px solid rgba(148,163,184,.2)', 'border-radius:8px',
      'padding:4px 0', 'box-shadow:0 12px 35px rgba(2,6,23,.4)', 'pointer-events:auto', layer(9)]),
    cssRule(item, ['display:flex', 'flex-direction:row', 'align-items:center', 'gap:8px', 'width:100%',
      'padding:8px 16px', 'cursor:pointer', 'color:#cbd5e1', 'font-size:12px', 'font-family:inherit',
      'text-align:left', 'border:none', 'background:none', 'transition:background .12s ' + EASE_STANDARD]),
    cssRule(item + ':hover', ['background:rgba(96,165,250,.12)', 'color:#f8fafc']),
    cssRule(item + ':active', ['background:rgba(96,165,250,.22)'])
  ];
}

var INPUT_SURFACE = ['background:rgba(15,23,42,.72)', 'border:1px solid rgba(148,163,184,.18)', 'color:#e2e8f0',
  'margin:0', 'outline:none'];
var INPUT_FOCUS = ['border-color:#60a5fa', 'box-shadow:0 0 0 2px rgba(96,165,250,.18)'];

function panelFrameRules() {
  var panel = uiClass('panel');
  return [
    cssRule(panel, ['position:fixed', 'top:120px', 'right:16px', 'bottom:16px',
      'width:min(348px, calc(100vw - 32px))', 'background:rgba(11,18,32,.97)',
      'border:1px solid rgba(148,163,184,.2)', 'border-radius:12px', 'overflow-x:hidden', 'overflow-y:auto',
      'box-shadow:0 24px 70px rgba(2,6,23,.36)', 'backdrop-filter:blur(18px) saturate(1.1)',
      '-webkit-backdrop-filter:blur(18px) saturate(1.1)', layer(4), 'opacity:0',
      'transform:translateX(24px)', 'pointer-events:none',
      'transition:opacity .3s ' + EASE_STANDARD + ',transform .4s ' + EASE_SPRING]),
    cssRule(panel + '.visible', ['opacity:1', 'transform:none', 'pointer-events:auto']),
    cssRule(panel + '::-webkit-scrollbar', ['width:6px']),
    cssRule(panel + '::-webkit-scrollbar-track', ['background:transparent']),
    cssRule(panel + '::-webkit-scrollbar-thumb', ['background:rgba(148,163,184,.3)', 'border-radius:999px']),
    cssRule(uiClass('panel-inner'), ['transition:opacity .15s ' + EASE_STANDARD]),
    cssRule(uiClass('panel-inner') + '.fade', ['opacity:0']),
    cssRule(uiClass('panel-title'), ['position:sticky', 'top:0', 'z-index:1', 'display:flex', 'align-items:center',
      'justify-content:space-between', 'gap:12px', 'padding:13px 14px',
      'border-bottom:1px solid rgba(148,163,184,.14)', 'background:rgba(11,18,32,.98)', 'color:#f8fafc',
      'font-size:13px', 'font-weight:700']),
    cssRule(uiClass('panel-subtitle'), ['font-size:11px', 'font-weight:500', 'color:#64748b']),
    cssRule(uiClass('panel-empty'), ['padding:40px 22px', 'text-align:center', 'color:#64748b', 'font-size:13px',
      'line-height:1.7']),
    cssRule(uiClass('el-info'), ['padding:12px 14px', 'border-bottom:1px solid rgba(148,163,184,.12)',
      'display:flex', 'align-items:baseline', 'gap:7px', 'background:rgba(255,255,255,.025)']),
    cssRule(uiClass('el-tag'), ['font-size:13px', 'font-weight:650', 'color:#93c5fd', 'font-family:' + MONO_FONTS]),
    cssRule(uiClass('el-dim'), ['font-size:11px', 'color:#64748b', 'font-family:' + MONO_FONTS])
  ];
}

function panelGroupRules() {
  var header = uiClass('group-hd');
  var body = uiClass('group-bd');
  var folded = uiClass('group') + '.collapsed ';
  return [
    cssRule(uiClass('group'), ['border-bottom:1px solid rgba(148,163,184,.09)']),
    cssRule(header, ['padding:13px 14px 7px', 'font-size:12px', 'font-weight:700', 'color:#e2e8f0',
      'letter-spacing:0', 'cursor:pointer', 'user-select:none', 'display:flex', 'align-items:center',
      'transition:color .15s ' + EASE_STANDARD + ',background .15s ' + EASE_STANDARD]),
    cssRule(header + ':hover', ['color:#fff', 'background:rgba(255,255,255,.025)']),
    cssRule(header + '::before', ['content:"\u25be"', 'display:inline-block', 'margin-right:6px', 'font-size:9px',
      'transition:transform .25s ' + EASE_SPRING]),
    cssRule(folded + header + '::before', ['transform:rotate(-90deg)']),
    cssRule(body, ['overflow:hidden', 'max-height:800px', 'opacity:1', 'padding:4px 14px 14px',
      'transition:max-height .3s ' + EASE_STANDARD + ',opacity .2s ' + EASE_STANDARD + ',padding .25s ' +
        EASE_STANDARD]),
    cssRule(folded + body, ['max-height:0', 'opacity:0', 'padding-top:0', 'padding-bottom:0']),
    cssRule(uiClass('ctrl'), ['margin-bottom:12px']),
    cssRule(uiClass('ctrl-label'), ['font-size:11px', 'color:#94a3b8', 'margin-bottom:7px']),
    cssRule(uiClass('ctrl-row'), ['display:flex', 'align-items:center', 'gap:10px'])
  ];
}

// One thumb for WebKit and Gecko alike.
function sliderRules() {
  var slider = uiClass('slider');
  var thumb = ['width:14px', 'height:14px', 'border-radius:50%', 'background:#60a5fa', 'border:2px solid #dbeafe',
    'box-shadow:0 2px 8px rgba(2,6,23,.35)', 'transition:transform .15s ' + EASE_SPRING + ',box-shadow .15s ' +
      EASE_STANDARD + ',background .15s ' + EASE_STANDARD];
  var thumbHover = ['transform:scale(1.18)', 'box-shadow:0 4px 12px rgba(96,165,250,.35)'];
  var thumbActive = ['transform:scale(1.08)', 'background:#3b82f6'];
  var track = ['height:4px', 'background:#334155', 'border-radius:999px'];
  return [
    cssRule(slider, ['flex:1', 'min-width:0', '-webkit-appearance:none', 'appearance:none', 'height:4px',
      'margin:0', 'background:#334155', 'border-radius:999px', 'outline:none', 'cursor:pointer']),
    cssRule(slider + ':hover', ['background:#475569']),
    cssRule(slider + '::-webkit-slider-thumb', ['-webkit-appearance:none'].concat(thumb)),
    cssRule(slider + '::-moz-range-thumb', thumb),
    cssRule(slider + '::-moz-range-track', track),
    cssRule(slider + ':hover::-webkit-slider-thumb', thumbHover),
    cssRule(slider + ':hover::-moz-range-thumb', thumbHover),
    cssRule(slider + ':active::-webkit-slider-thumb', thumbActive),
    cssRule(slider + ':active::-moz-range-thumb', thumbActive)
  ];
}

function panelFieldRules() {
  var item = uiClass('bg-item');
  var swatch = uiClass('color-input');
  var focusable = [uiClass('num'), uiClass('color-hex'), uiClass('select'), uiClass('sp-input'),
    uiClass('dim-input')];
  return [
    cssRule(uiClass('num'), INPUT_SURFACE.concat(['width:58px', 'height:28px', 'padding:0 6px', 'border-radius:7px',
      'font-size:12px', 'text-align:center', 'font-family:' + MONO_FONTS])),
    cssRule(focusable.map(function (name) { return name + ':focus'; }).join(','), INPUT_FOCUS),
    cssRule(uiClass('color-row'), ['display:flex', 'align-items:center', 'gap:10px']),
    cssRule(swatch, ['width:34px', 'height:28px', 'margin:0', 'border:1px solid rgba(148,163,184,.2)',
      'border-radius:7px', 'padding:2px', 'background:rgba(15,23,42,.72)', 'cursor:pointer',
      'transition:transform .15s ' + EASE_SPRING + ',border-color .15s ' + EASE_STANDARD]),
    cssRule(swatch + ':hover', ['border-color:#60a5fa', 'transform:translateY(-1px)']),
    cssRule(swatch + '::-webkit-color-swatch-wrapper', ['padding:0']),
    cssRule(swatch + '::-webkit-color-swatch', ['border:none', 'border-radius:5px']),
    cssRule(swatch + '::-moz-color-swatch', ['border:none', 'border-radius:5px']),
    cssRule(uiClass('color-hex'), INPUT_SURFACE.concat(['width:92px', 'height:28px', 'padding:0 8px',
      'border-radius:7px', 'font-size:12px', 'font-family:' + MONO_FONTS])),
    cssRule(uiClass('select'), INPUT_SURFACE.concat(['width:100%', 'height:30px', 'padding:0 9px',
      'border-radius:7px', 'font-size:12px', 'font-family:inherit'])),
    cssRule(uiClass('btn-group'), ['display:flex', 'flex-direction:row']),
    cssRule(item, ['flex:1', 'height:30px', 'margin:0', 'padding:0 8px', 'background:rgba(255,255,255,.045)',
      'border:1px solid rgba(148,163,184,.14)', 'color:#94a3b8', 'font-size:12px', 'font-family:inherit',
      'cursor:pointer', 'transition:all .15s ' + EASE_STANDARD]),
    cssRule(item + ' + ' + item, ['border-left:none']),
    cssRule(item + ':first-child', ['border-radius:7px 0 0 7px']),
    cssRule(item + ':last-child', ['border-radius:0 7px 7px 0']),
    cssRule(item + ':only-child', ['border-radius:7px']),
    cssRule(item + ':hover', ['background:rgba(255,255,255,.08)', 'color:#e2e8f0']),
    cssRule(item + ':active', ['transform:scaleY(.93)']),
    cssRule(item + '.active', ['background:#2563eb', 'border-color:#3b82f6', 'color:#fff',
      'box-shadow:0 6px 14px rgba(37,99,235,.22)']),
    cssRule(uiClass('sp-grid'), ['display:grid', 'grid-template-columns:repeat(4,1fr)', 'gap:6px']),
    cssRule(uiClass('sp-label'), ['font-size:10px', 'color:#64748b', 'text-align:center', 'margin-bottom:3px']),
    cssRule(uiClass('sp-input'), INPUT_SURFACE.concat(['width:100%', 'height:28px', 'padding:0 3px',
      'border-radius:7px', 'font-size:11px', 'text-align:center', 'font-family:' + MONO_FONTS])),
    cssRule(uiClass('dim-input'), INPUT_SURFACE.concat(['width:100%', 'height:30px', 'padding:0 9px',
      'border-radius:7px', 'font-size:12px', 'font-family:' + MONO_FONTS])),
    cssRule(uiClass('shadow-label'), ['width:28px', 'font-size:11px', 'color:#94a3b8', 'flex-shrink:0'])
  ];
}

function findBarRules() {
  var input = uiClass('findbar-input');
  var button = uiClass('findbar-btn');
  var close = uiClass('findbar-close');
  var highlight = uiClass('search-highlight');
  return [
    cssRule(uiClass('findbar'), ['display:flex', 'flex-direction:row', 'align-items:center', 'gap:6px',
      'padding:6px 8px', 'background:rgba(15,23,42,.96)', 'border-bottom:1px solid rgba(148,163,184,.14)',
      'pointer-events:auto', 'width:100%']),
    cssRule(input, INPUT_SURFACE.concat(['height:28px', 'padding:0 8px', 'border-radius:6px', 'font-size:12px',
      'font-family:inherit', 'width:140px', 'transition:border-color .15s ' + EASE_STANDARD])),
    cssRule(input + ':focus', ['border-color:#60a5fa']),
    cssRule(button, ['height:28px', 'margin:0', 'padding:0 10px', 'border-radius:6px',
      'border:1px solid rgba(148,163,184,.18)', 'background:rgba(255,255,255,.045)', 'color:#cbd5e1',
      'font-size:12px', 'font-family:inherit', 'white-space:nowrap', 'cursor:pointer',
      'transition:all .15s ' + EASE_STANDARD]),
    cssRule(button + ':hover', ['background:rgba(255,255,255,.09)', 'color:#f8fafc']),
    cssRule(button + '.primary', ['background:#2563eb', 'border-color:#3b82f6', 'color:#fff']),
    cssRule(button + '.primary:hover', ['background:#1d4ed8']),
    cssRule(uiClass('findbar-count'), ['color:#94a3b8', 'font-size:11px', 'min-width:30px', 'text-align:center']),
    cssRule(close, ['width:28px', 'height:28px', 'margin:0', 'padding:0', 'border:none', 'background:none',
      'color:#94a3b8', 'font-size:16px', 'line-height:28px', 'text-align:center', 'cursor:pointer',
      'transition:color .15s ' + EASE_STANDARD]),
    cssRule(close + ':hover', ['color:#fff']),
    // The highlight sits inside the document's own text, so it must win over the document's rules.
    cssRule(highlight, ['background:rgba(234,179,8,.35)!important', 'border-radius:2px']),
    cssRule(highlight + '.active', ['background:rgba(234,179,8,.65)!important'])
  ];
}

function contentWrapperRules() {
  return [
    cssRule(uiClass('zoom-container'), ['transform-origin:50% 0',
      'transition:transform .15s ' + EASE_STANDARD]),
    cssRule(uiClass('preview-container'), ['overflow:auto', 'margin:0 auto',
      'transition:width .3s ' + EASE_STANDARD])
  ];
}

// A 46px square cannot hold the toggle's label on one line, so in narrow windows the label
// breaks into two short lines inside it. The toolbar spans the top edge there, so the open-file
// button moves down beside the toggle instead of covering the toolbar's buttons.
function narrowWindowRules() {
  return '@media (max-width:720px){' + [
    cssRule(uiClass('toggle'), ['top:auto', 'right:16px', 'bottom:16px', 'width:46px', 'height:46px',
      'padding:0 8px', 'font-size:12px', 'line-height:1.15', 'white-space:normal']),
    cssRule(uiClass('import-btn'), ['top:auto', 'right:72px', 'bottom:16px', 'height:46px', 'line-height:46px']),
    cssRule(uiClass('toolbar'), ['top:8px', 'left:8px', 'right:8px', 'max-width:none',
      'justify-content:flex-start', 'max-height:120px', 'overflow:auto']),
    cssRule(uiClass('tb-btn'), ['height:32px', 'line-height:30px', 'padding:0 10px']),
    cssRule(uiClass('pager'), ['margin-left:0', 'padding-left:4px', 'padding-right:4px', 'border-left:none']),
    cssRule(uiClass('toast'), ['bottom:24px', 'max-width:calc(100vw - 24px)', 'text-align:center']),
    cssRule(uiClass('ctxmenu'), ['font-size:12px']),
    cssRule(uiClass('panel'), ['top:auto', 'left:8px', 'right:8px', 'bottom:8px', 'width:auto', 'height:42vh',
      'max-height:360px', 'border-radius:12px']),
    cssRule(uiClass('panel-empty'), ['padding:32px 16px']),
    cssRule(uiClass('sp-grid'), ['gap:5px']),
    cssRule(uiClass('findbar'), ['flex-wrap:wrap']),
    cssRule(uiClass('findbar-input'), ['width:100px'])
  ].join('') + '}';
}

function runtimeStylesheet() {
  return [].concat(rootRules(), floatingControlRules(), toolbarRules(), toastRules(), noticeRules(), outlineRules(),
    menuRules(), findBarRules(), panelFrameRules(), panelGroupRules(), sliderRules(), panelFieldRules(),
    contentWrapperRules(), [narrowWindowRules()]).join('\n');
}
