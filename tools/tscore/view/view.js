// tscore view: receives frames from the server over a WebSocket and draws every glove's hand.
// Reconnects on its own, so the page survives the service and the server going away.
'use strict';

(() => {
  const $ = (id) => document.getElementById(id);
  const params = new URLSearchParams(location.search);
  const fingerNames = ['Thumb', 'Index', 'Middle', 'Ring', 'Pinky'];
  const handSpacing = TSRender.handSpacing;

  const state = {
    hello: null,
    robots: new Map(), // glove side -> the robot hand that follows it (its links and tips)
    frame: null,
    last: new Map(), // key -> last drawn finger points, kept while a hand is not live
    received: 0,
    draws: 0,
    dirty: true,
    socket: null,
    retry: 500,
  };
  const camera = new TSRender.Camera();
  let { renderer, canvas } = TSRender.createRenderer($('picture'), params.get('renderer'));
  const labels = $('labels').getContext('2d');
  $('renderer').textContent = 'drawn with ' + renderer.name;

  const orientationBox = $('orientation');
  orientationBox.checked = localStorage.getItem('tscore-view-orientation') === 'on';
  orientationBox.addEventListener('change', () => {
    localStorage.setItem('tscore-view-orientation', orientationBox.checked ? 'on' : 'off');
    state.dirty = true;
  });

  // ---- connection ----
  function connect() {
    setBadge($('connection'), 'connecting', 'connecting to tscore view…');
    // Off loopback the page's URL holds the view's token; the socket carries it too.
    const token = params.get('token');
    const query = token ? '?token=' + encodeURIComponent(token) : '';
    const socket = new WebSocket(`${location.protocol === 'https:' ? 'wss' : 'ws'}://${location.host}/ws${query}`);
    state.socket = socket;
    socket.onopen = () => { state.retry = 500; setBadge($('connection'), 'open', 'tscore view connected'); };
    socket.onmessage = (event) => {
      let message;
      try { message = JSON.parse(event.data); } catch (e) { return; }
      if (message.type === 'hello') onHello(message);
      else if (message.type === 'frame') onFrame(message);
      else if (message.type === 'reply') say(message.message, message.ok);
    };
    socket.onclose = () => {
      if (state.socket !== socket) return;
      state.socket = null;
      setBadge($('connection'), 'closed', 'tscore view not reachable: retrying');
      setBadge($('service'), 'unknown', 'service: unknown');
      markAllNotLive();
      setTimeout(connect, state.retry);
      state.retry = Math.min(5000, state.retry * 2);
    };
  }

  function send(message) {
    if (state.socket && state.socket.readyState === WebSocket.OPEN) state.socket.send(JSON.stringify(message));
    else say('not connected to tscore view: nothing was sent', false);
  }

  function say(text, ok) {
    $('message').textContent = text;
    $('message').dataset.ok = ok ? 'true' : 'false';
  }

  function setBadge(element, key, text) {
    element.dataset.state = key;
    element.textContent = text;
  }

  function onHello(hello) {
    state.hello = hello;
    state.robots = new Map((hello.robots || []).map((r) => [r.side, r]));
    $('stop-all').hidden = !hello.allowHaptics;
    for (const card of document.querySelectorAll('.glove')) card.remove();
  }

  // ---- frames ----
  function onFrame(frame) {
    state.frame = frame;
    state.received++;
    state.frameTimes.push(performance.now());
    const service = frame.service;
    setBadge($('service'), service.state, 'service ' + service.describe);
    $('notice').textContent = frame.notice || '';
    for (const g of frame.gloves) {
      if (g.fingers.some((f) => f)) state.last.set(g.key, g.fingers);
    }
    updateCards(frame.gloves);
    camera.fit(layout(frame.gloves).size);
    const empty = $('empty');
    empty.hidden = frame.gloves.length > 0;
    if (!empty.hidden)
      empty.textContent = service.state === 'running' ? frame.notice || 'The service announces no glove'
        : 'The connection service is ' + (service.state === 'stale' ? 'not updating' : 'not running') +
          ': start it (or tesslink-sim) and the gloves appear here';
    state.dirty = true;
  }
  state.frameTimes = [];

  function markAllNotLive() {
    if (!state.frame) return;
    for (const g of state.frame.gloves) g.state = 'stopped';
    for (const card of document.querySelectorAll('.glove .glove-state')) setBadge(card, 'closed', 'no data: view not reachable');
    state.dirty = true;
  }

  // The hands side by side: left hands on the left of the first view, right hands on the right,
  // a robot hand to the right of the glove it follows (under the key "KEY robot").
  function layout(gloves) {
    const order = [];
    for (const g of gloves.slice().sort((a, b) => (a.side === b.side ? a.index - b.index : a.side === 'left' ? -1 : 1))) {
      order.push(g.key);
      if (robotOf(g)) order.push(g.key + ' robot');
    }
    const offsets = new Map();
    order.forEach((key, i) => offsets.set(key, [0, ((order.length - 1) / 2 - i) * handSpacing, 0]));
    return offsets;
  }

  // The robot hand that follows a glove, when the frame gives one for it.
  function robotOf(g) {
    const robot = g.robot && state.robots.get(g.side);
    return robot && Array.isArray(g.robot.links) ? robot : null;
  }

  function robotHands(offsets) {
    return state.frame.gloves.filter(robotOf).map((g) => {
      const robot = robotOf(g);
      return {
        key: g.key,
        glove: g,
        robot: { links: g.robot.links, parents: robot.links.map((l) => l.parent), tips: robot.tips, name: robot.name },
        offset: offsets.get(g.key + ' robot'),
        orientation: g.orientation,
        live: g.robot.state === 'following' && state.socket !== null,
      };
    });
  }

  function hands() {
    if (!state.frame) return [];
    const offsets = layout(state.frame.gloves);
    return state.frame.gloves.map((g) => ({
      key: g.key,
      glove: g,
      points: g.fingers.some((f) => f) ? g.fingers : state.last.get(g.key) || [],
      invalid: g.invalid,
      offset: offsets.get(g.key),
      orientation: g.orientation,
      live: g.state === 'live' && state.socket !== null,
      held: g.held || [],
    })).concat(robotHands(offsets));
  }

  // ---- drawing ----
  function resize() {
    const ratio = window.devicePixelRatio || 1;
    const w = canvas.clientWidth, h = canvas.clientHeight;
    for (const c of [canvas, $('labels')]) {
      if (c.width !== Math.round(w * ratio) || c.height !== Math.round(h * ratio)) {
        c.width = Math.round(w * ratio);
        c.height = Math.round(h * ratio);
        state.dirty = true;
      }
    }
    return { w, h, ratio };
  }

  function draw() {
    requestAnimationFrame(draw);
    const { w, h, ratio } = resize();
    if (!state.dirty || w === 0 || h === 0) return;
    state.dirty = false;
    state.draws++;
    state.drawTimes.push(performance.now());
    const list = hands();
    const half = Math.max(150, (list.length * handSpacing) / 2);
    const scene = TSRender.buildScene(list, orientationBox.checked, Math.ceil(half / 50) * 50);
    for (const hand of list) {
      const g = hand.glove;
      const at = [hand.offset[0] - 75, hand.offset[1], hand.offset[2] - 30];
      if (hand.robot) {
        scene.labels.push({ p: at, text: `Robot ${hand.robot.name} · follows ${g.side} ${g.kind}`, bold: true, colour: TSRender.robotColour });
        if (g.robot.state !== 'following') scene.labels.push({ p: [at[0] - 25, at[1], at[2]], text: 'robot ' + g.robot.state + ': last solution shown', colour: '#a05a00' });
        continue;
      }
      scene.labels.push({ p: at, text: `${g.side === 'right' ? 'Right' : 'Left'} · ${g.kind} ${g.id}`, bold: true, colour: '#222' });
      if (g.invalid.length) scene.labels.push({ p: [at[0] - 25, at[1], at[2]], text: 'pose invalid: ' + g.invalid.join(', '), colour: '#c0392b' });
      else if (!hand.live) scene.labels.push({ p: [at[0] - 25, at[1], at[2]], text: hand.points.length ? 'not live: last reading shown' : 'not live: no reading to show', colour: '#a05a00' });
    }
    state.labelTexts = scene.labels.map((l) => l.text);
    const vp = camera.viewProjection(w / h);
    renderer.draw(scene, vp, w, h, ratio);
    TSRender.drawLabels(labels, scene.labels, vp, w, h, ratio);
    TSRender.drawScaleBar(labels, camera, vp, w, h);
  }
  state.drawTimes = [];

  function perSecond(times) {
    const now = performance.now();
    while (times.length && now - times[0] > 2000) times.shift();
    return times.length / 2;
  }
  setInterval(() => {
    $('rates').textContent = `${perSecond(state.frameTimes).toFixed(0)} frames/s received · ${perSecond(state.drawTimes).toFixed(0)} drawn/s`;
  }, 500);

  // ---- orbit, zoom, reset ----
  const scene = $('scene');
  let drag = null;
  scene.addEventListener('pointerdown', (e) => { drag = { x: e.clientX, y: e.clientY }; scene.setPointerCapture(e.pointerId); });
  scene.addEventListener('pointermove', (e) => {
    if (!drag) return;
    camera.orbit(e.clientX - drag.x, e.clientY - drag.y);
    drag = { x: e.clientX, y: e.clientY };
    state.dirty = true;
  });
  scene.addEventListener('pointerup', () => { drag = null; });
  scene.addEventListener('pointercancel', () => { drag = null; });
  scene.addEventListener('wheel', (e) => { e.preventDefault(); camera.zoom(Math.exp(e.deltaY * 0.001)); state.dirty = true; }, { passive: false });
  scene.addEventListener('dblclick', () => { camera.reset(); state.dirty = true; });
  $('reset').addEventListener('click', () => { camera.reset(); state.dirty = true; });
  window.addEventListener('resize', () => { state.dirty = true; });
  $('stop-all').addEventListener('click', () => send({ type: 'stop' }));

  // ---- glove cards ----
  function updateCards(gloves) {
    const aside = $('gloves');
    const keys = new Set(gloves.map((g) => g.key + '|' + g.id + '|' + g.kind));
    for (const card of aside.querySelectorAll('.glove'))
      if (!keys.has(card.dataset.identity)) card.remove();
    for (const g of gloves) {
      const identity = g.key + '|' + g.id + '|' + g.kind;
      let card = aside.querySelector(`.glove[data-identity="${CSS.escape(identity)}"]`);
      if (!card) {
        card = makeCard(g, identity);
        aside.appendChild(card);
      }
      fillCard(card, g);
    }
  }

  function makeCard(g, identity) {
    const card = $('glove-card').content.firstElementChild.cloneNode(true);
    card.dataset.identity = identity;
    card.dataset.key = g.key;
    const table = card.querySelector('.fingers');
    fingerNames.forEach((name, f) => {
      const row = table.insertRow();
      row.dataset.finger = f;
      row.insertCell().innerHTML = `<span class="swatch" style="background:${TSRender.fingerColours[f]}"></span>${name}`;
      row.insertCell().innerHTML = `<div class="bar"><div style="background:${TSRender.fingerColours[f]}"></div></div>`;
      const value = row.insertCell();
      value.className = 'value flexion';
      value.dataset.finger = f;
      row.insertCell().className = 'held';
    });
    makeHaptics(card.querySelector('.haptics'), g);
    return card;
  }

  function fillCard(card, g) {
    card.querySelector('.side').textContent = g.side === 'right' ? 'Right' : 'Left';
    card.querySelector('.name').textContent = `${g.kind} ${g.id}`;
    card.querySelector('.facts').textContent =
      `firmware ${g.firmware} · hardware ${g.hardware} · glove ${g.index} (${g.key}) · ${g.pps} packets/s · profile ${g.profile}`;
    setBadge(card.querySelector('.glove-state'), g.state, g.state);
    // The badge says "live"; anything else is explained in words.
    card.querySelector('.headline').textContent = g.state === 'live' ? '' : g.headline;
    card.querySelectorAll('.fingers tr').forEach((row, f) => {
      const v = g.flexion[f];
      const cell = row.querySelector('.value');
      const bar = row.querySelector('.bar div');
      if (typeof v === 'number') {
        cell.textContent = v.toFixed(2);
        cell.classList.remove('invalid');
        bar.style.width = Math.max(0, Math.min(1, v)) * 100 + '%';
      } else {
        cell.textContent = g.invalid.includes(fingerNames[f]) ? 'invalid' : '–';
        cell.classList.toggle('invalid', g.invalid.includes(fingerNames[f]));
        bar.style.width = '0';
      }
      // Held: the glove's current command gives this finger a force-feedback level above 0.
      const held = Boolean(g.held && g.held[f]);
      row.dataset.held = held ? 'true' : 'false';
      const heldCell = row.querySelector('.held');
      heldCell.textContent = held ? `held ${g.forceFeedback[f]}` : '';
      heldCell.title = held ? `force feedback ${g.forceFeedback[f]} %: the glove resists this finger's flexion` : '';
    });
    const robot = robotOf(g);
    const robotLine = card.querySelector('.robot');
    robotLine.hidden = !robot;
    if (robot) {
      robotLine.dataset.state = g.robot.state;
      robotLine.textContent = `Robot ${robot.name}: ${g.robot.message}`;
    }
    const q = g.orientation;
    card.querySelector('.orientation-text').textContent = q
      ? `orientation (quaternion) x ${q[0].toFixed(3)} y ${q[1].toFixed(3)} z ${q[2].toFixed(3)} w ${q[3].toFixed(3)}`
      : 'orientation: none read';
  }

  // ---- haptics ----
  function makeHaptics(box, g) {
    if (!state.hello || !state.hello.allowHaptics) {
      box.innerHTML = '<span class="off">Haptics are off: start tscore view with --allow-haptics to send vibration and force feedback from here.</span>';
      return;
    }
    const levels = { ffb: [0, 0, 0, 0, 0], buzz: [0, 0, 0, 0, 0] };
    let timer = null;
    const flush = () => { timer = null; send({ type: 'levels', key: g.key, ffb: levels.ffb, buzz: levels.buzz }); };
    const schedule = () => { if (!timer) timer = setTimeout(flush, 60); };
    for (const [kind, title] of [['ffb', 'Force feedback (held)'], ['buzz', 'Vibration (held; Pulse: 300 ms)']]) {
      const h = document.createElement('h3');
      h.textContent = title;
      box.appendChild(h);
      fingerNames.forEach((name, f) => {
        const row = document.createElement('div');
        row.className = 'row';
        const present = f < g.channels[kind];
        row.innerHTML = `<span>${name}</span><input type="range" min="0" max="100" value="0" data-kind="${kind}" data-finger="${f}"><span class="level">0</span>`;
        const slider = row.querySelector('input');
        slider.disabled = !present;
        slider.title = present ? '' : `a ${g.kind} glove has no ${kind === 'ffb' ? 'force feedback' : 'vibration'} on this finger`;
        slider.addEventListener('input', () => {
          levels[kind][f] = Number(slider.value);
          row.querySelector('.level').textContent = slider.value;
          schedule();
        });
        if (kind === 'buzz') {
          const pulse = document.createElement('button');
          pulse.textContent = 'Pulse';
          pulse.disabled = !present;
          pulse.addEventListener('click', () => send({ type: 'pulse', key: g.key, finger: f, level: Math.max(1, levels.buzz[f] || 80), ms: 300 }));
          row.appendChild(pulse);
        }
        box.appendChild(row);
      });
    }
    const stop = document.createElement('button');
    stop.textContent = 'Stop this glove';
    stop.addEventListener('click', () => {
      levels.ffb.fill(0); levels.buzz.fill(0);
      box.querySelectorAll('input[type=range]').forEach((s) => { s.value = 0; s.parentElement.querySelector('.level').textContent = '0'; });
      send({ type: 'stop', key: g.key });
    });
    box.appendChild(stop);
  }

  // ---- for scripts and tests: what the page shows, without reading pixels ----
  window.tsView = {
    loadId: Math.random().toString(36).slice(2),
    renderer: () => renderer.name,
    received: () => state.received,
    draws: () => state.draws,
    // The texts written into the picture at its last drawing.
    labels: () => state.labelTexts || [],
    send,
    // Whether each finger of a glove is held by force feedback, as the last frame says.
    held: (key) => ((state.frame && state.frame.gloves.find((g) => g.key === key)) || {}).held || [],
    // The state of the robot hand that follows a glove ("following", "holding", "failed"), or null.
    robotState: (key) => {
      const g = state.frame && state.frame.gloves.find((x) => x.key === key);
      return g && robotOf(g) ? g.robot.state : null;
    },
    // Page positions (CSS pixels) of the robot's links drawn beside a glove; digit: the digit
    // whose tip the link is, -1 for the others.
    robotOnScreen(key) {
      const hand = hands().find((h) => h.key === key && h.robot);
      if (!hand) return [];
      const w = canvas.clientWidth, h = canvas.clientHeight;
      const vp = camera.viewProjection(w / h);
      const q = orientationBox.checked && hand.orientation ? hand.orientation : null;
      const place = (p) => { const r = q ? TSRender.rotate(q, p) : p; return [r[0] + hand.offset[0], r[1] + hand.offset[1], r[2] + hand.offset[2]]; };
      const tips = new Map(hand.robot.tips.map(([digit, link]) => [link, digit]));
      const box = canvas.getBoundingClientRect();
      const out = [];
      TSRender.robotPoints(hand.robot, place).forEach((p, i) => {
        const s = p && TSRender.project(vp, p, w, h);
        if (s) out.push({ link: i, digit: tips.has(i) ? tips.get(i) : -1, x: box.left + s.x, y: box.top + s.y });
      });
      return out;
    },
    // Page positions (CSS pixels) of every joint drawn for a glove, per finger.
    jointsOnScreen(key) {
      const hand = hands().find((h) => h.key === key);
      if (!hand) return [];
      const s = { w: canvas.clientWidth, h: canvas.clientHeight };
      s.vp = camera.viewProjection(s.w / s.h);
      const one = TSRender.buildScene([hand], orientationBox.checked, 0);
      const box = canvas.getBoundingClientRect();
      const out = [];
      let j = 0;
      hand.points.forEach((finger, f) => {
        if (!finger) return;
        for (let k = 0; k < finger.length; k++, j++) {
          const p = TSRender.project(s.vp, one.joints[j].c, s.w, s.h);
          if (p) out.push({ finger: f, x: box.left + p.x, y: box.top + p.y });
        }
      });
      return out;
    },
  };

  connect();
  requestAnimationFrame(draw);
})();
