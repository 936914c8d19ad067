// Unicode in and out, and glyph-code text pasted back: the page against
// harf-shape and harf-convert, which take the native core with ICU.
const { execFileSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { test, expect } = require('@playwright/test');
const {
  ENCODINGS, HARF_CONVERT, HARF_SHAPE, chooseEncoding, copyWith, encodeLines, openPage, pasteWith,
  shape, shapeUnicode, showLayout, typeText, writeClipboard,
} = require('./support');

// harf-convert --to legacy: Unicode text typed through the native core as a
// paste types it, in lines a typist would make; the glyph codes of each line.
function convertAsPasted(text) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'harf-web-'));
  try {
    fs.writeFileSync(path.join(dir, 'in.txt'), text);
    execFileSync(HARF_CONVERT, ['--to', 'legacy', '--encoding', 'latin1', '-o',
      path.join(dir, 'out.txt'), path.join(dir, 'in.txt')], { stdio: 'ignore' });
    const bytes = fs.readFileSync(path.join(dir, 'out.txt'));
    const lines = [[]];
    for (const b of bytes) {
      if (b === 10) lines.push([]);
      else if (b !== 13) lines[lines.length - 1].push(b);
    }
    if (lines[lines.length - 1].length === 0) lines.pop();
    return lines;
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
}

function shapeToUnicode(typed) {
  const out = execFileSync(HARF_SHAPE, ['--format', 'unicode'], { input: `${typed}\n` });
  return out.toString('utf8').replace(/\n$/, '');
}

test.beforeEach(async ({ page }) => {
  await openPage(page);
  await chooseEncoding(page, 'latin1');
});

const lineCopy = (page) => copyWith(page, () => page.locator('#cmdCopyClose').click());
const textCopy = (page) => copyWith(page, () => page.locator('#cmdCopyText').click());

test('the line and the text copy as Unicode, numbers as read on screen', async ({ page }) => {
  const cdp = await page.context().newCDPSession(page);
  await typeText(page, cdp, "bsm 'llh\r*'m 2024");
  expect(await copyWith(page, () => page.locator('#cmdCopyLineUnicode').click()))
    .toBe(shapeToUnicode("*'m 2024"));
  expect(await copyWith(page, () => page.locator('#cmdCopyTextUnicode').click()))
    .toBe(shapeToUnicode("bsm 'llh"));
});

test('Unicode pastes as harf-shape types it, presentation forms and all', async ({ page }) => {
  // Lam-alif and ba as presentation forms, digits, a Latin letter to leave out.
  const text = 'بسم الله \uFEFB\uFE8F عام 2024 x\r\nالرحمن';
  await writeClipboard(page, text);
  await pasteWith(page, () => page.locator('#cmdPasteUnicode').click());
  await expect(page.locator('#Label1')).toContainText('1 character was left out');
  const expected = shapeUnicode(text);
  expect(await lineCopy(page)).toBe(encodeLines([expected[1]], 'latin1'));
  expect(await textCopy(page)).toBe(encodeLines([expected[0]], 'latin1'));
});

test('Ctrl+V pastes Unicode and glyph text of every kind, each as what it is', async ({ page }) => {
  const cdp = await page.context().newCDPSession(page);
  const typed = "bsm 'llh 'lrHmn 'lrHym";
  await typeText(page, cdp, typed);
  const ctrlV = async (text) => {
    await page.locator('#cmdClear').click();
    await writeClipboard(page, text);
    await pasteWith(page, () => page.keyboard.press('Control+V'));
    return lineCopy(page);
  };
  const own = await lineCopy(page);
  for (const encoding of Object.keys(ENCODINGS)) {
    await chooseEncoding(page, encoding);
    const copied = await lineCopy(page);
    await chooseEncoding(page, 'latin1');
    expect(await ctrlV(copied), encoding).toBe(own);
    await expect(page.locator('#Label1')).not.toContainText('left out');
    await chooseEncoding(page, encoding);
  }
  await chooseEncoding(page, 'latin1');
  const unicode = 'بسم الله \uFEFB 2024';
  expect(await ctrlV(unicode)).toBe(encodeLines(shapeUnicode(unicode), 'latin1'));
  // Focus on a command button changes nothing.
  await page.locator('#cmdClear').click();
  await writeClipboard(page, 'لا ');
  await page.locator('#cmdCopyText').focus();
  await pasteWith(page, () => page.keyboard.press('Control+V'));
  expect(await lineCopy(page)).toBe(encodeLines(shapeUnicode('لا '), 'latin1'));
});

