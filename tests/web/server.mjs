// The tests' web server: the built page's files with the response headers its read-me gives
// (the site's _headers file: the Content-Security-Policy and the rest), and, on the same
// origin, the bridge that carries a stand-in serial port's bytes to a simulated DTU on a
// pseudo-terminal.
import { spawn } from 'node:child_process';
import { openSync, closeSync, constants, readFileSync, readSync, existsSync, statSync, writeSync, writeFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { extname, join, normalize } from 'node:path';
import { createRequire } from 'node:module';

const require = createRequire(import.meta.url);
const { WebSocketServer } = require('ws');

const kTypes = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript; charset=utf-8', '.css': 'text/css; charset=utf-8',
  '.wasm': 'application/wasm', '.webmanifest': 'application/manifest+json', '.png': 'image/png',
  '.svg': 'image/svg+xml', '.ico': 'image/x-icon', '.txt': 'text/plain; charset=utf-8', '.json': 'application/json',
};

// The headers of a Netlify-style _headers file's "/*" block.
export function readHeaders(file) {
  const headers = {};
  if (!existsSync(file)) return headers;
  for (const line of readFileSync(file, 'utf8').split('\n')) {
    const m = /^\s+([A-Za-z-]+):\s*(.*)$/.exec(line);
    if (m) headers[m[1]] = m[2];
  }
  return headers;
}

export class SimulatedPort {
  // Starts dtu-sim with `args` on a pseudo-terminal; resolves once it has printed the path.
  static async start(program, args, logPath) {
    const child = spawn(program, args, { stdio: ['ignore', 'pipe', 'pipe'] });
    const port = new SimulatedPort(child, logPath);
    child.stderr.on('data', (d) => port.log.push(d.toString('latin1')));
    port.pty = await new Promise((resolve, reject) => {
      let out = '';
      const timer = setTimeout(() => reject(new Error('dtu-sim did not start')), 10000);
      child.stdout.on('data', (d) => {
        out += d;
        const nl = out.indexOf('\n');
        if (nl >= 0) {
          clearTimeout(timer);
          resolve(out.slice(0, nl).trim());
        }
      });
      child.on('exit', () => reject(new Error('dtu-sim ended')));
    });
    return port;
  }

  constructor(child, logPath) {
    this.child = child;
    this.logPath = logPath;
    this.log = [];
  }

  // Every byte the DTU received, in order ("<- " lines of its log).
  received() {
    return this.log.join('').split('\n').map((l) => /^\[[ 0-9.]*\] <- (.*)$/.exec(l)).filter(Boolean)
      .map((m) => m[1]).join('');
  }

  heard(text) {
    return this.log.join('').includes(text);
  }

  // How often the DTU's log has `text`.
  count(text) {
    return this.log.join('').split(text).length - 1;
  }

  async stop() {
    if (this.child.exitCode !== null) return;
    const done = new Promise((r) => this.child.on('exit', r));
    this.child.kill('SIGTERM');
    await done;
    if (this.logPath) writeFileSync(this.logPath, this.log.join(''));
  }
}

// One open port: the page's socket and the pseudo-terminal, bytes both ways. The terminal is
// opened once, non-blocking, and read every millisecond: the simulated DTU counts the
// programs that open it, one open per port. It is opened only once the port's previous link
// has closed it.
class Link {
  constructor(socket, pty, previous) {
    this.socket = socket;
    this.pty = pty;
    this.pending = [];  // bytes from the page before the terminal is open
    this.ready = (previous ? previous.closed : Promise.resolve()).then(() => this.open());
    this.closed = new Promise((resolve) => (this.finished = resolve));
    socket.on('message', (data) => {
      this.pending.push(Buffer.from(data));
      this.flush();
    });
    socket.on('close', (code) => {
      if (process.env.DTU_BRIDGE_LOG) console.error(`bridge: ${pty}: the page closed the port (${code})`);
      this.end();
    });
  }

  open() {
    if (this.ended) return;
    this.fd = openSync(this.pty, constants.O_RDWR | constants.O_NONBLOCK | constants.O_NOCTTY);
    this.poller = setInterval(() => this.poll(), 1);
    this.flush();
  }

  poll() {
    const buf = Buffer.alloc(4096);
    for (;;) {
      let n;
      try {
        n = readSync(this.fd, buf, 0, buf.length, null);
      } catch (e) {
        if (e.code === 'EAGAIN') break;
        console.error(`bridge: reading ${this.pty} failed (${e.code}): the port counts as pulled out`);
        this.end(4000);
        return;
      }
      if (n <= 0) break;
      if (this.socket.readyState === this.socket.OPEN) this.socket.send(buf.subarray(0, n));
    }
    this.flush();
  }

