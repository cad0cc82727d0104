// The page's speed with ?sync=0 in headless Chromium against native
// ravlin-headless, both idling at READY in screen mode 0, in emulated frames
// per wall-clock second.  The two take turns, round by round, so that both
// see the same load on a shared machine.  Run by bench/web_speed.sh through
// tests/web/run.sh (which serves the page).
import { execFileSync } from 'node:child_process';
import { launch, ready } from '../tests/web/chromium.mjs';

const rounds = Number(process.env.RAVLIN_BENCH_ROUNDS || 5);
const seconds = Number(process.env.RAVLIN_BENCH_SECONDS || 5);
const nativeFrames = Number(process.env.RAVLIN_BENCH_FRAMES || 20000);
const native = process.env.RAVLIN_BENCH_NATIVE;
const nativeDirectory = process.env.RAVLIN_BENCH_DIR;

function nativeRate() {
  const start = process.hrtime.bigint();
  execFileSync(native, ['--frames', String(nativeFrames)], {
    cwd: nativeDirectory, env: { ...process.env, RAVLIN_SETTINGS: `${nativeDirectory}/settings` }, stdio: 'ignore',
  });
  return nativeFrames / (Number(process.hrtime.bigint() - start) / 1e9);
}

async function webRate(browser) {
  const page = await browser.newPage();
  await page.goto(process.env.RAVLIN_WEB_URL + 'index.html?sync=0');
  await ready(page);
  const [frames0, time0] = await page.evaluate(() => [Module._RavlinWebFrames(), performance.now()]);
  await new Promise((resolve) => setTimeout(resolve, seconds * 1000));
  const [frames1, time1] = await page.evaluate(() => [Module._RavlinWebFrames(), performance.now()]);
  await page.close();
  return (frames1 - frames0) / ((time1 - time0) / 1000);
}

const browser = await launch();
const ratios = [];
let bestNative = 0, bestWeb = 0;
for (let round = 1; round <= rounds; round++) {
  const n = nativeRate();
  const w = await webRate(browser);
  ratios.push(w / n);
  bestNative = Math.max(bestNative, n);
  bestWeb = Math.max(bestWeb, w);
  console.log(`round ${round}: native ${n.toFixed(0)}, web ${w.toFixed(0)} frames/s, web / native ${(w / n).toFixed(2)}`);
}
await browser.close();
ratios.sort((a, b) => a - b);
console.log(`best: native ${bestNative.toFixed(0)}, web ${bestWeb.toFixed(0)} frames/s; ` +
            `web / native: ${(bestWeb / bestNative).toFixed(2)} of the bests, ${ratios[ratios.length >> 1].toFixed(2)} median of the rounds`);
