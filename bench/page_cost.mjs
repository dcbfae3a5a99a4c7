// What the page costs while it plays, in Debian's headless Chromium: the share of a core used by all of
// the browser's processes over some seconds of mid-game, beside a floor page that changes its canvas by one
// small rectangle per animation frame, each the median of several runs, in one run of this script.
// Usage: node page_cost.mjs SITE_URL SECONDS RUNS WxH...
import puppeteer from 'puppeteer-core';
import { readFileSync, readdirSync } from 'node:fs';

const [site, seconds, runs, ...sizes] = process.argv.slice(2);
const sleep = ms => new Promise(resolve => setTimeout(resolve, ms));
const hz = 100;  // clock ticks a second in /proc/PID/stat on Linux

// The process and its descendants, with their CPU time so far in clock ticks.
function cpuOfTree(root) {
  const parent = new Map(), cpu = new Map();
  for (const name of readdirSync('/proc')) {
    if (!/^\d+$/.test(name)) continue;
    try {
      const fields = readFileSync(`/proc/${name}/stat`, 'utf8').replace(/^.*\) /, '').split(' ');
      parent.set(Number(name), Number(fields[1]));
      cpu.set(Number(name), Number(fields[11]) + Number(fields[12]));
    } catch { /* gone meanwhile */ }
  }
  const inTree = pid => pid === root || (parent.has(pid) && pid !== 1 && inTree(parent.get(pid)));
  return new Map([...cpu].filter(([pid]) => inTree(pid)));
}

// One browser on one page: the share of a core its processes use over `seconds` once the page plays, and
// for the game the ticks a second.
async function measure(url, width, height, isGame) {
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium', headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
           '--disable-sync', '--no-first-run'],
  });
  try {
    const page = await browser.newPage();
    await page.setViewport({ width, height, deviceScaleFactor: 1 });
    await page.goto(url);
    if (isGame) {
      await page.waitForFunction(() => window.pellwick && window.pellwick.ticks() > 0, { timeout: 30000 });
      await page.mouse.click(width / 2, height / 2);  // a game: walls, four teams, deaths
    }
    await sleep(2500);
    const pid = browser.process().pid;
    const t0 = isGame ? await page.evaluate(() => window.pellwick.ticks()) : 0;
    const before = cpuOfTree(pid), start = Date.now();
    await sleep(Number(seconds) * 1000);
    const after = cpuOfTree(pid), span = (Date.now() - start) / 1000;
    const t1 = isGame ? await page.evaluate(() => window.pellwick.ticks()) : 0;
    let used = 0;
    for (const [p, c] of after) used += c - (before.get(p) ?? 0);
    return { cpu: 100 * used / hz / span, rate: (t1 - t0) / span };
  } finally {
    await browser.close();
  }
}

const median = values => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
for (const size of sizes) {
  const [width, height] = size.split('x').map(Number);
  const game = [], floor = [];
  for (let r = 0; r < Number(runs); ++r) {  // interleaved, so both see the same machine
    game.push(await measure(`${site}index.html?test&seed=1`, width, height, true));
    floor.push(await measure(`${site}floor.html`, width, height, false));
  }
  const page = median(game.map(g => g.cpu)), base = median(floor.map(f => f.cpu));
  console.log(`page   ${size.padEnd(9)} mid-game, median of ${runs} x ${seconds} s: page ${page.toFixed(1)} %, ` +
              `floor ${base.toFixed(1)} % of a core, ratio ${(page / base).toFixed(2)}; ` +
              `${median(game.map(g => g.rate)).toFixed(0)} ticks/s`);
}
