// The page itself: where it cannot run it says so; it is served with its read-me's headers
// (its policy; no copy used unseen) and loads nothing from elsewhere; once loaded it starts
// without a network and can be installed; zoomed, nothing is clipped; a settings file opened
// from the PC is the tool's.
import { readFileSync, writeFileSync } from 'node:fs';
import { networkInterfaces } from 'node:os';
import { join } from 'node:path';
import { TestServer, readHeaders } from './server.mjs';
import { check, equal, initScript } from './harness.mjs';

const kNoPorts = { ports: [], granted: [], choose: null };

async function unsupportedLine(tab) {
  await tab.waitFor(`!document.getElementById('unsupported').hidden`, 10000, 'the line saying the tool cannot run');
  return tab.evaluate(() => ({
    line: document.getElementById('unsupported').textContent,
    form: !!document.querySelector('.dtu-frame'),
  }));
}

function checkLine({ line, form }, version) {
  check(!form, 'a form was shown');
  check(/[\u4e00-\u9fff]/.test(line) && /This browser cannot reach serial ports/.test(line), 'not Chinese and English: ' + line);
  for (const name of [`dtu-setup_${version}_amd64.deb`, `dtu-setup-${version}-win64.zip`]) {
    check(line.includes(name), `the line does not name ${name}: ${line}`);
  }
  check(!line.includes('\n'), 'more than one line');
}

// A non-loopback address of this machine, where a page is not a secure context.
function outsideAddress() {
  for (const list of Object.values(networkInterfaces())) {
    for (const a of list || []) if (a.family === 'IPv4' && !a.internal) return a.address;
  }
  return null;
}

