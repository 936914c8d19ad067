// The page with the keyboard alone and with a screen reader: the tab order,
// Enter and Space on every command, one tab stop for each on-screen keyboard
// with the arrows inside it, the boxes' Unicode Arabic, and axe-core.
const { test, expect } = require('@playwright/test');
const {
  copyWith, encodeLines, openPage, pasteWith, shape, shapeUnicode, showLayout, typeText,
  writeClipboard,
} = require('./support');

const symbol = (typed) => encodeLines([shape(typed)[0]], 'symbol');
const lineCopy = (page) => copyWith(page, () => page.keyboard.press('F5'));
const focused = (page) => page.evaluate(() => document.activeElement.id || document.activeElement.tagName);

async function tabTo(page, id) {
  for (let i = 0; i < 30; i++) {
    if ((await focused(page)) === id) return;
    await page.keyboard.press('Tab');
  }
  throw new Error(`Tab never reached ${id}`);
}

async function axeViolations(page) {
  await page.addScriptTag({ path: require.resolve('axe-core/axe.min.js') });
  const found = await page.evaluate(async () => (await window.axe.run()).violations);
  return found.map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`);
}

test.beforeEach(async ({ page }) => {
  await openPage(page);
});

test('Tab follows the screen, each keyboard is one stop', async ({ page }) => {
  await page.locator('#txtT').focus();
  const stops = [];
  for (let i = 0; i < 20; i++) {
    stops.push((await focused(page)).replace(/^cmdK_\d+$/, 'KEY'));
    await page.keyboard.press('Tab');
  }
  const first = stops.slice(0, stops.indexOf('txtT', 1)).filter((id) => id !== 'BODY');
  expect(first).toEqual([
    'txtT', 'txtF', 'cmdCopyClose', 'cmdClear', 'cmdCopyText', 'cmdClearText', 'cmdKeyb',
    'cmdCopyLineUnicode', 'cmdCopyTextUnicode', 'cmdPaste', 'cmdPasteUnicode', 'cmdPasteCodes',
    'INPUT', 'KEY',
    // The document converter below the keyboard: file, direction, columns.
    'fileConvert', 'INPUT', 'txtColumns',
  ]);
  // The focused radio button is the checked one.
  await tabTo(page, 'INPUT');
  expect(await page.evaluate(() => document.activeElement.checked)).toBe(true);
});

test('Enter and Space press the focused command instead of typing', async ({ page }) => {
  const cdp = await page.context().newCDPSession(page);
  await typeText(page, cdp, 'bbb');
  // F7 Clear Line by Enter: the line is emptied, not moved into the text.
  await tabTo(page, 'cmdClear');
  await page.keyboard.press('Enter');
  expect(await focused(page)).toBe('cmdClear');
  expect(await lineCopy(page)).toBe('');
  await expect(page.locator('#txtFGlyphs')).toHaveText('');
  // By Space: no space typed.
  await page.locator('#txtT').focus();
  await typeText(page, cdp, 'b');
  await tabTo(page, 'cmdClear');
  await page.keyboard.press(' ');
  expect(await lineCopy(page)).toBe('');

  // F5 COPY Line by Enter copies, and Enter is not the line's Enter.
  await page.locator('#txtT').focus();
  await typeText(page, cdp, "l' ");
  await tabTo(page, 'cmdCopyClose');
  expect(await copyWith(page, () => page.keyboard.press('Enter'))).toBe(symbol("l' "));
  await expect(page.locator('#txtFGlyphs')).toHaveText('');

  // Copy Line as Unicode by Space, Copy Text and Clear Text by Enter.
  await tabTo(page, 'cmdCopyLineUnicode');
  expect(await copyWith(page, () => page.keyboard.press(' '))).toBe('لا ');
  await page.locator('#txtT').focus();
  await page.keyboard.press('Enter');
  await tabTo(page, 'cmdCopyText');
  expect(await copyWith(page, () => page.keyboard.press('Enter'))).toBe(symbol("l' "));
  await tabTo(page, 'cmdClearText');
  await page.keyboard.press('Enter');
  await expect(page.locator('#txtFGlyphs')).toHaveText('');

  // The layout switch by Space, and back by Enter.
  await tabTo(page, 'cmdKeyb');
  await page.keyboard.press(' ');
  await expect(page.locator('#cmdKeyb')).toHaveText('Keyboard: Arabic');
  await page.keyboard.press('Enter');
  await expect(page.locator('#cmdKeyb')).toHaveText('Keyboard: Systematic');

  // Paste by Enter, Paste Unicode and Paste Glyph Codes by Space, Copy Text
  // as Unicode by Enter.
  await writeClipboard(page, 'بت ');
  await tabTo(page, 'cmdPaste');
  await pasteWith(page, () => page.keyboard.press('Enter'));
  expect(await lineCopy(page)).toBe(encodeLines(shapeUnicode('بت '), 'symbol'));
  await page.keyboard.press('F7');
  await writeClipboard(page, 'بت ');
  await tabTo(page, 'cmdPasteUnicode');
  await pasteWith(page, () => page.keyboard.press(' '));
  expect(await lineCopy(page)).toBe(encodeLines(shapeUnicode('بت '), 'symbol'));
  await page.locator('#txtT').focus();
  await page.keyboard.press('F7');
  await writeClipboard(page, symbol("l' "));
  await tabTo(page, 'cmdPasteCodes');
  await pasteWith(page, () => page.keyboard.press(' '));
  expect(await lineCopy(page)).toBe(symbol("l' "));
  await page.locator('#txtT').focus();
  await page.keyboard.press('Enter');
  await tabTo(page, 'cmdCopyTextUnicode');
  expect(await copyWith(page, () => page.keyboard.press('Enter'))).toBe('لا ');
});

test('inside a keyboard the arrows move, Enter and Space press the key', async ({ page }) => {
  for (const layout of ['systematic', 'arabic']) {
    await showLayout(page, layout);
    await page.locator('#cmdClear').click();
    const frame = layout === 'arabic' ? '#frmArabic' : '#frmSyst';
    await tabTo(page, await page.locator(`${frame} button[tabindex="0"]`).getAttribute('id'));
    const start = await focused(page);
    await page.keyboard.press('ArrowRight');
    const right = await focused(page);
    expect(right).not.toBe(start);
    await page.keyboard.press('ArrowLeft');
    expect(await focused(page)).toBe(start);
    await page.keyboard.press('ArrowDown');
    const down = await focused(page);
    const [a, b] = await Promise.all([start, down].map((id) => page.locator(`#${id}`).boundingBox()));
    expect(b.y).toBeGreaterThan(a.y + a.height / 2);
    // Leaving and coming back lands on the key last focused.
    await page.keyboard.press('Shift+Tab');
    await page.keyboard.press('Tab');
    expect(await focused(page)).toBe(down);
    await page.keyboard.press('Enter');
    await page.keyboard.press(' ');
    expect(await focused(page)).toBe(down);
    const name = await page.locator(`#${down}`).getAttribute('aria-label');
    await page.locator('#cmdClear').click();
    for (let i = 0; i < 2; i++) await page.locator(frame).getByRole('button', { name, exact: true }).click();
    const clicked = await lineCopy(page);
    expect(clicked.length).toBeGreaterThan(0);
    // Enter and Backspace are part of the keyboard too: top right with the
    // Systematic layout, under the keys with the Arabic one.
    await tabTo(page, down);
    if (layout === 'systematic') {
      await page.keyboard.press('ArrowUp');
      await page.keyboard.press('End');
      expect(await focused(page)).toBe('cmdBkSp');
    } else {
      for (let i = 0; i < 12; i++) await page.keyboard.press('ArrowDown');
      expect(await focused(page)).toBe('cmdEnterArabic');
      await page.keyboard.press('ArrowRight');
      expect(await focused(page)).toBe('cmdBkSpArabic');
    }
  }
});

