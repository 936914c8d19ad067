// The on-screen keyboards, built from the keyboard the core describes: each
// key placed in its frame as the window places it in twips, and the arrow
// keys' walk inside a keyboard.
import { $, keyboard, T, W } from './core_bridge.js';

const TWIPS_PER_PIXEL = 15;
const PIXELS_PER_POINT = 96 / 72;

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

export // `on` holds the handlers of a key, Enter and Backspace: {key, enter, backspace}.
function buildKeys(on) {
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
      if (b && !b.disabled) on.key(Number(b.dataset.index), e);
    });
  }

  // Enter and Backspace with either layout: the Systematic frame has their
  // places; with the Arabic one shown they sit in a row under its keys.
  holders[0].append(...frameButtons(on, '', keyboard.enter, keyboard.backspace, frame));
  const row = document.createElement('div');
  row.className = 'frame-row';
  row.append(...frameButtons(on, 'Arabic', null, null, frame));
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

function frameButtons(on, suffix, enterRect, bkspRect, frame) {
  const enter = frameButton(`cmdEnter${suffix}`, 'Enter', enterRect, frame);
  enter.textContent = 'Enter';
  enter.title = T.enterTitle;
  enter.addEventListener('click', on.enter);
  const bksp = frameButton(`cmdBkSp${suffix}`, T.backspace, bkspRect, frame);
  bksp.title = T.backspaceTitle;
  bksp.innerHTML =
    '<svg viewBox="0 0 20 12" aria-hidden="true"><polygon points="0,4.6 11,4.6 11,1.4 20,6 11,10.6 11,7.4 0,7.4"/></svg>';
  bksp.addEventListener('click', on.backspace);
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
export function neighbour(from, key) {
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
