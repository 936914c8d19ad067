// Documents converted in the page: the WebAssembly converter against the
// native harf-convert on the same files (every entry of the packages the
// same), and text files against the test's own Unicode words.
const { execFileSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { test, expect } = require('@playwright/test');
const { HARF_CONVERT, HARF_SHAPE } = require('./support');

const ROOT = path.resolve(__dirname, '..', '..');
const PYTHON = '/usr/bin/python3';

let dir;

test.beforeAll(() => {
  dir = fs.mkdtempSync(path.join(os.tmpdir(), 'harf-convert-web-'));
  // letter.docx and letter.odt: a German letter with legacy runs in all three
  // encodings, headers, notes, tables and text boxes.
  execFileSync(PYTHON, [path.join(ROOT, 'tests', 'documents', 'make_test_docs.py'), HARF_SHAPE,
    dir], { stdio: 'ignore' });
});

test.afterAll(() => {
  fs.rmSync(dir, { recursive: true, force: true });
});

// Every entry of a zip package, name → contents (base64), read by Python's zipfile.
function entries(file) {
  const out = execFileSync(PYTHON, ['-c', `
import base64, json, sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    print(json.dumps({n: base64.b64encode(z.read(n)).decode() for n in z.namelist()}))
`, file], { maxBuffer: 1 << 28 });
  return JSON.parse(out.toString());
}

function nativeConvert(input, to, extra = []) {
  const out = path.join(dir, `native-${to}-${path.basename(input)}`);
  const r = require('node:child_process').spawnSync(HARF_CONVERT,
    ['--to', to, '--force', '-o', out, ...extra, input], { encoding: 'utf8' });
  return { status: r.status, out, stderr: r.stderr };
}

// Gives the page a file and waits for its answer: the status line, and the
// downloaded result's path when there is one.
async function pageConvert(page, input, to, columns = '') {
  await page.check(`input[name="convertTo"][value="${to}"]`);
  await page.fill('#txtColumns', columns);
  await page.evaluate(() => { delete document.getElementById('fraConvert').dataset.result; });
  await page.setInputFiles('#fileConvert', input);
  await expect(page.locator('#fraConvert[data-result]')).toHaveCount(1, { timeout: 60_000 });
  const result = await page.locator('#fraConvert').getAttribute('data-result');
  const status = await page.locator('#lblConvert').textContent();
  if (result !== 'done') return { status, file: null, linkShown: await page.isVisible('#lnkConvert') };
  const [download] = await Promise.all([page.waitForEvent('download'), page.click('#lnkConvert')]);
  const file = path.join(dir, `page-${to}-${download.suggestedFilename()}`);
  await download.saveAs(file);
  return { status, file, name: download.suggestedFilename() };
}

test.beforeEach(async ({ page }) => {
  await page.goto('index.html');
});

test('the typing page loads no converter until a file is given', async ({ page }) => {
  const loaded = [];
  page.on('request', (r) => loaded.push(r.url()));
  await page.reload();
  await page.waitForLoadState('networkidle');
  expect(loaded.filter((u) => /harf_convert/.test(u))).toEqual([]);
});

for (const ext of ['docx', 'odt']) {
  test(`.${ext} both ways equals harf-convert's result, entry by entry`, async ({ page }) => {
    const letter = path.join(dir, `letter.${ext}`);
    const native = nativeConvert(letter, 'unicode');
    expect(native.status).toBe(0);
    const web = await pageConvert(page, letter, 'unicode');
    expect(web.name).toBe(`letter.unicode.${ext}`);
    expect(entries(web.file)).toEqual(entries(native.out));
    // The same counts harf-convert prints.
    const [, runs, left] = native.stderr.match(/(\d+) runs converted, (\d+) characters left out/);
    expect(web.status).toContain(`${runs} runs converted, ${left} characters left out`);
    expect(Number(runs)).toBeGreaterThan(10);

    // And back: Unicode typed through the engine, NFKC by the browser.
    const nativeBack = nativeConvert(native.out, 'legacy');
    expect(nativeBack.status).toBe(0);
    const webBack = await pageConvert(page, native.out, 'legacy');
    expect(entries(webBack.file)).toEqual(entries(nativeBack.out));
  });
}

test('.txt both ways gives the words it was made from', async ({ page }) => {
  // Presentation forms and a number: NFKC and the bidi order both matter.
  const words = ['بسم الله الرحمن الرحيم', 'عام ٢٠٢٤', 'ﻻ شكرا جزيلا'];
  const legacy = execFileSync(HARF_SHAPE, ['--from', 'unicode', '--format', 'legacy',
    '--encoding', 'windows-1252'], { input: words.join('\n') + '\n' }).toString();
  const legacyFile = path.join(dir, 'words.txt');
  fs.writeFileSync(legacyFile, legacy);
  const web = await pageConvert(page, legacyFile, 'unicode');
  expect(web.status).toContain('3 runs converted, 0 characters left out');
  // Read back, the ligature lam-alif is its two letters.
  const read = `${words[0]}\n${words[1]}\n${'لا شكرا جزيلا'}\n`;
  expect(fs.readFileSync(web.file, 'utf8')).toBe(read);

  // To the legacy font: bytes, one per glyph code, that read back as the words.
  const unicodeFile = path.join(dir, 'unicode.txt');
  fs.writeFileSync(unicodeFile, words.join('\n') + '\n');
  const back = await pageConvert(page, unicodeFile, 'legacy');
  const bytes = fs.readFileSync(back.file);
  expect(execFileSync(HARF_SHAPE, ['--from', 'bytes', '--format', 'unicode'], { input: bytes })
    .toString()).toBe(read);
  expect(bytes).toEqual(fs.readFileSync(nativeConvert(unicodeFile, 'legacy').out));
});

test('.csv converts the columns named', async ({ page }) => {
  const legacy = execFileSync(HARF_SHAPE, ['--from', 'unicode', '--format', 'legacy',
    '--encoding', 'symbol'], { input: 'كتاب جديد\n' }).toString().trimEnd();
  const table = path.join(dir, 'table.csv');
  fs.writeFileSync(table, `name,word\nBuch,${legacy}\n`);
  const web = await pageConvert(page, table, 'unicode', 'word');
  expect(fs.readFileSync(web.file, 'utf8')).toBe('name,word\nBuch,كتاب جديد\n');
  // Without columns a table cannot be read: harf-convert's own line, no download.
  const refused = await pageConvert(page, table, 'unicode', '');
  expect(refused.status).toBe('table.csv: --columns must name the legacy columns of a table');
  expect(refused.linkShown).toBe(false);
});

test('a damaged file gives harf-convert\'s one-line error and no download', async ({ page }) => {
  const good = fs.readFileSync(path.join(dir, 'letter.docx'));
  const cases = {
    'not-a-zip.docx': Buffer.from('This is no zip archive at all.\n'),
    // The zip cut in half: its central directory is gone.
    'cut.docx': good.subarray(0, good.length >> 1),
    'garbage.odt': Buffer.alloc(4096, 0x5a),
  };
  for (const [name, bytes] of Object.entries(cases)) {
    const file = path.join(dir, name);
    fs.writeFileSync(file, bytes);
    const native = nativeConvert(file, 'unicode');
    expect(native.status).toBe(2);
    const line = native.stderr.split('\n')[0].replace(`harf-convert: ${file}: `, '');
    const web = await pageConvert(page, file, 'unicode');
    expect(web.status).toBe(`${name}: ${line}`);
    expect(web.linkShown).toBe(false);
  }
});
