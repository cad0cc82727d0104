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

// Types text on the machine by key position (?keys=positional): the
// machine's * sits on the backslash key and its : on the semicolon key.
// ( and ) are the machine's shifted 8 and 9.
async function typeOnMachine(page, text) {
  const keys = { '*': 'Backslash', ':': 'Semicolon', ',': 'Comma', ' ': 'Space', '\n': 'Enter' };
  const shifted = { '(': 'Digit8', ')': 'Digit9' };
  for (const character of text) {
    if (shifted[character]) {
      await page.keyboard.down('Shift');
      await tap(page, shifted[character]);
      await page.keyboard.up('Shift');
    } else {
      await tap(page, keys[character] || character);
    }
  }
}

const frames = (page) => page.evaluate(() => Module._RavlinWebFrames());

// The page as if no ROM images lay beside it.
async function pageWithoutRoms(browser, query) {
  const page = await browser.newPage();
  page.on('pageerror', (error) => { page.uncaught = (page.uncaught || []).concat(String(error)); });
  await page.setRequestInterception(true);
  page.on('request', (r) => (r.url().includes('/roms/') ? r.respond({ status: 404, body: '' }) : r.continue()));
  await page.goto(base + 'index.html' + query);
  return page;
}
const pause = (milliseconds) => new Promise((resolve) => setTimeout(resolve, milliseconds));

