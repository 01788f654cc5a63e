// What the program reaches of the page (Module.dtu, called from platform/web/page.cpp): the
// event queue, the timers, the form's controls, message boxes, serial ports and storage.
import { EventQueue } from './events.js';
import { Timers, WindowTimers } from './timers.js';
import { Controls } from './controls.js';
import { Dialogs } from './dialogs.js';
import { SerialPorts } from './serial.js';
import { Storage } from './storage.js';
import { ofThisBuild } from './updates.js';

export function makePageApi(stage, version) {
  const timers = new Timers(ofThisBuild('timer-worker.js'));
  const queue = new EventQueue(timers);
  const controls = new Controls(stage, queue);
  return {
    version,
    queue,
    timers,
    controls,
    windowTimers: new WindowTimers(timers, (timer) => queue.pushTimer(timer)),
    dialogs: new Dialogs(controls, queue),
    serial: new SerialPorts(queue, timers),
    storage: new Storage(),
    readySeen: false,
    onEnded: null,  // () => void, after the program has ended
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
      const ended = document.getElementById('ended');
      if (ended) ended.hidden = false;
      document.documentElement.dataset.state = 'ended';
      document.documentElement.dataset.exitCode = String(code);
      if (this.onEnded) this.onEnded();
    },
    // Before another tab takes the tool over: nothing is saved after this has resolved (a
    // save in progress finishes first), and the ports are closed.
    async stop() {
      await Promise.allSettled([this.storage.close(), ...[...this.serial.devices.values()].map((d) => d.close())]);
    },
  };
}
