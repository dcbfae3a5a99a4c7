// The web page in Debian's headless Chromium: the canvas is pellwick-render's picture at the tick it
// shows, the speed, a click, a resize, the two ways to end, and the pages for bad conditions.
// Usage: node web_test.mjs SITE_URL PELLWICK_RENDER WORK_DIR
import puppeteer from 'puppeteer-core';
import { execFileSync, spawnSync } from 'node:child_process';
import { writeFileSync } from 'node:fs';

const [site, render, work] = process.argv.slice(2);
const W = 640, H = 480;
const rgb = (r, g, b) => r + 256 * g + 65536 * b;
const TEAMS = [rgb(255, 215, 215), rgb(215, 255, 215), rgb(215, 215, 255), rgb(215, 215, 215)];
const sleep = ms => new Promise(resolve => setTimeout(resolve, ms));
let passed = 0, failed = 0;
function check(ok, what) {
  console.log(`${ok ? 'ok' : 'FAIL'}: ${what}`);
  if (ok) passed++; else failed++;
}

const browser = await puppeteer.launch({
  executablePath: '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--disable-gpu'],
});

async function open(query = '?test', width = W, height = H, scale = 1) {
  const page = await browser.newPage();
  await page.setViewport({ width, height, deviceScaleFactor: scale });
  await page.goto(site + query);
  await page.waitForFunction(async () => window.pellwick && await window.pellwick.ticks() > 0, { timeout: 30000 });
  return page;
}
const ticks = page => page.evaluate(() => window.pellwick.ticks());
// Stops or restarts the game; once stopped, a few frames pass so that the page shows the worker's last picture.
const pause = async (page, paused) => {
  await page.evaluate(p => window.pellwick.pause(p), paused);
  if (paused) await sleep(250);
};
const statusLine = page => page.evaluate(() => document.getElementById('status').textContent);

// The canvas's pixels as colour values, with its size: its picture as the page shows it, read back through
// a PNG, since the worker draws on it.
const canvasPixels = page => page.evaluate(async () => {
  const image = new Image();
  image.src = document.getElementById('canvas').toDataURL('image/png');
  await image.decode();
  const c = Object.assign(document.createElement('canvas'), { width: image.width, height: image.height });
  const context = c.getContext('2d');
  context.drawImage(image, 0, 0);
  const d = context.getImageData(0, 0, c.width, c.height).data;
  const values = new Array(c.width * c.height);
  for (let i = 0; i < values.length; ++i) values[i] = d[4 * i] + 256 * d[4 * i + 1] + 65536 * d[4 * i + 2];
  return { width: c.width, height: c.height, values };
});

async function pictureIsTheRenderers(page) {
  await page.waitForFunction(async () => await window.pellwick.ticks() >= 300);
  await pause(page, true);
  const n = await ticks(page);
  const seed = await page.evaluate(() => window.pellwick.seed());
  const url = await page.evaluate(() => document.getElementById('canvas').toDataURL('image/png'));
  writeFileSync(`${work}/canvas.png`, Buffer.from(url.split(',')[1], 'base64'));
  const native = JSON.parse(execFileSync(render, ['--size', `${W}x${H}`, '--ticks', String(n), '--seed', seed, '--png',
                                                   `${work}/render.png`, '--json'], { stdio: ['ignore', 'pipe', 'ignore'] }).toString());
  const state = await page.evaluate(() => window.pellwick.state());
  check(state === native.state, `the page's exact state is the native renderer's on seed ${seed} at tick ${n} (${state}, ${native.state})`);
  const differing = spawnSync('compare', ['-metric', 'AE', `${work}/canvas.png`, `${work}/render.png`, 'null:'])
    .stderr.toString().trim();
  check(differing === '0', `the canvas is pellwick-render's picture at tick ${n} (${differing} pixels differ)`);
  const fills = await page.evaluate(() => {
    const c = document.getElementById('canvas');
    return c.width === window.innerWidth * devicePixelRatio && c.height === window.innerHeight * devicePixelRatio;
  });
  check(fills, 'the canvas fills the window at one field pixel per device pixel');
}

async function speed(page) {
  await pause(page, false);
  await sleep(500);
  const t0 = await ticks(page), s0 = Date.now();
  await sleep(3000);
  const rate = (await ticks(page) - t0) / ((Date.now() - s0) / 1000);
  console.log(`speed: ${rate.toFixed(0)} ticks/s at ${W}x${H}`);
  check(rate >= 900, `the page runs at 900 ticks/s or more (${rate.toFixed(0)})`);
}

