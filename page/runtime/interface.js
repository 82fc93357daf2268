// The editor's own interface, drawn into the opened document: one root that holds the toolbar,
// the find bar, the panel, the outlines, the toast and the menus, and two floating controls
// beside it in the body. Everything carries a mark that the serialiser removes.

// Toolbar buttons in their order; a tool that is not wired yet simply has no action here.
function toolbarButton(key, text, title, action) {
  var button = createUiElement('button', PREFIX + '-tb-btn', { type: 'button', title: title, text: text });
  if (action) button.addEventListener('click', action);
  ui[key] = button;
  return button;
}

function keepTextSelection(event) {
  event.preventDefault();
}

function buildFloatingControls() {
  ui.toggle = createUiElement('button', PREFIX + '-toggle',
    { type: 'button', title: '切换编辑模式 (Alt+E)', text: '开始编辑' });
  ui.toggle.addEventListener('click', toggleEditMode);
  ui.importBtn = createUiElement('button', PREFIX + '-import-btn',
    { type: 'button', title: '打开另一个 HTML 文件', text: '打开文件' });
  ui.importBtn.addEventListener('click', openAnotherFile);
}

function buildPager() {
  ui.pager = createUiElement('div', PREFIX + '-pager');
  ui.pageLabel = createUiElement('span', PREFIX + '-page-label', { text: '1/1' });
  ui.pager.appendChild(toolbarButton('prevPageBtn', '上一页', '切换到上一页 (Alt+\u2190)'));
  ui.pager.appendChild(ui.pageLabel);
  ui.pager.appendChild(toolbarButton('nextPageBtn', '下一页', '切换到下一页 (Alt+\u2192)'));
  bindPress(ui.prevPageBtn, function () { goToPage(-1); });
  bindPress(ui.nextPageBtn, function () { goToPage(1); });
  return ui.pager;
}

function buildSaveButton() {
  var button = toolbarButton('saveBtn', '保存', '', saveDocument);
  button.className += ' primary';
  button.appendChild(createUiElement('span', PREFIX + '-shortcut-hint', { text: ' (Ctrl+S)' }));
  return button;
}

function buildToolbar() {
  ui.toolbar = createUiElement('div', PREFIX + '-toolbar');
  ui.fileStatus = createUiElement('span', PREFIX + '-file-status');
  ui.breadcrumb = createUiElement('span', PREFIX + '-breadcrumb');
  var clearFormat = toolbarButton('clearFormatBtn', '清除格式', '清除选中文字或元素的内联格式', clearFormatting);
  clearFormat.addEventListener('mousedown', keepTextSelection);
  ui.zoomLabel = createUiElement('span', PREFIX + '-page-label', { text: '100%' });
  [
    ui.fileStatus,
    ui.breadcrumb,
    toolbarButton('undoBtn', '撤销', '撤销 (Ctrl+Z)', undo),
    toolbarButton('redoBtn', '重做', '重做 (Ctrl+Y)', redo),
    toolbarButton('layoutBtn', '格式调整', '显示/隐藏样式面板', toggleStylePanel),
    clearFormat,
    toolbarButton('findBtn', '查找', '打开查找与替换 (Ctrl+F)', toggleFindBar),
    toolbarButton('imageBtn', '插入图片', '插入图片到光标位置', insertImageFromPicker),
    toolbarButton('zoomInBtn', '放大', '放大 (Ctrl++)', zoomIn),
    ui.zoomLabel,
    toolbarButton('zoomOutBtn', '缩小', '缩小 (Ctrl+-)', zoomOut),
    buildPager(),
    toolbarButton('previewBtn', '预览', '切换预览模式', togglePreviewMenu),
    toolbarButton('saveAsBtn', '另存为', '保存为新的 HTML 文件 (Ctrl+Shift+S)', saveDocumentAs),
    buildSaveButton()
  ].forEach(function (child) { ui.toolbar.appendChild(child); });
}

function findBarButton(className, text, action) {
  var button = createUiElement('button', className, { type: 'button', text: text });
  button.addEventListener('click', action);
  return button;
}

function buildFindBar() {
  ui.findBar = createUiElement('div', PREFIX + '-findbar', { style: 'display:none' });
  ui.findInput = createUiElement('input', PREFIX + '-findbar-input', { type: 'text', placeholder: '查找...' });
  ui.replaceInput = createUiElement('input', PREFIX + '-findbar-input', { type: 'text', placeholder: '替换为...' });
  ui.findCount = createUiElement('span', PREFIX + '-findbar-count');
  bindFindField(ui.findInput, runFind);
  bindFindField(ui.replaceInput, replaceCurrent);
  var button = PREFIX + '-findbar-btn';
  [
    ui.findInput,
    ui.replaceInput,
    findBarButton(button + ' primary', '查找', runFind),
    findBarButton(button, '替换', replaceCurrent),
    findBarButton(button, '全部替换', replaceAll),
    ui.findCount,
    findBarButton(PREFIX + '-findbar-close', '\u2715', toggleFindBar)
  ].forEach(function (child) { ui.findBar.appendChild(child); });
}

function buildOutline(className) {
  var outline = createUiElement('div', PREFIX + '-' + className);
  outline.appendChild(createUiElement('span', PREFIX + '-ov-tag'));
  return outline;
}

function buildOverlays() {
  ui.panel = createUiElement('div', PREFIX + '-panel');
  ui.panelInner = createUiElement('div', PREFIX + '-panel-inner');
  ui.panel.appendChild(ui.panelInner);
  ui.hoverOv = buildOutline('hover-ov');
  ui.selOv = buildOutline('sel-ov');
  ui.dragHandle = createUiElement('div', PREFIX + '-drag-handle', { draggable: 'true' });
  ui.dragHandle.addEventListener('dragstart', beginElementDrag);
  ui.dragHandle.addEventListener('dragend', endElementDrag);
  ui.selOv.appendChild(ui.dragHandle);
  ui.toast = createUiElement('div', PREFIX + '-toast');
  buildElementMenu();
  ui.previewMenu = createUiElement('div', PREFIX + '-ctxmenu');
  buildPreviewMenuItems();
}

function buildInterface() {
  ui.root = createUiElement('div', '', { id: PREFIX + '-root', 'data-lmw-root': '1', 'data-lmw-ui': 'root' });
  buildFloatingControls();
  buildToolbar();
  refreshToolbar();
  buildFindBar();
  buildOverlays();
  [ui.toolbar, ui.findBar, ui.panel, ui.hoverOv, ui.selOv, ui.toast, ui.ctxMenu, ui.previewMenu]
    .forEach(function (part) { ui.root.appendChild(part); });
  [ui.root, ui.toggle, ui.importBtn]
    .forEach(function (part) { document.body.appendChild(part); });
}
