#!/usr/bin/env python3
# The far end of the rx_throughput benchmark under Wine: a pseudo-terminal linked as a COM
# port in the Wine prefix (LINK.ready appears beside it once it is there). Once the benchmark
# sends "go" it writes COUNT bytes of the benchmark's pattern; it ends when the benchmark
# sends "end" or after two and a half minutes.
#   wine_rx_feeder.py LINK COUNT
import os
import pty
import select
import sys
import time
import tty

link, count = sys.argv[1], int(sys.argv[2])
master, slave = pty.openpty()
tty.setraw(slave)
if os.path.lexists(link):
    os.unlink(link)
os.symlink(os.ttyname(slave), link)
open(link + ".ready", "w").close()
try:
    heard = b""
    deadline = time.time() + 150
    while b"go" not in heard and time.time() < deadline:
        if select.select([master], [], [], 1)[0]:
            heard += os.read(master, 64)
    # The pattern repeats every 251 bytes: (i * 7) % 251.
    period = bytes((i * 7) % 251 for i in range(251))
    data = period * (count // 251 + 1)
    sent = 0
    # A reader that gave up must not keep this writer waiting past the deadline.
    while sent < count and time.time() < deadline:
        if select.select([], [master], [], 1)[1]:
            sent += os.write(master, data[sent:min(count, sent + 4096)])
    heard = b""
    while b"end" not in heard and time.time() < deadline:
        if select.select([master], [], [], 1)[0]:
            heard += os.read(master, 64)
finally:
    os.unlink(link)
    os.unlink(link + ".ready")
