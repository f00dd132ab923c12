// Drawing for tscore view: a small orbit camera, the scene (hands, grid) in world millimetres,
// and two renderers of it: WebGL (shaded cylinders and spheres) and, where WebGL is missing,
// Canvas 2D (the same primitives projected and painted back to front). No libraries.
'use strict';

const TSRender = (() => {
  // One colour per finger, as in `tscore render`'s pictures: thumb, index, middle, ring, pinky.
  const fingerColours = ['#d62728', '#ff7f0e', '#2ca02c', '#1f77b4', '#9467bd'];
  const wristColour = '#555555';
  const heldColour = '#8b1a1a'; // the label over a fingertip held by force feedback
  const boneRadius = 4;
  const jointRadius = 6;
  const tipRadius = 4.5;
  const handSpacing = 240; // millimetres between wrists, room for a hand turned by its orientation
  // A robot hand: slate links, each digit's tip link in that digit's colour.
  const robotColour = '#4a5a6e';
  const robotLinkRadius = 3;
  const robotJointRadius = 5;

  function hexToRgb(hex) {
    const n = parseInt(hex.slice(1), 16);
    return [((n >> 16) & 255) / 255, ((n >> 8) & 255) / 255, (n & 255) / 255];
  }

  // Colours of a hand that is not live fade toward grey: the last reading, not the hand now.
  function shade(hex, live) {
    const c = hexToRgb(hex);
    return live ? c : c.map((v) => v * 0.25 + 0.62 * 0.75);
  }

  // ---- 4x4 matrices, column-major as WebGL takes them ----
  const M = {
    multiply(a, b) {
      const o = new Float32Array(16);
      for (let c = 0; c < 4; c++)
        for (let r = 0; r < 4; r++) {
          let s = 0;
          for (let k = 0; k < 4; k++) s += a[k * 4 + r] * b[c * 4 + k];
          o[c * 4 + r] = s;
        }
      return o;
    },
    perspective(fovy, aspect, near, far) {
      const f = 1 / Math.tan(fovy / 2);
      const o = new Float32Array(16);
      o[0] = f / aspect; o[5] = f; o[10] = (far + near) / (near - far); o[11] = -1;
      o[14] = (2 * far * near) / (near - far);
      return o;
    },
    lookAt(eye, target, up) {
      const z = norm(sub(eye, target));
      const x = norm(cross(up, z));
      const y = cross(z, x);
      return new Float32Array([x[0], y[0], z[0], 0, x[1], y[1], z[1], 0, x[2], y[2], z[2], 0,
        -dot(x, eye), -dot(y, eye), -dot(z, eye), 1]);
    },
    // Maps the unit cylinder (radius 1, z from 0 to 1) onto a segment from a to b with radius r.
    segment(a, b, r) {
      const d = sub(b, a);
      const len = Math.hypot(d[0], d[1], d[2]) || 1e-6;
      const z = d.map((v) => v / len);
      const helper = Math.abs(z[2]) < 0.9 ? [0, 0, 1] : [1, 0, 0];
      const x = norm(cross(helper, z));
      const y = cross(z, x);
      return new Float32Array([x[0] * r, x[1] * r, x[2] * r, 0, y[0] * r, y[1] * r, y[2] * r, 0,
        z[0] * len, z[1] * len, z[2] * len, 0, a[0], a[1], a[2], 1]);
    },
    sphere(c, r) {
      return new Float32Array([r, 0, 0, 0, 0, r, 0, 0, 0, 0, r, 0, c[0], c[1], c[2], 1]);
    },
    transform(m, p) {
      const x = p[0], y = p[1], z = p[2];
      return [m[0] * x + m[4] * y + m[8] * z + m[12], m[1] * x + m[5] * y + m[9] * z + m[13],
        m[2] * x + m[6] * y + m[10] * z + m[14], m[3] * x + m[7] * y + m[11] * z + m[15]];
    },
  };
  function sub(a, b) { return [a[0] - b[0], a[1] - b[1], a[2] - b[2]]; }
  function dot(a, b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
  function cross(a, b) { return [a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]]; }
  function norm(a) { const l = Math.hypot(a[0], a[1], a[2]) || 1; return [a[0] / l, a[1] / l, a[2] / l]; }

  // Rotates p by the unit quaternion q = [x, y, z, w].
  function rotate(q, p) {
    const [x, y, z, w] = q;
    const u = [x, y, z];
    const t = cross(u, p).map((v) => 2 * v);
    const c = cross(u, t);
    return [p[0] + w * t[0] + c[0], p[1] + w * t[1] + c[1], p[2] + w * t[2] + c[2]];
  }

  // ---- camera: orbits a target point, +z up ----
  class Camera {
    constructor() { this.hands = 1; this.reset(); }
    reset() {
      // From behind and above the wrists, looking toward the fingers: as one sees one's own
      // hands, palms down, thumbs of the right hand to the left; far enough for every hand.
      this.yaw = Math.PI;
      this.pitch = 0.75;
      this.distance = Math.max(420, ((this.hands - 1) / 2 * handSpacing + 130) * 2.2);
      this.target = [70, 0, -40];
      this.moved = false;
    }
    // A new number of hands refits the first view, unless the user has moved away from it.
    fit(hands) {
      if (hands === this.hands || hands === 0) return;
      this.hands = hands;
      if (!this.moved) this.reset();
    }
    orbit(dx, dy) {
      this.moved = true;
      this.yaw -= dx * 0.008;
      this.pitch = Math.min(1.5, Math.max(-1.5, this.pitch + dy * 0.008));
    }
    zoom(factor) { this.moved = true; this.distance = Math.min(4000, Math.max(150, this.distance * factor)); }
    eye() {
      const c = Math.cos(this.pitch);
      return [this.target[0] + this.distance * c * Math.cos(this.yaw),
        this.target[1] + this.distance * c * Math.sin(this.yaw),
        this.target[2] + this.distance * Math.sin(this.pitch)];
    }
    // The camera's right-hand direction on the floor: a scale bar lies along it.
    right() { return [-Math.sin(this.yaw), Math.cos(this.yaw), 0]; }
    viewProjection(aspect) {
      return M.multiply(M.perspective(0.8, aspect, 10, 20000), M.lookAt(this.eye(), this.target, [0, 0, 1]));
    }
  }

  // Screen position (CSS pixels) and depth of a world point; null behind the camera.
  function project(vp, p, width, height) {
    const c = M.transform(vp, p);
    if (c[3] <= 1e-3) return null;
    return { x: (c[0] / c[3] + 1) / 2 * width, y: (1 - c[1] / c[3]) / 2 * height, depth: c[3] };
  }

  // ---- the scene: primitives in world millimetres ----
  // hands: [{points: [5 lists of [x,y,z] | null], offset: [x,y,z], orientation: q | null, live,
  //          held: [5 booleans]: fingers held by force feedback, marked at their tips}]
  //        or a robot hand: {robot: {links: [[x,y,z] | null], parents: [index, -1 for the root],
  //          tips: [[digit, link index]]}, offset, orientation, live}
  function buildScene(hands, applyOrientation, gridHalfWidth) {
    const scene = { bones: [], joints: [], palms: [], lines: [], labels: [] };
    for (const hand of hands) {
      const q = applyOrientation && hand.orientation ? hand.orientation : null;
      const place = (p) => { const r = q ? rotate(q, p) : p; return [r[0] + hand.offset[0], r[1] + hand.offset[1], r[2] + hand.offset[2]]; };
      if (hand.robot) {
        addRobot(scene, hand, place);
        continue;
      }
      const wrist = place([0, 0, 0]);
      const palm = [wrist];
      hand.points.forEach((finger, f) => {
        if (!finger || finger.length === 0) return;
        const colour = shade(fingerColours[f], hand.live);
        const pts = finger.map(place);
        palm.push(pts[f === 0 ? Math.min(1, pts.length - 1) : 0]);
        scene.bones.push({ a: wrist, b: pts[0], r: boneRadius * 0.5, colour: colour.map((v) => v * 0.5 + 0.45) });
        for (let j = 0; j + 1 < pts.length; j++) scene.bones.push({ a: pts[j], b: pts[j + 1], r: boneRadius, colour });
        pts.forEach((p, j) => scene.joints.push({ c: p, r: j + 1 === pts.length ? tipRadius : jointRadius, colour }));
        if (hand.held && hand.held[f]) {
          const tip = pts[pts.length - 1];
          scene.labels.push({ p: [tip[0], tip[1], tip[2] + 14], text: 'held', bold: true, colour: heldColour });
        }
      });
      scene.joints.push({ c: wrist, r: jointRadius + 1, colour: hexToRgb(wristColour) });
      if (palm.length >= 3) scene.palms.push({ points: palm, colour: [0.85, 0.85, 0.85] });
    }
    grid(scene, gridHalfWidth);
    return scene;
  }

  // Every link of the robot at its origin, joined to its parent's; links without finite
  // numbers are left out.
  function robotPoints(robot, place) {
    return robot.links.map((p) => (Array.isArray(p) && p.length === 3 && p.every(Number.isFinite) ? place(p) : null));
  }

  function addRobot(scene, hand, place) {
    const robot = hand.robot;
    const colour = shade(robotColour, hand.live);
    const pts = robotPoints(robot, place);
    const tipDigit = new Map(robot.tips.map(([digit, link]) => [link, digit]));
    robot.parents.forEach((parent, i) => {
      if (parent >= 0 && pts[i] && pts[parent]) scene.bones.push({ a: pts[parent], b: pts[i], r: robotLinkRadius, colour });
    });
    pts.forEach((p, i) => {
      if (!p) return;
      const digit = tipDigit.get(i);
      scene.joints.push(digit === undefined ? { c: p, r: robotJointRadius, colour }
        : { c: p, r: tipRadius + 1, colour: shade(fingerColours[digit], hand.live) });
    });
  }

  // A floor grid below the hands: 10 mm squares, every fifth line stronger, labelled in mm.
  const gridZ = -110;
  function grid(scene, half) {
    const x0 = -100, x1 = 300;
    for (let x = x0; x <= x1; x += 10)
      scene.lines.push({ a: [x, -half, gridZ], b: [x, half, gridZ], major: x % 50 === 0 });
    for (let y = -half; y <= half; y += 10)
      scene.lines.push({ a: [x0, y, gridZ], b: [x1, y, gridZ], major: y % 50 === 0 });
    for (let x = 0; x <= x1; x += 50)
      scene.labels.push({ p: [x, half + 12, gridZ], text: x === 0 ? '0 mm' : String(x) });
    scene.labels.push({ p: [x1 + 40, 0, gridZ], text: 'grid: 10 mm squares' });
  }

  // ---- WebGL renderer ----
  const vertexSource = `
    attribute vec3 position; attribute vec3 normal;
    uniform mat4 viewProjection; uniform mat4 model;
    varying vec3 vNormal;
    void main() {
      vNormal = normalize(mat3(model) * normal);
      gl_Position = viewProjection * model * vec4(position, 1.0);
    }`;
  const fragmentSource = `
    precision mediump float;
    uniform vec3 colour; uniform float lit; uniform float alpha;
    varying vec3 vNormal;
    void main() {
      vec3 light = normalize(vec3(-0.4, 0.3, 0.85));
      float d = abs(dot(normalize(vNormal), light));
      gl_FragColor = vec4(colour * mix(1.0, 0.45 + 0.6 * d, lit), alpha);
    }`;

  function cylinderMesh(sides) {
    const pos = [], nrm = [];
    for (let i = 0; i < sides; i++) {
      const a0 = (i / sides) * 2 * Math.PI, a1 = ((i + 1) / sides) * 2 * Math.PI;
      const c0 = [Math.cos(a0), Math.sin(a0)], c1 = [Math.cos(a1), Math.sin(a1)];
      for (const [c, z] of [[c0, 0], [c1, 0], [c1, 1], [c0, 0], [c1, 1], [c0, 1]]) {
        pos.push(c[0], c[1], z); nrm.push(c[0], c[1], 0);
      }
    }
    return { pos, nrm };
  }

  function sphereMesh(rings, segments) {
    const pos = [], nrm = [];
    const at = (r, s) => {
      const t = (r / rings) * Math.PI, p = (s / segments) * 2 * Math.PI;
      return [Math.sin(t) * Math.cos(p), Math.sin(t) * Math.sin(p), Math.cos(t)];
    };
    for (let r = 0; r < rings; r++)
      for (let s = 0; s < segments; s++)
        for (const v of [at(r, s), at(r + 1, s), at(r + 1, s + 1), at(r, s), at(r + 1, s + 1), at(r, s + 1)]) {
          pos.push(...v); nrm.push(...v);
        }
    return { pos, nrm };
  }

  // WebGL drawn by the CPU (no GPU, a virtual machine) is far slower than Canvas 2D.
  function softwareWebGL(gl) {
    const info = gl.getExtension('WEBGL_debug_renderer_info');
    const name = info ? String(gl.getParameter(info.UNMASKED_RENDERER_WEBGL)) : '';
    return /swiftshader|llvmpipe|softpipe|software/i.test(name);
  }

  class GLRenderer {
    constructor(canvas, evenInSoftware) {
      const gl = canvas.getContext('webgl', { antialias: true });
      if (!gl) throw new Error('no WebGL');
      if (!evenInSoftware && softwareWebGL(gl)) throw new Error('WebGL is drawn in software here');
      this.gl = gl;
      this.name = 'WebGL';
      this.program = this.link(vertexSource, fragmentSource);
      this.loc = {
        position: gl.getAttribLocation(this.program, 'position'),
        normal: gl.getAttribLocation(this.program, 'normal'),
        viewProjection: gl.getUniformLocation(this.program, 'viewProjection'),
        model: gl.getUniformLocation(this.program, 'model'),
        colour: gl.getUniformLocation(this.program, 'colour'),
        lit: gl.getUniformLocation(this.program, 'lit'),
        alpha: gl.getUniformLocation(this.program, 'alpha'),
      };
      this.cylinder = this.mesh(cylinderMesh(14));
      this.sphere = this.mesh(sphereMesh(8, 14));
      this.dynamic = { pos: gl.createBuffer(), nrm: gl.createBuffer() };
    }
    link(vs, fs) {
      const gl = this.gl;
      const compile = (type, src) => {
        const s = gl.createShader(type);
        gl.shaderSource(s, src);
        gl.compileShader(s);
        if (!gl.getShaderParameter(s, gl.COMPILE_STATUS)) throw new Error(gl.getShaderInfoLog(s));
        return s;
      };
      const p = gl.createProgram();
      gl.attachShader(p, compile(gl.VERTEX_SHADER, vs));
      gl.attachShader(p, compile(gl.FRAGMENT_SHADER, fs));
      gl.linkProgram(p);
      if (!gl.getProgramParameter(p, gl.LINK_STATUS)) throw new Error(gl.getProgramInfoLog(p));
      return p;
    }
    mesh(m) {
      const gl = this.gl;
      const upload = (data) => { const b = gl.createBuffer(); gl.bindBuffer(gl.ARRAY_BUFFER, b); gl.bufferData(gl.ARRAY_BUFFER, new Float32Array(data), gl.STATIC_DRAW); return b; };
      return { pos: upload(m.pos), nrm: upload(m.nrm), count: m.pos.length / 3 };
    }
    bind(m) {
      const gl = this.gl;
      gl.bindBuffer(gl.ARRAY_BUFFER, m.pos);
      gl.enableVertexAttribArray(this.loc.position);
      gl.vertexAttribPointer(this.loc.position, 3, gl.FLOAT, false, 0, 0);
      gl.bindBuffer(gl.ARRAY_BUFFER, m.nrm);
      gl.enableVertexAttribArray(this.loc.normal);
      gl.vertexAttribPointer(this.loc.normal, 3, gl.FLOAT, false, 0, 0);
    }
    // Lines and palms change every frame: one dynamic buffer, drawn unlit.
    drawDynamic(pos, mode, colour, alpha) {
      const gl = this.gl;
      const data = new Float32Array(pos);
      gl.bindBuffer(gl.ARRAY_BUFFER, this.dynamic.pos);
      gl.bufferData(gl.ARRAY_BUFFER, data, gl.STREAM_DRAW);
      gl.bindBuffer(gl.ARRAY_BUFFER, this.dynamic.nrm);
      const up = new Float32Array(pos.length);
      for (let i = 2; i < up.length; i += 3) up[i] = 1; // any unit normal: drawn unlit
      gl.bufferData(gl.ARRAY_BUFFER, up, gl.STREAM_DRAW);
      this.bind(this.dynamic);
      gl.uniformMatrix4fv(this.loc.model, false, M.sphere([0, 0, 0], 1));
      gl.uniform3fv(this.loc.colour, colour);
      gl.uniform1f(this.loc.lit, 0);
      gl.uniform1f(this.loc.alpha, alpha);
      gl.drawArrays(mode, 0, pos.length / 3);
    }
    draw(scene, vp, width, height, ratio) {
      const gl = this.gl;
      gl.viewport(0, 0, Math.round(width * ratio), Math.round(height * ratio));
      gl.clearColor(0.97, 0.97, 0.96, 1);
      gl.clear(gl.COLOR_BUFFER_BIT | gl.DEPTH_BUFFER_BIT);
      gl.enable(gl.DEPTH_TEST);
      gl.enable(gl.BLEND);
      gl.blendFunc(gl.SRC_ALPHA, gl.ONE_MINUS_SRC_ALPHA);
      gl.useProgram(this.program);
      gl.uniformMatrix4fv(this.loc.viewProjection, false, vp);
      for (const major of [false, true]) {
        const pos = [];
        for (const l of scene.lines) if (l.major === major) pos.push(...l.a, ...l.b);
        this.drawDynamic(pos, gl.LINES, major ? [0.55, 0.55, 0.55] : [0.82, 0.82, 0.82], 1);
      }
      this.bind(this.cylinder);
      gl.uniform1f(this.loc.lit, 1);
      gl.uniform1f(this.loc.alpha, 1);
      for (const b of scene.bones) {
        gl.uniformMatrix4fv(this.loc.model, false, M.segment(b.a, b.b, b.r));
        gl.uniform3fv(this.loc.colour, b.colour);
        gl.drawArrays(gl.TRIANGLES, 0, this.cylinder.count);
      }
      this.bind(this.sphere);
      for (const j of scene.joints) {
        gl.uniformMatrix4fv(this.loc.model, false, M.sphere(j.c, j.r));
        gl.uniform3fv(this.loc.colour, j.colour);
        gl.drawArrays(gl.TRIANGLES, 0, this.sphere.count);
      }
      gl.depthMask(false);
      for (const palm of scene.palms) {
        const pos = [];
        for (let i = 1; i + 1 < palm.points.length; i++) pos.push(...palm.points[0], ...palm.points[i], ...palm.points[i + 1]);
        this.drawDynamic(pos, gl.TRIANGLES, palm.colour, 0.45);
      }
      gl.depthMask(true);
    }
  }

  // ---- Canvas 2D renderer: projected primitives, painted far to near ----
  function css(rgb, alpha) {
    return `rgba(${Math.round(rgb[0] * 255)},${Math.round(rgb[1] * 255)},${Math.round(rgb[2] * 255)},${alpha})`;
  }

  class CanvasRenderer {
    constructor(canvas) {
      this.ctx = canvas.getContext('2d');
      if (!this.ctx) throw new Error('no Canvas 2D');
      this.name = 'Canvas 2D';
    }
    draw(scene, vp, width, height, ratio) {
      const ctx = this.ctx;
      ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
      ctx.fillStyle = '#f7f7f5';
      ctx.fillRect(0, 0, width, height);
      const P = (p) => project(vp, p, width, height);
      // Pixels per millimetre at a depth, for line widths and radii.
      const focal = height / 2 / Math.tan(0.4);
      ctx.lineCap = 'round';
      for (const l of scene.lines) {
        const a = P(l.a), b = P(l.b);
        if (!a || !b) continue;
        ctx.strokeStyle = l.major ? '#8c8c8c' : '#cccccc';
        ctx.lineWidth = 1;
        ctx.beginPath(); ctx.moveTo(a.x, a.y); ctx.lineTo(b.x, b.y); ctx.stroke();
      }
      const items = [];
      for (const palm of scene.palms) {
        const pts = palm.points.map(P);
        if (pts.every((p) => p)) items.push({ depth: Math.max(...pts.map((p) => p.depth)), draw: () => {
          ctx.fillStyle = css(palm.colour, 0.45);
          ctx.beginPath(); pts.forEach((p, i) => (i ? ctx.lineTo(p.x, p.y) : ctx.moveTo(p.x, p.y))); ctx.closePath(); ctx.fill();
        } });
      }
      for (const b of scene.bones) {
        const a = P(b.a), e = P(b.b);
        if (a && e) items.push({ depth: (a.depth + e.depth) / 2, draw: () => {
          ctx.strokeStyle = css(b.colour, 1);
          ctx.lineWidth = Math.max(1, (2 * b.r * focal) / ((a.depth + e.depth) / 2));
          ctx.beginPath(); ctx.moveTo(a.x, a.y); ctx.lineTo(e.x, e.y); ctx.stroke();
        } });
      }
      for (const j of scene.joints) {
        const c = P(j.c);
        if (c) items.push({ depth: c.depth - j.r, draw: () => {
          ctx.fillStyle = css(j.colour, 1);
          ctx.beginPath(); ctx.arc(c.x, c.y, Math.max(1.5, (j.r * focal) / c.depth), 0, 2 * Math.PI); ctx.fill();
        } });
      }
      items.sort((p, q) => q.depth - p.depth).forEach((item) => item.draw());
    }
  }

  // Labels over either renderer: grid scale and each hand's name.
  function drawLabels(ctx, labels, vp, width, height, ratio) {
    ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
    ctx.clearRect(0, 0, width, height);
    ctx.font = '12px system-ui, sans-serif';
    ctx.textAlign = 'center';
    for (const l of labels) {
      const p = project(vp, l.p, width, height);
      if (!p) continue;
      ctx.fillStyle = l.colour || '#555555';
      ctx.font = l.bold ? 'bold 13px system-ui, sans-serif' : '12px system-ui, sans-serif';
      ctx.fillText(l.text, p.x, p.y);
    }
  }

  // WebGL on a GPU, Canvas 2D otherwise; prefer is '2d' or 'webgl' to choose. A canvas that
  // once gave a WebGL context gives no 2D one, so the fallback draws on a fresh canvas that
  // takes the old one's place.
  // A 50 mm bar in the lower right corner, as long as 50 mm are at the camera's target.
  function drawScaleBar(ctx, camera, vp, width, height) {
    const t = camera.target, r = camera.right();
    const a = project(vp, t, width, height);
    const b = project(vp, [t[0] + 50 * r[0], t[1] + 50 * r[1], t[2]], width, height);
    if (!a || !b) return;
    const length = Math.hypot(b.x - a.x, b.y - a.y);
    const x1 = width - 20, x0 = x1 - length, y = height - 20;
    ctx.strokeStyle = '#333333';
    ctx.lineWidth = 2;
    ctx.beginPath();
    ctx.moveTo(x0, y - 5); ctx.lineTo(x0, y); ctx.lineTo(x1, y); ctx.lineTo(x1, y - 5);
    ctx.stroke();
    ctx.fillStyle = '#333333';
    ctx.font = '12px system-ui, sans-serif';
    ctx.textAlign = 'center';
    ctx.fillText('50 mm', (x0 + x1) / 2, y - 6);
  }

  function createRenderer(canvas, prefer) {
    if (prefer !== '2d') {
      try { return { renderer: new GLRenderer(canvas, prefer === 'webgl'), canvas }; } catch (e) {
        console.warn('WebGL unavailable, drawing with Canvas 2D:', e.message);
        const fresh = canvas.cloneNode(false);
        canvas.replaceWith(fresh);
        canvas = fresh;
      }
    }
    return { renderer: new CanvasRenderer(canvas), canvas };
  }

  return { Camera, handSpacing, buildScene, createRenderer, drawLabels, drawScaleBar, project, rotate, fingerColours,
    robotColour, robotPoints };
})();
