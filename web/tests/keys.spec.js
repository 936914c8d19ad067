// Clicks on the on-screen keys and commands, the layout switch, the keys the
// page takes from the browser, and what the page remembers.
const { test, expect } = require('@playwright/test');
const {
  chooseEncoding, copyWith, encodeLines, openPage, shape, showLayout, typeText,
} = require('./support');

const latin1 = (codes) => encodeLines([codes], 'latin1');

async function copyLine(page) {
  return copyWith(page, () => page.locator('#cmdCopyClose').click());
}

// The key of the layout shown whose accessible name is `name`.
function key(page, layout, name) {
  const frame = layout === 'arabic' ? '#frmArabic' : '#frmSyst';
  return page.locator(frame).locator(`button.key[data-name="${name}"]`);
}

test.beforeEach(async ({ page }) => {
  await openPage(page);
  await chooseEncoding(page, 'latin1');
});

test('clicked keys shape like typed ones, in both layouts', async ({ page }) => {
  for (const name of ['ba', 'lam', 'alif', 'space', 'mim']) await key(page, 'syst', name).click();
  expect(await copyLine(page)).toBe(latin1(shape("bl' m")[0]));

  await page.locator('#cmdClear').click();
  await showLayout(page, 'arabic');
  await expect(page.locator('#frmSyst')).toBeHidden();
  await expect(page.locator('#frmArabic')).toBeVisible();
  // Arabic keys enter letters through the core's own key-to-letter table.
  for (const name of ['lam', 'alif', 'space']) await key(page, 'arabic', name).click();
  expect(await copyLine(page)).toBe(latin1(shape('gh ', 'arabic')[0]));

  await showLayout(page, 'systematic');
  await expect(page.locator('#frmArabic')).toBeHidden();
  await expect(page.locator('#frmSyst')).toBeVisible();
});

test('the layout switch names the layout shown and changes the typed characters', async ({ page }) => {
  const keyb = page.locator('#cmdKeyb');
  const cdp = await page.context().newCDPSession(page);
  await expect(keyb).toHaveText('Keyboard: Systematic');
  await keyb.click();
  await expect(keyb).toHaveText('Keyboard: Arabic');
  await page.locator('#txtT').focus();
  await typeText(page, cdp, 'hgd');
  expect(await copyLine(page)).toBe(latin1(shape('hgd', 'arabic')[0]));
  await keyb.click();
  await expect(keyb).toHaveText('Keyboard: Systematic');
  // The switch leaves the line alone; typing goes on with the other list.
  await page.locator('#txtT').focus();
  await typeText(page, cdp, 'b');
  const line = await copyLine(page);
  expect(line).not.toBe(latin1(shape('hgd', 'arabic')[0]));
  expect(line.length).toBe(shape('hgd', 'arabic')[0].length + 1);
});

test('every key is a button named for its letter, with a tooltip', async ({ page }) => {
  const keys = page.locator('button.key');
  await expect(keys).toHaveCount(136);
  const named = await keys.evaluateAll((bs) =>
    bs.filter((b) => b.getAttribute('aria-label') && b.title).length);
  expect(named).toBe(136);
  await expect(key(page, 'syst', 'hha')).toHaveAttribute('title', /type “H”/);
  await expect(page.locator('#frmSyst').getByRole('button', { name: 'Backspace' })).toBeVisible();
  await expect(page.locator('#frmSyst').getByRole('button', { name: 'Enter' })).toBeVisible();
});

test('disabled keys do nothing on a click; typing still reaches their letters', async ({ page }) => {
  const fatha = key(page, 'syst', 'fatha');
  await expect(fatha).toBeDisabled();
  await fatha.click({ force: true });
  expect(await copyLine(page)).toBe('');
  const cdp = await page.context().newCDPSession(page);
  await page.locator('#txtT').focus();
  await typeText(page, cdp, 'ba');
  expect(await copyLine(page)).toBe(latin1(shape('ba')[0]));
});

test('typing stops at 45 glyphs, clicks do not', async ({ page }) => {
  const cdp = await page.context().newCDPSession(page);
  await page.locator('#txtT').focus();
  await typeText(page, cdp, '1'.repeat(50));
  expect(await copyLine(page)).toBe(latin1(shape('1'.repeat(50))[0]));
  expect((await copyLine(page)).length).toBe(45);
  await key(page, 'syst', 'digit 2').click();
  expect((await copyLine(page)).length).toBe(46);
});

test('commands: Enter, Backspace, Clear Line, Clear Text, F7, Right arrow', async ({ page }) => {
  const cdp = await page.context().newCDPSession(page);
  await page.locator('#txtT').focus();
  await typeText(page, cdp, 'bbb');
  await page.locator('#cmdBkSp').click();
  expect(await copyLine(page)).toBe(latin1(shape('bbb\b')[0]));
  await page.locator('#cmdEnter').click();
  expect(await copyLine(page)).toBe('');
  await typeText(page, cdp, 'l');
  await page.keyboard.press('Enter');
  const text = await copyWith(page, () => page.locator('#cmdCopyText').click());
  expect(text).toBe(encodeLines([shape('bbb\b')[0], shape('l')[0]], 'latin1'));
  // Enter moved the line, so both boxes show what the core holds.
  await expect(page.locator('#txtFGlyphs')).toHaveText(/\uf06b.*\n.*\uf0de/s);

  // Held down, Right moves the caret into the line; a letter typed there
  // joins both neighbours. Its release puts the caret back at the end.
  await typeText(page, cdp, 'bb');
  await page.keyboard.down('ArrowRight');
  await typeText(page, cdp, 'l');
  const inside = await copyLine(page);
  expect(inside.length).toBe(4);
  expect(inside).not.toBe(latin1(shape('bbl')[0]));
  await page.keyboard.up('ArrowRight');
  await typeText(page, cdp, 'n');
  const after = await copyLine(page);
  expect(after.length).toBe(5);
  expect(after.slice(2)).toBe(inside.slice(1));

  await page.keyboard.press('F7');
  expect(await copyLine(page)).toBe('');
  await page.locator('#cmdClearText').click();
  expect(await copyWith(page, () => page.locator('#cmdCopyText').click())).toBe('');
});