async function clickStartsAGame(page) {
  await page.mouse.click(W / 2, H / 2);
  await sleep(400);
  await pause(page, true);
  const { values } = await canvasPixels(page);
  const ink = values.filter(v => v === 0).length;
  const teams = TEAMS.map(t => values.filter(v => v === t).length);
  check(ink > W * H / 50 && teams.every(n => n > 0), `a click drew walls and seeded four teams (ink ${ink}, teams ${teams})`);
}

async function resizeKeepsTheOverlap(page) {
  const before = await canvasPixels(page);
  const sizes = [[500, 400], [700, 520]];
  for (const [w, h] of sizes) {
    await page.setViewport({ width: w, height: h, deviceScaleFactor: 1 });
    await page.waitForFunction((w, h) => document.getElementById('canvas').width === w &&
                                         document.getElementById('canvas').height === h, {}, w, h);
    const after = await canvasPixels(page);
    let kept = true, fresh = true;
    for (let y = 0; y < h; ++y) {
      for (let x = 0; x < w; ++x) {
        const v = after.values[y * w + x];
        if (x < 500 && y < 400) kept = kept && v === before.values[y * before.width + x];
        else if (x >= before.width || y >= before.height) fresh = fresh && v === 0xFFFFFF;
      }
    }
    check(kept && fresh, `a resize to ${w}x${h} keeps the overlap and shows new pixels as background`);
  }
}

async function ends(how, act) {
  const page = await open();
  await page.keyboard.press('a');
  await sleep(200);
  const still = await ticks(page);
  await sleep(200);
  check(await ticks(page) > still, 'an ordinary key does not end it');
  await act(page);
  await sleep(300);
  const t1 = await ticks(page);
  await sleep(500);
  const t2 = await ticks(page);
  const said = await statusLine(page);
  check(t1 === t2 && /ended/.test(said), `${how} stops the ticking for good (${t1} then ${t2}) and says "${said}"`);
  await page.close();
}

// A click no pointer made (detail 0, as from a script or the keyboard) starts no game.
async function clickNoPointerMadeDoesNothing() {
  const page = await open();
  await page.evaluate(() => {
    const canvas = document.getElementById('canvas');
    for (const type of ['mousedown', 'mouseup', 'click']) canvas.dispatchEvent(new MouseEvent(type, { bubbles: true }));
  });
  await sleep(300);
  await pause(page, true);
  const { values } = await canvasPixels(page);
  const teams = TEAMS.map(t => values.filter(v => v === t).length);
  check(teams[1] === 0 && teams[2] === 0, `a click no pointer made starts no game (teams ${teams})`);
  await page.close();
}

// The address names the run: without a seed the page draws one and writes it there, and the address
// copied plays the same stream; a seed that is not one is said on the page, which plays a fresh one.
async function theAddressNamesTheRun() {
  const first = await open();
  const seed = await first.evaluate(() => window.pellwick.seed());
  const address = await first.evaluate(() => location.href);
  check(/^\d+$/.test(seed) && new URL(address).searchParams.get('seed') === seed, `the page wrote its seed into ${address}`);
  await first.close();
  const again = await browser.newPage();
  await again.setViewport({ width: W, height: H, deviceScaleFactor: 1 });
  await again.goto(address);
  await pictureIsTheRenderers(again);
  check(await again.evaluate(() => window.pellwick.seed()) === seed, `loading ${address} plays seed ${seed} again`);
  await again.close();
  const fixed = await open('?test&seed=18446744073709551557');
  check(await fixed.evaluate(() => window.pellwick.seed()) === '18446744073709551557', '?seed=N plays seed N');
  await fixed.close();
  const bad = await open('?test&seed=12abc');
  const said = await statusLine(bad);
  const fresh = await bad.evaluate(() => new URLSearchParams(location.search).get('seed'));
  check(/seed/.test(said) && /^\d+$/.test(fresh) && fresh === await bad.evaluate(() => window.pellwick.seed()),
        `a bad seed gets one line ("${said}") and a fresh seed, ${fresh}`);
  await bad.close();
}

// A screen on a wall: the saver's own games, no pointer over the canvas.
async function saverOnAWall() {
  const page = await open('?test&saver&first-game=0.5&new-game=0');
  await sleep(1500);
  await pause(page, true);
  const { values } = await canvasPixels(page);
  const teams = TEAMS.map(t => values.filter(v => v === t).length);
  const cursor = await page.evaluate(() => document.getElementById('canvas').style.cursor);
  check(teams.every(n => n > 0) && cursor === 'none', `?saver started its own game (teams ${teams}) with the pointer hidden (${cursor})`);
  await page.close();
}

