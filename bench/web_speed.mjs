// The page's speed with ?sync=0 in headless Chromium: emulated frames per
// second of the KERNAL idling at READY in screen mode 0, best of ROUNDS
// windows of SECONDS.  Run by bench/web_speed.sh through tests/web/run.sh.
import { launch, ready } from '../tests/web/chromium.mjs';

const rounds = Number(process.env.RAVLIN_BENCH_ROUNDS || 3);
const seconds = Number(process.env.RAVLIN_BENCH_SECONDS || 8);
const browser = await launch();
const page = await browser.newPage();
await page.goto(process.env.RAVLIN_WEB_URL + 'index.html?sync=0');
await ready(page);
let best = 0;
for (let round = 0; round < rounds; round++) {
  const [frames0, time0] = await page.evaluate(() => [Module._RavlinWebFrames(), performance.now()]);
  await new Promise((resolve) => setTimeout(resolve, seconds * 1000));
  const [frames1, time1] = await page.evaluate(() => [Module._RavlinWebFrames(), performance.now()]);
  const rate = (frames1 - frames0) / ((time1 - time0) / 1000);
  console.log(`web round ${round + 1}: ${rate.toFixed(0)} frames/s`);
  best = Math.max(best, rate);
}
console.log(`web best: ${best.toFixed(0)}`);
await browser.close();