test('an Arabic keyboard types its letters in either layout, as Paste Unicode does', async ({ page }) => {
  const cdp = await page.context().newCDPSession(page);
  // Letters, a lam-alif presentation form, a vowel sign, the Arabic comma
  // and question mark give what pasting the text gives; digits, each typed
  // on its own, what typing them on the Systematic keys gives.
  const text = 'بسمِ الله \uFEFB كيف؟ ،';
  const digits = '٢٠٢٤ ';
  const expected = [shapeUnicode(text)[0], shape('2024 ')[0]];
  for (const layout of ['systematic', 'arabic']) {
    await showLayout(page, layout);
    const got = [];
    for (const t of [text, digits]) {
      await page.locator('#cmdClear').click();
      await page.locator('#txtT').focus();
      await typeText(page, cdp, t);
      got.push(await lineCopy(page));
    }
    expect(got, layout).toEqual(expected.map((codes) => encodeLines([codes], 'latin1')));
  }
  // Typing stops at 45 glyphs for Arabic letters too.
  await page.locator('#cmdClear').click();
  await page.locator('#txtT').focus();
  await typeText(page, cdp, 'ب'.repeat(50));
  expect((await lineCopy(page)).length).toBe(45);
});

test('glyph-code text in every encoding pastes back into the lines it came from', async ({ page }) => {
  const cdp = await page.context().newCDPSession(page);
  await typeText(page, cdp, "bsm 'llh\r'lrHmn 'lrHym\r*'m 2024 dK");
  for (const encoding of Object.keys(ENCODINGS)) {
    await chooseEncoding(page, encoding);
    await page.locator('#txtT').focus();
    await page.keyboard.press('Enter');
    const copied = await textCopy(page);
    await page.locator('#cmdClearText').click();
    await writeClipboard(page, copied);
    await pasteWith(page, () => page.locator('#cmdPasteCodes').click());
    // The last pasted line is in the line box; Enter puts it back.
    await page.keyboard.press('Enter');
    expect(await textCopy(page), encoding).toBe(copied);
    // The text area shows the same codes (drawn from the symbol area), the
    // line Enter added appended to what the paste put there.
    if (encoding === 'symbol') {
      expect(await page.locator('#txtFGlyphs').evaluate((f) => f.textContent))
        .toBe(copied.replaceAll('\r\n', '\n'));
    }
    await page.locator('#cmdClearText').click();
    await writeClipboard(page, copied);
    await pasteWith(page, () => page.locator('#cmdPasteCodes').click());
  }
});

test('a 1 MB Unicode paste', async ({ page }) => {
  const words = ['بسم', 'الله', 'الرحمن', 'الرحيم', 'عام', '2024', 'لا', 'كتب', 'مدرسة', 'ﻻ'];
  const lines = [];
  let size = 0;
  for (let i = 0; size < 1 << 20; i++) {
    const line = `${words[i % 10]} ${words[(i * 7 + 3) % 10]} ${words[(i * 3 + 1) % 10]}`;
    lines.push(line);
    size += Buffer.byteLength(line) + 1;
  }
  const text = lines.join('\n');
  await writeClipboard(page, text);
  await pasteWith(page, () => page.locator('#cmdPasteUnicode').click());
  const expected = convertAsPasted(text);
  expect(await lineCopy(page)).toBe(encodeLines([expected.pop()], 'latin1'));
  expect(await textCopy(page)).toBe(encodeLines(expected, 'latin1'));
  // The boxes show it all.
  const shown = await page.locator('#txtFGlyphs').evaluate((f) => f.textContent.split('\n').length);
  expect(shown).toBe(expected.length);
});
