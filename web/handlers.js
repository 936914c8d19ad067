// The handlers, named after the control and event they serve, as in the
// window: each hands its event to the core and paints what the core then holds.
import { $, core, T, W, outUtf16, putInput } from './core_bridge.js';
import { neighbour } from './key_building.js';
import { focusLine, keepNow, paint, paintLayout, say } from './painting.js';
import { copy, encoding, setEncoding } from './clipboard.js';

const ENCODING_KEY = 'harf.copyEncoding';
// Values of harf::ReleaseAction the page has work of its own for.
const RELEASE_COPY_LINE = 2;

// A click gives the line the focus, as in the window; a button pressed
// with Enter or Space (a click of detail 0) keeps it, so that a keyboard
// user stays where they are.
function focusAfter(e) {
  if (!e || e.detail !== 0) focusLine();
}

export function cmdK_Click(index, e) {
  core._harf_press(index);
  paint();
  focusAfter(e);
}

export function cmdEnter_Click(e) {
  core._harf_enter();
  paint();
  focusAfter(e);
}

export function cmdBkSp_Click(e) {
  core._harf_backspace();
  paint();
  focusAfter(e);
}

function cmdClear_Click(e) {
  core._harf_clear_line();
  paint();
  focusAfter(e);
}

function cmdClearText_Click(e) {
  core._harf_clear_text();
  paint();
  focusAfter(e);
}

function cmdKeyb_Click() {
  core._harf_switch_layout();
  paintLayout();
  paint();
}

async function cmdCopyClose_MouseUp(e) {
  core._harf_line_copy();
  const text = outUtf16();
  focusAfter(e);
  await copy(text, W.fill(T.lineCopied, encoding()));
}

async function cmdCopyText_Click(e) {
  core._harf_text_copy();
  const text = outUtf16();
  focusAfter(e);
  await copy(text, W.fill(T.textCopied, encoding()));
}

async function copyLineUnicode(e) {
  core._harf_line_unicode();
  const text = outUtf16();
  focusAfter(e);
  await copy(text, T.lineCopiedUnicode);
}

async function copyTextUnicode(e) {
  core._harf_text_unicode();
  const text = outUtf16();
  focusAfter(e);
  await copy(text, T.textCopiedUnicode);
}

// The core types pasted text in (normalised by the browser's NFKC, which
// it calls itself).
function pasteUnicode(text) {
  putInput(text);
  core._harf_paste_unicode();
  pasted();
}

// The one paste: the core tells Unicode Arabic from glyph text.
function pasteAny(text) {
  putInput(text);
  core._harf_paste();
  pasted();
}

function pasteCodes(text) {
  putInput(text);
  core._harf_paste_codes();
  pasted();
}

function pasted() {
  paint();
  focusLine();
  document.dispatchEvent(new CustomEvent('harf-pasted'));
}

async function fromClipboard(paste) {
  let text;
  try {
    text = await navigator.clipboard.readText();
  } catch {
    say(T.noClipboardRead);
    return;
  }
  paste(text);
}

function Form_Paste(e) {
  if (ownsKeys(e.target)) return;
  e.preventDefault();
  pasteAny(e.clipboardData.getData('text/plain'));
}

// A text field would keep every key; the page has none, but a field added
// to it must not lose its characters to the line.
function ownsKeys(target) {
  return (target instanceof HTMLInputElement && target.type !== 'radio') ||
    target instanceof HTMLTextAreaElement || target instanceof HTMLSelectElement;
}

// Keys a focused control uses itself: Enter and Space press a button, Space
// and the arrows choose a radio button. Every other typed character still
// goes to the line.
function controlKey(target, e) {
  const activate = e.key === 'Enter' || e.key === ' ';
  if (target instanceof HTMLButtonElement) return activate;
  if (target instanceof HTMLInputElement && target.type === 'radio') {
    return e.key === ' ' || e.key.startsWith('Arrow');
  }
  return false;
}

const ROVING = new Set(['ArrowLeft', 'ArrowRight', 'ArrowUp', 'ArrowDown', 'Home', 'End']);

function inKeyboard(target) {
  return target instanceof Element && target.closest('.keys') !== null;
}

