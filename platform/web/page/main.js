// Starts the tool on the page: checks that the browser can do what the tool needs, numbers
// the serial ports, loads the settings file from the page's storage, and runs the program.
import { EventQueue } from './events.js';
import { Timers, WindowTimers } from './timers.js';
import { Controls } from './controls.js';
import { Dialogs } from './dialogs.js';
import { SerialPorts } from './serial.js';
import { Storage, SettingsBar } from './storage.js';

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
    'storage' in navigator && typeof navigator.storage.getDirectory === 'function';
}

async function start() {
  const loading = import('./dtu-setup.js');
  const stage = document.getElementById('stage');
  const timers = new Timers(new URL('timer-worker.js', import.meta.url));
  const queue = new EventQueue(timers);
  const controls = new Controls(stage, queue);
  const dtu = {
    version,
    queue,
    timers,
    controls,
    windowTimers: new WindowTimers(timers, (window, id) => queue.pushTimer(window, id)),
    dialogs: new Dialogs(controls, queue),
    serial: new SerialPorts(queue, timers),
    storage: new Storage(),
    readySeen: false,
    // The form is shown and the program waits for the user: the page is ready.
    ready() {
      if (this.readySeen) return;
      this.readySeen = true;
      performance.mark('dtu-ready');
      document.documentElement.dataset.state = 'ready';
    },
    // The program has ended (its form closed): nothing of it stays on the page.
    ended(code) {
      for (const d of [...this.serial.devices.values()]) d.close();
      stage.replaceChildren();
      document.getElementById('ended').hidden = false;
      document.documentElement.dataset.state = 'ended';
      document.documentElement.dataset.exitCode = String(code);
    },
  };
  const [files] = await Promise.all([dtu.storage.loadAll(), dtu.serial.start()]);
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
    preRun: [(m) => {
      m.FS.mkdirTree(kSettingsFolder);
      m.FS.mkdirTree('/app');
      for (const [name, bytes] of files) m.FS.writeFile(kSettingsFolder + '/' + name, bytes);
    }],
  });
  window.dtuProgram = program;
}

// A fault of the program or of the page's scripts ends the tool; the page says so rather
// than hang half drawn.
function failed(e) {
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
  if ('serviceWorker' in navigator) {
    addEventListener('load', () => navigator.serviceWorker.register('sw.js').catch((e) => console.warn('offline copy:', e)));
  }
}