test('F5 copies the line instead of reloading the page', async ({ page }) => {
  const cdp = await page.context().newCDPSession(page);
  await page.evaluate(() => { window.notReloaded = true; });
  await page.locator('#txtT').focus();
  await typeText(page, cdp, "l' ");
  expect(await copyWith(page, () => page.keyboard.press('F5'))).toBe(latin1(shape("l' ")[0]));
  expect(await page.evaluate(() => window.notReloaded)).toBe(true);
});

test('the copy encoding is remembered across visits; symbol by default', async ({ page }) => {
  await page.evaluate(() => localStorage.clear());
  await page.reload();
  await expect(page.locator('html[data-ready="1"]')).toHaveCount(1);
  await expect(page.locator('input[value="symbol"]')).toBeChecked();
  await key(page, 'syst', 'ba').click();
  expect(await copyLine(page)).toBe(encodeLines([shape('b')[0]], 'symbol'));
  await chooseEncoding(page, 'windows-1252');
  await page.reload();
  await expect(page.locator('html[data-ready="1"]')).toHaveCount(1);
  await expect(page.locator('input[value="windows-1252"]')).toBeChecked();
  // A stored name the core does not know leaves the default in force.
  await page.evaluate(() => localStorage.setItem('harf.copyEncoding', 'symbolic'));
  await page.reload();
  await expect(page.locator('html[data-ready="1"]')).toHaveCount(1);
  await expect(page.locator('input[value="symbol"]')).toBeChecked();
});

test('line, text and layout survive a reload and a closed tab, until cleared', async ({ page, context }) => {
  const cdp = await page.context().newCDPSession(page);
  await typeText(page, cdp, "bsm 'llh\r'lr");
  await showLayout(page, 'arabic');
  await typeText(page, cdp, 'hgd');
  const line = await copyLine(page);
  const text = await copyWith(page, () => page.locator('#cmdCopyText').click());
  const unicode = await copyWith(page, () => page.locator('#cmdCopyLineUnicode').click());
  const again = async (p) => {
    await expect(p.locator('html[data-ready="1"]')).toHaveCount(1);
    await expect(p.locator('#cmdKeyb')).toHaveText('Keyboard: Arabic');
    await expect(p.locator('#frmArabic')).toBeVisible();
    expect(await copyWith(p, () => p.locator('#cmdCopyClose').click())).toBe(line);
    expect(await copyWith(p, () => p.locator('#cmdCopyText').click())).toBe(text);
    expect(await copyWith(p, () => p.locator('#cmdCopyLineUnicode').click())).toBe(unicode);
  };
  await page.reload();
  await again(page);
  // Backspace goes on from the letters kept.
  await page.locator('#txtT').focus();
  await page.keyboard.press('Backspace');
  const shorter = await copyLine(page);
  await page.close();
  const tab = await context.newPage();
  await tab.goto('index.html');
  await expect(tab.locator('html[data-ready="1"]')).toHaveCount(1);
  expect(await copyWith(tab, () => tab.locator('#cmdCopyClose').click())).toBe(shorter);
  await tab.locator('#cmdClear').click();
  await tab.locator('#cmdClearText').click();
  await tab.reload();
  await expect(tab.locator('html[data-ready="1"]')).toHaveCount(1);
  expect(await copyWith(tab, () => tab.locator('#cmdCopyClose').click())).toBe('');
  expect(await copyWith(tab, () => tab.locator('#cmdCopyText').click())).toBe('');
  // Something stored that is not Harf's is left alone.
  await tab.evaluate(() => localStorage.setItem('harf.state', 'harf1\u0001'));
  await tab.reload();
  await expect(tab.locator('html[data-ready="1"]')).toHaveCount(1);
  expect(await copyWith(tab, () => tab.locator('#cmdCopyClose').click())).toBe('');
});

test('AltGr types its character; Ctrl chords stay the browser\'s', async ({ page }) => {
  const cdp = await page.context().newCDPSession(page);
  await page.locator('#txtT').focus();
  // AltGr+Q on a German keyboard: "@" with ctrlKey and altKey both set.
  const altGr = 2 | 1; // Ctrl and Alt in CDP's modifier bits
  await cdp.send('Input.dispatchKeyEvent', {
    type: 'keyDown', key: '@', text: '@', unmodifiedText: 'q', code: 'KeyQ', modifiers: altGr,
  });
  await cdp.send('Input.dispatchKeyEvent', { type: 'keyUp', key: '@', code: 'KeyQ', modifiers: altGr });
  await page.keyboard.press('Control+b');
  expect(await copyLine(page)).toBe(latin1(shape('@')[0]));
});
