// Runs the WebAssembly test program on the page's own scripts; GoogleTest's output is kept
// in window.testOutput and the number of failed tests in the page's data-failed.
import { makePageApi } from './page/page_api.js';
import createTests from './web-tests.js';

const stage = document.getElementById('stage');
const dtu = makePageApi(stage, '0');
window.testOutput = [];
const filter = new URLSearchParams(location.search).get('filter');
createTests({
  dtu,
  arguments: filter ? ['--gtest_filter=' + filter] : [],
  print: (line) => window.testOutput.push(line),
  printErr: (line) => window.testOutput.push(line),
  testsDone: (failed) => {
    document.documentElement.dataset.failed = String(failed);
    document.documentElement.dataset.state = 'done';
  },
  preRun: [(m) => m.FS.mkdirTree('/tmp')],
}).catch((e) => {
  window.testOutput.push('the test program failed: ' + e);
  document.documentElement.dataset.state = 'done';
  document.documentElement.dataset.failed = '-1';
});