const tests = {
  async 'typing, a snapshot saved as a download, and the snapshot opened again'(browser) {
    const page = await open(browser, '');
    const session = await page.target().createCDPSession();
    await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
    assert.match(await ready(page), /BASIC/);
    await page.focus('#screen');
    // Typed as fast as the browser sends the keys, * with the PC's Shift
    // (the machine has a key of its own for it).
    await page.keyboard.type('print 6');
    await page.keyboard.down('Shift');
    await page.keyboard.press('Digit8');
    await page.keyboard.up('Shift');
    await page.keyboard.type('7\n');
    await waitFor(page, screenText, (t) => /PRINT 6\*7\n 42\n\nREADY\.\n/.test(t));

    // Shift+F8, the snapshot page, Enter, the name, Enter.
    await page.keyboard.down('Shift');
    await tap(page, 'F8');
    await page.keyboard.up('Shift');
    for (const key of ['ArrowRight', 'Enter', 's', 'n', 'a', 'p', 'Enter']) await tap(page, key, 250);
    const file = path.join(downloads, 'SNAP.FRE');
    await waitFor(page, () => fs.existsSync(file) && fs.statSync(file).size, (size) => size === 65608);
    await tap(page, 'Enter');
    assert.equal(await page.$eval('#downloads a', (a) => a.download), 'SNAP.FRE');

    // A fresh machine takes the snapshot from the file picker and shows the
    // screen it was saved with.
    const fresh = await open(browser, '');
    await ready(fresh);
    await (await fresh.$('#open-file')).uploadFile(file);
    await waitFor(fresh, screenText, (t) => /PRINT 6\*7\n 42\n/.test(t));
    assert.deepEqual([page.uncaught, fresh.uncaught], [undefined, undefined]);
  },

  async 'pasted text is typed; F10 warps, and the title line says how fast'(browser) {
    const page = await open(browser, '');
    await ready(page);
    await page.focus('#screen');
    await page.evaluate(() => {
      const paste = new ClipboardEvent('paste', { clipboardData: new DataTransfer(), bubbles: true });
      paste.clipboardData.setData('text/plain', 'print 2+3\n');
      document.dispatchEvent(paste);
    });
    await waitFor(page, screenText, (t) => /PRINT 2\+3\n 5\n/.test(t));
    await tap(page, 'F10');
    const title = () => page.$eval('#title', (e) => e.textContent);
    await waitFor(page, title, (t) => /warp \d+\.\dx/.test(t));
    const warped = await frames(page);
    await pause(1000);
    assert.ok(await frames(page) - warped > 100, 'warp runs faster than 50 frames a second');
    await tap(page, 'F10');
    await waitFor(page, title, (t) => !/warp/.test(t));
  },

  async '?run= starts a program; bad names and settings get a message and the machine carries on'(browser) {
    const page = await open(browser, '?run=hello.prg');
    await waitFor(page, screenText, (t) => /RAVLIN WEB 142/.test(t), 40);
    for (const [query, expected] of [['?run=missing.prg', /missing\.prg could not be fetched/],
                                     ['?run=index.html', /index\.html: not a \.prg, \.fre, \.d64, \.g64, \.tap or cartridge/],
                                     ['?run=short.fre', /short\.fre: not a snapshot/],
                                     ['?run=empty.prg', /empty\.prg: is empty/],
                                     ['?keys=qwerty', /\?keys=qwerty is not known/],
                                     ['?mode=9', /\?mode=9 is not one of 0-6/],
                                     ['?sync=fast', /\?sync=fast is not one of 0-2/]]) {
      const bad = await open(browser, query);
      await waitFor(bad, message, (m) => expected.test(m));
      await ready(bad);
      assert.deepEqual(bad.uncaught, undefined);
      await bad.close();
    }
    // A tape goes into the datassette and BASIC is told to LOAD from it.
    const tape = await open(browser, '?run=blank.tap');
    await waitFor(tape, screenText, (t) => /LOAD\n\n(PRESS PLAY ON TAPE|SEARCHING)/.test(t), 40);
    await tape.close();
    // A disk image is examined when it is due to start, and a bad one is
    // reported on the title line, as in the desktop's window title.
    const disk = await open(browser, '?run=short.d64');
    await waitFor(disk, (p) => p.$eval('#title', (e) => e.textContent), (t) => /short\.d64: /.test(t));
    await ready(disk);
  },

  async 'the picker starts the same file again; a program too long for memory is refused'(browser) {
    const page = await open(browser, '');
    await ready(page);
    const picker = await page.$('#open-file');
    const site = process.env.RAVLIN_WEB_SITE;
    const runs = (t) => (t.match(/RAVLIN WEB 142/g) || []).length;
    await picker.uploadFile(path.join(site, 'hello.prg'));
    await waitFor(page, screenText, (t) => runs(t) === 1 && /142\n+READY\./.test(t), 40);
    // Emptied, the picker reports the same choice again as a change.
    assert.equal(await page.$eval('#open-file', (e) => e.value), '');
    await picker.uploadFile(path.join(site, 'hello.prg'));
    await waitFor(page, screenText, (t) => runs(t) === 2, 40);
    await picker.uploadFile(path.join(site, 'long.prg'));
    await waitFor(page, message, (m) => /long\.prg: too long: 61,440 bytes from \$1001 run past \$FFFF \(61,439 fit\)/.test(m));
    assert.deepEqual(page.uncaught, undefined);
  },

  async 'F7 draws the options menu on the canvas; ?mode=2 shows the whole frame'(browser) {
    const page = await open(browser, '');
    await ready(page);
    await page.focus('#screen');
    await tap(page, 'F7', 500);
    // Row 0 of the menu window is the title bar: white letters (0x71) on
    // its paper (0x5E); the options text follows on row 2.
    const bar = await canvasRows(page, 0, 8);
    assert.deepEqual([...new Set(bar)].sort(), ['104,108,196', '252,252,252']);
    assert.ok((await canvasRows(page, 16, 8)).includes('252,252,252'));
    await tap(page, 'Escape', 500);
    assert.ok(!(await canvasRows(page, 0, 8)).includes('104,108,196'));

    const whole = await open(browser, '?mode=2');
    await ready(whole);
    assert.deepEqual(await whole.$eval('#screen', (c) => [c.width, c.height]), [512, 384]);
  },

  async 'the screenshot and a saved program are downloads of their sizes'(browser) {
    const page = await open(browser, '');
    const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'ravlin-saves-'));
    const session = await page.target().createCDPSession();
    await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: folder });
    await ready(page);
    await page.focus('#screen');
    await tap(page, 'F6');
    // Shift+F8, the program page, name PRG, 0x1000 up to (not including) 0x1010.
    await page.keyboard.down('Shift');
    await tap(page, 'F8');
    await page.keyboard.up('Shift');
    for (const key of ['Enter', 'p', 'r', 'g', 'Enter', '1', '0', '0', '0', 'Enter', '1', '0', '1', '0', 'Enter'])
      await tap(page, key, 250);
    for (const [name, size] of [['output.bmp', 65078], ['PRG.PRG', 2 + 16]]) {
      const file = path.join(folder, name);
      await waitFor(page, () => fs.existsSync(file) && fs.statSync(file).size, (bytes) => bytes === size);
    }
    await tap(page, 'Enter');
    fs.rmSync(folder, { recursive: true });
  },

  async 'the load menu browses the files opened in this session'(browser) {
    const page = await open(browser, '?keys=positional&run=hello.prg');
    // Loaded over a program that still runs, a program can crash it: the
    // first run ends (READY) before the load menu opens.
    await waitFor(page, screenText, (t) => /RAVLIN WEB 142\n+READY\./.test(t), 40);
    await page.focus('#screen');
    // F8 lists ".." and then hello.prg; Down and Enter load it.
    for (const key of ['F8', 'ArrowDown', 'Enter']) await tap(page, key, 400);
    await typeOnMachine(page, 'run\n');
    await waitFor(page, screenText, (t) => (t.match(/RAVLIN WEB 142/g) || []).length === 2);
  },

  async '?sync=0 types a press once, capitals as letters, and the key after a menu\'s Escape'(browser) {
    const page = await open(browser, '?sync=0');
    await ready(page);
    await page.focus('#screen');
    // Capitals without Shift (Caps Lock's way); each a press of a few
    // milliseconds, which the unpaced machine would have repeated.
    await page.keyboard.type('PRINT 1', { delay: 100 });
    for (const menu of ['F7', 'F8']) {
      await tap(page, menu, 500);
      await tap(page, 'Escape', 500);
      await tap(page, 'Digit2');
    }
    await tap(page, 'Enter');
    await waitFor(page, screenText, (t) => /\nPRINT 122\n 122\n/.test(t));
  },

  async 'F9 stops the machine in the debugger until Escape'(browser) {
    const page = await open(browser, '');
    await ready(page);
    await page.focus('#screen');
    const screenTop = await canvasRows(page, 0, 8);
    await tap(page, 'F9', 500);
    const stopped = await frames(page);
    await pause(500);
    assert.equal(await frames(page), stopped);
    // The disassembler's title bar covers the top row of the picture.
    assert.notDeepEqual(await canvasRows(page, 0, 8), screenTop);
    await tap(page, 'Escape', 500);
    const running = await frames(page);
    await pause(500);
    assert.ok(await frames(page) > running);
    assert.deepEqual(await canvasRows(page, 0, 8), screenTop);
  },

  async 'a gamepad pushed up is the joystick in port 1 with ?joy=1'(browser) {
    const page = await browser.newPage();
    await page.evaluateOnNewDocument(() => {
      window.testPad = { axes: [0, 0], buttons: [] };
      navigator.getGamepads = () => [window.testPad];
    });
    await page.goto(base + 'index.html?keys=positional&joy=1');
    await ready(page);
    await page.focus('#screen');
    await typeOnMachine(page, '10 print joy(1):goto 10\nrun\n');
    await waitFor(page, screenText, (t) => /\n 0\n 0\n/.test(t));
    await page.evaluate(() => { window.testPad.axes[1] = -1; });
    await waitFor(page, screenText, (t) => /\n 1\n 1\n/.test(t));
  },

  async 'the sound plays what BASIC asks for'(browser) {
    const page = await open(browser, '?keys=positional');
    await ready(page);
    await page.focus('#screen');
    const loudest = () => page.evaluate(() => {
      const pointer = Module._RavlinWebRenderAudio(4800, 48000);
      return Math.max(...Module.HEAP16.subarray(pointer >> 1, (pointer >> 1) + 4800).map(Math.abs));
    });
    assert.equal(await loudest(), 0);
    await typeOnMachine(page, 'vol 8:sound 1,800,200\n');
    assert.ok(await waitFor(page, loudest, (peak) => peak > 1000));
  },

  async 'without any ROM images the open ROM starts at once, runs a program, and the picker is offered'(browser) {
    const page = await pageWithoutRoms(browser, '?run=hello.prg');
    await waitFor(page, screenText, (t) => /RAVLIN OPEN ROM/.test(t) && /RUN\nRAVLIN WEB 142\n\nREADY\.\n/.test(t));
    assert.equal(await page.$eval('#roms', (e) => e.hidden), false);
    assert.match(await page.$eval('#title', (e) => e.textContent), /No Commodore ROM images found: running Ravlin's open ROM/);
    await page.focus('#screen');
    await page.keyboard.type('help\n');
    await waitFor(page, screenText, (t) => /HELP\nLOAD"NAME",8     LOAD AT THE START\n/.test(t));
    assert.deepEqual(page.uncaught || [], []);
    await page.close();
  },

  async 'without ROM images beside the page the user chooses them once; F12 stops the machine'(browser) {
    const roms = process.env.RAVLIN_WEB_ROMS;
    const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'ravlin-roms-'));
    fs.writeFileSync(path.join(scratch, 'kernal.bin'), new Uint8Array(100));
    // The open ROM runs meanwhile; once both images are chosen the page
    // starts again on them.
    const page = await pageWithoutRoms(browser, '');
    await page.waitForSelector('#roms:not([hidden])');
    await waitFor(page, screenText, (t) => /RAVLIN OPEN ROM/.test(t));
    const picker = await page.$('#rom-files');
    await picker.uploadFile(path.join(roms, 'basic.bin'), path.join(scratch, 'kernal.bin'));
    await waitFor(page, message, (m) => /kernal\.bin has 100 bytes/.test(m) && /Still needed: kernal\.bin/.test(m));
    await Promise.all([page.waitForNavigation(), picker.uploadFile(path.join(roms, 'kernal.bin'))]);
    await waitFor(page, screenText, (t) => /BASIC V3\.5/.test(t) && /^READY\.$/m.test(t));
    await page.focus('#screen');
    await tap(page, 'F12');
    await waitFor(page, message, (m) => /The machine has stopped/.test(m));

    // The next visit finds them in the browser's storage.
    const again = await pageWithoutRoms(browser, '');
    await ready(again);
    assert.match(await screenText(again), /BASIC V3\.5/);
    assert.equal(await again.$eval('#roms', (e) => e.hidden), true);
    fs.rmSync(scratch, { recursive: true });
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