export function pageGroups(ctx) {
  const { server, browser, site, scratch } = ctx;
  const version = () => readFileSync(join(site, 'index.html'), 'utf8').match(/name="dtu-version" content="([^"]+)"/)[1];
  return [
    ['page: without serial ports, and on an insecure origin, one line in Chinese and English names the desktop editions', async () => {
      const tab = await browser.newTab();
      await tab.addInitScript(`delete Navigator.prototype.serial;`);
      await tab.navigate(server.origin + '/', null);
      checkLine(await unsupportedLine(tab), version());
      const address = outsideAddress();
      if (address) {
        const outside = new TestServer(site);
        await outside.listen(0, address);
        await tab.navigate(outside.origin + '/', null);
        check(!(await tab.evaluate('window.isSecureContext')), 'the outside address counts as secure');
        checkLine(await unsupportedLine(tab), version());
        await outside.close();
      } else {
        console.log('     (no address outside this machine: the insecure origin is not tried)');
      }
      await tab.close();
    }],

    ['page: served with its read-me\'s headers, under its Content-Security-Policy, nothing from other origins', async () => {
      const headers = readHeaders(join(site, '_headers'));
      const readme = readFileSync(join(site, 'README.txt'), 'utf8');
      check(headers['Content-Security-Policy'] && readme.includes(headers['Content-Security-Policy']),
        'the read-me does not give the Content-Security-Policy the page is served with');
      const index = await fetch(server.origin + '/');
      equal(index.headers.get('content-security-policy'), headers['Content-Security-Policy'], 'the policy served');
      const wasm = await fetch(server.origin + '/dtu-setup.wasm');
      equal(wasm.headers.get('content-type'), 'application/wasm', 'the program\'s content type');
      // The page, its worker and its manifest are asked for again, never taken from a cache unseen.
      for (const path of ['/', '/sw.js', '/manifest.webmanifest']) {
        equal((await fetch(server.origin + path)).headers.get('cache-control'), 'no-cache', 'the caching of ' + path);
      }
      for (const line of ['add_header Cache-Control no-cache always;', 'Header always set Cache-Control no-cache']) {
        check(readme.includes(line), 'the read-me\'s server examples lack ' + line);
      }
      const tab = await browser.newTab();
      await tab.addInitScript(initScript(kNoPorts));
      await tab.navigate(server.origin + '/');
      const r = await tab.evaluate(() => ({
        foreign: performance.getEntriesByType('resource').map((e) => e.name).filter((n) => !n.startsWith(location.origin)),
        violations: window.__cspViolations,
      }));
      equal(r.foreign, [], 'resources from other origins');
      equal(r.violations, [], 'Content-Security-Policy violations');
      await tab.close();
    }],

    ['page: once loaded it starts without a network, and it can be installed', async () => {
      const tab = await browser.newTab();
      await tab.addInitScript(initScript(kNoPorts));
      await tab.navigate(server.origin + '/');
      await tab.evaluate(`navigator.serviceWorker.ready.then(() => true)`);
      await tab.reload();
      check(await tab.evaluate(`navigator.serviceWorker.controller !== null`), 'the page is not served by its offline copy');
      const manifest = await tab.send('Page.getAppManifest');
      equal(manifest.errors, [], 'errors in the manifest');
      const installable = await tab.send('Page.getInstallabilityErrors');
      equal(installable.installabilityErrors.map((e) => e.errorId), [], 'why the page could not be installed');
      await tab.send('Network.enable');
      await tab.send('Network.emulateNetworkConditions', { offline: true, latency: 0, downloadThroughput: -1, uploadThroughput: -1 });
      await tab.reload();
      equal(await tab.evaluate(`document.querySelectorAll('[data-handle]').length`), 56, 'the form\'s windows, offline');
      await tab.send('Network.emulateNetworkConditions', { offline: false, latency: 0, downloadThroughput: -1, uploadThroughput: -1 });
      await tab.close();
    }],

    ['page: zoomed to 150 % the form grows and nothing in it is clipped', async () => {
      const tab = await browser.newTab();
      await tab.addInitScript(initScript(kNoPorts));
      await tab.navigate(server.origin + '/');
      await tab.send('Emulation.setDeviceMetricsOverride', { width: 1280, height: 1000, deviceScaleFactor: 1.5, mobile: false });
      await tab.evaluate(`document.documentElement.style.zoom = '1.5'`);
      // Clipped: a window outside its parent, a text outside the client area (whose edge cuts
      // it) or drawn over a field or button (a label's text may run past its own box, as a
      // label's text does on the desktop).
      const faults = await tab.evaluate(() => {
        const out = [];
        const inside = (a, b) => a.left >= b.left - 1 && a.top >= b.top - 1 && a.right <= b.right + 1 && a.bottom <= b.bottom + 1;
        const overlap = (a, b) => a.left < b.right - 1 && b.left < a.right - 1 && a.top < b.bottom - 1 && b.top < a.bottom - 1;
        const clientBox = document.querySelector('.dtu-client').getBoundingClientRect();
        const fields = [...document.querySelectorAll('.dtu-client input, .dtu-client .dtu-log, .dtu-client button, .dtu-combo, .dtu-ip')]
          .filter((f) => !f.closest('.dtu-combo, .dtu-ip') || f.matches('.dtu-combo, .dtu-ip'))
          .map((f) => f.getBoundingClientRect()).filter((r) => r.width > 0);
        for (const el of document.querySelectorAll('.dtu-client [data-handle]:not([hidden])')) {
          const box = el.getBoundingClientRect();
          if (box.width === 0) continue;
          if (!inside(box, el.parentElement.getBoundingClientRect())) out.push('outside its parent: ' + el.textContent.slice(0, 20));
          for (const text of el.querySelectorAll(':scope > span')) {
            const t = text.getBoundingClientRect();
            if (!text.textContent) continue;
            if (!inside(t, clientBox)) out.push('cut by the window\'s edge: ' + text.textContent);
            if (el.matches('.dtu-label') && fields.some((f) => overlap(t, f))) out.push('over a field: ' + text.textContent);
          }
        }
        return { out, width: clientBox.width, height: clientBox.height };
      });
      equal(faults.out, [], 'clipped windows');
      check(Math.abs(faults.width - 575 * 1.5) < 1 && Math.abs(faults.height - 578 * 1.5) < 1,
        `the client area at 150 % is ${faults.width} x ${faults.height}`);
      await tab.close();
    }],

    ['page: the monitor holding a MiB takes a burst (and drops its oldest lines) as quickly as when empty', async () => {
      const tab = await browser.newTab();
      await tab.addInitScript(initScript(kNoPorts));
      await tab.navigate(server.origin + '/');
      const r = await tab.evaluate(async () => {
        const controls = window.dtuProgram.dtu.controls;
        const h = Number(document.querySelector('.dtu-log').closest('[data-handle]').dataset.handle);
        const frame = () => new Promise((done) => requestAnimationFrame(() => done()));
        const line = 'ID= SIM001 a line of the DTU 0123456789\n';
        // Each burst and the frame that shows it, timed over 20 bursts.
        const timed = async (act) => {
          const start = performance.now();
          for (let i = 0; i < 20; i++) { act(); await frame(); }
          return (performance.now() - start) / 20;
        };
        const empty = await timed(() => controls.append(h, line));
        for (let i = 0; i < 270; i++) controls.append(h, line.repeat(100));
        await frame();
        const full = await timed(() => controls.append(h, line));
        const dropping = await timed(() => controls.dropFront(h, line.length * 50));
        return { empty, full, dropping, size: controls.text(h).length };
      });
      check(r.size > 1000000, 'the monitor holds ' + r.size);
      check(r.full < r.empty * 3 + 10 && r.dropping < r.empty * 3 + 10,
        `a burst took ${r.full.toFixed(1)} ms with a MiB shown, ${r.empty.toFixed(1)} ms empty; dropping ${r.dropping.toFixed(1)} ms`);
      await tab.close();
    }],

    ['page: "Open data.txt…" makes a file from the PC the tool\'s settings file', async () => {
      const file = join(scratch, 'opened.txt');
      writeFileSync(file, Buffer.from('OPEN01//10.9.8.7//6000//open.example.org//cmwap//UDP//19200//30//40//13100000001//13100000002//13100000003//13100000004//\0', 'latin1'));
      const tab = await browser.newTab();
      await tab.addInitScript(initScript(kNoPorts));
      await tab.navigate(server.origin + '/');
      const { root } = await tab.send('DOM.getDocument');
      const { nodeId } = await tab.send('DOM.querySelector', { nodeId: root.nodeId, selector: '#settings-file' });
      await tab.evaluate(`document.documentElement.dataset.state = 'loading-file'`);
      await tab.send('DOM.setFileInputFiles', { nodeId, files: [file] });
      await tab.waitFor(`document.documentElement.dataset.state === 'ready'`, 20000, 'the tool to start again with the file');
      const fields = await tab.evaluate(() => [...document.querySelectorAll('.dtu-client input[type=text]')].map((i) => i.value));
      for (const v of ['OPEN01', 'open.example.org', 'cmwap', 'UDP', '19200', '13100000004']) {
        check(fields.includes(v), `${v} is not shown after opening the file: ${JSON.stringify(fields)}`);
      }
      equal(await tab.evaluate(() => [...document.querySelectorAll('.dtu-ip input')].map((i) => i.value).join('.')), '10.9.8.7', 'the server address');
      await tab.close();
    }],
  ];
}
