"""A lossy, jittery link between two tun devices, for kernels without tc's netem.

    impair.py TUN_A TUN_B

Creates both devices (the caller moves them into its network namespaces; the open devices
follow them) and prints "ready". Every IP packet read from one is written to the other after
a delay, or dropped. Lines on stdin set both directions: "LOSS_PERCENT DELAY_MS JITTER_MS",
each packet then waiting DELAY +- JITTER ms (uniformly), as netem's "delay D J" does, so that
packets closer together than the jitter arrive out of order. "100 0 0" cuts the link. On
SIGTERM or at the end of stdin it prints what it passed, dropped and reordered.
"""

import fcntl
import heapq
import os
import random
import select
import signal
import struct
import sys
import time

TUNSETIFF = 0x400454CA
IFF_TUN = 0x0001
IFF_NO_PI = 0x1000


def open_tun(name):
    fd = os.open("/dev/net/tun", os.O_RDWR | os.O_NONBLOCK)
    fcntl.ioctl(fd, TUNSETIFF, struct.pack("16sH", name.encode(), IFF_TUN | IFF_NO_PI))
    return fd


class Link:
    def __init__(self, a, b):
        self.peer = {a: b, b: a}
        self.loss, self.delay, self.jitter = 0.0, 0.0, 0.0
        self.queue = []  # (due, arrival number, out fd, packet)
        self.arrivals = 0
        self.last_out = {a: -1, b: -1}  # per out fd: the arrival number last delivered
        self.passed = self.dropped = self.reordered = 0

    def configure(self, line):
        loss, delay, jitter = (float(v) for v in line.split())
        self.loss, self.delay, self.jitter = loss / 100.0, delay / 1000.0, jitter / 1000.0

    def receive(self, fd, now):
        try:
            packet = os.read(fd, 65536)
        except BlockingIOError:
            return
        self.arrivals += 1
        if random.random() < self.loss:
            self.dropped += 1
            return
        wait = max(0.0, self.delay + random.uniform(-self.jitter, self.jitter))
        heapq.heappush(self.queue, (now + wait, self.arrivals, self.peer[fd], packet))

    def deliver(self, now):
        while self.queue and self.queue[0][0] <= now:
            _, number, out, packet = heapq.heappop(self.queue)
            if number < self.last_out[out]:
                self.reordered += 1
            self.last_out[out] = max(number, self.last_out[out])
            try:
                os.write(out, packet)
                self.passed += 1
            except OSError:  # that side's device is down: the packet is lost
                self.dropped += 1

    def timeout(self, now):
        return max(0.0, self.queue[0][0] - now) if self.queue else 1.0


def main():
    a, b = open_tun(sys.argv[1]), open_tun(sys.argv[2])
    link = Link(a, b)
    random.seed(27)  # the same faults on every run
    stopping = []
    signal.signal(signal.SIGTERM, lambda *_: stopping.append(True))
    print("ready", flush=True)
    control = sys.stdin.fileno()
    watched = [a, b, control]
    pending = b""
    while not stopping and control in watched:
        try:
            ready, _, _ = select.select(watched, [], [], link.timeout(time.monotonic()))
        except InterruptedError:
            continue
        now = time.monotonic()
        for fd in ready:
            if fd != control:
                link.receive(fd, now)
            elif data := os.read(control, 4096):
                pending += data
                while b"\n" in pending:
                    line, pending = pending.split(b"\n", 1)
                    link.configure(line.decode())
            else:
                watched.remove(control)
        link.deliver(time.monotonic())
    print(f"impair: passed={link.passed} dropped={link.dropped} reordered={link.reordered}", flush=True)


if __name__ == "__main__":
    main()
