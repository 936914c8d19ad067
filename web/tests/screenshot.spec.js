// The page as the README shows it, and at a phone's width.
const path = require('node:path');
const { test, expect } = require('@playwright/test');
const { openPage, typeText } = require('./support');

const DOCS = path.resolve(__dirname, '..', '..', 'docs');

test('screenshot for the README', async ({ page }) => {
  await page.setViewportSize({ width: 760, height: 820 });
  await openPage(page);
  const cdp = await page.context().newCDPSession(page);
  await typeText(page, cdp, "bsm 'llh\r'lrHmn 'lrHym");
  await expect(page.locator('#txtT')).not.toHaveText('');
  await page.screenshot({ path: process.env.HARF_WEB_SCREENSHOT || path.join(DOCS, 'web.png') });
  await page.setViewportSize({ width: 360, height: 740 });
  await page.screenshot({ path: '/tmp/web360.png', fullPage: true });
});
