// The shared typed-key cases typed as real key events give on the clipboard
// exactly what harf-shape gives, in each encoding a copy can write.
const { test, expect } = require('@playwright/test');
const {
  ENCODINGS, chooseEncoding, copyWith, encodeLines, openPage, shape, showLayout, typeText,
  typingCases,
} = require('./support');

test('typed-key cases copy what harf-shape gives, in every encoding', async ({ page }) => {
  await openPage(page);
  const cdp = await page.context().newCDPSession(page);
  const failures = [];
  for (const c of typingCases()) {
    // Start each case from empty boxes, as harf-shape does.
    await page.keyboard.press('F7');
    await page.locator('#cmdClearText').click();
    await showLayout(page, c.layout);
    await typeText(page, cdp, c.typed);

    const lines = shape(c.typed, c.layout);
    const line = lines.pop();
    // Enter on an empty text area with an empty line leaves it empty, so
    // leading empty lines never reach it.
    while (lines.length > 0 && lines[0].length === 0) lines.shift();
    for (const encoding of Object.keys(ENCODINGS)) {
      await chooseEncoding(page, encoding);
      await page.locator('#txtT').focus();
      const copied = await copyWith(page, () => page.keyboard.press('F5'));
      if (copied !== encodeLines([line], encoding)) {
        failures.push(`line ${c.line} (${encoding}) line copy: ${c.source}`);
      }
      if (!c.typed.includes('\r')) continue;
      const text = await copyWith(page, () => page.locator('#cmdCopyText').click());
      if (text !== encodeLines(lines, encoding)) {
        failures.push(`line ${c.line} (${encoding}) text copy: ${c.source}`);
      }
    }
  }
  expect(failures).toEqual([]);
});
