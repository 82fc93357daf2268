// Opening a document in the editor and reading what a user sees of it: the mode, the element
// under edit, the selection outline, the toast and the toolbar.
import { openStartPage, chooseThroughInput, waitForRuntime, writeFixture, TEST_PAGE } from './browser.mjs';

export async function openInEditor(page, dir, name, html) {
  const file = writeFixture(dir, name, html);
  await openStartPage(page, TEST_PAGE);
  await chooseThroughInput(page, file);
  await waitForRuntime(page);
  return file;
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

export function historyOf(page) {
  return page.evaluate(() => window.__lmwRuntime.state.history.map((entry) => ({ reason: entry.reason, html: entry.html })));
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

// Runs a step that replaces the document and waits for the next instance in edit mode.
export async function replacing(page, step) {
  await page.evaluate(() => { window.__lmwBefore = window.__lmwRuntime; });
  await step();
  await page.waitForFunction(() => window.__lmwRuntime !== window.__lmwBefore && window.__lmwRuntime.state.active);
}
