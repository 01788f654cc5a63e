// Tabs of the page: the second says, in Chinese and English, that the tool is open in another
// tab, and shows no form; taking the tool over waits for a save the first tab has in progress
// and loads data.txt as that save left it; the tab that gave the tool up says so and saves
// nothing more; closing the tool's tab lets a waiting tab start by itself; of two tabs
// waiting, the one whose user asked gets the tool.
import { writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { check, equal, initScript, kSimState, startSim } from './harness.mjs';
import { At, Form } from './form.mjs';
import { connect } from './session.mjs';

const kAdapter = { name: 'T', usbVendorId: 0x10c4, usbProductId: 0xea60 };
const state = `document.documentElement.dataset.state`;

// Opens the page in a new tab; resolves with the tab once it shows the form or the notice.
async function open(browser, origin) {
  const tab = await browser.newTab();
  await tab.addInitScript(initScript({ ports: [kAdapter], granted: [], choose: 'T' }));
  await tab.navigate(origin + '/', null);
  await tab.waitFor(`['ready', 'elsewhere'].includes(${state})`, 30000, 'the page to start');
  return tab;
}

// What a tab shows: the notice, the form, the bar that opens and saves data.txt.
const notice = (tab) => tab.evaluate(() => ({
  shown: document.getElementById('elsewhere').checkVisibility(),
  text: document.getElementById('elsewhere-text').textContent,
  button: document.getElementById('take-over').textContent,
  form: !!document.querySelector('.dtu-frame'),
  bar: document.getElementById('bar').checkVisibility(),
}));

// The ID field's text.
const idShown = (tab) => tab.evaluate(([x, y]) => {
  const c = document.querySelector('.dtu-frame:not([hidden]) .dtu-client').getBoundingClientRect();
  return document.elementFromPoint(c.left + x, c.top + y).value;
}, At.idField);

async function save(form, id) {
  await form.tab.bringToFront();
  await form.retype(At.idField, id);
  await form.click(At.saveAll);
}

export function tabGroups(ctx) {
  const { server, browser, simProgram, scratch } = ctx;
  return [
    ['tabs: a second tab offers to take the tool over; taking over waits for the first tab\'s save and loads its file', async () => {
      const simState = join(scratch, 'tabs.state');
      writeFileSync(simState, kSimState);
      const sim = await startSim(simProgram, simState);
      server.ports.set('T', sim);
      const first = await open(browser, server.origin);
      equal(await first.evaluate(state), 'ready', 'the first tab');
      const firstForm = new Form(first);
      await connect(firstForm, sim);
      await save(firstForm, 'TAB001');
      equal(await firstForm.answerBox('the first save'), '信息提示窗口|保存设置值成功！！', 'the first tab\'s save');

      const second = await open(browser, server.origin);
      const n = await notice(second);
      check(n.shown && !n.form && !n.bar, 'the second tab runs the tool beside the first: ' + JSON.stringify(n));
      check(/[\u4e00-\u9fff]/.test(n.text) && n.text.includes('The tool is open in another tab'), 'not Chinese and English: ' + n.text);
      check(/[\u4e00-\u9fff]/.test(n.button) && n.button.includes('Use it in this tab'), 'the button: ' + n.button);
      if (ctx.noticeScreenshot) writeFileSync(ctx.noticeScreenshot, await second.screenshot());

      // The first tab saves again; its storage holds the new content back until released.
      await first.evaluate(() => {
        const close = FileSystemWritableFileStream.prototype.close;
        const held = new Promise((resolve) => (window.__releaseSave = resolve));
        FileSystemWritableFileStream.prototype.close = async function () {
          window.__saveHeld = true;
          await held;
          return close.call(this);
        };
      });
      await save(firstForm, 'TAB002');
      await first.waitFor('window.__saveHeld === true', 10000, 'the second save to reach the storage');
      await second.bringToFront();
      await second.click('#take-over');
      await first.waitFor(`${state} === 'handing-over'`, 10000, 'the first tab to be asked for the tool');
      equal(await second.evaluate(state), 'elsewhere', 'the second tab while the first one\'s save is being written');
      await first.evaluate('window.__releaseSave()');
      await second.waitFor(`${state} === 'ready'`, 30000, 'the second tab to start the tool');
      equal(await idShown(second), 'TAB002', 'the ID the tab taking over loaded');
      await first.waitFor(`${state} === 'elsewhere'`, 30000, 'the first tab to give the tool up');
      const gaveUp = await notice(first);
      check(!gaveUp.form && gaveUp.text.includes('taken over by another tab'), 'the tab that gave the tool up: ' + JSON.stringify(gaveUp));

      // Closing the tool's tab lets the tab waiting start by itself, with the file as it is.
      await second.close();
      await first.waitFor(`${state} === 'ready'`, 30000, 'the waiting tab to start once the tool\'s tab closed');
      equal(await idShown(first), 'TAB002', 'the ID loaded by the tab that started by itself');

      // Of two tabs waiting, the one whose user asks gets the tool, though the other waited longer.
      const third = await open(browser, server.origin);
      const fourth = await open(browser, server.origin);
      equal([await third.evaluate(state), await fourth.evaluate(state)], ['elsewhere', 'elsewhere'], 'two more tabs');
      await fourth.bringToFront();
      await fourth.click('#take-over');
      await fourth.waitFor(`${state} === 'ready'`, 30000, 'the tab whose user asked to start the tool');
      equal(await third.evaluate(state), 'elsewhere', 'the tab that waited longer without being asked');
      await first.waitFor(`${state} === 'elsewhere'`, 30000, 'the first tab to give the tool up again');
      for (const tab of [first, third, fourth]) await tab.close();
      await sim.stop();
    }],
  ];
}
