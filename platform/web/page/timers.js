// One-shot timers for the page. Each runs both in the timer worker, which holds to time in
// a background tab, and on the page's own thread, which is a little more punctual while the
// page is in front; whichever expires first counts. Where no worker can be started the page's
// own timers serve alone.
export class Timers {
  constructor(workerUrl) {
    this.callbacks = new Map();
    this.native = new Map();  // id -> the page's own timer of the pair
    this.next = 1;
    try {
      this.worker = new Worker(workerUrl);
      this.worker.onmessage = (e) => this.fire(e.data);
    } catch (err) {
      console.warn('timers: no worker, using the page\'s own timers', err);
      this.worker = null;
    }
  }

  // Calls `callback` once, `ms` milliseconds from now; returns an id for cancel.
  after(ms, callback) {
    const id = this.next++;
    this.callbacks.set(id, callback);
    const delay = Math.max(0, Math.ceil(ms));
    if (this.worker) this.worker.postMessage(['set', id, delay]);
    this.native.set(id, setTimeout(() => this.fire(id), delay));
    return id;
  }

  cancel(id) {
    const callback = this.callbacks.get(id);
    if (!callback) return;
    this.callbacks.delete(id);
    if (this.worker) this.worker.postMessage(['cancel', id]);
    clearTimeout(this.native.get(id));
    this.native.delete(id);
  }

  fire(id) {
    const callback = this.callbacks.get(id);
    if (!callback) return;  // cancelled, or the other of the pair came first
    this.callbacks.delete(id);
    if (this.worker) this.worker.postMessage(['cancel', id]);
    clearTimeout(this.native.get(id));
    this.native.delete(id);
    callback();
  }
}

// Repeating timers for the program's windows (the form's timer units), each by the number the
// program gave it (which also stops them when their window goes). A timer that falls behind
// does not catch up: like the platform's own, missed periods are one expiry.
export class WindowTimers {
  constructor(timers, onExpiry) {
    this.timers = timers;
    this.onExpiry = onExpiry;
    this.running = new Map();  // timer -> {pending timer id, period, due}
  }

  set(timer, periodMs) {
    this.kill(timer);
    const entry = { period: Math.max(1, periodMs), due: performance.now() + Math.max(1, periodMs), pending: 0 };
    this.running.set(timer, entry);
    this.arm(timer, entry);
  }

  kill(timer) {
    const entry = this.running.get(timer);
    if (!entry) return;
    this.timers.cancel(entry.pending);
    this.running.delete(timer);
  }

  arm(timer, entry) {
    entry.pending = this.timers.after(entry.due - performance.now(), () => this.expire(timer, entry));
  }

  expire(timer, entry) {
    if (this.running.get(timer) !== entry) return;
    const now = performance.now();
    entry.due += entry.period;
    if (entry.due <= now) entry.due = now + entry.period;
    this.arm(timer, entry);
    this.onExpiry(timer);
  }

  // Every timer that is due now expires now, whether or not its own wake-up has run yet: the
  // program asks before it dispatches, so a timer that fell due before some other event
  // (the end of a wait) is seen with it, as a system's message queue hands out a timer's
  // expiry whenever it is due.
  expireDue() {
    const now = performance.now();
    for (const [timer, entry] of [...this.running]) {
      if (entry.due > now) continue;
      this.timers.cancel(entry.pending);
      this.expire(timer, entry);
    }
  }
}
