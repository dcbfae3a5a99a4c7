// The page as an installed app in Debian's headless Chromium: Chromium finds it installable, a page once
// visited plays the same game with its server gone (every response from the service worker), and a new
// build served later replaces the old build's cache on the next visit.
// Usage: node app_test.mjs SITE_DIR PELLWICK_RENDER WORK_DIR SERVE_SCRIPT
import puppeteer from 'puppeteer-core';
import { execFileSync, spawn, spawnSync } from 'node:child_process';
import { cpSync, readFileSync, readdirSync, statSync, writeFileSync } from 'node:fs';

const [siteDir, render, work, serveScript] = process.argv.slice(2);
const W = 640, H = 480;
const sleep = ms => new Promise(resolve => setTimeout(resolve, ms));
let passed = 0, failed = 0;
function check(ok, what) {
  console.log(`${ok ? 'ok' : 'FAIL'}: ${what}`);
  if (ok) passed++; else failed++;
}

// serve(DIR, PORT): a server of the folder on 127.0.0.1 (PORT 0: any free one); resolves to it and its port.
function serve(dir, port) {
  return new Promise((resolve, reject) => {
    const server = spawn('node', [serveScript, dir, String(port)], { stdio: ['ignore', 'pipe', 'inherit'] });
    server.stdout.on('data', d => {
      const m = /127\.0\.0\.1:(\d+)/.exec(d.toString());
      if (m) resolve({ server, port: Number(m[1]) });
    });
    server.on('exit', code => reject(new Error(`the server of ${dir} ended with ${code}`)));
  });
}
const stop = ({ server }) => new Promise(resolve => { server.removeAllListeners('exit'); server.on('exit', resolve); server.kill(); });

const browser = await puppeteer.launch({
  executablePath: '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--no-first-run'],
});

const pellwickCaches = page => page.evaluate(async () => (await caches.keys()).filter(n => n.startsWith('pellwick-')));

// The site's own files stay small: everything but the icons.
function siteSize() {
  const files = readdirSync(siteDir).filter(f => !f.endsWith('.png'));
  const bytes = files.reduce((sum, f) => sum + statSync(`${siteDir}/${f}`).size, 0);
  check(bytes <= 200 * 1024, `the site without its icons is ${bytes} bytes, within 200 KB (${files.join(' ')})`);
}

// The first visit: the service worker takes the page over, and Chromium finds nothing against installing it.
async function firstVisit(url) {
  const page = await browser.newPage();
  await page.setViewport({ width: W, height: H, deviceScaleFactor: 1 });
  await page.goto(url + '?seed=0&test');
  await page.waitForFunction(() => navigator.serviceWorker.controller !== null, { timeout: 20000 });
  const cdp = await page.target().createCDPSession();
  const { installabilityErrors } = await cdp.send('Page.getInstallabilityErrors');
  check(installabilityErrors.length === 0, `Chromium finds the page installable (${JSON.stringify(installabilityErrors)})`);
  const manifest = await page.evaluate(async () => (await fetch('manifest.webmanifest')).json());
  check(manifest.display === 'fullscreen' && manifest.background_color === '#ffffff' &&
        manifest.icons.map(i => i.sizes).join() === '192x192,512x512' && manifest.shortcuts[0].url === './?saver',
        `the manifest: full screen, a white field, icons of 192 and 512 pixels, a shortcut to ${manifest.shortcuts[0].url}`);
  return page;
}

// With the server gone, a reload plays: the responses come from the service worker, and the canvas is the
// renderer's picture of seed 0 at the tick it shows, with the same digest.
async function playsOffline(page) {
  const responses = [];
  page.on('response', r => responses.push(r));
  await page.reload();
  await page.waitForFunction(async () => window.pellwick && await window.pellwick.ticks() >= 300, { timeout: 30000 });
  const fromWorker = responses.filter(r => r.fromServiceWorker()).length;
  check(responses.length >= 2 && fromWorker === responses.length,
        `offline, all ${responses.length} responses of the reload came from the service worker (${fromWorker})`);
  await page.evaluate(() => window.pellwick.pause(true));
  await sleep(250);
  const n = await page.evaluate(() => window.pellwick.ticks());
  const url = await page.evaluate(() => document.getElementById('canvas').toDataURL('image/png'));
  writeFileSync(`${work}/offline.png`, Buffer.from(url.split(',')[1], 'base64'));
  const native = JSON.parse(execFileSync(render, ['--size', `${W}x${H}`, '--ticks', String(n), '--seed', '0', '--png',
                                                   `${work}/render.png`, '--json'], { stdio: ['ignore', 'pipe', 'ignore'] }).toString());
  const state = await page.evaluate(() => window.pellwick.state());
  check(state === native.state, `offline the page's state is the renderer's for seed 0 at tick ${n} (${state})`);
  const differing = spawnSync('compare', ['-metric', 'AE', `${work}/offline.png`, `${work}/render.png`, 'null:'])
    .stderr.toString().trim();
  check(differing === '0', `offline the canvas is pellwick-render's picture at tick ${n} (${differing} pixels differ)`);
}

// A build whose files differ has a cache of another name; on the next visit it replaces the old one.
async function newBuildReplacesTheOld(port, oldCache) {
  const next = `${work}/next-build`;
  cpSync(siteDir, next, { recursive: true });
  writeFileSync(`${next}/page.js`, readFileSync(`${next}/page.js`, 'utf8') + '\n// another build\n');
  const worker = readFileSync(`${next}/sw.js`, 'utf8').replace(/const CACHE = 'pellwick-[^']*'/, "const CACHE = 'pellwick-nextbuild'");
  writeFileSync(`${next}/sw.js`, worker);
  const served = await serve(next, port);
  const page = await browser.newPage();
  await page.goto(`http://127.0.0.1:${port}/?test`);
  let names = [];
  for (let i = 0; i < 100 && names.join() !== 'pellwick-nextbuild'; ++i) {
    await sleep(100);
    names = await pellwickCaches(page);
  }
  check(names.join() === 'pellwick-nextbuild', `the next visit replaced the cache ${oldCache} with ${names}`);
  await page.close();
  await stop(served);
}

try {
  siteSize();
  const first = await serve(siteDir, 0);
  const url = `http://127.0.0.1:${first.port}/`;
  const page = await firstVisit(url);
  const [cache] = await pellwickCaches(page);
  check(/^pellwick-[0-9a-f]{16}$/.test(cache || ''), `this build's files are kept in the cache ${cache}`);
  await stop(first);
  await playsOffline(page);
  await page.close();
  await newBuildReplacesTheOld(first.port, cache);
} catch (e) {
  check(false, `the test itself failed: ${e.stack || e}`);
} finally {
  await browser.close();
}
console.log(`the page as an app: ${passed} checks held, ${failed} did not`);
process.exit(failed === 0 ? 0 : 1);
