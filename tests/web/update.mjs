// The page after an update, from a server that sends no caching headers and the files' old
// dates (as a folder unpacked from the download keeps them): the browser's HTTP cache then
// holds the old files for weeks, yet the second load after the update runs the new version,
// online and offline, and each build's offline copy holds that build's files. And a page put
// together from two builds loads again, once.
import { cpSync, readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { TestServer } from './server.mjs';
import { equal, initScript } from './harness.mjs';

const kDay = 86400000;

// A copy of the built page as version `mark`: its version, its scripts, its build mark and its
// offline copy's name tell it from the others, as a new build's do.
function makeVersion(site, folder, mark) {
  cpSync(site, folder, { recursive: true });
  const edit = (name, change) => writeFileSync(join(folder, name), change(readFileSync(join(folder, name), 'utf8')));
  const build = readFileSync(join(site, 'index.html'), 'utf8').match(/name="dtu-build" content="([0-9a-f]+)"/)[1];
  const rebuilt = (t) => t.replaceAll(build, `${build}-${mark}`);
  edit('index.html', (t) => rebuilt(t).replace(/(name="dtu-version" content="[^"]+)"/, `$1-${mark}"`));
  edit('main.js', (t) => `${rebuilt(t)}\ndocument.documentElement.dataset.build = '${mark}';\n`);
  edit('sw.js', rebuilt);
}

// Which version the tab runs, and which version's scripts each offline copy holds.
const running = (tab) => tab.evaluate(async () => {
  const kept = {};
  for (const name of (await caches.keys()).filter((k) => k.startsWith('dtu-setup-'))) {
    const main = await caches.match('main.js', { cacheName: name });
    kept[name.split('-').pop()] = main ? (await main.text()).match(/dataset\.build = '([^']*)'/)[1] : 'no main.js';
  }
  return { build: document.documentElement.dataset.build, version: document.querySelector('meta[name="dtu-version"]').content.split('-').pop(), kept };
});

export function updateGroups(ctx) {
  const { browser, site, scratch } = ctx;
  return [
    ['update: served without caching headers, an update runs on the second load after it, offline too; a page of two builds loads again once', async () => {
      const [before, after] = [join(scratch, 'site-before'), join(scratch, 'site-after')];
      makeVersion(site, before, 'before');
      makeVersion(site, after, 'after');
      const server = new TestServer(before, {}, { lastModified: new Date(Date.now() - 400 * kDay) });
      await server.listen();
      const tab = await browser.newTab();
      try {
        await tab.addInitScript(initScript({ ports: [], granted: [], choose: null }));
        // A server that hands the page another build's scripts: the page loads again once, and
        // then runs as it is rather than loading for ever.
        server.mixedIn = { path: '/main.js', file: join(after, 'main.js') };
        await tab.navigate(server.origin + '/');
        const { build, version } = await running(tab);
        const reloads = tab.console.filter((l) => l.includes('loading again')).length;
        equal({ build, version, reloads }, { build: 'after', version: 'before', reloads: 1 }, 'a page of two builds');
        await tab.waitFor(`navigator.serviceWorker.getRegistration().then((r) => !!r && !!r.active)`, 20000, 'the offline copy');
        server.mixedIn = null;
        await tab.navigate(server.origin + '/');
        equal(await running(tab), { build: 'before', version: 'before', kept: { before: 'before' } }, 'the first version');
        // The new version on the server, its files a few months old.
        server.siteDir = after;
        server.lastModified = new Date(Date.now() - 200 * kDay);
        await tab.navigate(server.origin + '/');
        await tab.waitFor(`navigator.serviceWorker.getRegistration().then((r) => !!r && !!r.waiting)`, 20000,
          'the new version to install beside the old one');
        await tab.navigate(server.origin + '/');
        const expected = { build: 'after', version: 'after', kept: { before: 'before', after: 'after' } };
        equal(await running(tab), expected, 'the second load after the update');
        await tab.send('Network.enable');
        await tab.send('Network.emulateNetworkConditions', { offline: true, latency: 0, downloadThroughput: -1, uploadThroughput: -1 });
        await tab.navigate(server.origin + '/');
        equal(await running(tab), expected, 'the next load, offline');
      } finally {
        await tab.send('Network.emulateNetworkConditions', { offline: false, latency: 0, downloadThroughput: -1, uploadThroughput: -1 }).catch(() => {});
        await tab.close();
        await server.close();
      }
    }],
  ];
}
