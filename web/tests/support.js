// What the page's tests share: the typed-key cases, harf-shape from the native
// build as the source of expected glyph codes, real key events, the
// clipboard, and the three ways a copy can write glyph codes.
const { execFileSync } = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const { expect } = require('@playwright/test');

const ROOT = path.resolve(__dirname, '..', '..');
const HARF_SHAPE = process.env.HARF_SHAPE || path.join(ROOT, 'build', 'tools', 'harf-shape');
const HARF_CONVERT = process.env.HARF_CONVERT ||
  path.join(path.dirname(HARF_SHAPE), 'harf-convert');

// Reads tests/data/typing.tsv: layout, typed characters (escapes \s \b \r \t
// \\ \uXXXX), and the line and text columns, which these tests do not need:
// harf-shape gives the expectations.
function typingCases() {
  const file = path.join(ROOT, 'tests', 'data', 'typing.tsv');
  const cases = [];
  fs.readFileSync(file, 'utf8').split('\n').forEach((raw, i) => {
    if (raw === '' || raw.startsWith('#')) return;
    const [layout, typed] = raw.split('\t');
    cases.push({ line: i + 1, layout, typed: unescape(typed), source: raw });
  });
  return cases;
}

function unescape(s) {
  const map = { s: ' ', b: '\b', r: '\r', t: '\t', '\\': '\\' };
  let out = '';
  for (let i = 0; i < s.length; i++) {
    if (s[i] !== '\\') {
      out += s[i];
    } else if (s[i + 1] === 'u') {
      out += String.fromCodePoint(parseInt(s.slice(i + 2, i + 6), 16));
      i += 5;
    } else {
      out += map[s[i + 1]];
      i += 1;
    }
  }
  return out;
}

// The lines harf-shape prints for each of `typed` (one run per layout): for
// each, one array of glyph codes per line typed (every Enter ends one).
function shapeAll(typed, layout = 'systematic') {
  const out = execFileSync(HARF_SHAPE, ['--layout', layout], {
    input: typed.map((t) => `${t}\n`).join(''),
  });
  const printed = out.toString('utf8').replace(/\n$/, '').split('\n')
    .map((l) => (l === '' ? [] : l.split(' ').map(Number)));
  let next = 0;
  return typed.map((t) => {
    // harf-shape reads a CR right before the line feed as part of the line
    // ending; on the page it is one more Enter.
    const trailing = t.endsWith('\r');
    const count = t.split('\r').length - (trailing ? 1 : 0);
    const lines = printed.slice(next, next + count);
    next += count;
    if (trailing) lines.push([]);
    return lines;
  });
}

function shape(typed, layout = 'systematic') {
  return shapeAll([typed], layout)[0];
}

// harf-shape --from unicode: the glyph codes of each line of text.
function shapeUnicode(text) {
  const out = execFileSync(HARF_SHAPE, ['--from', 'unicode'], {
    input: text, maxBuffer: 1 << 28, stdio: ['pipe', 'pipe', 'ignore'],
  });
  return out.toString('utf8').replace(/\n$/, '').split('\n')
    .map((l) => (l === '' ? [] : l.split(' ').map(Number)));
}

// What the clipboard holds for glyph codes in each encoding, made without the
// page's code: the symbol area, Latin-1, and Windows-1252 as Chromium's own
// decoder reads it (which, like Windows, keeps the five undefined bytes as
// U+0081 …). Node's decoder will not do: it reads windows-1252 as Latin-1.
const ENCODINGS = {
  symbol: (codes) => String.fromCharCode(...codes.map((c) => 0xf000 + c)),
  latin1: (codes) => String.fromCharCode(...codes),
  'windows-1252': null,
};
let win1252 = null;

// Fills the Windows-1252 table from the browser's decoder; call once per page.
async function learnWindows1252(page) {
  if (win1252) return;
  win1252 = await page.evaluate(() => {
    const bytes = Uint8Array.from({ length: 256 }, (_, i) => i);
    return [...new TextDecoder('windows-1252').decode(bytes)];
  });
  ENCODINGS['windows-1252'] = (codes) => codes.map((c) => win1252[c]).join('');
}

// Lines of glyph codes as a text copy writes them: CR LF between lines.
function encodeLines(lines, encoding) {
  return lines.map((l) => ENCODINGS[encoding](l)).join('\r\n');
}

const US_KEYS = /^[\x20-\x7e]$/;

// Types one character as real key events: keys of a US keyboard through
// Playwright, others (ä, ö, ü, °) as the browser's own key events with that
// character, as a German keyboard sends them.
async function typeChar(page, cdp, ch) {
  if (ch === '\b') return page.keyboard.press('Backspace');
  if (ch === '\r') return page.keyboard.press('Enter');
  if (ch === '\t') return page.keyboard.press('Tab');
  if (US_KEYS.test(ch)) return page.keyboard.press(ch);
  await cdp.send('Input.dispatchKeyEvent', { type: 'keyDown', key: ch, text: ch, unmodifiedText: ch });
  await cdp.send('Input.dispatchKeyEvent', { type: 'keyUp', key: ch });
}

async function typeText(page, cdp, text) {
  for (const ch of text) await typeChar(page, cdp, ch);
}

async function openPage(page) {
  await page.goto('index.html');
  await expect(page.locator('html[data-ready="1"]')).toHaveCount(1);
  await learnWindows1252(page);
  await page.locator('#txtT').focus();
}

async function readClipboard(page) {
  return page.evaluate(() => navigator.clipboard.readText());
}

async function writeClipboard(page, text) {
  await page.evaluate((t) => navigator.clipboard.writeText(t), text);
}

// Copies with the copy button or key and reads the clipboard once the page
// has written it.
async function copyWith(page, action) {
  await page.evaluate(() => {
    window.harfCopied = new Promise((resolve) =>
      document.addEventListener('harf-copied', (e) => resolve(e.detail), { once: true }));
  });
  await action();
  const copied = await page.evaluate(async () =>
    ((await window.harfCopied) ? navigator.clipboard.readText() : null));
  expect(copied).not.toBeNull();
  return copied;
}

// Pastes with the paste button or key, and waits until the page has typed
// the clipboard's text in.
async function pasteWith(page, action) {
  await page.evaluate(() => {
    window.harfPasted = new Promise((resolve) =>
      document.addEventListener('harf-pasted', resolve, { once: true }));
  });
  await action();
  await page.evaluate(() => window.harfPasted);
}

async function chooseEncoding(page, encoding) {
  await page.locator(`input[name="encoding"][value="${encoding}"]`).check();
}

async function showLayout(page, layout) {
  const want = layout === 'arabic' ? 'Keyboard: Arabic' : 'Keyboard: Systematic';
  const keyb = page.locator('#cmdKeyb');
  if ((await keyb.textContent()) !== want) await keyb.click();
  await expect(keyb).toHaveText(want);
}

module.exports = {
  HARF_CONVERT,
  HARF_SHAPE,
  ENCODINGS,
  chooseEncoding,
  copyWith,
  encodeLines,
  openPage,
  pasteWith,
  readClipboard,
  shape,
  shapeAll,
  shapeUnicode,
  showLayout,
  typeChar,
  typeText,
  typingCases,
  writeClipboard,
};
