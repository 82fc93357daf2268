// Opening a document in the editor and reading what a user sees of it: the mode, the element
// under edit, the selection outline, the toast and the toolbar.
import fs from 'node:fs';
import { openStartPage, chooseThroughInput, dropOnDropZone, answerPickerWith, waitForRuntime, writeFixture, TEST_PAGE } from './browser.mjs';

// With `handle`, the file is dropped onto the start page and comes with a real handle, so that
// Ctrl+S saves over it; otherwise it is chosen through the file input.
export async function openInEditor(page, dir, name, html, { handle = false } = {}) {
  const file = writeFixture(dir, name, html);
  await openStartPage(page, TEST_PAGE);
  await (handle ? dropOnDropZone(page, file) : chooseThroughInput(page, file));
  await waitForRuntime(page);
  return file;
}

// The editor's open-file button loads the start page afresh in the window; there the file is
// chosen through the picker (answered with its real handle) and opens in the editor.
export async function openFromStartPage(page, file) {
  await page.click('.__lw-import-btn');
  await page.waitForSelector('#btn-open');
  await answerPickerWith(page, file);
  await page.click('#btn-open');
  await waitForRuntime(page);
}

// Ctrl+S, then the file's bytes once the save has reported itself.
export async function saveWithCtrlS(page, file) {
  await page.keyboard.press('Control+s');
  await page.waitForFunction(() => /^已覆盖保存/.test(document.querySelector('.__lw-toast').textContent),
    null, { timeout: 30000 });
  return fs.readFileSync(file, 'utf8');
}

export function editorView(page) {
  return page.evaluate(() => {
    const toggle = document.querySelector('.__lw-toggle');
    const selOv = document.querySelector('.__lw-sel-ov');
    const editing = document.querySelector('[data-lmw-editing]');
    return {
      editMode: toggle.classList.contains('active'),
      toggleText: toggle.textContent,
      toggleTitle: toggle.title,
      toolbarVisible: document.querySelector('.__lw-toolbar').classList.contains('visible'),
      wrapped: !!document.querySelector('[data-lmw-wrapper]'),
      editingId: editing ? editing.id : null,
      selectionTag: selOv.style.display === 'block' ? selOv.querySelector('.__lw-ov-tag').textContent : null,
      toast: document.querySelector('.__lw-toast.show') ? document.querySelector('.__lw-toast').textContent : null
    };
  });
}

export async function waitForEditMode(page, on) {
  await page.waitForFunction((wanted) =>
    document.querySelector('.__lw-toggle').classList.contains('active') === wanted, on);
}

// Entering edit mode detects the pages once the next frame has laid the content out, in slices.
export function pagesDetected(page) {
  return page.waitForFunction(() => window.__lmwRuntime.state.active && !window.__lmwRuntime.state.pageDetection);
}

export function historyOf(page) {
  return page.evaluate(() => window.__lmwRuntime.state.history.map((entry) => ({ reason: entry.reason, html: entry.html })));
}

// The reasons of the history entries recorded since the stack held `count` entries.
export async function reasonsSince(page, count) {
  return (await historyOf(page)).slice(count).map((entry) => entry.reason);
}

// The viewport point of a character of an element's first text node, so a click lands between
// two known characters.
export function pointBeforeCharacter(page, selector, offset) {
  return page.evaluate(({ selector, offset }) => {
    const text = document.querySelector(selector).firstChild;
    const range = document.createRange();
    range.setStart(text, offset);
    range.setEnd(text, offset + 1);
    const box = range.getBoundingClientRect();
    return { x: box.left + 1, y: box.top + box.height / 2 };
  }, { selector, offset });
}

// Runs a step that replaces the whole document (undo, redo, a granted folder, another page of it)
// and waits for the next runtime instance to come up, in edit mode unless told otherwise.
export async function afterNewInstance(page, step, { editMode = true } = {}) {
  await page.evaluate(() => { window.__lmwRuntime.replaced = true; });
  await step();
  await page.waitForFunction((wanted) => !window.__lmwRuntime.replaced && !!document.querySelector('.__lw-toggle') &&
    document.querySelector('.__lw-toggle').classList.contains('active') === wanted, editMode, { timeout: 30000 });
}

export function pressForNewInstance(page, keys) {
  return afterNewInstance(page, () => page.keyboard.press(keys));
}

// Right-clicks the element (away from its top-left corner, where the drag handle sits) and
// chooses an item of the element menu.
export async function chooseFromElementMenu(page, selector, item, position = { x: 30, y: 8 }) {
  await page.click(selector, { button: 'right', position });
  await page.click(`.__lw-ctxmenu-item:text-is("${item}")`);
}

// Waits until the toast shows a message that begins as expected, and returns it whole.
export async function toastStartingWith(page, prefix) {
  await page.waitForFunction((start) => {
    const toast = document.querySelector('.__lw-toast');
    return toast && toast.classList.contains('show') && toast.textContent.indexOf(start) === 0;
  }, prefix);
  return page.textContent('.__lw-toast');
}

// A press at the end of an element's text and typing there: one press, one spell.
export async function typeAtEnd(page, selector, text) {
  const box = await page.locator(selector).boundingBox();
  await page.mouse.click(box.x + box.width - 2, box.y + box.height / 2);
  await page.keyboard.type(text);
}
