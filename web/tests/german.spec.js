// A German browser: the page words its messages, tooltips and its own
// commands in German from its table, as the window does from its translation
// file, and keeps the captions of keys, buttons and frames.
const fs = require('node:fs');
const path = require('node:path');
const { test, expect } = require('@playwright/test');
const { openPage, pasteWith, typeText, writeClipboard } = require('./support');

test.use({ locale: 'de-DE' });

// The window's German, from its translation file: source -> translation.
function windowGerman() {
  const ts = fs.readFileSync(path.join(__dirname, '..', '..', 'src', 'ui', 'translations', 'harf_de.ts'), 'utf8');
  const out = new Map();
  for (const m of ts.matchAll(/<source>([^<]*)<\/source>\s*<translation>([^<]*)<\/translation>/g)) {
    out.set(m[1].replaceAll('&quot;', '"').replaceAll('&apos;', "'"), m[2]);
  }
  return out;
}

test('a German browser gets German words and the same captions', async ({ page }) => {
  const german = windowGerman();
  await openPage(page);
  await expect(page.locator('html')).toHaveAttribute('lang', 'de');
  await expect(page.locator('#cmdCopyClose')).toHaveText('F5 COPY Line');
  await expect(page.locator('#cmdKeyb')).toHaveText('Keyboard: Systematic');
  await expect(page.locator('#Label1')).toHaveText(/^Tippen Sie/);
  await expect(page.locator('#cmdPasteUnicode')).toHaveText(german.get('Paste Unicode'));
  await expect(page.locator('#cmdCopyLineUnicode')).toHaveText(german.get('Copy Line as Unicode'));
  await expect(page.locator('#cmdPaste')).toHaveText(german.get('Paste'));

  // Every key's tooltip is the window's German, line by line.
  const tips = await page.locator('button.key').evaluateAll((bs) => bs.map((b) => b.title));
  const lines = tips.flatMap((t) => t.split('\n').slice(1));
  expect(lines.length).toBeGreaterThan(100);
  const sentences = [...german.values()].map((g) =>
    new RegExp(`^${g.replace(/[.*+?^${}()|[\]\\]/g, '\\$&').replace(/%\d/g, '.+')}$`));
  const unknown = lines.filter((l) => !sentences.some((r) => r.test(l)));
  expect(unknown).toEqual([]);
  expect(tips.join('\n')).not.toMatch(/\btype\b|\bclick\b|\bor\b/);

  // The label after pastes: the model's messages in German.
  await writeClipboard(page, '');
  await pasteWith(page, () => page.locator('#cmdPasteUnicode').click());
  await expect(page.locator('#Label1')).toHaveText(german.get('Nothing pasted: the clipboard holds no text.'));
  await writeClipboard(page, 'ab\u0628x');
  await pasteWith(page, () => page.locator('#cmdPasteUnicode').click());
  await expect(page.locator('#Label1')).toHaveText(german
    .get('Pasted; %1 characters were left out (no letter here, or a vowel sign the letter before it does not take).')
    .replace('%1', '3'));
  await writeClipboard(page, '\u20AC\u0100JJ');
  await pasteWith(page, () => page.locator('#cmdPasteCodes').click());
  await expect(page.locator('#Label1')).toHaveText(german
    .get('Pasted; %1 characters were left out (characters of no glyph code, codes no letter uses, or signs with nothing to carry them).')
    .replace('%1', '2'));
  const cdp = await page.context().newCDPSession(page);
  await typeText(page, cdp, 'b');
  await expect(page.locator('#Label1')).toHaveText(/^Tippen Sie/);
});
