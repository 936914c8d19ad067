// The page as the README shows it, and at a phone's width.
const path = require('node:path');
const { test, expect } = require('@playwright/test');
const { openPage, typeText } = require('./support');

// HARF_WEB_SCREENSHOT=docs/web.png (from the top folder) renews the README's.
const SHOT = process.env.HARF_WEB_SCREENSHOT
  ? path.resolve(__dirname, '..', '..', process.env.HARF_WEB_SCREENSHOT)
  : path.join(__dirname, '..', 'test-results', 'web.png');

test('screenshot for the README', async ({ page }) => {
  await page.setViewportSize({ width: 760, height: 820 });
  await openPage(page);
  const cdp = await page.context().newCDPSession(page);
  await typeText(page, cdp, "bsm 'llh\r'lrHmn 'lrHym");
  await expect(page.locator('#txtT')).not.toHaveText('');
  await page.screenshot({ path: SHOT });
  // At a phone's width nothing sticks out sideways.
  await page.setViewportSize({ width: 360, height: 740 });
  expect(await page.evaluate(() => document.documentElement.scrollWidth)).toBeLessThanOrEqual(360);
});
