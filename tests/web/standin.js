// A stand-in for the browser's serial ports (navigator.serial), installed by the tests before
// the page's own scripts run: Chromium cannot open a pseudo-terminal as a serial port. It has
// the browser's interface (requestPort, getPorts, the connect and disconnect events;
// SerialPort open, close, readable, writable, setSignals, getSignals, getInfo) and carries the
// bytes over a WebSocket of the page's own origin to the tests' bridge, which holds the
// simulated DTU's pseudo-terminal. Configured by window.__standInConfig:
//   ports    [{name, usbVendorId, usbProductId}]  the adapters plugged in
//   granted  [name]                               ports the page may use already (getPorts);
//                                                 the ones the chooser grants are kept across
//                                                 visits, as the browser keeps them
//   choose   name | null                          what the user picks in the port chooser
// The tests steer it through window.__standIn (unplug, plug, what the page did).
(() => {
  const config = Object.assign({ ports: [], granted: [], choose: null }, window.__standInConfig || {});
  const log = [];  // what the page did: opens with their options, signals, closes

  const lost = () => new DOMException('The device has been lost.', 'NetworkError');

  class StandInPort extends EventTarget {
    constructor(spec) {
      super();
      this.spec = spec;
      this.socket = null;
      this.readable = null;
      this.writable = null;
      this.plugged = true;
      this.ondisconnect = null;
      this.onconnect = null;
    }

    getInfo() {
      return { usbVendorId: this.spec.usbVendorId, usbProductId: this.spec.usbProductId };
    }

    get connected() {
      return this.plugged;
    }

    async open(options) {
      if (!options || !(options.baudRate > 0)) throw new TypeError('A baud rate is required.');
      if (this.socket) throw new DOMException('The port is already open.', 'InvalidStateError');
      if (!this.plugged) throw new DOMException('Failed to open serial port.', 'NetworkError');
      const url = new URL('/bridge', location.href);
      url.protocol = location.protocol === 'https:' ? 'wss:' : 'ws:';
      url.searchParams.set('port', this.spec.name);
      url.searchParams.set('baud', String(options.baudRate));
      const socket = new WebSocket(url);
      socket.binaryType = 'arraybuffer';
      await new Promise((resolve, reject) => {
        socket.onopen = resolve;
        socket.onerror = () => reject(new DOMException('Failed to open serial port.', 'NetworkError'));
      });
      log.push({ op: 'open', port: this.spec.name, options: { ...options } });
      this.socket = socket;
      let receiver;
      this.readable = new ReadableStream({
        start: (c) => (receiver = c),
        cancel: () => {},
      });
      socket.onmessage = (e) => {
        try {
          receiver.enqueue(new Uint8Array(e.data));
        } catch (err) {
          // the page has cancelled its reader
        }
      };
      socket.onclose = (e) => {
        if (this.socket !== socket) return;
        // The bridge ends a port's socket with 4000 when its adapter is pulled out.
        if (e.code === 4000) this.pulled();
        else {
          try { receiver.error(lost()); } catch (err) { /* closed */ }
        }
      };
      this.receiver = receiver;
      this.writable = new WritableStream({
        write: (chunk) => {
          if (!this.socket || this.socket.readyState !== WebSocket.OPEN) throw lost();
          this.socket.send(chunk);
        },
      });
    }

    async setSignals(signals) {
      if (!this.socket) throw new DOMException('The port is closed.', 'InvalidStateError');
      log.push({ op: 'signals', port: this.spec.name, signals: { ...signals } });
    }

    async getSignals() {
      if (!this.socket) throw new DOMException('The port is closed.', 'InvalidStateError');
      return { dataCarrierDetect: false, clearToSend: true, ringIndicator: false, dataSetReady: true };
    }

    async close() {
      if (this.readable && this.readable.locked) throw new TypeError('The readable stream is locked.');
      if (this.writable && this.writable.locked) throw new TypeError('The writable stream is locked.');
      const socket = this.socket;
      this.socket = null;
      this.readable = null;
      this.writable = null;
      if (socket) {
        log.push({ op: 'close', port: this.spec.name });
        socket.close(1000);
      }
    }

    async forget() {
      granted.delete(this);
    }

    // The adapter is pulled out: the streams fail as the browser's do, and both the port and
    // navigator.serial hear of it.
    pulled() {
      if (!this.plugged) return;
      this.plugged = false;
      const socket = this.socket;
      this.socket = null;
      if (socket && socket.readyState === WebSocket.OPEN) socket.close(1000);
      try { this.receiver && this.receiver.error(lost()); } catch (err) { /* already ended */ }
      this.readable = null;
      this.writable = null;
      log.push({ op: 'disconnect', port: this.spec.name });
      const e = new Event('disconnect', { bubbles: true });
      this.dispatchEvent(e);
      serial.dispatchEvent(Object.defineProperty(new Event('disconnect'), 'target', { value: this }));
    }
  }

  class StandInSerial extends EventTarget {
    async getPorts() {
      return [...granted].filter((p) => p.plugged);
    }

    async requestPort() {
      // As the browser: only with the user's gesture behind it.
      if (!navigator.userActivation || !navigator.userActivation.isActive) {
        throw new DOMException('Must be handling a user gesture to show a permission request.', 'SecurityError');
      }
      log.push({ op: 'chooser', choose: config.choose });
      const port = ports.get(config.choose);
      if (!port || !port.plugged) throw new DOMException('No port selected by the user.', 'NotFoundError');
      granted.add(port);
      localStorage.setItem(kGrantedKey, JSON.stringify([...granted].map((p) => p.spec.name)));
      return port;
    }
  }

  const kGrantedKey = '__standIn.granted';
  const ports = new Map(config.ports.map((spec) => [spec.name, new StandInPort(spec)]));
  const remembered = JSON.parse(localStorage.getItem(kGrantedKey) || '[]');
  const granted = new Set([...config.granted, ...remembered].map((name) => ports.get(name)).filter(Boolean));
  const serial = new StandInSerial();
  Object.defineProperty(Navigator.prototype, 'serial', { configurable: true, get: () => serial });

  window.__standIn = {
    log,
    // The bridge pulls a port's adapter out (its socket ends with 4000); without an open
    // socket the tests pull it here.
    unplug(name) {
      ports.get(name).pulled();
    },
    // The adapter is back: a new port object, as the browser gives for a device plugged in.
    plug(name) {
      const old = ports.get(name);
      const port = new StandInPort(old.spec);
      ports.set(name, port);
      if (granted.delete(old)) granted.add(port);
      serial.dispatchEvent(Object.defineProperty(new Event('connect'), 'target', { value: port }));
    },
    choose(name) {
      config.choose = name;
    },
  };
})();
