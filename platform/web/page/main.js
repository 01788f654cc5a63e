// Starts the tool on the page: checks that the browser can do what the tool needs and that the
// page is of one build, makes this tab the tool (one tab at a time), numbers the serial
// ports, loads the settings file from the page's storage, and runs the program.
import { makePageApi } from './page_api.js';
import { SettingsBar } from './storage.js';
import { ToolLease } from './tool_lease.js';
import { keepOffline, loadedMixed, ofThisBuild } from './updates.js';

const version = document.querySelector('meta[name="dtu-version"]').content;
// Where the program keeps its settings file in its own file system (storage_folder.h).
const kSettingsFolder = '/storage/dtu-setup';

// Why the tool cannot run here, in one line, Chinese and English, with the desktop editions.
function sayUnsupported() {
  const line = document.getElementById('unsupported');
  line.textContent =
    '此浏览器不能使用串口：请在 Chrome 或 Edge 中通过 HTTPS（或本机地址）打开本页，或改用桌面版 ' +
    `dtu-setup_${version}_amd64.deb（Linux）、dtu-setup-${version}-win64.zip / -win32.zip（Windows）。 ` +
    'This browser cannot reach serial ports: open this page in Chrome or Edge over HTTPS (or on this PC), ' +
    `or use the desktop edition: dtu-setup_${version}_amd64.deb (Linux), dtu-setup-${version}-win64.zip / -win32.zip (Windows).`;
  line.hidden = false;
}

function supported() {
  return window.isSecureContext && 'serial' in navigator && typeof WebAssembly === 'object' &&
    'storage' in navigator && typeof navigator.storage.getDirectory === 'function' && 'locks' in navigator &&
    typeof BroadcastChannel === 'function';
}

// The program is compiled while the page's storage and ports are looked at: the settings file
// joins the program's file system before its entry runs (a run dependency holds it back),
// and a port is only opened once the ports are numbered. Storage and ports are touched only
// once this tab is the tool.
async function start() {
  if (loadedMixed()) return;
  // The program's code compiles while the page's scripts and storage get ready (a failure
  // counts when the program is made; not while the tab waits to be the tool).
  const compiled = WebAssembly.compileStreaming(fetch(ofThisBuild('dtu-setup.wasm'), { credentials: 'same-origin' }));
  const loading = import(ofThisBuild('dtu-setup.js').href);
  compiled.catch(() => {});
  loading.catch(() => {});
  const dtu = makePageApi(document.getElementById('stage'), version);
  const lease = new ToolLease({ stop: () => dtu.stop(), handedOver: () => location.reload() });
  await lease.acquire();
  dtu.onEnded = () => lease.release();
  const files = dtu.storage.loadAll();
  dtu.serial.started = dtu.serial.start();
  let program = null;
  new SettingsBar(dtu.storage, () => {
    try {
      return program ? program.FS.readFile(kSettingsFolder + '/data.txt') : null;
    } catch (e) {
      return null;
    }
  }, () => location.reload());
  const { default: createDtuSetup } = await loading;
  program = await createDtuSetup({
    dtu,
    instantiateWasm(imports, done) {
      compiled.then((module) => WebAssembly.instantiate(module, imports).then((instance) => done(instance, module)))
        .catch((e) => failed(e));
      return {};
    },
    preRun: [(m) => {
      m.FS.mkdirTree(kSettingsFolder);
      m.FS.mkdirTree('/app');
      m.addRunDependency('settings');
      files.then((loaded) => {
        for (const [name, bytes] of loaded) m.FS.writeFile(kSettingsFolder + '/' + name, bytes);
        m.removeRunDependency('settings');
      });
    }],
  });
  window.dtuProgram = program;
}

// A fault of the program or of the page's scripts ends the tool; the page says so rather
// than hang half drawn.
function failed(e) {
  if (e && e.name === 'ExitStatus') return;  // the program ended itself (after its error box): not a fault
  console.error('dtu-setup: failed', e);
  document.documentElement.dataset.state = 'failed';
}
addEventListener('error', (e) => failed(e.error || e.message));
addEventListener('unhandledrejection', (e) => failed(e.reason));

if (!supported()) {
  sayUnsupported();
} else {
  start().catch(failed);
  // Offline use once loaded: the page's files are kept by a service worker.
  if ('serviceWorker' in navigator) keepOffline();
}
