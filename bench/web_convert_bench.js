// The converter in Debian's Chromium against the native harf-convert on the
// same .docx, in one run: each page conversion is timed in the page from the
// file handed to convert.js to the converted bytes back (reading the file,
// the worker's round trip, the conversion in WebAssembly), each native one as
// the wall time of the process; the two alternate, after one untimed run of
// each (the worker's module compiled, the file in the cache). Prints JSON.
// Usage: node bench/web_convert_bench.js SITE_URL HARF_CONVERT DOCX RUNS
const { spawnSync } = require('node:child_process');
const os = require('node:os');
const path = require('node:path');

const { chromium } = require(path.join(__dirname, '..', 'web', 'node_modules', 'playwright-core'));

const [siteUrl, harfConvert, docx] = process.argv.slice(2, 5);
const runs = Number(process.argv[5] || 5);
const out = path.join(os.tmpdir(), `harf-web-convert-bench-${process.pid}.docx`);

const median = (xs) => {
  const s = [...xs].sort((a, b) => a - b);
  const m = s.length >> 1;
  return s.length % 2 ? s[m] : (s[m - 1] + s[m]) / 2;
};

function native() {
  const t0 = process.hrtime.bigint();
  const r = spawnSync(harfConvert, ['--force', '-o', out, docx], { stdio: 'ignore' });
  if (r.status !== 0) throw new Error(`harf-convert failed: ${r.status}`);
  return Number(process.hrtime.bigint() - t0) / 1e6;
}

(async () => {
  const browser = await chromium.launch({
    executablePath: process.env.HARF_CHROMIUM || '/usr/bin/chromium',
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--no-first-run'],
  });
  const context = await browser.newContext({ serviceWorkers: 'block' });
  const page = await context.newPage();
  await page.goto(siteUrl);
  // A file input of the benchmark's own, so that the page's does not convert on its own.
  await page.evaluate(() => {
    const input = document.createElement('input');
    input.type = 'file';
    input.id = 'benchFile';
    document.body.appendChild(input);
  });
  await page.setInputFiles('#benchFile', docx);
  const inPage = () => page.evaluate(async () => {
    const { convertFile } = await import('./convert.js');
    const file = document.getElementById('benchFile').files[0];
    const t0 = performance.now();
    const r = await convertFile(file);
    if (r.status !== 0) throw new Error(r.error);
    return performance.now() - t0;
  });
  await inPage();
  native();
  const web = [];
  const cli = [];
  for (let i = 0; i < runs; i++) {
    if (i % 2 === 0) {
      web.push(await inPage());
      cli.push(native());
    } else {
      cli.push(native());
      web.push(await inPage());
    }
  }
  await browser.close();
  require('node:fs').rmSync(out, { force: true });
  console.log(JSON.stringify({ runs, web: median(web), native: median(cli), webAll: web, nativeAll: cli }));
})().catch((e) => {
  console.error(`web_convert_bench: ${e.message}`);
  process.exit(1);
});
