// The tests' web server: the built page's files with the response headers its read-me gives
// (the site's _headers file: the Content-Security-Policy and the rest), and, on the same
// origin, the bridge that carries a stand-in serial port's bytes to a simulated DTU on a
// pseudo-terminal.
import { spawn } from 'node:child_process';
import { openSync, closeSync, readFileSync, existsSync, statSync, write, writeFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { extname, join, normalize } from 'node:path';
import tty from 'node:tty';
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

  async stop() {
    if (this.child.exitCode !== null) return;
    const done = new Promise((r) => this.child.on('exit', r));
    this.child.kill('SIGTERM');
    await done;
    if (this.logPath) writeFileSync(this.logPath, this.log.join(''));
  }
}

// One open port: the page's socket and the pseudo-terminal, bytes both ways.
class Link {
  constructor(socket, pty) {
    this.socket = socket;
    this.writeFd = openSync(pty, 'r+');
    this.reader = new tty.ReadStream(openSync(pty, 'r+'));
    this.reader.on('data', (d) => {
      if (socket.readyState === socket.OPEN) socket.send(d);
    });
    this.reader.on('error', () => this.end(4000));
    this.writing = Promise.resolve();
    socket.on('message', (data) => {
      const bytes = Buffer.from(data);
      this.writing = this.writing.then(() => new Promise((r) => write(this.writeFd, bytes, () => r())));
    });
    socket.on('close', () => this.end());
  }

  // Ends the link; a code ends the page's socket with it (4000: the adapter was pulled out).
  end(code) {
    if (this.ended) return;
    this.ended = true;
    this.reader.destroy();
    this.writing.then(() => closeSync(this.writeFd));
    if (code && this.socket.readyState === this.socket.OPEN) this.socket.close(code, 'unplugged');
  }
}

export class TestServer {
  constructor(siteDir) {
    this.siteDir = siteDir;
    this.headers = readHeaders(join(siteDir, '_headers'));
    this.ports = new Map();  // name -> SimulatedPort
    this.links = new Map();  // name -> Link
    this.opens = [];         // [name, baud] per socket opened
  }

  async listen(port = 0) {
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
        this.opens.push([name, Number(url.searchParams.get('baud'))]);
        this.links.set(name, new Link(ws, sim.pty));
      });
    });
    await new Promise((r) => this.http.listen(port, '127.0.0.1', r));
    this.origin = `http://127.0.0.1:${this.http.address().port}`;
    return this.origin;
  }

  serve(req, res) {
    const url = new URL(req.url, 'http://x');
    let path = decodeURIComponent(url.pathname);
    if (path.endsWith('/')) path += 'index.html';
    const file = normalize(join(this.siteDir, path));
    if (!file.startsWith(this.siteDir) || !existsSync(file) || !statSync(file).isFile()) {
      res.writeHead(404, { 'Content-Type': 'text/plain' });
      res.end('not found');
      return;
    }
    res.writeHead(200, { ...this.headers, 'Content-Type': kTypes[extname(file)] || 'application/octet-stream',
      'Cache-Control': 'no-cache' });
    res.end(readFileSync(file));
  }

  // The adapter behind stand-in port `name` is pulled out: its socket ends with 4000.
  unplug(name) {
    const link = this.links.get(name);
    if (link) link.end(4000);
    this.links.delete(name);
  }

  async close() {
    for (const link of this.links.values()) link.end();
    this.wss.close();
    await new Promise((r) => this.http.close(r));
  }
}
