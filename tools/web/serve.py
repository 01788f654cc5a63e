#!/usr/bin/env python3
"""Serves the web edition's folder on this PC, as its read-me says a server should: the
response headers of its _headers file (the Content-Security-Policy among them) and the right
content types. 127.0.0.1 is a secure origin, so the browser lets the page use serial ports.

    serve.py SITE_FOLDER [--port 8080]
"""
import argparse
import functools
import http.server
import os
import sys


def read_headers(path):
    headers = []
    try:
        with open(path, encoding="utf-8") as f:
            for line in f:
                if line.startswith((" ", "\t")) and ":" in line:
                    name, value = line.strip().split(":", 1)
                    headers.append((name.strip(), value.strip()))
    except OSError:
        pass
    return headers


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {
        **http.server.SimpleHTTPRequestHandler.extensions_map,
        ".wasm": "application/wasm",
        ".js": "text/javascript",
        ".webmanifest": "application/manifest+json",
        ".svg": "image/svg+xml",
    }
    site_headers = []

    def end_headers(self):
        for name, value in self.site_headers:
            self.send_header(name, value)
        self.send_header("Cache-Control", "no-cache")
        super().end_headers()

    def log_message(self, fmt, *args):  # one line per request is noise for a technician
        pass


def main():
    parser = argparse.ArgumentParser(description="Serve the web edition of dtu-setup on this PC.")
    parser.add_argument("site", help="the page's folder (build/web/site)")
    parser.add_argument("--port", type=int, default=8080)
    args = parser.parse_args()
    site = os.path.abspath(args.site)
    if not os.path.isfile(os.path.join(site, "index.html")):
        sys.exit(f"serve.py: {site} holds no page (build it first)")
    Handler.site_headers = read_headers(os.path.join(site, "_headers"))
    handler = functools.partial(Handler, directory=site)
    try:
        server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), handler)
    except OSError as e:
        sys.exit(f"serve.py: cannot listen on 127.0.0.1:{args.port}: {e.strerror}")
    print(f"DTU Setup for the browser: http://127.0.0.1:{args.port}/  (open it in Chrome or Edge; Ctrl+C stops)",
          flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
