// Once loaded, the page works without the network: its service worker keeps
// the few files it needs.
const { test, expect } = require('@playwright/test');
const { copyWith, openPage } = require('./support');

test.use({ serviceWorkers: 'allow' });

test('works offline once loaded', async ({ page, context }) => {
  await openPage(page);
  await page.evaluate(async () => {
    await navigator.serviceWorker.ready;
    if (!navigator.serviceWorker.controller) {
      await new Promise((r) => navigator.serviceWorker.addEventListener('controllerchange', r));
    }
  });
  await context.setOffline(true);
  await page.reload();
  await expect(page.locator('html[data-ready="1"]')).toHaveCount(1);
  await expect(page.locator('button.key')).toHaveCount(136);
  await page.locator('#frmSyst button.key[data-name="ba"]').click();
  expect(await copyWith(page, () => page.locator('#cmdCopyClose').click())).toBe('\uf06c\uf020');
  // The web font came from the cache as well.
  expect(await page.evaluate(async () => {
    await document.fonts.ready;
    return [...document.fonts].map((f) => `${f.family} ${f.status}`);
  })).toEqual(['Harf Stand-in loaded']);
});
