// The tool's timing with its tab in the background (another tab in front, the page's
// visibility "hidden"), the browser started with none of the switches that stop background
// tabs from being slowed: the boot handshake inside a DTU's short boot window, and a whole
// write. A plain timer chain of the page's own, run beside them, shows that the tab really
// was being held back.
import { writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { kThrottlingSwitches } from './cdp.mjs';
import { check, equal, initScript, kSimState, sleep, startSim } from './harness.mjs';
import { At, Form } from './form.mjs';

const kAdapter = { name: 'H', usbVendorId: 0x0403, usbProductId: 0x6001 };

// Starts, in the page, a chain of 100 ms timers on the page's own thread and the record of
// the page's visibility; window.__probe holds the gaps and the states seen.
const kProbe = `(() => {
  const p = window.__probe = { gaps: [], states: new Set([document.visibilityState]) };
  let last = performance.now();
  const tick = () => { const now = performance.now(); p.gaps.push(now - last); last = now; setTimeout(tick, 100); };
  setTimeout(tick, 100);
  document.addEventListener('visibilitychange', () => p.states.add(document.visibilityState));
  return true;
})()`;

async function hide(browser) {
  const front = await browser.newTab();
  await front.bringToFront();
  return front;
}

export function timingGroups(ctx) {
  const { server, browser, simProgram, scratch } = ctx;
  return [
    ['timing: the browser runs without the switches that keep background tabs fast', async () => {
      const line = browser.commandLine().join(' ');
      for (const s of kThrottlingSwitches) check(!line.includes(s), `the browser was started with ${s}`);
    }],

    ['timing: in a hidden tab, the boot handshake holds a 1.4 s boot window and a write takes no longer', async () => {
      const state = join(scratch, 'hidden.state');
      writeFileSync(state, kSimState);
      // The DTU takes the setting-mode request only within 1.4 s of its banner; the tool
      // answers about a second after it (its 500 ms receive window, then 500 ms).
      const sim = await startSim(simProgram, state, ['--boot-window', '1400', '--boot-delay', '1500']);
      server.ports.set('H', sim);
      const tab = await browser.newTab();
      await tab.addInitScript(initScript({ ports: [kAdapter], granted: [], choose: 'H' }));
      await tab.navigate(server.origin + '/');
      const form = new Form(tab);
      await tab.bringToFront();
      await tab.evaluate(kProbe);
      // Connected while in front; the DTU boots 1.5 s later, when the tab is behind another.
      await form.click(At.connect);
      await tab.waitFor(`window.__standIn.log.some((e) => e.op === 'open')`, 10000, 'the port to open');
      let front = await hide(browser);
      await tab.waitFor(`document.visibilityState === 'hidden'`, 5000, 'the tab to be hidden');
      const end = Date.now() + 15000;
      while (!sim.heard('System enter setting mode') && !sim.heard('data mode')) {
        check(Date.now() < end, 'the DTU never answered');
        await sleep(50);
      }
      check(sim.heard('System enter setting mode'), 'the request missed the boot window; the DTU\'s log:\n' + sim.log.join('').slice(-800));
      await sleep(2500);  // the tool's wait for the answer ends, still hidden
      const probe = await tab.evaluate(() => ({ gaps: window.__probe.gaps, states: [...window.__probe.states] }));
      check(probe.states.includes('hidden'), 'the page was never hidden');
      // Throttled timers wake on whole seconds: the first gap after hiding may be any part of
      // one, the ones after it are whole.
      const held = probe.gaps.slice(-3);
      check(held.every((g) => g >= 900), 'the page\'s own timers were not held back, so nothing was proved: ' + JSON.stringify(held.map(Math.round)));

      // A whole write (of the DTU's own settings, read first), in front and then hidden.
      await front.close();
      await tab.bringToFront();
      await form.waitEnabled(At.readAll, 'reading');
      await form.click(At.readAll);
      await form.answerBox('the read');
      const timeWrite = async (hidden) => {
        const before = sim.count('-> OK');
        await form.click(At.writeAll);
        const started = Date.now();
        if (hidden) front = await hide(browser);
        while (sim.count('-> OK') < before + 13) {
          check(Date.now() - started < 60000, 'the write did not finish');
          await sleep(20);
        }
        const took = Date.now() - started;
        if (hidden) {
          equal(await tab.evaluate('document.visibilityState'), 'hidden', 'the page\'s visibility during the write');
          await front.close();
          await tab.bringToFront();
        }
        await form.answerBox('the write', 20000);
        return took;
      };
      const shown = await timeWrite(false);
      const hidden = await timeWrite(true);
      // Each of the thirteen steps waits in 100 ms polls: a held-back timer would add seconds.
      check(hidden < shown * 1.1 + 300, `the write took ${hidden} ms hidden, ${shown} ms in front`);
      ctx.timing = { shown, hidden };
      await sim.stop();
      await tab.close();
    }],
  ];
}
