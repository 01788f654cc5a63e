// Serial ports through the browser. The port box's COM1-COM15 name the ports this page may
// use, numbered in the order they were granted and remembered across visits (by their USB
// vendor and product, the only thing that tells ports apart from one visit to the next).
// Choosing a number with no port behind it and connecting opens the browser's port chooser;
// the port chosen takes that number. Everything a port reports is queued for the program;
// the program takes received bytes and events when it dispatches.
import { Ev } from './events.js';

const kStoreKey = 'dtu-setup.ports';
// Received bytes the program has not taken yet; above this the page stops reading and the
// bytes wait in the system (paced by flow control where the line has it).
const kRxLimit = 65536;
// Event bits as the program counts them.
const kEvRxChar = 0x1, kEvBreak = 0x40, kEvErr = 0x80, kEvGone = 0x80000000;
// Why an open failed, as the program counts it.
export const PortError = Object.freeze({ NotFound: -1, Permission: -2, Busy: -3, Unsupported: -4, Io: -5 });

const sameInfo = (a, b) => a.usbVendorId === b.usbVendorId && a.usbProductId === b.usbProductId;

export class SerialPorts {
  constructor(queue, timers, storage = window.localStorage) {
    this.queue = queue;
    this.timers = timers;
    this.storage = storage;
    this.slots = new Map();    // COM number -> {port (null while unplugged), info}
    this.devices = new Map();  // device id -> Device
    this.closing = new WeakMap();  // port -> its close in progress
    this.nextDevice = 1;
    this.serial = navigator.serial || null;
    this.started = null;  // start() in progress
  }

  // Numbers the ports this page may use; called once before the program starts.
  async start() {
    if (!this.serial) return;
    let saved = [];
    try {
      saved = JSON.parse(this.storage.getItem(kStoreKey) || '[]');
    } catch (e) {
      saved = [];
    }
    for (const s of Array.isArray(saved) ? saved : []) {
      const com = Number(s.com);
      if (Number.isInteger(com) && com >= 1 && !this.slots.has(com)) {
        this.slots.set(com, { port: null, info: { usbVendorId: s.vid, usbProductId: s.pid } });
      }
    }
    let granted = [];
    try {
      granted = await this.serial.getPorts();
    } catch (e) {
      granted = [];
    }
    for (const port of granted) this.place(port);
    this.save();
    this.serial.addEventListener('connect', (e) => {
      this.place(e.target);
      this.save();
    });
    this.serial.addEventListener('disconnect', (e) => this.unplugged(e.target));
  }

  // A port that is there: back in the slot that remembers it, else in the first free one.
  place(port) {
    for (const slot of this.slots.values()) if (slot.port === port) return;
    const info = port.getInfo();
    for (const com of [...this.slots.keys()].sort((a, b) => a - b)) {
      const slot = this.slots.get(com);
      if (slot.port === null && sameInfo(slot.info, info)) {
        slot.port = port;
        return;
      }
    }
    let com = 1;
    while (this.slots.has(com)) com++;
    this.slots.set(com, { port, info });
  }

  save() {
    const list = [...this.slots.entries()].sort((a, b) => a[0] - b[0])
      .map(([com, s]) => ({ com, vid: s.info.usbVendorId, pid: s.info.usbProductId }));
    try {
      this.storage.setItem(kStoreKey, JSON.stringify(list));
    } catch (e) {
      // Storage refused (a private window's limits): the numbers hold for this visit.
    }
  }

  unplugged(port) {
    for (const slot of this.slots.values()) if (slot.port === port) slot.port = null;
    for (const d of this.devices.values()) if (d.port === port) d.lose();
  }

  // The port behind `com`, after the chooser if it has none (the click that connects is
  // the user's gesture the chooser needs). A device id, or a PortError.
  async open(com) {
    if (this.started) await this.started;
    let slot = this.slots.get(com);
    if (!slot || !slot.port) {
      if (!this.serial) return PortError.NotFound;
      let port;
      try {
        port = await this.serial.requestPort();
      } catch (e) {
        return e && e.name === 'SecurityError' ? PortError.Permission : PortError.NotFound;
      }
      for (const [n, s] of [...this.slots.entries()]) if (s.port === port) this.slots.delete(n);
      slot = { port, info: port.getInfo() };
      this.slots.set(com, slot);
      this.save();
    }
    const id = this.nextDevice++;
    this.devices.set(id, new Device(this, id, slot.port));
    return id;
  }

  device(id) {
    return this.devices.get(id);
  }

  forget(id) {
    this.devices.delete(id);
  }
}

class Device {
  constructor(ports, id, port) {
    this.ports = ports;
    this.id = id;
    this.port = port;
    this.opened = false;
    this.rx = [];
    this.rxBytes = 0;
    this.events = 0;
    this.errors = 0;       // 1 overrun, 2 parity, 4 framing
    this.gone = false;
    this.notified = false;
    this.room = null;      // resolves when the program has taken bytes
    this.reader = null;
    this.reading = null;
  }

