// Debian's Chromium, headless, driven over the DevTools protocol through a pipe: tabs, script
// evaluation, trusted mouse and key input, screenshots. Started with none of the switches
// that stop a background tab's timers from being held back.
import { spawn } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

export const kChromium = process.env.DTU_CHROMIUM || '/usr/bin/chromium';
// The network is closed here: nothing that would try to reach outside hosts.
export const kSwitches = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync', '--disable-default-apps',
  '--disable-extensions', '--disable-dev-shm-usage', '--no-default-browser-check', '--password-store=basic',
  '--use-mock-keychain', '--hide-scrollbars', '--mute-audio', '--force-color-profile=srgb', '--lang=zh-CN',
  '--window-size=1280,900', '--remote-debugging-pipe'];
// What a test must never start the browser with: each keeps a background tab's timers going.
export const kThrottlingSwitches = ['--disable-background-timer-throttling', '--disable-renderer-backgrounding',
  '--disable-backgrounding-occluded-windows', '--disable-features=IntensiveWakeUpThrottling'];

export class Browser {
  static async launch(extra = []) {
    const profile = mkdtempSync(join(tmpdir(), 'dtu-chromium-'));
    const args = [...kSwitches, `--user-data-dir=${profile}`, ...extra, 'about:blank'];
    for (const a of args) {
      if (kThrottlingSwitches.some((s) => a.startsWith(s.split('=')[0]) && a.includes(s.split('=')[1] || ''))) {
        throw new Error('refusing a switch that turns background throttling off: ' + a);
      }
    }
    const child = spawn(kChromium, args, { stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe'] });
    const b = new Browser(child, profile, args);
    child.stderr.on('data', (d) => { b.stderr += d; if (b.stderr.length > 65536) b.stderr = b.stderr.slice(-32768); });
    await b.send('Target.setDiscoverTargets', { discover: true });
    return b;
  }

  constructor(child, profile, args) {
    this.child = child;
    this.profile = profile;
    this.args = args;
    this.stderr = '';
    this.nextId = 1;
    this.pending = new Map();
    this.listeners = new Map();  // sessionId -> Set(fn(method, params))
    let buffer = '';
    child.stdio[4].on('data', (chunk) => {
      buffer += chunk.toString('utf8');
      let end;
      while ((end = buffer.indexOf('\0')) >= 0) {
        const message = JSON.parse(buffer.slice(0, end));
        buffer = buffer.slice(end + 1);
        this.receive(message);
      }
    });
    this.exited = new Promise((resolve) => child.on('exit', resolve));
  }

  receive(m) {
    if (m.id !== undefined) {
      const p = this.pending.get(m.id);
      if (!p) return;
      this.pending.delete(m.id);
      if (m.error) p.reject(new Error(`${p.method}: ${m.error.message}`));
      else p.resolve(m.result);
      return;
    }
    for (const fn of this.listeners.get(m.sessionId || '') || []) fn(m.method, m.params);
  }

  send(method, params = {}, sessionId = undefined) {
    const id = this.nextId++;
    const message = JSON.stringify({ id, method, params, sessionId });
    return new Promise((resolve, reject) => {
      this.pending.set(id, { resolve, reject, method });
      this.child.stdio[3].write(message + '\0');
    });
  }

  on(sessionId, fn) {
    if (!this.listeners.has(sessionId)) this.listeners.set(sessionId, new Set());
    this.listeners.get(sessionId).add(fn);
    return () => this.listeners.get(sessionId).delete(fn);
  }

  // A new tab in the browser's one window (the window's other tabs go to the background).
  async newTab(url = 'about:blank') {
    const { targetId } = await this.send('Target.createTarget', { url: 'about:blank', newWindow: false });
    const { sessionId } = await this.send('Target.attachToTarget', { targetId, flatten: true });
    const tab = new Tab(this, targetId, sessionId);
    await tab.init();
    if (url !== 'about:blank') await tab.navigate(url);
    return tab;
  }

  // The switches the browser process was really started with.
  commandLine() {
    try {
      return readFileSync(`/proc/${this.child.pid}/cmdline`, 'utf8').split('\0');
    } catch (e) {
      return this.args;
    }
  }

  async close() {
    try {
      await Promise.race([this.send('Browser.close'), new Promise((r) => setTimeout(r, 3000))]);
    } catch (e) {
      // already gone
    }
    if (this.child.exitCode === null) this.child.kill('SIGKILL');
    await this.exited;
    try {
      rmSync(this.profile, { recursive: true, force: true, maxRetries: 10, retryDelay: 100 });
    } catch (e) {
      // a helper process of the browser still writing there: left for the system's cleaning
    }
  }
}

const kKeys = {
  Tab: [9, 'Tab'], Enter: [13, 'Enter', '\r'], Escape: [27, 'Escape'], Backspace: [8, 'Backspace'],
  Delete: [46, 'Delete'], End: [35, 'End'], Home: [36, 'Home'], ArrowDown: [40, 'ArrowDown'], ArrowUp: [38, 'ArrowUp'],
  ArrowLeft: [37, 'ArrowLeft'], ArrowRight: [39, 'ArrowRight'], F1: [112, 'F1'], F4: [115, 'F4'], Space: [32, 'Space', ' '],
};

export class Tab {
  constructor(browser, targetId, sessionId) {
    this.browser = browser;
    this.targetId = targetId;
    this.sessionId = sessionId;
    this.console = [];
    this.errors = [];
  }

  send(method, params = {}) {
    return this.browser.send(method, params, this.sessionId);
  }

  async init() {
    this.browser.on(this.sessionId, (method, params) => {
      if (method === 'Runtime.consoleAPICalled') {
        this.console.push(`${params.type}: ${params.args.map((a) => a.value ?? a.description ?? '').join(' ')}`);
      } else if (method === 'Runtime.exceptionThrown') {
        const d = params.exceptionDetails;
        this.errors.push(`${d.text} ${d.exception ? d.exception.description || '' : ''}`);
      } else if (method === 'Log.entryAdded') {
        this.console.push(`${params.entry.level}: ${params.entry.text}`);
      }
    });
    await Promise.all([this.send('Page.enable'), this.send('Runtime.enable'), this.send('Log.enable')]);
  }

  async addInitScript(source) {
    await this.send('Page.addScriptToEvaluateOnNewDocument', { source });
  }

  async navigate(url, state = 'ready') {
    await this.send('Page.navigate', { url });
    if (state) await this.waitFor(`document.documentElement.dataset.state === ${JSON.stringify(state)} || document.getElementById('unsupported') && !document.getElementById('unsupported').hidden`, 30000, 'the page to start');
  }

  async reload(state = 'ready') {
    await this.send('Page.reload', { ignoreCache: false });
    if (state) await this.waitFor(`document.documentElement.dataset.state === ${JSON.stringify(state)}`, 30000, 'the page to restart');
  }

  // Evaluates an expression (or a function's source called with JSON arguments) in the page;
  // promises are awaited.
  async evaluate(expression, ...args) {
    const source = typeof expression === 'function' ? `(${expression})(...${JSON.stringify(args)})` : expression;
    const r = await this.send('Runtime.evaluate', { expression: source, awaitPromise: true, returnByValue: true,
      userGesture: false });
    if (r.exceptionDetails) {
      throw new Error(`evaluate: ${r.exceptionDetails.text} ${r.exceptionDetails.exception ? r.exceptionDetails.exception.description : ''}`);
    }
    return r.result.value;
  }

  // Polls until `expression` is true; throws naming `what` after `timeoutMs`.
  async waitFor(expression, timeoutMs = 10000, what = expression) {
    const end = Date.now() + timeoutMs;
    for (;;) {
      let value;
      try {
        value = await this.evaluate(expression);
      } catch (e) {
        value = false;
      }
      if (value) return value;
      if (Date.now() > end) throw new Error(`timed out waiting for ${what}`);
      await new Promise((r) => setTimeout(r, 25));
    }
  }

  async bringToFront() {
    await this.browser.send('Target.activateTarget', { targetId: this.targetId });
    await this.send('Page.bringToFront');
  }

  // The centre of the first element matching `selector`, in the viewport.
  async centre(selector) {
    const c = await this.evaluate((sel) => {
      const el = document.querySelector(sel);
      if (!el) return null;
      el.scrollIntoView({ block: 'nearest', inline: 'nearest' });
      const r = el.getBoundingClientRect();
      return [r.left + r.width / 2, r.top + r.height / 2];
    }, selector);
    if (!c) throw new Error('no element ' + selector);
    return c;
  }

  async clickAt(x, y) {
    await this.send('Input.dispatchMouseEvent', { type: 'mouseMoved', x, y });
    await this.send('Input.dispatchMouseEvent', { type: 'mousePressed', x, y, button: 'left', buttons: 1, clickCount: 1 });
    await this.send('Input.dispatchMouseEvent', { type: 'mouseReleased', x, y, button: 'left', buttons: 0, clickCount: 1 });
  }

  async click(selector) {
    const [x, y] = await this.centre(selector);
    await this.clickAt(x, y);
  }

  // A key by name (see kKeys) or a single character; modifiers: {shift, ctrl, alt}.
  async press(key, mods = {}) {
    const m = (mods.alt ? 1 : 0) | (mods.ctrl ? 2 : 0) | (mods.shift ? 8 : 0);
    const known = kKeys[key];
    let down;
    if (known) {
      down = { key: known[1] === 'Space' ? ' ' : known[1], code: known[1], windowsVirtualKeyCode: known[0],
        text: mods.ctrl || mods.alt ? undefined : known[2] };
    } else {
      const upper = key.toUpperCase();
      const code = /[0-9]/.test(key) ? 'Digit' + key : /[a-z]/i.test(key) ? 'Key' + upper : '';
      down = { key, code, windowsVirtualKeyCode: /[0-9a-z]/i.test(key) ? upper.charCodeAt(0) : key.charCodeAt(0),
        text: mods.ctrl || mods.alt ? undefined : key };
    }
    await this.send('Input.dispatchKeyEvent', { type: down.text ? 'keyDown' : 'rawKeyDown', modifiers: m, ...down });
    await this.send('Input.dispatchKeyEvent', { type: 'keyUp', modifiers: m, key: down.key, code: down.code,
      windowsVirtualKeyCode: down.windowsVirtualKeyCode });
  }

  // Types characters one key at a time.
  async type(text) {
    for (const ch of text) await this.press(ch);
  }

  async screenshot(clip = undefined) {
    const r = await this.send('Page.captureScreenshot', { format: 'png', clip, captureBeyondViewport: false });
    return Buffer.from(r.data, 'base64');
  }

  async close() {
    await this.browser.send('Target.closeTarget', { targetId: this.targetId });
  }
}