  // Writes what the page sent, as far as the terminal takes it now.
  flush() {
    if (this.fd === undefined || this.ended) return;
    while (this.pending.length) {
      const chunk = this.pending[0];
      let n = 0;
      try {
        n = writeSync(this.fd, chunk);
      } catch (e) {
        if (e.code === 'EAGAIN') return;
        throw e;
      }
      if (n === chunk.length) this.pending.shift();
      else this.pending[0] = chunk.subarray(n);
    }
  }

  // Ends the link; a code ends the page's socket with it (4000: the adapter was pulled out).
  end(code) {
    if (this.ended) return;
    this.ended = true;
    if (code && this.socket.readyState === this.socket.OPEN) this.socket.close(code, 'unplugged');
    this.ready.then(() => {
      clearInterval(this.poller);
      if (this.fd !== undefined) closeSync(this.fd);
      this.finished();
    });
  }
}

export class TestServer {
  // `mounts`: more folders served under a path prefix ({'/tests/': folder}). `lastModified`
  // (a Date): served as by a server that sends no caching headers, only the files' dates
  // (all this one); the browser's HTTP cache then keeps them as it sees fit.
  constructor(siteDir, mounts = {}, { lastModified = null } = {}) {
    this.siteDir = siteDir;
    this.mounts = mounts;
    this.headers = readHeaders(join(siteDir, '_headers'));
    this.lastModified = lastModified;
    if (lastModified) delete this.headers['Cache-Control'];
    this.mixedIn = null;  // {path, file}: served for `path` when a page asks for it
    this.ports = new Map();  // name -> SimulatedPort
    this.links = new Map();  // name -> Link
    this.opens = [];         // [name, baud] per socket opened
  }

  async listen(port = 0, host = '127.0.0.1') {
    this.http = createServer((req, res) => this.serve(req, res));
    this.wss = new WebSocketServer({ noServer: true });
    this.http.on('upgrade', (req, socket, head) => {
      const url = new URL(req.url, 'http://x');
      const sim = this.ports.get(url.searchParams.get('port'));
      if (url.pathname !== '/bridge' || !sim) {
        socket.destroy();
        return;
      }
      this.wss.handleUpgrade(req, socket, head, (ws) => {
        const name = url.searchParams.get('port');
        if (process.env.DTU_BRIDGE_LOG) console.error(`bridge: ${name} opened on ${sim.pty}`);
        this.opens.push([name, Number(url.searchParams.get('baud'))]);
        this.links.set(name, new Link(ws, sim.pty, this.links.get(name)));
      });
    });
    await new Promise((r) => this.http.listen(port, host, r));
    this.origin = `http://${host}:${this.http.address().port}`;
    return this.origin;
  }

  serve(req, res) {
    const url = new URL(req.url, 'http://x');
    let path = decodeURIComponent(url.pathname);
    if (path.endsWith('/')) path += 'index.html';
    let root = this.siteDir;
    for (const [prefix, folder] of Object.entries(this.mounts)) {
      if (path.startsWith(prefix)) {
        root = folder;
        path = path.slice(prefix.length - 1);
      }
    }
    let file = normalize(join(root, path));
    if (!file.startsWith(root)) file = '';
    // A page asks for its build's files with "?b=<build>"; the service worker without.
    if (this.mixedIn && this.mixedIn.path === path && url.searchParams.has('b')) file = this.mixedIn.file;
    if (!file || !existsSync(file) || !statSync(file).isFile()) {
      res.writeHead(404, { 'Content-Type': 'text/plain' });
      res.end('not found');
      return;
    }
    res.writeHead(200, { ...this.headers, 'Content-Type': kTypes[extname(file)] || 'application/octet-stream',
      ...(this.lastModified ? { 'Last-Modified': this.lastModified.toUTCString() } : {}) });
    res.end(readFileSync(file));
  }

  // Bytes reach the page through stand-in port `name` as if the DTU had sent them.
  inject(name, bytes) {
    const link = this.links.get(name);
    if (link && link.socket.readyState === link.socket.OPEN) link.socket.send(Buffer.from(bytes, 'latin1'));
  }

  // The adapter behind stand-in port `name` is pulled out: its socket ends with 4000.
  unplug(name) {
    const link = this.links.get(name);
    if (link) link.end(4000);
  }

  async close() {
    for (const link of this.links.values()) {
      link.end();
      await link.closed;
    }
    this.wss.close();
    await new Promise((r) => this.http.close(r));
  }
}
