// The technician's session on the page against the simulated DTU, by clicks and keys: the
// port chooser on connect, banner and handshake, read, a field check's message, write (the
// DTU receives exactly the thirteen commands), factory reset, save, the saved file loaded
// again on the next visit, the port remembered, Esc; and the adapter pulled out during a
// read (a clean failure, then connecting again works).
import { readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { check, equal, initScript, kSimState, sleep, startSim } from './harness.mjs';
import { At, Form, monitorText } from './form.mjs';

const kAdapter = { name: 'A', usbVendorId: 0x1a86, usbProductId: 0x7523 };

const kBootAndListing = '\nGPRS DTU loader V1.2\nFirmware V3.05 build 2012-08-16\nModem self test done\n' +
  'Press %%%%%%%%% into setting mode\n\nSystem enter setting mode\nCurrent settings:\nID= SIM001\nIP= 10.1.2.3\n' +
  'PT= 5000\nDN= sim.example.org\nAP= cmnet\nTM= UDP\nUB= 9600\nOT= 100\nHT= 60\nRV1= 13800000001\n' +
  'RV2= 13800000002\nSS1= 13900000001\nSS2= 13900000002\nOK\n';

// The form as it shows after a read, for the read-me.
async function screenshot(tab, path) {
  const box = await tab.evaluate(() => {
    const r = document.querySelector('.dtu-frame').getBoundingClientRect();
    return { x: r.left, y: r.top, width: r.width, height: r.height, scale: 1 };
  });
  writeFileSync(path, await tab.screenshot(box));
}

// Connects (the banner answered, setting mode entered): the operation buttons come alive.
export async function connect(form, sim) {
  const requests = sim.count('<- %%%%%%%%%%');
  await form.click(At.connect);
  await form.tab.waitFor(`window.__standIn.log.some((e) => e.op === 'open')`, 10000, 'the port to open');
  const end = Date.now() + 15000;
  while (sim.count('<- %%%%%%%%%%') === requests) {
    check(Date.now() < end, 'the DTU never heard the setting-mode request; its log:\n' + sim.log.join('').slice(-1500) +
      '\nthe monitor:\n' + (await form.monitor()));
    await sleep(50);
  }
  await form.waitEnabled(At.readAll, 'reading');
}

export function sessionGroups(ctx) {
  const { server, browser, simProgram, scratch } = ctx;
  let tab, form, sim;
  const state = join(scratch, 'sim.state');

  return [
    ['session: connect through the port chooser, banner, handshake, read', async () => {
      writeFileSync(state, kSimState);
      sim = await startSim(simProgram, state);
      server.ports.set('A', sim);
      tab = await browser.newTab();
      await tab.addInitScript(initScript({ ports: [kAdapter], granted: [], choose: 'A' }));
      await tab.navigate(server.origin + '/');
      form = new Form(tab);
      equal(await form.status(), '未连接........', 'the status line at start');
      check(!(await form.enabled(At.readAll)), 'reading is possible before connecting');
      await connect(form, sim);
      const log = await tab.evaluate('window.__standIn.log');
      equal(log[0], { op: 'chooser', choose: 'A' }, 'the first thing the page did (COM2 had no port)');
      equal(log.find((e) => e.op === 'open').options,
        { baudRate: 9600, dataBits: 8, stopBits: 1, parity: 'none', flowControl: 'none', bufferSize: 4096 }, 'the port\'s settings');
      equal(log.find((e) => e.op === 'signals').signals, { dataTerminalReady: true, requestToSend: true }, 'DTR and RTS');
      await form.click(At.readAll);
      equal(await form.answerBox('the read'), '信息提示窗口|读出模块设置值成功！！', 'the box after the read');
      equal(await form.monitor(), kBootAndListing, 'the traffic monitor');
      if (ctx.screenshot) await screenshot(tab, ctx.screenshot);
      // Bytes from the DTU are text, never markup.
      const markup = '<img src=x onerror="window.__pwned=1"><b id="dtu-markup">&lt;b&gt;</b>\r\n';
      server.inject('A', markup);
      await tab.waitFor(`${monitorText}.includes('dtu-markup')`, 5000, 'the injected bytes in the monitor');
      check((await form.monitor()).endsWith(markup.replace(/\r/g, '')), 'the monitor does not show the bytes as they came');
      check(!(await tab.evaluate(`!!document.getElementById('dtu-markup') || document.querySelectorAll('img').length > 1 || !!window.__pwned`)),
        'bytes from the DTU became markup');
      equal(await tab.evaluate(`localStorage.getItem('dtu-setup.ports')`),
        JSON.stringify([{ com: 2, vid: kAdapter.usbVendorId, pid: kAdapter.usbProductId }]), 'the ports remembered');
    }],

    ['session: a field check\'s message, write, factory reset, save', async () => {
      await form.retype(At.portField, '70000');
      await tab.press('Tab');
      equal(await form.answerBox('the port check'), '信息提示窗口|服务器端口设置值不合法！！', 'the port check\'s box');
      await form.retype(At.portField, '8080');
      await form.retype(At.idField, 'WEB042');
      await form.click(At.writeAll);
      equal(await form.answerBox('the write', 30000), '信息提示窗口|写入成功！！', 'the box after the write');
      await form.click(At.resetAll);
      await form.answerBox('the factory reset', 30000);
      await form.click(At.saveAll);
      equal(await form.answerBox('the save'), '信息提示窗口|保存设置值成功！！', 'the box after the save');
      const expected = '%%%%%%%%%%\r\n%LIST\r\n%ID=WEB042\r\n%IP=10.1.2.3\r\n%PT=8080\r\n%DN=sim.example.org\r\n%AP=cmnet\r\n' +
        '%TM=UDP\r\n%UB=9600\r\n%HT=60\r\n%OT=100\r\n%RV1=13800000001\r\n%RV2=13800000002\r\n' +
        '%SS1=13900000001\r\n%SS2=13900000002\r\n%RST\r\n';
      equal(sim.received().replace(/\\r/g, '\r').replace(/\\n/g, '\n'), expected, 'every byte the DTU received');
      const saved = await tab.evaluate(async () => {
        const root = await navigator.storage.getDirectory();
        const file = await (await root.getFileHandle('data.txt')).getFile();
        return [...new Uint8Array(await file.arrayBuffer())].map((b) => (b === 0 ? '|' : String.fromCharCode(b))).join('');
      });
      equal(saved, '//////////TCP//1200//120//120//////////|', 'data.txt in the page\'s storage');
      equal(readFileSync(state, 'utf8').split('\n').join(' '),
        'ID= IP= PT= DN= AP= TM=TCP UB=1200 OT=120 HT=120 RV1= RV2= SS1= SS2= ', 'what the DTU keeps');
    }],

    ['session: the next visit loads data.txt and remembers the port; Esc ends the tool', async () => {
      await tab.reload();
      const fields = await tab.evaluate(() => [...document.querySelectorAll('.dtu-client input[type=text]')].map((i) => i.value));
      check(fields.includes('TCP') && fields.includes('1200'), 'the saved settings are not shown: ' + JSON.stringify(fields));
      // The port granted on the first visit is COM2 again: connecting opens no chooser.
      await connect(form, sim);
      check(!(await tab.evaluate(`window.__standIn.log.some((e) => e.op === 'chooser')`)), 'the chooser opened again');
      await tab.press('Escape');
      await tab.waitFor(`document.documentElement.dataset.state === 'ended'`, 5000, 'Esc to end the tool');
      equal(await tab.evaluate('document.documentElement.dataset.exitCode'), '0', 'the exit status');
      equal(await tab.evaluate('window.__cspViolations'), [], 'Content-Security-Policy violations');
    }],

    ['session: the adapter pulled out during a read fails cleanly; connecting again works', async () => {
      await sim.stop();
      writeFileSync(state, kSimState);
      sim = await startSim(simProgram, state, ['--delay', '%LIST=4000']);
      server.ports.set('A', sim);
      await tab.reload();
      await connect(form, sim);
      await form.click(At.readAll);
      const end = Date.now() + 10000;
      while (!sim.heard('<- %LIST')) {
        check(Date.now() < end, 'the read was never sent');
        await sleep(50);
      }
      server.unplug('A');
      equal(await form.answerBox('the pulled-out adapter', 30000), '信息提示窗口|读出设置失败！！', 'the failure\'s box');
      equal(await form.status(), '读出模块设置值失败........', 'the status line after the failure');
      equal(await form.connectCaption(), '连接设备', 'the connect button after the failure');
      const disconnects = await tab.evaluate(`window.__standIn.log.filter((e) => e.op === 'disconnect').length`);
      equal(disconnects, 1, 'disconnects reported');
      // Plugged in again: the same COM number, and the link works.
      await sim.stop();
      writeFileSync(state, kSimState);
      sim = await startSim(simProgram, state);
      server.ports.set('A', sim);
      await tab.evaluate(`window.__standIn.plug('A')`);
      await connect(form, sim);
      await form.click(At.readAll);
      equal(await form.answerBox('the read after plugging in again'), '信息提示窗口|读出模块设置值成功！！', 'the read after plugging in');
      await sim.stop();
      await tab.close();
    }],
  ];
}
