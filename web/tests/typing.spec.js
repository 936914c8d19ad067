// The shared typed-key cases typed as real key events give on the clipboard
// exactly what harf-shape gives, in each encoding a copy can write.
const { test, expect } = require('@playwright/test');
const {
  ENCODINGS, chooseEncoding, copyWith, encodeLines, openPage, shapeAll, showLayout, typeText,
  typingCases,
} = require('./support');

const all = typingCases();
const shaped = new Map();
for (const layout of ['systematic', 'arabic']) {
  const some = all.filter((c) => c.layout === layout);
  shapeAll(some.map((c) => c.typed), layout).forEach((lines, i) => shaped.set(some[i], lines));
}
const cases = all.map((c) => {
  const lines = shaped.get(c);
  const line = lines.pop();
  // Enter on an empty text area with an empty line leaves it empty, so
  // leading empty lines never reach it.
  while (lines.length > 0 && lines[0].length === 0) lines.shift();
  return { ...c, expectedLine: line, expectedText: lines };
});

for (const encoding of Object.keys(ENCODINGS)) {
  test(`typed-key cases copy what harf-shape gives, as ${encoding}`, async ({ page }) => {
    await openPage(page);
    await chooseEncoding(page, encoding);
    const cdp = await page.context().newCDPSession(page);
    const failures = [];
    let layout = 'systematic';
    for (const c of cases) {
      // Each case starts from empty boxes, as harf-shape does.
      await page.keyboard.press('F7');
      if (c.layout !== layout) {
        await showLayout(page, c.layout);
        layout = c.layout;
      }
      await page.locator('#txtT').focus();
      await typeText(page, cdp, c.typed);
      const copied = await copyWith(page, () => page.keyboard.press('F5'));
      if (copied !== encodeLines([c.expectedLine], encoding)) {
        failures.push(`line ${c.line}, line copy: ${c.source}`);
      }
      if (!c.typed.includes('\r')) continue;
      const text = await copyWith(page, () => page.locator('#cmdCopyText').click());
      if (text !== encodeLines(c.expectedText, encoding)) {
        failures.push(`line ${c.line}, text copy: ${c.source}`);
      }
      await page.locator('#cmdClearText').click();
    }
    expect(failures).toEqual([]);
  });
}