// Asked for reduced motion, the page holds still with one line until a tap.
async function stillUntilATap() {
  const page = await browser.newPage();
  await page.setViewport({ width: W, height: H, deviceScaleFactor: 1 });
  await page.emulateMediaFeatures([{ name: 'prefers-reduced-motion', value: 'reduce' }]);
  await page.goto(site + '?test');
  await page.waitForFunction(() => window.pellwick && /Tap or click to play/.test(document.getElementById('status').textContent));
  const before = await ticks(page);
  await sleep(500);
  const still = await ticks(page);
  await page.mouse.click(W / 2, H / 2);
  await sleep(500);
  const after = await ticks(page);
  check(still === before && after > still + 100 && await statusLine(page) === '',
        `with reduced motion the page held still (${before}, ${still} ticks) until a tap (${after})`);
  await page.close();
}

async function versionIsTheProjects() {
  const page = await browser.newPage();
  await page.goto(site + '?none');
  const generator = await page.evaluate(() => document.querySelector('meta[name=generator]')?.content);
  const version = execFileSync(render, ['--version']).toString().trim().replace('pellwick-render ', '');
  check(generator === `Pellwick ${version}`, `the page names the version the renderer gives (${generator})`);
  await page.close();
}

async function highDensity() {
  // 150x75 is the window whose field has the canvas's default size, 300x150, yet must still be shown at 150x75.
  for (const [w, h] of [[400, 300], [150, 75]]) {
    const page = await open('?test', w, h, 2);
    // The canvas takes its size from the worker's first picture; the size on screen follows a message.
    await page.waitForFunction((w, h) => {
      const c = document.getElementById('canvas');
      return c.width === 2 * w && c.getBoundingClientRect().width === w && c.getBoundingClientRect().height === h;
    }, { timeout: 5000 }, w, h).catch(() => {});
    const size = await page.evaluate(() => {
      const c = document.getElementById('canvas');
      return `${c.width}x${c.height} pixels shown at ${c.getBoundingClientRect().width}x${c.getBoundingClientRect().height}`;
    });
    check(size === `${2 * w}x${2 * h} pixels shown at ${w}x${h}`, `at a device pixel ratio of 2 the canvas has ${size}`);
    await page.close();
  }
}

// The settings in the address: on a dense screen a field pixel is a logical pixel unless zoom= says
// otherwise, each an exact square of device pixels; speed= sets the ticks a second; on battery,
// on-battery=pause stops the game; a value out of range is said on the page.
async function settingsInTheAddress() {
  const dense = await open('?test&seed=0', 400, 300, 2);
  await dense.waitForFunction(async () => await window.pellwick.ticks() >= 300);
  await pause(dense, true);
  const n = await ticks(dense);
  const url = await dense.evaluate(() => document.getElementById('canvas').toDataURL('image/png'));
  writeFileSync(`${work}/dense.png`, Buffer.from(url.split(',')[1], 'base64'));
  execFileSync(render, ['--size', '400x300', '--ticks', String(n), '--png', `${work}/small.png`], { stdio: 'ignore' });
  execFileSync('convert', [`${work}/small.png`, '-sample', '200%', `${work}/enlarged.png`]);
  const differing = spawnSync('compare', ['-metric', 'AE', `${work}/dense.png`, `${work}/enlarged.png`, 'null:']).stderr.toString().trim();
  check(differing === '0', `at a device pixel ratio of 2 the canvas is the renderer's 400x300 picture at tick ${n}, each pixel a 2x2 square (${differing} differ)`);
  await dense.close();
  const one = await open('?test&seed=0&zoom=1', 400, 300, 2);
  await one.waitForFunction(async () => await window.pellwick.ticks() >= 300);
  await pause(one, true);
  const m = await ticks(one);
  const state = await one.evaluate(() => window.pellwick.state());
  const native = JSON.parse(execFileSync(render, ['--size', '800x600', '--ticks', String(m), '--json']).toString());
  check(state === native.state, `zoom=1 plays an 800x600 field at a device pixel ratio of 2 (tick ${m})`);
  await one.close();
  const slow = await open('?test&speed=100');
  const t0 = await ticks(slow), s0 = Date.now();
  await sleep(2000);
  const rate = (await ticks(slow) - t0) / ((Date.now() - s0) / 1000);
  check(rate > 80 && rate < 120, `speed=100 plays ${rate.toFixed(0)} ticks a second`);
  await slow.close();
  const bad = await open('?test&speed=5');
  const said = await statusLine(bad);
  check(said === "The address's speed needs 10 to 1000, not '5'; using 1000.", `a speed out of range is said: "${said}"`);
  await bad.close();
  // The panel offers the settings of the one table; a choice there is kept in the browser and played.
  const chosen = await open('?test');
  await chosen.waitForSelector('#settings:not([hidden]) input[name=speed]');
  const labels = await chosen.$$eval('#settings label', ls => ls.map(l => l.firstChild.textContent.trim()));
  check(labels.join('|') === 'Speed (ticks a second)|Zoom|While nobody can see it|On battery', `the settings panel offers ${labels.join(', ')}`);
  await Promise.all([chosen.waitForNavigation(),
                     chosen.$eval('#settings input[name=speed]', i => { i.value = '100'; i.dispatchEvent(new Event('change')); })]);
  await chosen.waitForFunction(async () => window.pellwick && await window.pellwick.ticks() > 0, { timeout: 30000 });
  const c0 = await ticks(chosen), d0 = Date.now();
  await sleep(2000);
  const kept = (await ticks(chosen) - c0) / ((Date.now() - d0) / 1000);
  check(kept > 80 && kept < 120, `a speed of 100 chosen in the panel is kept and played: ${kept.toFixed(0)} ticks a second`);
  await chosen.evaluate(() => localStorage.removeItem('pellwick.settings'));
  await chosen.close();
  const battery = await browser.newPage();
  await battery.evaluateOnNewDocument(() => {
    navigator.getBattery = () => Promise.resolve({ charging: false, addEventListener() {} });
  });
  await battery.setViewport({ width: W, height: H, deviceScaleFactor: 1 });
  await battery.goto(site + '?test&on-battery=pause');
  await battery.waitForFunction(() => window.pellwick);
  await sleep(1000);
  const held = await ticks(battery);
  check(held <= 1, `on battery, on-battery=pause holds the game still (${held} ticks in a second)`);
  await battery.close();
}

