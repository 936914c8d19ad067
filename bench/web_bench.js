// Measures the web page in Debian's Chromium, against peers in the same run:
//  - navigation to the first key usable (the page's "harf-ready" mark) against
//    the same page with the same font and no WebAssembly: its core replaced by
//    a stand-in script that hands over the same keyboard description and
//    answers everything else with nothing; fresh browser context (cold cache)
//    for every load, the two pages alternating;
//  - one typed letter to the repainted line, measured in the page from the
//    key event to the line laid out anew, and to the next animation frame
//    (the frame that shows it, so the wait for the browser's next frame is
//    in it), against the same page writing the same character into the line
//    box itself, without asking the core.
// Usage: node bench/web_bench.js SITE_URL PEER_URL [loads] [letters]
const path = require('node:path');

const { chromium } = require(path.join(__dirname, '..', 'web', 'node_modules', 'playwright-core'));

const [siteUrl, peerUrl] = process.argv.slice(2, 4);
const loads = Number(process.argv[4] || 30);
const letters = Number(process.argv[5] || 400);

const median = (xs) => {
  const s = [...xs].sort((a, b) => a - b);
  const m = s.length >> 1;
  return s.length % 2 ? s[m] : (s[m - 1] + s[m]) / 2;
};

async function readyTime(browser, url) {
  const context = await browser.newContext({ serviceWorkers: 'block' });
  const page = await context.newPage();
  await page.goto(url);
  await page.waitForSelector('html[data-ready="1"]', { state: 'attached' });
  const t = await page.evaluate(() => performance.getEntriesByName('harf-ready')[0].startTime);
  await context.close();
  return t;
}

// Times `count` typed letters from their key event to the line laid out, and
// to the frame that shows them. `direct` types by writing the line box without the core.
async function letterTimes(browser, url, count, direct) {
  const context = await browser.newContext({ serviceWorkers: 'block' });
  const page = await context.newPage();
  await page.goto(url);
  await page.waitForSelector('html[data-ready="1"]', { state: 'attached' });
  await page.evaluate((direct) => {
    window.letterTimes = [];
    window.frameTimes = [];
    const box = document.getElementById('txtT');
    const line = document.getElementById('txtTBefore');
    let start = 0;
    // Laid out: the page's own work for the letter, up to the line's new
    // layout (reading its width forces it). Frame: up to the next animation
    // frame, which adds the wait for the browser's next frame.
    const laidOut = () => {
      void box.offsetWidth;
      window.letterTimes.push(performance.now() - start);
      requestAnimationFrame(() => window.frameTimes.push(performance.now() - start));
    };
    window.addEventListener('keydown', (e) => {
      if (e.key !== 'b') return;
      start = performance.now();
      if (direct) {
        e.stopImmediatePropagation();
        e.preventDefault();
        line.textContent = String.fromCharCode(0xf000 + 108) + line.textContent;
        laidOut();
      }
    }, { capture: true });
    window.addEventListener('keydown', (e) => {
      if (e.key === 'b') laidOut();
    });
  }, direct);
  await page.locator('#txtT').focus();
  for (let i = 0; i < count; i++) {
    // Lines of 40 letters, then the line is cleared, so the limit never stops typing.
    if (i % 40 === 0) {
      await page.keyboard.press('F7');
      await page.evaluate(() => { document.getElementById('txtTBefore').textContent = ''; });
    }
    await page.keyboard.press('b');
    await page.waitForFunction((n) => window.frameTimes.length >= n, i + 1);
  }
  const times = await page.evaluate(() => ({ laidOut: window.letterTimes, frame: window.frameTimes }));
  await context.close();
  return times;
}

(async () => {
  const browser = await chromium.launch({
    executablePath: process.env.HARF_CHROMIUM || '/usr/bin/chromium',
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--no-first-run'],
  });
  // One load of each first, not counted: the server's and the browser's
  // first-use costs fall on neither side.
  await readyTime(browser, siteUrl);
  await readyTime(browser, peerUrl);
  const site = [];
  const peer = [];
  for (let i = 0; i < loads; i++) {
    if (i % 2 === 0) {
      site.push(await readyTime(browser, siteUrl));
      peer.push(await readyTime(browser, peerUrl));
    } else {
      peer.push(await readyTime(browser, peerUrl));
      site.push(await readyTime(browser, siteUrl));
    }
  }
  const typed = { laidOut: [], frame: [] };
  const direct = { laidOut: [], frame: [] };
  for (let round = 0; round < 4; round++) {
    for (const [into, isDirect] of [[typed, false], [direct, true]]) {
      const t = await letterTimes(browser, siteUrl, letters / 4, isDirect);
      into.laidOut.push(...t.laidOut);
      into.frame.push(...t.frame);
    }
  }
  await browser.close();
  console.log(JSON.stringify({
    ready: { harf: median(site), peer: median(peer), loads },
    letter: { harf: median(typed.laidOut), peer: median(direct.laidOut), letters: typed.laidOut.length },
    frame: { harf: median(typed.frame), peer: median(direct.frame) },
  }));
})().catch((e) => {
  console.error(e);
  process.exit(1);
});
