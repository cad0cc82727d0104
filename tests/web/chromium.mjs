// Headless Chromium for the page's tests and benchmark: the system's own
// browser (never one that a tool downloads), in a fresh profile.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

export async function launch() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'ravlin-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync', '--autoplay-policy=no-user-gesture-required'],
  });
  // The profile goes with the browser, once the browser has let go of it.
  const close = browser.close.bind(browser);
  browser.close = async () => {
    await close();
    try { fs.rmSync(profile, { recursive: true, force: true, maxRetries: 5, retryDelay: 200 }); } catch (e) { /* left in /tmp */ }
  };
  return browser;
}

export const screenText = (page) => page.$eval('#screen-text', (e) => e.textContent);

// Polls what(page) until test accepts it; fails with the last value seen.
export async function waitFor(page, what, test, seconds = 20) {
  const until = Date.now() + seconds * 1000;
  let last;
  while (Date.now() < until) {
    last = await what(page);
    if (test(last)) return last;
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  throw new Error(`timed out; last seen:\n${last}`);
}

export const ready = (page) => waitFor(page, screenText, (text) => /^READY\.$/m.test(text));