async function badConditions() {
  const bare = await browser.newPage();
  await bare.evaluateOnNewDocument(() => { delete window.WebAssembly; });
  await bare.goto(site);
  const noWasm = await statusLine(bare);
  check(/WebAssembly/.test(noWasm), `without WebAssembly the page says "${noWasm}"`);
  await bare.close();
  const old = await browser.newPage();
  await old.evaluateOnNewDocument(() => { WebAssembly.validate = () => false; });
  await old.goto(site);
  const noSimd = await statusLine(old);
  check(/SIMD/.test(noSimd), `without WebAssembly SIMD the page says "${noSimd}"`);
  await old.close();
  const flat = await browser.newPage();
  await flat.evaluateOnNewDocument(() => { delete window.OffscreenCanvasRenderingContext2D; });
  await flat.goto(site);
  const noOffscreen = await statusLine(flat);
  check(/OffscreenCanvas/.test(noOffscreen), `without a canvas a worker can draw on the page says "${noOffscreen}"`);
  await flat.close();
  const host = await browser.newPage();  // the removal above holds for every document of that page
  await host.goto(site + '?none');
  await host.evaluate(url => {
    document.body.innerHTML = `<iframe id="tiny" src="${url}" width="0" height="0" style="border:0"></iframe>`;
  }, site + '?test');
  await host.waitForFunction(() => {
    const d = document.getElementById('tiny').contentDocument;
    return d && /too small/.test(d.getElementById('status')?.textContent || '');
  }, { timeout: 20000 }).catch(() => {});
  const tiny = await host.evaluate(() => document.getElementById('tiny').contentDocument?.getElementById('status')?.textContent);
  check(/too small/.test(tiny || ''), `in a window of no size the page says "${tiny}"`);
  await host.close();
}

try {
  const page = await open();
  await pictureIsTheRenderers(page);
  await speed(page);
  await clickStartsAGame(page);
  await resizeKeepsTheOverlap(page);
  await page.close();
  await ends('a double-click, on its second press,', async p => {
    await p.mouse.click(W / 2, H / 2);
    await p.mouse.down({ clickCount: 2 });  // and no release
  });
  await clickNoPointerMadeDoesNothing();
  await theAddressNamesTheRun();
  await saverOnAWall();
  await stillUntilATap();
  await versionIsTheProjects();
  await ends('Escape', p => p.keyboard.press('Escape'));
  await highDensity();
  await settingsInTheAddress();
  await badConditions();
} catch (e) {
  check(false, `the test itself failed: ${e.stack || e}`);
} finally {
  await browser.close();
}
console.log(`web page: ${passed} checks held, ${failed} did not`);
process.exit(failed === 0 ? 0 : 1);
