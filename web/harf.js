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
  const STATE_KEY = 'harf.state';
  // Values of harf::ReleaseAction the page has work of its own for.
  const RELEASE_COPY_LINE = 2;

  let core = null; // the module's exports
  let keyboard = null; // the keyboard as the core describes it
  let paintedText = { clears: -1, lines: -1 };
  let saveTimer = 0;
  const W = window.HarfWords;
  const T = W.t;

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
      b.tabIndex = -1;
      b.rect = k.rect;
      b.disabled = !k.enabled;
      b.title = W.keyTooltip(k);
      // The letter's name, then the caption where it is a letter or digit,
      // so that a user who speaks to the computer can say what they see.
      const name = k.letter || T.notInUse;
      b.dataset.name = k.letter;
      const said = /[\p{L}\p{N}]/u.test(k.caption) && !name.split(' ').includes(k.caption);
      b.setAttribute('aria-label', said ? `${name} ${k.caption}` : name);
      place(b, k.rect, frame);
      if (k.picture) {
        const pic = document.createElement('span');
        // A vowel sign sits on a dotted circle, above or below it: drawn
        // smaller, so that the sign stays clear of the caption.
        pic.className = k.picture.startsWith('\u25cc') ? 'picture sign' : 'picture';
        pic.setAttribute('aria-hidden', 'true');
        pic.textContent = k.picture;
        b.appendChild(pic);
      }
      if (k.caption) {
        const cap = document.createElement('span');
        cap.className = 'caption';
        cap.setAttribute('aria-hidden', 'true');
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
        if (b && !b.disabled) cmdK_Click(Number(b.dataset.index), e);
      });
    }

    // Enter and Backspace with either layout: the Systematic frame has their
    // places; with the Arabic one shown they sit in a row under its keys.
    holders[0].append(...frameButtons('', keyboard.enter, keyboard.backspace, frame));
    const row = document.createElement('div');
    row.className = 'frame-row';
    row.append(...frameButtons('Arabic', null, null, frame));
    holders[1].appendChild(row);

    // The narrowest width at which every key of a layout is at least
    // 32 x 40 CSS pixels.
    holders.forEach((h, layout) => {
      const rects = keyboard.keys.filter((k) => k.layout === layout).map((k) => k.rect);
      const w = Math.min(...rects.map((r) => r[2]));
      const ht = Math.min(...rects.map((r) => r[3]));
      const min = Math.max((32 * frame[2]) / w, ((40 * frame[3]) / ht) * (frame[2] / frame[3]));
      h.style.setProperty('--keys-min-width', `${Math.ceil(min)}px`);
    });

    // Each keyboard is one tab stop; the arrow keys move inside it.
    for (const h of holders) {
      // The stop is the top left key until another one has had the focus.
      const keys = [...h.querySelectorAll('button.key:not(:disabled)')];
      const first = keys.reduce((a, b) =>
        (b.rect[1] < a.rect[1] || (b.rect[1] === a.rect[1] && b.rect[0] < a.rect[0]) ? b : a));
      first.tabIndex = 0;
      h.addEventListener('focusin', (e) => {
        const b = e.target.closest('button');
        if (!b) return;
        for (const o of h.querySelectorAll('button[tabindex="0"]')) o.tabIndex = -1;
        b.tabIndex = 0;
      });
    }
  }

  function frameButtons(suffix, enterRect, bkspRect, frame) {
    const enter = frameButton(`cmdEnter${suffix}`, 'Enter', enterRect, frame);
    enter.textContent = 'Enter';
    enter.title = T.enterTitle;
    enter.addEventListener('click', cmdEnter_Click);
    const bksp = frameButton(`cmdBkSp${suffix}`, T.backspace, bkspRect, frame);
    bksp.title = T.backspaceTitle;
    bksp.innerHTML =
      '<svg viewBox="0 0 20 12" aria-hidden="true"><polygon points="0,4.6 11,4.6 11,1.4 20,6 11,10.6 11,7.4 0,7.4"/></svg>';
    bksp.addEventListener('click', cmdBkSp_Click);
    return [enter, bksp];
  }

  function frameButton(id, label, rect, frame) {
    const b = document.createElement('button');
    b.type = 'button';
    b.id = id;
    b.className = 'frame-button';
    b.tabIndex = -1;
    b.setAttribute('aria-label', label);
    if (rect) {
      place(b, rect, frame);
      b.rect = rect;
    }
    return b;
  }

  // The button an arrow key moves to from `from` inside its keyboard: the
  // nearest in that direction on screen (Home and End: the row's ends).
  function neighbour(from, key) {
    const holder = from.closest('.keys');
    const all = [...holder.querySelectorAll('button:not(:disabled)')].filter((b) => b.rect);
    if (!from.rect) {
      const row = [...holder.querySelectorAll('.frame-row button')];
      const i = row.indexOf(from);
      if (key === 'ArrowLeft' || key === 'Home') return row[key === 'Home' ? 0 : Math.max(i - 1, 0)];
      if (key === 'ArrowRight' || key === 'End') {
        return row[key === 'End' ? row.length - 1 : Math.min(i + 1, row.length - 1)];
      }
      return key === 'ArrowUp' ? all[all.length - 1] : from;
    }
    const centre = (b) => [b.rect[0] + b.rect[2] / 2, b.rect[1] + b.rect[3] / 2];
    const [x, y] = centre(from);
    const half = from.rect[3] / 2;
    let best = null;
    let bestScore = Infinity;
    for (const b of all) {
      if (b === from) continue;
      const [bx, by] = centre(b);
      const dx = bx - x;
      const dy = by - y;
      const sameRow = Math.abs(dy) < half;
      let score;
      if (key === 'ArrowLeft' && sameRow && dx < 0) score = -dx;
      else if (key === 'ArrowRight' && sameRow && dx > 0) score = dx;
      else if (key === 'Home' && sameRow && dx < 0) score = dx;
      else if (key === 'End' && sameRow && dx > 0) score = -dx;
      else if (key === 'ArrowUp' && dy < -half) score = -dy * 4 + Math.abs(dx);
      else if (key === 'ArrowDown' && dy > half) score = dy * 4 + Math.abs(dx);
      else continue;
      if (score < bestScore) {
        best = b;
        bestScore = score;
      }
    }
    if (!best && key === 'ArrowDown') best = holder.querySelector('.frame-row button');
    return best || from;
  }

  // --- Painting ---------------------------------------------------------------

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
    say(W.said(core._harf_said(), core._harf_said_count()) || T.credit);
    keepLater();
  }

  // --- Kept in the browser ----------------------------------------------------

  // The line, the text area and the layout shown stay in this browser until
  // cleared: written shortly after a change, and at once when the page goes.
  function keepLater() {
    if (saveTimer === 0) saveTimer = setTimeout(keepNow, 250);
  }

  function keepNow() {
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

  function restore() {
    const saved = localStorage.getItem(STATE_KEY);
    if (saved === null) return;
    putInput(saved);
    core._harf_restore();
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
    say(ok ? describe : T.noClipboardWrite);
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

  // A click gives the line the focus, as in the window; a button pressed
  // with Enter or Space (a click of detail 0) keeps it, so that a keyboard
  // user stays where they are.
  function focusAfter(e) {
    if (!e || e.detail !== 0) focusLine();
  }

  function cmdK_Click(index, e) {
    core._harf_press(index);
    paint();
    focusAfter(e);
  }

  function cmdEnter_Click(e) {
    core._harf_enter();
    paint();
    focusAfter(e);
  }

  function cmdBkSp_Click(e) {
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

  function wire() {
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

  async function start() {
    W.wordPage();
    core = await HarfCore();
    core._harf_keyboard_json();
    keyboard = JSON.parse(outUtf8());
    buildKeys();
    restore();
    wire();
    paintLayout();
    paint();
    $('frmMain').removeAttribute('aria-busy');
    document.documentElement.dataset.ready = '1';
    performance.mark('harf-ready');
  }

  start().catch((err) => {
    say(W.fill(T.couldNotStart, err && err.message ? err.message : String(err)));
    throw err;
  });

  if ('serviceWorker' in navigator && location.protocol !== 'file:') {
    window.addEventListener('load', () => {
      navigator.serviceWorker.register('sw.js').catch(() => {});
    });
  }
})();
