// The web edition's benchmarks, in Debian's headless Chromium against dtu-sim through the
// tests' stand-in serial port (tests/web):
//   node web_bench.mjs --site BUILD/site --sim PATH/dtu-sim [NAME]
// web_write_all_overhead   a complete write of the thirteen settings over the protocol's own
//                          floor (as bench/app/write_all_overhead: 13 x 505 ms), median of five,
//                          with the page in front and with it hidden behind another tab
// web_startup_ratio        page load to the form shown and ready, over a static page holding
//                          the same 56 elements (the form as the tool draws it), medians of 11
//                          alternating loads without cache or offline copy
// web_download_size        the page's files compressed (gzip -9, as a server sends them), bytes
// Each prints its headline figure last, name=value.
import { mkdtempSync, readdirSync, readFileSync, rmSync, statSync, writeFileSync, cpSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { gzipSync } from 'node:zlib';
import { Browser } from '../../tests/web/cdp.mjs';
import { TestServer } from '../../tests/web/server.mjs';
import { initScript, kSimState, sleep, startSim } from '../../tests/web/harness.mjs';
import { At, Form } from '../../tests/web/form.mjs';

const args = process.argv.slice(2);
const option = (name) => (args.includes(name) ? args[args.indexOf(name) + 1] : undefined);
const site = resolve(option('--site'));
const simProgram = resolve(option('--sim'));
const only = args.filter((a, i) => !a.startsWith('--') && !args[i - 1]?.startsWith('--'))[0];
const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];

async function writeAllOverhead(browser, server, scratch) {
  const floor = 13 * 101 * Math.ceil(502 / 101);
  const state = join(scratch, 'bench.state');
  writeFileSync(state, kSimState);
  const sim = await startSim(simProgram, state, ['--baud', '115200', '--reply-delay', '0', '--boot-delay', '200']);
  server.ports.set('B', sim);
  const tab = await browser.newTab();
  await tab.addInitScript(initScript({ ports: [{ name: 'B', usbVendorId: 1, usbProductId: 1 }], granted: [], choose: 'B' }));
  await tab.navigate(server.origin + '/');
  const form = new Form(tab);
  // The link at 115200 baud: the last item of the port's baud box.
  await form.click(At.linkBaud);
  await tab.press('F4');
  for (let i = 0; i < 10; i++) await tab.press('ArrowDown');
  await tab.press('Enter');
  await form.click(At.connect);
  await form.waitEnabled(At.readAll, 'reading', 20000);
  await form.click(At.readAll);
  await form.answerBox('the read');
  const figures = {};
  for (const hidden of [false, true]) {
    const ratios = [];
    for (let run = 0; run < 5; run++) {
      await form.click(At.writeAll);
      const start = Date.now();
      let front = null;
      if (hidden) {
        front = await browser.newTab();
        await front.bringToFront();
      }
      await tab.waitFor(`!!document.querySelector('dialog.dtu-box[open]')`, 60000, 'the write to end');
      const ms = Date.now() - start;
      const visibility = await tab.evaluate('document.visibilityState');
      if (front) {
        await front.close();
        await tab.bringToFront();
      }
      const box = await form.answerBox('the write');
      if (!box.endsWith('写入成功！！')) throw new Error('the write failed: ' + box);
      console.log(`run ${run + 1}${hidden ? ' hidden' : ''}: ${ms} ms (${visibility})`);
      ratios.push(ms / floor);
    }
    figures[hidden ? 'hidden' : 'shown'] = median(ratios);
  }
  // The DTU's view: from each command to the next, the poll and receive window's share.
  const times = sim.log.join('').split('\n').map((l) => /^\[ *([0-9.]+)\] <- %[A-Z]/.exec(l)).filter(Boolean).map((m) => Number(m[1]) * 1000);
  const steps = times.slice(1).map((t, i) => t - times[i]).filter((d) => d < 2000);
  console.log(`between commands: median ${median(steps).toFixed(0)} ms, min ${Math.min(...steps).toFixed(0)}, max ${Math.max(...steps).toFixed(0)}`);
  if (process.env.DTU_BENCH_STEPS) console.log(steps.map((d) => d.toFixed(0)).join(' '));
  await sim.stop();
  await tab.close();
  console.log(`floor ${floor} ms`);
  console.log(`web_write_all_overhead_hidden=${figures.hidden.toFixed(3)}`);
  console.log(`web_write_all_overhead=${figures.shown.toFixed(3)}`);
}

