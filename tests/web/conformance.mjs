// The WebAssembly test program in the page (conformance.html): the backend conformance suite
// on the page's backend, the files contract, the page's GBK and text mapping.
import { check } from './harness.mjs';

export function conformanceGroups(ctx) {
  const { server, browser, testsSite } = ctx;
  if (!testsSite) return [];
  return [
    ['conformance: the backend suite, the files contract and the page\'s text, in the page', async () => {
      const tab = await browser.newTab();
      await tab.bringToFront();
      const filter = process.env.DTU_WEB_TEST_FILTER;
      await tab.navigate(`${server.origin}/tests/conformance.html${filter ? '?filter=' + encodeURIComponent(filter) : ''}`, 'done');
      const r = await tab.evaluate(() => ({ failed: document.documentElement.dataset.failed, output: window.testOutput }));
      const summary = r.output.filter((l) => /^\[  (PASSED|FAILED) |^\[==========\]/.test(l));
      const failures = r.output.filter((l) => /Failure|FAILED|error/i.test(l));
      check(r.failed === '0', `${r.failed} failed:\n    ${failures.concat(tab.errors).join('\n    ')}`);
      console.log('     ' + summary.join('\n     '));
      await tab.close();
    }],
  ];
}
