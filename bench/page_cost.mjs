// What the page costs while it plays, in Debian's headless Chromium: the share of a core used by all of
// the browser's processes over some seconds of mid-game, beside a floor page that changes its canvas by one
// small rectangle per animation frame, each the median of several runs, in one run of this script.
// Usage: node page_cost.mjs SITE_URL SECONDS RUNS WxH...   (PAGE_THREADS=1 also prints each busy thread's median)
import puppeteer from 'puppeteer-core';
import { readFileSync, readdirSync } from 'node:fs';

const [site, seconds, runs, ...sizes] = process.argv.slice(2);
const sleep = ms => new Promise(resolve => setTimeout(resolve, ms));
const hz = 100;  // clock ticks a second in /proc/PID/stat on Linux

// The process and its descendants.
function treeOf(root) {
  const parent = new Map();
  for (const name of readdirSync('/proc')) {
    if (!/^\d+$/.test(name)) continue;
    try {
      parent.set(Number(name), Number(readFileSync(`/proc/${name}/stat`, 'utf8').replace(/^.*\) /, '').split(' ')[1]));
    } catch { /* gone meanwhile */ }
  }
  const inTree = pid => pid === root || (parent.has(pid) && pid !== 1 && inTree(parent.get(pid)));
  return [...parent.keys()].filter(inTree);
}

// The CPU time so far, in clock ticks, of the process and its descendants (each with the threads that
// ended), and of each of their threads by "process type: thread name" (Chromium's --type, "browser" for the
// first process).
function cpuOfTree(root) {
  const ticksOf = stat => { const f = stat.replace(/^.*\) /, '').split(' '); return Number(f[11]) + Number(f[12]); };
  const processes = new Map(), threads = new Map();
  for (const pid of treeOf(root)) {
    try {
      processes.set(pid, ticksOf(readFileSync(`/proc/${pid}/stat`, 'utf8')));
      const type = (readFileSync(`/proc/${pid}/cmdline`, 'utf8').match(/--type=([a-z-]+)/) ?? [, 'browser'])[1];
      for (const tid of readdirSync(`/proc/${pid}/task`)) {
        const stat = readFileSync(`/proc/${pid}/task/${tid}/stat`, 'utf8');
        threads.set(tid, { key: `${type}: ${stat.match(/\((.*)\)/)[1]}`, ticks: ticksOf(stat) });
      }
    } catch { /* gone meanwhile */ }
  }
  return { processes, threads };
}

// The share of a core used between two readings of cpuOfTree: in all, and by each "process type: thread".
function usedBetween(before, after, span) {
  const share = ticks => 100 * ticks / hz / span;
  let all = 0;
  for (const [pid, ticks] of after.processes) all += share(ticks - (before.processes.get(pid) ?? 0));
  const threads = new Map();
  for (const [tid, { key, ticks }] of after.threads) {
    threads.set(key, (threads.get(key) ?? 0) + share(ticks - (before.threads.get(tid)?.ticks ?? 0)));
  }
  return { all, threads };
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
      await page.waitForFunction(async () => window.pellwick && await window.pellwick.ticks() > 0, { timeout: 30000 });
      await page.mouse.click(width / 2, height / 2);  // a game: walls, four teams, deaths
    }
    await sleep(2500);
    const pid = browser.process().pid;
    const t0 = isGame ? await page.evaluate(() => window.pellwick.ticks()) : 0;
    const f0 = isGame ? await page.evaluate(() => window.pellwick.frames()) : '0 0 0';
    const before = cpuOfTree(pid), start = Date.now();
    await sleep(Number(seconds) * 1000);
    const after = cpuOfTree(pid), span = (Date.now() - start) / 1000;
    const t1 = isGame ? await page.evaluate(() => window.pellwick.ticks()) : 0;
    const f1 = isGame ? await page.evaluate(() => window.pellwick.frames()) : '1 0 0';
    const { all, threads } = usedBetween(before, after, span);
    // Per frame meanwhile: the canvas pixels put, and those of the tiles that had changed.
    const [frames, put, changed] = f1.split(' ').map((v, i) => Number(v) - Number(f0.split(' ')[i]));
    return { cpu: all, rate: (t1 - t0) / span, threads, put: put / Math.max(frames, 1), changed: changed / Math.max(frames, 1) };
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
  if (process.env.PAGE_THREADS) {  // where the time goes: each thread's median, the busy ones
    for (const [name, runsOf] of [['page', game], ['floor', floor]]) {
      const keys = new Set(runsOf.flatMap(r => [...r.threads.keys()]));
      const rows = [...keys].map(k => [k, median(runsOf.map(r => r.threads.get(k) ?? 0))]).filter(([, v]) => v >= 0.5);
      for (const [k, v] of rows.sort((a, b) => b[1] - a[1])) console.log(`  ${name.padEnd(6)} ${size.padEnd(9)} ${k.padEnd(36)} ${v.toFixed(1)} %`);
    }
  }
  console.log(`page   ${size.padEnd(9)} mid-game, median of ${runs} x ${seconds} s: page ${page.toFixed(1)} %, ` +
              `floor ${base.toFixed(1)} % of a core, ratio ${(page / base).toFixed(2)}; ` +
              `${median(game.map(g => g.rate)).toFixed(0)} ticks/s; a frame put ${median(game.map(g => g.put)).toFixed(0)} ` +
              `pixels, its changed tiles held ${median(game.map(g => g.changed)).toFixed(0)}`);
}