test('after choosing the copy format, typing still reaches the line', async ({ page }) => {
  const cdp = await page.context().newCDPSession(page);
  await page.locator('input[value="latin1"]').click();
  await typeText(page, cdp, 'bt');
  expect(await lineCopy(page)).toBe(encodeLines([shape('bt')[0]], 'latin1'));
  expect(await focused(page)).toBe('txtT');
  // Space and the arrows stay the radio buttons' own.
  await page.locator('input[value="latin1"]').focus();
  await page.keyboard.press('ArrowRight');
  await expect(page.locator('input[value="windows-1252"]')).toBeChecked();
});

test('the boxes read as Unicode Arabic, right to left', async ({ page }) => {
  const cdp = await page.context().newCDPSession(page);
  await typeText(page, cdp, "bsm 'llh\r'lrHmn");
  // What Chromium hands a screen reader.
  const { nodes } = await cdp.send('Accessibility.getFullAXTree');
  const boxes = {};
  const said = [];
  for (const n of nodes) {
    const name = n.name ? n.name.value : '';
    const value = n.value ? String(n.value.value) : '';
    said.push(name, value);
    if (n.role && n.role.value === 'textbox') boxes[name] = value.trim();
  }
  // (The converter's columns field is a text box of its own, empty.)
  expect(boxes).toEqual({ Line: 'الرحمن', Text: 'بسم الله', 'Table columns (.csv, .tsv)': '' });
  // No private-use character (the glyph codes the boxes draw) reaches it.
  expect(said.join(' ')).not.toMatch(/[\uf000-\uf0ff]/);
  const spoken = page.locator('.spoken[lang="ar"][dir="rtl"]');
  await expect(spoken).toHaveCount(2);
});

test('axe-core finds no violation', async ({ page }) => {
  const cdp = await page.context().newCDPSession(page);
  await typeText(page, cdp, "bsm 'llh\r'lrHmn");
  expect(await axeViolations(page)).toEqual([]);
  await showLayout(page, 'arabic');
  expect(await axeViolations(page)).toEqual([]);
  await page.setViewportSize({ width: 360, height: 740 });
  expect(await axeViolations(page)).toEqual([]);
});
