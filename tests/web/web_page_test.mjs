// The web page in headless Chromium: boot, typing, ?run=, the options menu
// on the canvas, a snapshot saved as a download, and bad URL input.
// Started by run.sh, which serves the page at RAVLIN_WEB_URL.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { launch, ready, screenText, waitFor } from './chromium.mjs';

const base = process.env.RAVLIN_WEB_URL;
const downloads = process.env.RAVLIN_WEB_DOWNLOADS || fs.mkdtempSync(path.join(os.tmpdir(), 'ravlin-dl-'));
const only = process.argv[2];

async function open(browser, query) {
  const page = await browser.newPage();
  if (process.env.RAVLIN_WEB_CONSOLE) page.on('console', (m) => console.log('console:', m.text()));
  page.on('pageerror', (error) => { page.uncaught = (page.uncaught || []).concat(String(error)); });
  await page.goto(base + 'index.html' + query);
  return page;
}

const message = (page) => page.$eval('#message', (e) => e.textContent);

// Keys go to the page one at a time, each tapped as a person would.
async function tap(page, key, pause = 150) {
  await page.keyboard.press(key);
  await new Promise((resolve) => setTimeout(resolve, pause));
}

// The canvas's pixels as [r, g, b] of each pixel of a row range.
async function canvasRows(page, top, rows) {
  return page.$eval('#screen', (canvas, top, rows) => {
    const data = canvas.getContext('2d').getImageData(0, top, canvas.width, rows).data;
    const pixels = [];
    for (let i = 0; i < data.length; i += 4) pixels.push(`${data[i]},${data[i + 1]},${data[i + 2]}`);
    return pixels;
  }, top, rows);
}

const tests = {
  async 'boots to READY and answers PRINT 6*7 with 42'(browser) {
    const page = await open(browser, '?keys=positional');
    const text = await ready(page);
    assert.match(text, /BASIC/);
    await page.focus('#screen');
    for (const key of ['p', 'r', 'i', 'n', 't', ' ', '6']) await tap(page, key);
    await tap(page, 'Backslash');   // the machine's * sits there
    await tap(page, '7');
    await tap(page, 'Enter');
    await waitFor(page, screenText, (t) => /PRINT 6\*7\n 42\n\nREADY\.\n/.test(t));
    assert.deepEqual(page.uncaught, undefined);
  },

  async '?run= starts a program, and bad names get a message'(browser) {
    const page = await open(browser, '?run=hello.prg');
    await waitFor(page, screenText, (t) => /RAVLIN WEB 142/.test(t), 40);
    for (const [query, expected] of [['?run=missing.prg', /missing\.prg could not be fetched/],
                                     ['?run=index.html', /index\.html: is not a program/],
                                     ['?mode=9', /\?mode=9 is not one of 0-6/]]) {
      const bad = await open(browser, query);
      await waitFor(bad, message, (m) => expected.test(m));
      await ready(bad);   // the machine carries on
      assert.deepEqual(bad.uncaught, undefined);
      await bad.close();
    }
  },

  async 'F7 draws the options menu on the canvas'(browser) {
    const page = await open(browser, '');
    await ready(page);
    await page.focus('#screen');
    await tap(page, 'F7', 500);
    // Row 0 of the menu window is the title bar: white letters (0x71) on
    // its paper (0x5E); the options text follows on row 2.
    const bar = await canvasRows(page, 0, 8);
    assert.deepEqual([...new Set(bar)].sort(), ['104,108,196', '252,252,252']);
    const options = await canvasRows(page, 16, 8);
    assert.ok(options.includes('252,252,252'));
    await tap(page, 'Escape', 500);
    const back = await canvasRows(page, 0, 8);
    assert.ok(!back.includes('104,108,196'));
  },

  async 'a snapshot saved from the save menu is downloaded'(browser) {
    const page = await open(browser, '');
    const session = await page.target().createCDPSession();
    await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
    await ready(page);
    await page.focus('#screen');
    await page.keyboard.down('Shift');
    await tap(page, 'F8');
    await page.keyboard.up('Shift');
    await new Promise((resolve) => setTimeout(resolve, 300));
    for (const key of ['ArrowRight', 'Enter', 's', 'n', 'a', 'p', 'Enter']) await tap(page, key, 250);

    const file = path.join(downloads, 'SNAP.FRE');
    await waitFor(page, () => fs.existsSync(file) && fs.statSync(file).size, (size) => size === 65608);
    await tap(page, 'Enter');
  },
};

const browser = await launch();
let failures = 0;
for (const [name, test] of Object.entries(tests)) {
  if (only && !name.includes(only)) continue;
  const started = Date.now();
  try {
    await test(browser);
    console.log(`ok   ${name} (${((Date.now() - started) / 1000).toFixed(1)} s)`);
  } catch (error) {
    failures++;
    console.log(`FAIL ${name}\n${error.stack || error}`);
  }
}
await browser.close();
process.exit(failures ? 1 : 0);