  // Opens the port with the line settings; 0, or a PortError.
  async configure(options, dtr, rts) {
    const pending = this.ports.closing.get(this.port);
    if (pending) await pending;
    try {
      await this.port.open(options);
    } catch (e) {
      console.warn('serial: the port did not open:', e);
      const name = e && e.name;
      if (name === 'InvalidStateError' || name === 'NetworkError') return PortError.Busy;
      if (name === 'TypeError') return PortError.Unsupported;
      if (name === 'NotFoundError') return PortError.NotFound;
      return PortError.Io;
    }
    this.opened = true;
    try {
      await this.port.setSignals({ dataTerminalReady: dtr, requestToSend: rts });
    } catch (e) {
      // An adapter without the modem lines: the line works without them.
    }
    this.reading = this.readLoop();
    return 0;
  }

  raise(bits) {
    this.events |= bits;
    if (this.notified) return;
    this.notified = true;
    this.ports.queue.push([Ev.Serial, this.id]);
  }

  // Everything received goes to the program in order. An error that ends one stream of the
  // port (break, framing, parity, overrun) is reported and reading goes on with the next;
  // any other error, or the port going away, is the end: gone.
  async readLoop() {
    while (this.opened && !this.gone) {
      const readable = this.port.readable;
      if (!readable) break;
      this.reader = readable.getReader();
      try {
        for (;;) {
          while (this.rxBytes >= kRxLimit && this.opened) await new Promise((r) => (this.room = r));
          const { value, done } = await this.reader.read();
          if (done) break;
          if (value && value.length) {
            this.rx.push(value);
            this.rxBytes += value.length;
            this.raise(kEvRxChar);
          }
        }
      } catch (e) {
        const name = e && e.name;
        if (name === 'BreakError') this.raise(kEvBreak);
        else if (name === 'BufferOverrunError') { this.errors |= 1; this.raise(kEvErr); }
        else if (name === 'ParityError') { this.errors |= 2; this.raise(kEvErr); }
        else if (name === 'FramingError') { this.errors |= 4; this.raise(kEvErr); }
        else if (this.opened) this.lose();
      } finally {
        try {
          this.reader.releaseLock();
        } catch (e) {
          // already released with the stream
        }
        this.reader = null;
      }
    }
    if (this.opened && !this.gone && !this.port.readable) this.lose();
  }

  lose() {
    if (this.gone) return;
    this.gone = true;
    this.raise(kEvGone);
  }

  // The events since the last call; the program reads the bytes next.
  takeEvents() {
    const e = this.events;
    this.events = 0;
    this.notified = false;
    return e;
  }

  takeErrors() {
    const e = this.errors;
    this.errors = 0;
    return e;
  }

  // Up to `max` received bytes, oldest first.
  takeBytes(max) {
    const out = new Uint8Array(Math.min(max, this.rxBytes));
    let at = 0;
    while (at < out.length) {
      const chunk = this.rx[0];
      const n = Math.min(chunk.length, out.length - at);
      out.set(chunk.subarray(0, n), at);
      at += n;
      if (n === chunk.length) this.rx.shift();
      else this.rx[0] = chunk.subarray(n);
    }
    this.rxBytes -= out.length;
    this.wakeReader();
    return out;
  }

  purge() {
    this.rx = [];
    this.rxBytes = 0;
    this.wakeReader();
  }

  wakeReader() {
    if (this.room && this.rxBytes < kRxLimit) {
      const r = this.room;
      this.room = null;
      r();
    }
  }

  // Writes all of it; false when the port is gone, refuses, or takes longer than the write
  // time-out allows (timeout x (bytes + 1) milliseconds; 0: no limit).
  async write(bytes, timeoutMs) {
    if (this.gone || !this.opened || !this.port.writable) return false;
    let writer;
    try {
      writer = this.port.writable.getWriter();
    } catch (e) {
      return false;
    }
    try {
      const written = writer.write(bytes).then(() => true, () => false);
      if (!(timeoutMs > 0)) return await written;
      let timer = 0;
      const late = new Promise((resolve) => (timer = this.ports.timers.after(timeoutMs * (bytes.length + 1), () => resolve(false))));
      const ok = await Promise.race([written, late]);
      this.ports.timers.cancel(timer);
      return ok;
    } finally {
      writer.releaseLock();
    }
  }

  // Closes the port; the next open of the same port waits until this is done (the promise
  // returned).
  close() {
    this.ports.forget(this.id);
    if (!this.opened) return Promise.resolve();
    this.opened = false;
    this.wakeReader();
    const port = this.port;
    const done = (async () => {
      try {
        if (this.reader) await this.reader.cancel();
      } catch (e) {
        // the stream had ended
      }
      if (this.reading) await this.reading;
      try {
        await port.close();
      } catch (e) {
        // closed with the device that went away
      }
    })();
    this.ports.closing.set(port, done);
    done.then(() => {
      if (this.ports.closing.get(port) === done) this.ports.closing.delete(port);
    });
    return done;
  }
}
