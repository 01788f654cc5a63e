// What the browser tests share: checks that name what they expected, groups of them run in
// order with a line each, the built page and the simulated DTU.
import { readFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { SimulatedPort } from './server.mjs';

export const here = dirname(fileURLToPath(import.meta.url));
export const standInSource = readFileSync(join(here, 'standin.js'), 'utf8');

export class Failure extends Error {}

export function check(condition, message) {
  if (!condition) throw new Failure(message);
}

export function equal(actual, expected, what) {
  const a = JSON.stringify(actual), e = JSON.stringify(expected);
  if (a !== e) throw new Failure(`${what}:\n    got      ${a}\n    expected ${e}`);
}

export const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// Runs the named groups in order; each failure is reported and counted, the next group runs.
export async function runGroups(groups, only = null) {
  let failed = 0;
  for (const [name, fn] of groups) {
    if (only && !only.some((o) => name.includes(o))) continue;
    const start = Date.now();
    try {
      await fn();
      console.log(`ok   ${name} (${((Date.now() - start) / 1000).toFixed(1)} s)`);
    } catch (e) {
      failed++;
      console.log(`FAIL ${name}: ${e instanceof Failure ? e.message : e.stack || e}`);
    }
  }
  return failed;
}

// The DTU the session tests talk to: known settings, a quick boot.
export const kSimState = `ID=SIM001
IP=10.1.2.3
PT=5000
DN=sim.example.org
AP=cmnet
TM=UDP
UB=9600
HT=60
OT=100
RV1=13800000001
RV2=13800000002
SS1=13900000001
SS2=13900000002
`;

export async function startSim(simProgram, stateFile, extra = []) {
  return SimulatedPort.start(simProgram, ['--state', stateFile, '--boot-delay', '300', '--reply-delay', '20', ...extra]);
}

// The stand-in, configured, for a tab's next page loads; records the page's CSP violations.
export function initScript(config) {
  return `window.__standInConfig = ${JSON.stringify(config)};
window.__cspViolations = [];
addEventListener('securitypolicyviolation', (e) => window.__cspViolations.push(e.violatedDirective + ' ' + e.blockedURI));
${standInSource}`;
}
