'use strict';
// The page draws what the core says and hands it every key, click and command.
// It decides nothing about letters, keys or shaping itself: the keyboard, the
// typed-character lists, the length limit, the key releases and the texts a
// copy writes all come from the WebAssembly core.
(() => {
  const $ = (id) => document.getElementById(id);
  const TWIPS_PER_PIXEL = 15;
  const PIXELS_PER_POINT = 96 / 72;
  const ENCODING_KEY = 'harf.copyEncoding';
  // Values of harf::ReleaseAction the page has work of its own for.
  const RELEASE_COPY_LINE = 2;

  let core = null; // the module's exports
  let keyboard = null; // the keyboard as the core describes it
  let paintedText = { clears: -1, lines: -1 };
  const CREDIT = 'Type on the keyboard or click the keys.';

  // --- Talking to the core --------------------------------------------------

  const utf8 = new TextDecoder('utf-8');
  const utf16 = new TextDecoder('utf-16le');

  function outBytes() {
    const p = core._harf_out();
    return core.HEAPU8.subarray(p, p + core._harf_out_size());
  }
  const outUtf8 = () => utf8.decode(outBytes());
  const outUtf16 = () => utf16.decode(outBytes());

  // Copies a JavaScript string into the core's input buffer; returns its length.
  function putInput(text) {
    const p = core._harf_in(text.length);
    const units = new Uint16Array(core.HEAPU8.buffer, p, text.length);
    for (let i = 0; i < text.length; i++) units[i] = text.charCodeAt(i);
    return text.length;
  }

  // --- The keyboards --------------------------------------------------------

  function place(el, rect, frame) {
    const [left, top, width, height] = rect;
    el.style.left = `${(100 * left) / frame[2]}%`;
    el.style.top = `${(100 * top) / frame[3]}%`;
    el.style.width = `${(100 * width) / frame[2]}%`;
    el.style.height = `${(100 * height) / frame[3]}%`;
  }

  // A length in the window's points as a share of the frame's width, so that
  // captions scale with the keys; never below what a phone still shows.
  function captionSize(points, frame) {
    const share = (100 * points * PIXELS_PER_POINT * TWIPS_PER_PIXEL) / frame[2];
    return `max(${share.toFixed(3)}cqw, 9px)`;
  }

  function buildKeys() {
    const frame = keyboard.frame;
    const holders = [$('frmSyst'), $('frmArabic')].map((f) => {
      const keys = document.createElement('div');
      keys.className = 'keys';
      f.appendChild(keys);
      return keys;
    });
    keyboard.keys.forEach((k, index) => {
      const b = document.createElement('button');
      b.type = 'button';
      b.className = 'key';
      b.id = `cmdK_${index}`;
      b.dataset.index = index;
      b.disabled = !k.enabled;
      b.title = k.tooltip;
      b.setAttribute('aria-label', k.name);
      place(b, k.rect, frame);
      if (k.picture) {
        const pic = document.createElement('span');
        pic.className = 'picture';
        pic.textContent = k.picture;
        b.appendChild(pic);
      }
      if (k.caption) {
        const cap = document.createElement('span');
        cap.className = 'caption';
        cap.textContent = k.caption;
        cap.style.fontSize = captionSize(k.points, frame);
        if (k.bold) cap.style.fontWeight = 'bold';
        b.appendChild(cap);
      }
      holders[k.layout].appendChild(b);
    });
    // One listener per frame serves every key, as one handler serves the key array.
    for (const h of holders) {
      h.addEventListener('click', (e) => {
        const b = e.target.closest('button.key');
        if (b && !b.disabled) cmdK_Click(Number(b.dataset.index));
      });
    }

    const enter = frameButton('cmdEnter', 'Enter', keyboard.enter, frame);
    enter.textContent = 'Enter';
    enter.title = 'Move the line into the text (Enter)';
    enter.addEventListener('click', cmdEnter_Click);
    const bksp = frameButton('cmdBkSp', 'Backspace', keyboard.backspace, frame);
    bksp.title = 'Delete the last letter (Backspace or Delete)';
    bksp.innerHTML =
      '<svg viewBox="0 0 20 12" aria-hidden="true"><polygon points="0,4.6 11,4.6 11,1.4 20,6 11,10.6 11,7.4 0,7.4"/></svg>';
    bksp.addEventListener('click', cmdBkSp_Click);
    holders[0].append(enter, bksp);
  }

  function frameButton(id, label, rect, frame) {
    const b = document.createElement('button');
    b.type = 'button';
    b.id = id;
    b.className = 'frame-button';
    b.setAttribute('aria-label', label);
    place(b, rect, frame);
    return b;
  }

  // --- Painting ---------------------------------------------------------------

  function paintLine() {
    core._harf_line_box();
    const box = outUtf16();
    const cursor = core._harf_cursor();
    $('txtTBefore').textContent = box.slice(0, cursor);
    $('txtTAfter').textContent = box.slice(cursor);
  }

  function paintText() {
    const now = { clears: core._harf_text_clears(), lines: core._harf_text_lines() };
    if (now.clears === paintedText.clears && now.lines === paintedText.lines) return;
    const f = $('txtF');
    if (now.clears === paintedText.clears && now.lines > paintedText.lines && f.firstChild) {
      // Only new lines since the last paint: append them.
      core._harf_text_box(paintedText.lines);
      f.firstChild.appendData(outUtf16());
    } else {
      core._harf_text_box(0);
      f.textContent = outUtf16();
    }
    paintedText = now;
    f.scrollTop = f.scrollHeight;
  }

  function paintLayout() {
    const arabic = core._harf_layout_shown() === 1;
    $('frmSyst').hidden = arabic;
    $('frmArabic').hidden = !arabic;
    $('cmdKeyb').textContent = keyboard.keyb[arabic ? 1 : 0];
  }

  // The line, the text area when it changed, and the label: the core's
  // message, or the credit line.
  function paint() {
    paintLine();
    paintText();
    core._harf_message();
    say(outUtf8() || CREDIT);
  }

  function say(message) {
    $('Label1').textContent = message;
  }

  function focusLine() {
    $('txtT').focus({ preventScroll: true });
  }

  // --- Clipboard --------------------------------------------------------------

  async function writeClipboard(text) {
    try {
      await navigator.clipboard.writeText(text);
      return true;
    } catch {
      // Without the asynchronous clipboard (a page served over plain http from
      // another host) the older copy command still works inside a user action.
      const t = document.createElement('textarea');
      t.value = text;
      t.setAttribute('readonly', '');
      t.style.position = 'fixed';
      t.style.opacity = '0';
      document.body.appendChild(t);
      t.select();
      const ok = document.execCommand('copy');
      t.remove();
      focusLine();
      return ok;
    }
  }

  async function copy(what, describe) {
    const ok = await writeClipboard(what);
    say(ok ? describe : 'The browser did not allow writing to the clipboard.');
    document.dispatchEvent(new CustomEvent('harf-copied', { detail: ok }));
  }

  function encoding() {
    core._harf_encoding();
    return outUtf8();
  }

  // Hands the core an encoding's name; false when it knows no such encoding.
  function setEncoding(name) {
    putInput(name);
    return core._harf_set_encoding() === 1;
  }

  // --- Handlers ---------------------------------------------------------------

  function cmdK_Click(index) {
    core._harf_press(index);
    paint();
    focusLine();
  }

  function cmdEnter_Click() {
    core._harf_enter();
    paint();
    focusLine();
  }

  function cmdBkSp_Click() {
    core._harf_backspace();
    paint();
    focusLine();
  }

  function cmdClear_Click() {
    core._harf_clear_line();
    paint();
    focusLine();
  }

  function cmdClearText_Click() {
    core._harf_clear_text();
    paint();
    focusLine();
  }

  function cmdKeyb_Click() {
    core._harf_switch_layout();
    paintLayout();
    paint();
  }

  async function cmdCopyClose_MouseUp() {
    core._harf_line_copy();
    const text = outUtf16();
    focusLine();
    await copy(text, `Line copied (${encoding()}).`);
  }

  async function cmdCopyText_Click() {
    core._harf_text_copy();
    const text = outUtf16();
    focusLine();
    await copy(text, `Text copied (${encoding()}).`);
  }

  async function copyLineUnicode() {
    core._harf_line_unicode();
    const text = outUtf16();
    focusLine();
    await copy(text, 'Line copied as Unicode.');
  }

  async function copyTextUnicode() {
    core._harf_text_unicode();
    const text = outUtf16();
    focusLine();
    await copy(text, 'Text copied as Unicode.');
  }

  // Unicode text goes in normalised by the browser (NFKC: presentation forms
  // and the lam-alif ligatures become their letters); the core types it.
  function pasteUnicode(text) {
    putInput(text.normalize('NFKC'));
    core._harf_paste_unicode();
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
      say('The browser did not allow reading the clipboard; Ctrl+V pastes Unicode.');
      return;
    }
    paste(text);
  }

  function Form_Paste(e) {
    if (ownsKeys(e.target)) return;
    e.preventDefault();
    pasteUnicode(e.clipboardData.getData('text/plain'));
  }

  // A field of the page's own (the encoding choice) keeps its characters and
  // arrows; the bound keys (F5, F7, Backspace) work from there too.
  function ownsKeys(target) {
    return target instanceof HTMLInputElement || target instanceof HTMLTextAreaElement ||
      target instanceof HTMLSelectElement;
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
    // Browser shortcuts stay the browser's (AltGr arrives as Ctrl+Alt).
    if ((e.ctrlKey && !e.altKey) || e.metaKey) return;
    const typed = typedOf(e);
    if (typed === 0) return;
    e.preventDefault();
    core._harf_type(typed);
    paint();
    focusLine();
  }

  function Form_KeyUp(e) {
    if (ownsKeys(e.target) && e.key.startsWith('Arrow')) return;
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

  function wire() {
    $('cmdCopyClose').addEventListener('click', cmdCopyClose_MouseUp);
    $('cmdCopyText').addEventListener('click', cmdCopyText_Click);
    $('cmdClear').addEventListener('click', cmdClear_Click);
    $('cmdClearText').addEventListener('click', cmdClearText_Click);
    $('cmdKeyb').addEventListener('click', cmdKeyb_Click);
    $('txtT').addEventListener('click', txtT_Click);
    $('cmdCopyLineUnicode').addEventListener('click', copyLineUnicode);
    $('cmdCopyTextUnicode').addEventListener('click', copyTextUnicode);
    $('cmdPasteUnicode').addEventListener('click', () => fromClipboard(pasteUnicode));
    $('cmdPasteCodes').addEventListener('click', () => fromClipboard(pasteCodes));
    document.addEventListener('paste', Form_Paste);
    document.addEventListener('keydown', Form_KeyDown);
    document.addEventListener('keyup', Form_KeyUp);

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

  async function start() {
    core = await HarfCore();
    core._harf_keyboard_json();
    keyboard = JSON.parse(outUtf8());
    buildKeys();
    wire();
    paintLayout();
    paint();
    $('frmMain').removeAttribute('aria-busy');
    document.documentElement.dataset.ready = '1';
    performance.mark('harf-ready');
  }

  start().catch((err) => {
    say(`Harf could not start: ${err && err.message ? err.message : err}`);
    throw err;
  });

  if ('serviceWorker' in navigator && location.protocol !== 'file:') {
    window.addEventListener('load', () => {
      navigator.serviceWorker.register('sw.js').catch(() => {});
    });
  }
})();