// When the form is shown: the first frame painted after the page says it is ready (the
// tool: its program waits for the user; the static page: its document is parsed).
const kShownProbe = `document.addEventListener('DOMContentLoaded', () => {
  const html = document.documentElement;
  const shown = () => requestAnimationFrame(() => setTimeout(() => { window.__shownAt = performance.now(); }));
  if (html.dataset.static || html.dataset.state === 'ready') return shown();
  new MutationObserver((m, o) => { if (html.dataset.state === 'ready') { o.disconnect(); shown(); } })
    .observe(html, { attributes: true });
});`;

async function startupRatio(browser, server, scratch) {
  // The static page: the form as the tool shows it, its elements and style, no script.
  const tab = await browser.newTab();
  await tab.addInitScript(initScript({ ports: [], granted: [], choose: null }));
  await tab.navigate(server.origin + '/');
  const body = await tab.evaluate(() => document.body.innerHTML.replace(/<script[\s\S]*?<\/script>/g, ''));
  const elements = await tab.evaluate(`document.querySelectorAll('[data-handle]').length`);
  const staticDir = join(scratch, 'static');
  cpSync(site, staticDir, { recursive: true });
  writeFileSync(join(staticDir, 'static.html'), `<!DOCTYPE html><html lang="zh-CN" data-static="1"><head><meta charset="utf-8">
<title>static</title><link rel="stylesheet" href="style.css"></head><body>${body}</body></html>`);
  const staticServer = new TestServer(staticDir);
  await staticServer.listen();
  await tab.send('Network.enable');
  await tab.send('Network.setCacheDisabled', { cacheDisabled: true });
  await tab.send('Network.setBypassServiceWorker', { bypass: true });
  await tab.addInitScript(kShownProbe);
  const load = async (url) => {
    await tab.navigate(url, null);
    return tab.waitFor('window.__shownAt', 20000, 'the form to show');
  };
  const tool = [], plain = [];
  for (let i = 0; i < 11; i++) {
    tool.push(await load(staticServer.origin + '/'));
    plain.push(await load(staticServer.origin + '/static.html'));
  }
  await tab.close();
  await staticServer.close();
  console.log(`elements ${elements}; tool ${median(tool).toFixed(0)} ms, static page ${median(plain).toFixed(0)} ms`);
  console.log(`web_startup_ratio=${(median(tool) / median(plain)).toFixed(2)}`);
}

function downloadSize() {
  let total = 0;
  const walk = (dir) => {
    for (const name of readdirSync(dir)) {
      const path = join(dir, name);
      if (statSync(path).isDirectory()) walk(path);
      else if (name !== 'README.txt' && name !== '_headers') {
        const size = gzipSync(readFileSync(path), { level: 9 }).length;
        if (size > 20000) console.log(`${path.slice(site.length + 1)}: ${size} bytes compressed`);
        total += size;
      }
    }
  };
  walk(site);
  console.log(`web_download_size=${total}`);
}

const scratch = mkdtempSync(join(tmpdir(), 'dtu-web-bench-'));
const server = new TestServer(site);
await server.listen();
const browser = await Browser.launch();
try {
  if (!only || only === 'web_download_size') downloadSize();
  if (!only || only === 'web_startup_ratio') await startupRatio(browser, server, scratch);
  if (!only || only.startsWith('web_write_all_overhead')) await writeAllOverhead(browser, server, scratch);
} finally {
  for (const sim of server.ports.values()) await sim.stop();
  await browser.close();
  await server.close();
  rmSync(scratch, { recursive: true, force: true });
}
