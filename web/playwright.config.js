// The page's tests run in Debian's own Chromium; nothing downloads a browser.
const { defineConfig } = require('@playwright/test');

const port = Number(process.env.HARF_WEB_PORT || 8765);

module.exports = defineConfig({
  testDir: 'tests',
  timeout: 120_000,
  workers: 1,
  reporter: [['list']],
  use: {
    baseURL: `http://127.0.0.1:${port}/`,
    browserName: 'chromium',
    headless: true,
    viewport: { width: 760, height: 900 },
    permissions: ['clipboard-read', 'clipboard-write'],
    serviceWorkers: 'block',
    launchOptions: {
      executablePath: process.env.HARF_CHROMIUM || '/usr/bin/chromium',
      args: [
        '--headless',
        '--no-sandbox',
        '--disable-gpu',
        '--disable-background-networking',
        '--disable-component-update',
        '--disable-sync',
        '--no-first-run',
      ],
    },
  },
  webServer: {
    command: `/usr/bin/python3 -m http.server ${port} --bind 127.0.0.1 --directory ../build-web/site`,
    url: `http://127.0.0.1:${port}/index.html`,
    reuseExistingServer: false,
    stdout: 'ignore',
    stderr: 'ignore',
  },
});
