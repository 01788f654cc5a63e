// The page's tests in one start of Debian's Chromium (headless, over the DevTools protocol):
//   node run.mjs --site BUILD/site --tests-site BUILD/site-tests --sim PATH/dtu-sim [--only NAME ...]
// Serves the page as its read-me says (its headers, Content-Security-Policy included), with
// the stand-in serial ports bridged to simulated DTUs; prints a line per group of checks and
// exits with the number of groups that failed.
import { existsSync, mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { Browser } from './cdp.mjs';
import { TestServer } from './server.mjs';
import { runGroups } from './harness.mjs';
import { sessionGroups } from './session.mjs';
import { pageGroups } from './page.mjs';
import { timingGroups } from './timing.mjs';
import { conformanceGroups } from './conformance.mjs';
import { updateGroups } from './update.mjs';
import { tabGroups } from './tabs.mjs';

const args = process.argv.slice(2);
const option = (name) => {
  const i = args.indexOf(name);
  return i >= 0 ? args[i + 1] : undefined;
};
const only = args.includes('--only') ? args.slice(args.indexOf('--only') + 1) : null;
const site = resolve(option('--site'));
const testsSite = option('--tests-site') ? resolve(option('--tests-site')) : null;
const simProgram = resolve(option('--sim'));
const screenshot = option('--screenshot') ? resolve(option('--screenshot')) : null;
const noticeScreenshot = option('--notice-screenshot') ? resolve(option('--notice-screenshot')) : null;

for (const [folder, file] of [[site, 'index.html'], [testsSite, 'web-tests.js']]) {
  if (folder && !existsSync(join(folder, file))) {
    console.log(`no ${file} in ${folder}: build the web edition first (see ./test)`);
    process.exit(1);
  }
}

// However the page behaves, the run ends: a group waits 60 s at the most for any one thing.
const watchdog = setTimeout(() => {
  console.log('the browser tests took more than 10 minutes: stopped');
  process.exit(99);
}, 600000);
watchdog.unref();

const scratch = mkdtempSync(join(tmpdir(), 'dtu-web-tests-'));
const server = new TestServer(site, testsSite ? { '/tests/': testsSite } : {});
await server.listen();
const browser = await Browser.launch();
const ctx = { server, browser, simProgram, scratch, site, testsSite, screenshot, noticeScreenshot };
let failed = 0;
try {
  failed = await runGroups([...pageGroups(ctx), ...updateGroups(ctx), ...tabGroups(ctx), ...sessionGroups(ctx), ...timingGroups(ctx), ...conformanceGroups(ctx)], only);
} finally {
  for (const sim of server.ports.values()) await sim.stop();
  await browser.close();
  await server.close();
  rmSync(scratch, { recursive: true, force: true });
}
console.log(failed === 0 ? 'all browser tests passed' : `${failed} group(s) of browser tests failed`);
process.exit(failed);
