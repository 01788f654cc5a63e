// The main form on a tab, driven as a technician drives it: clicks at the form's own layout
// (client coordinates of the window, as on the desktop), keys, and the message boxes.
import { check, sleep } from './harness.mjs';

// Centres of the controls the tests use, in the form's client coordinates.
export const At = {
  connect: [507, 40], portBox: [170, 42], linkBaud: [397, 42],
  readAll: [381, 133], saveAll: [493, 133], writeAll: [381, 212], resetAll: [493, 212],
  idField: [219, 106], portField: [219, 154], monitor: [300, 520],
};

// The monitor's text as its line elements show it (evaluated in the page).
export const monitorText = `(() => {
  const log = document.querySelector('.dtu-client .dtu-log');
  return log ? [...log.querySelectorAll('.dtu-log-block > div')].map((d) => d.textContent).join('\\n') : null;
})()`;

export class Form {
  constructor(tab) {
    this.tab = tab;
  }

  async click([x, y]) {
    const origin = await this.tab.evaluate(() => {
      const c = document.querySelector('.dtu-frame:not([hidden]) .dtu-client');
      if (!c) return null;
      const r = c.getBoundingClientRect();
      return [r.left, r.top];
    });
    check(origin, 'no form on the page');
    await this.tab.clickAt(origin[0] + x, origin[1] + y);
  }

  // The message box showing, or null.
  boxText() {
    return this.tab.evaluate(() => {
      const box = document.querySelector('dialog.dtu-box[open]');
      return box ? box.querySelector('.dtu-box-caption').textContent + '|' + box.querySelector('.dtu-box-text').textContent : null;
    });
  }

  // Waits for a message box after `what`, answers it with Enter and returns its caption and
  // text ("caption|text").
  async answerBox(what, timeoutMs = 15000) {
    const text = await this.tab.waitFor(`(() => { const b = document.querySelector('dialog.dtu-box[open]'); return b && b.querySelector('.dtu-box-caption').textContent + '|' + b.querySelector('.dtu-box-text').textContent; })()`, timeoutMs, `a message box after ${what}`);
    await this.tab.press('Enter');
    await this.tab.waitFor(`!document.querySelector('dialog.dtu-box[open]')`, 5000, `the message box after ${what} to close`);
    return text;
  }

  // What the traffic monitor shows, line by line as its elements hold it.
  monitor() {
    return this.tab.evaluate(monitorText);
  }

  status() {
    return this.tab.evaluate(() => {
      const labels = [...document.querySelectorAll('.dtu-label')];
      const i = labels.findIndex((l) => l.textContent === '当前通信状态：');
      return i >= 0 && labels[i + 1] ? labels[i + 1].textContent : null;
    });
  }

  connectCaption() {
    return this.tab.evaluate(() => [...document.querySelectorAll('.dtu-client button')].map((b) => b.textContent)
      .find((t) => t === '连接设备' || t === '断开连接'));
  }

  // Whether the button at `at` may be pressed.
  enabled(at) {
    return this.tab.evaluate(([x, y]) => {
      const c = document.querySelector('.dtu-frame:not([hidden]) .dtu-client').getBoundingClientRect();
      const el = document.elementFromPoint(c.left + x, c.top + y);
      const b = el && el.closest('button');
      return !!b && !b.disabled;
    }, at);
  }

  // Replaces the text of the field at `at` by typing, as a user: click, select all, type.
  async retype(at, text) {
    await this.click(at);
    await this.tab.press('End');
    for (let i = 0; i < 24; i++) await this.tab.press('Backspace');
    await this.tab.type(text);
  }

  async waitEnabled(at, what, timeoutMs = 15000) {
    const end = Date.now() + timeoutMs;
    while (!(await this.enabled(at))) {
      check(Date.now() < end, `${what} never became possible`);
      await sleep(50);
    }
  }
}
