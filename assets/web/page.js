// The page's side of Pellwick. The game runs in a worker (pellwick.js and pellwick.wasm) and draws into the
// page's canvas, handed over to it. The page passes its events, its window's size and its address in, and
// does what the worker asks: show a line of text, write the seed into the address, show the canvas at the
// window's size, keep the screen awake. With ?test in the address, window.pellwick answers tests: ticks(),
// seed(), state() and pause(on), each a promise.
(() => {
  const canvas = document.getElementById('canvas');
  const line = document.getElementById('status');  // not "status": that is the window's own
  const worker = new Worker('pellwick.js');
  const view = () => ({width: innerWidth, height: innerHeight, ratio: devicePixelRatio || 1});

  // Writes the seed into the address in place, so that copying the address shares the run; the address's
  // other parameters stay as they were written.
  const showSeedInAddress = seed => {
    const named = /([?&])seed=[^&]*/;
    const search = location.search, value = 'seed=' + seed;
    const next = named.test(search) ? search.replace(named, '$1' + value) : (search ? search + '&' : '?') + value;
    history.replaceState(history.state, '', location.pathname + next + location.hash);
  };

  // A page on a wall: no pointer over the canvas, and a screen wake lock held while the page is visible and
  // let go when it is hidden.
  const keepScreenAwake = () => {
    canvas.style.cursor = 'none';
    let lock = null;
    const follow = () => {
      if (document.visibilityState === 'visible' && navigator.wakeLock && lock === null) {
        lock = navigator.wakeLock.request('screen').catch(() => null);
      } else if (document.visibilityState !== 'visible' && lock !== null) {
        lock.then(l => l && l.release());
        lock = null;
      }
    };
    document.addEventListener('visibilitychange', follow);
    follow();
  };

  const answers = new Map();  // the tests' calls waiting for the worker, by number
  worker.onmessage = e => {
    const m = e.data;
    if ('say' in m) line.textContent = m.say;
    if (m.shownAt) {
      canvas.style.width = m.shownAt[0] + 'px';
      canvas.style.height = m.shownAt[1] + 'px';
    }
    if (m.seed) showSeedInAddress(m.seed);
    if (m.keepAwake) keepScreenAwake();
    if (m.settings) panel(m.settings);
    if ('answer' in m) {
      answers.get(m.answer)(m.value);
      answers.delete(m.answer);
    }
  };
  // A worker whose script could not be loaded reports an error with no message.
  worker.onerror = e => { line.textContent = e.message ? 'Pellwick stopped: ' + e.message : 'Pellwick could not be loaded (pellwick.js is missing).'; };

  // The settings chosen in the panel, kept in the browser; the address's own win over them.
  const kept = () => { try { return JSON.parse(localStorage.getItem('pellwick.settings')) || {}; } catch { return {}; } };
  const search = () => {
    const params = new URLSearchParams(location.search);
    for (const [name, value] of Object.entries(kept())) if (!params.has(name)) params.set(name, value);
    return '?' + params.toString();
  };
  // The panel: a row for each setting the worker offers, from the settings' one table; a change is kept and
  // the page starts again with it.
  const panel = settings => {
    const box = document.getElementById('settings');
    const rows = box.querySelector('div');
    rows.textContent = '';
    for (const s of settings) {
      const label = document.createElement('label');
      label.textContent = s.label + ' ';
      const input = document.createElement(s.number ? 'input' : 'select');
      input.name = s.name;
      if (s.number) Object.assign(input, {type: 'number', min: s.values[0], max: s.values[1]});
      else for (const v of s.values) input.add(new Option(v, v));
      input.value = s.value;
      input.addEventListener('change', () => {
        localStorage.setItem('pellwick.settings', JSON.stringify({...kept(), [s.name]: input.value}));
        location.reload();
      });
      label.appendChild(input);
      rows.appendChild(label);
    }
    box.hidden = false;
  };

  const offscreen = canvas.transferControlToOffscreen();
  const still = matchMedia('(prefers-reduced-motion: reduce)').matches;
  worker.postMessage({start: {canvas: offscreen, search: search(), view: view(), still}}, [offscreen]);

  const button = (e, down) => worker.postMessage({button: {down, left: e.button === 0 ? 1 : 0, detail: e.detail}});
  canvas.addEventListener('mousedown', e => button(e, 1));
  canvas.addEventListener('mouseup', e => button(e, 0));
  addEventListener('keydown', e => worker.postMessage({key: {escape: e.key === 'Escape' ? 1 : 0}}));
  addEventListener('resize', () => worker.postMessage({view: view()}));
  // Whether anyone can see the page, and whether the machine runs on its battery, for the settings rest=
  // and on-battery=.
  document.addEventListener('visibilitychange', () => worker.postMessage({seen: document.visibilityState === 'visible'}));
  if (navigator.getBattery) {
    navigator.getBattery().then(b => {
      const tell = () => worker.postMessage({battery: !b.charging});
      tell();
      b.addEventListener('chargingchange', tell);
    }).catch(() => {});
  }

  if (location.search.includes('test')) {
    let calls = 0;
    const call = (name, arg) => new Promise(resolve => {
      answers.set(++calls, resolve);
      worker.postMessage({call: {name, arg, id: calls}});
    });
    window.pellwick = {
      seed: () => call('seed'),
      ticks: () => call('ticks'),
      state: () => call('state'),
      frames: () => call('frames'),
      pause: paused => call('pause', paused),
    };
  }
})();