// The character a key event types, as the core takes it: 13 for Enter, the
// code point of a one-character key, or 0.
function typedOf(e) {
  if (e.key === 'Enter') return 13;
  if (e.key.length === 0 || e.key.length > 2) return 0;
  const cp = e.key.codePointAt(0);
  return String.fromCodePoint(cp) === e.key ? cp : 0;
}

function Form_KeyDown(e) {
  if (e.isComposing) return;
  const field = ownsKeys(e.target);
  if (inKeyboard(e.target) && ROVING.has(e.key) && !e.altKey && !e.ctrlKey) {
    e.preventDefault();
    neighbour(e.target, e.key).focus();
    return;
  }
  if (!field && controlKey(e.target, e)) return;
  if (e.key === 'ArrowLeft' || e.key === 'ArrowRight') {
    if (field) return;
    // The arrows move the caret as in a text box (a letter typed inside
    // joins both neighbours); the release of Right puts it back at the end.
    e.preventDefault();
    core._harf_move_cursor(e.key === 'ArrowRight' ? 1 : 0);
    paint();
    return;
  }
  // Keys bound on release (Backspace, Delete, F5, F7) must not do the
  // browser's own thing on the way down (F5 would reload the page).
  if (core._harf_key_up_action(e.keyCode) !== 0) {
    e.preventDefault();
    return;
  }
  if (field) return;
  // Browser shortcuts stay the browser's (AltGr arrives as Ctrl+Alt, and types).
  if (core._harf_is_command_chord(e.ctrlKey, e.altKey, e.metaKey)) return;
  const typed = typedOf(e);
  if (typed === 0) return;
  e.preventDefault();
  core._harf_type(typed);
  paint();
  focusLine();
}

function Form_KeyUp(e) {
  if (e.key.startsWith('Arrow') &&
      (ownsKeys(e.target) || inKeyboard(e.target) || controlKey(e.target, e))) {
    return;
  }
  const action = core._harf_release(e.keyCode);
  if (action === 0) return;
  e.preventDefault();
  paint();
  focusLine();
  if (action === RELEASE_COPY_LINE) cmdCopyClose_MouseUp();
}

function txtT_Click() {
  core._harf_click_line();
  paint();
}

export function wire() {
  $('cmdCopyClose').addEventListener('click', cmdCopyClose_MouseUp);
  $('cmdCopyText').addEventListener('click', cmdCopyText_Click);
  $('cmdClear').addEventListener('click', cmdClear_Click);
  $('cmdClearText').addEventListener('click', cmdClearText_Click);
  $('cmdKeyb').addEventListener('click', cmdKeyb_Click);
  $('txtT').addEventListener('click', txtT_Click);
  $('txtFGlyphs').addEventListener('mousedown', () => $('txtF').focus({ preventScroll: true }));
  $('cmdCopyLineUnicode').addEventListener('click', copyLineUnicode);
  $('cmdCopyTextUnicode').addEventListener('click', copyTextUnicode);
  $('cmdPasteUnicode').addEventListener('click', () => fromClipboard(pasteUnicode));
  $('cmdPasteCodes').addEventListener('click', () => fromClipboard(pasteCodes));
  $('cmdPaste').addEventListener('click', () => fromClipboard(pasteAny));
  document.addEventListener('paste', Form_Paste);
  document.addEventListener('keydown', Form_KeyDown);
  document.addEventListener('keyup', Form_KeyUp);
  window.addEventListener('pagehide', keepNow);
  document.addEventListener('visibilitychange', () => {
    if (document.visibilityState === 'hidden') keepNow();
  });

  // The choice of what a copy writes is kept in this browser.
  const saved = localStorage.getItem(ENCODING_KEY);
  if (saved === null || !setEncoding(saved)) {
    const checked = document.querySelector('input[name="encoding"]:checked');
    setEncoding(checked.value);
  }
  const chosen = encoding();
  for (const r of document.querySelectorAll('input[name="encoding"]')) {
    r.checked = r.value === chosen;
    r.addEventListener('change', () => {
      if (r.checked && setEncoding(r.value)) localStorage.setItem(ENCODING_KEY, r.value);
    });
  }
}
