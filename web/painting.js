// Drawing what the core holds: the line, the text area, the layout shown and
// the label; and keeping the line and the text in this browser.
import { $, core, keyboard, outUtf16, putInput, T, W } from './core_bridge.js';

const STATE_KEY = 'harf.state';
let paintedText = { clears: -1, lines: -1 };
let saveTimer = 0;

// The boxes draw glyph codes as the display font's private-use characters;
// beside them, hidden from the eye, the same lines as Unicode Arabic are
// what a screen reader reads.
function paintLine() {
  core._harf_line_box();
  const box = outUtf16();
  const cursor = core._harf_cursor();
  $('txtTBefore').textContent = box.slice(0, cursor);
  $('txtTAfter').textContent = box.slice(cursor);
  core._harf_line_text();
  $('txtTSpoken').textContent = outUtf16();
}

function paintText() {
  const now = { clears: core._harf_text_clears(), lines: core._harf_text_lines() };
  if (now.clears === paintedText.clears && now.lines === paintedText.lines) return;
  const glyphs = $('txtFGlyphs');
  const spoken = $('txtFSpoken');
  if (now.clears === paintedText.clears && now.lines > paintedText.lines && glyphs.firstChild) {
    // Only new lines since the last paint: append them.
    core._harf_text_box(paintedText.lines);
    glyphs.firstChild.appendData(outUtf16());
    core._harf_text_text(paintedText.lines);
    spoken.firstChild.appendData(outUtf16());
  } else {
    core._harf_text_box(0);
    glyphs.textContent = outUtf16();
    core._harf_text_text(0);
    spoken.textContent = outUtf16();
  }
  paintedText = now;
  glyphs.scrollTop = glyphs.scrollHeight;
}

export function paintLayout() {
  const arabic = core._harf_layout_shown() === 1;
  $('frmSyst').hidden = arabic;
  $('frmArabic').hidden = !arabic;
  $('cmdKeyb').textContent = keyboard.keyb[arabic ? 1 : 0];
}

// The line, the text area when it changed, and the label: the core's
// message, or the credit line.
export function paint() {
  paintLine();
  paintText();
  say(W.said(core._harf_said(), core._harf_said_count()) || T.credit);
  keepLater();
}

// The line, the text area and the layout shown stay in this browser until
// cleared: written shortly after a change, and at once when the page goes.
function keepLater() {
  if (saveTimer === 0) saveTimer = setTimeout(keepNow, 250);
}

export function keepNow() {
  clearTimeout(saveTimer);
  saveTimer = 0;
  if (!core) return;
  core._harf_saved();
  try {
    localStorage.setItem(STATE_KEY, outUtf16());
  } catch {
    say(T.tooLongToKeep);
  }
}

export function restore() {
  const saved = localStorage.getItem(STATE_KEY);
  if (saved === null) return;
  putInput(saved);
  core._harf_restore();
}

export function say(message) {
  $('Label1').textContent = message;
}

export function focusLine() {
  $('txtT').focus({ preventScroll: true });
}
