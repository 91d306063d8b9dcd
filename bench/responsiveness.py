#!/usr/bin/env python3
"""Responsiveness of the real program under Xvfb, idle and while one port
receives a paced stream at the rate of a 4 Mbaud line (about 400 KB/s):
program CPU, key press (xdotool) to byte on the line, and byte written into
the pty to the first change of the Receive box on screen.

    responsiveness.py [--samples 30] [--rate 400000]
"""
import argparse
import os
import select
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import benchlib as bl  # noqa: E402


class PacedWriter(threading.Thread):
    """Writes `rate` bytes per second into the master in 10 ms slices. The
    byte is one printable character, so a full Receive box looks the same
    from slice to slice; switch() changes the character and records when the
    first slice of the new one went in."""

    def __init__(self, pty, rate):
        super().__init__(daemon=True)
        self.pty, self.rate = pty, rate
        self.char = b"."
        self.pending = None
        self.switched_at = None
        self.written = 0
        self.running = True

    def switch(self, char):
        self.switched_at = None
        self.pending = char

    def run(self):
        slice_s = 0.010
        per = int(self.rate * slice_s)
        t = time.monotonic()
        while self.running:
            if self.pending is not None:
                self.char, self.pending = self.pending, None
                stamp = True
            else:
                stamp = False
            data = self.char * per
            now = time.monotonic()
            try:
                n = os.write(self.pty.master, data)
            except BlockingIOError:
                n = 0
            if stamp:
                self.switched_at = now
            self.written += n
            t += slice_s
            delay = t - time.monotonic()
            if delay > 0:
                time.sleep(delay)
            else:
                t = time.monotonic()  # behind: do not burst to catch up


def screen_latency(s, scr, box, write, samples, settle=0.15):
    """write() puts the bytes in and returns the time it did; measures until
    the box region differs from what it showed before."""
    out = []
    for _ in range(samples):
        time.sleep(settle)
        base = scr.region(box)
        t0 = write()
        deadline = time.monotonic() + 2.0
        while not scr.changed(box, base):
            if time.monotonic() > deadline:
                break
            time.sleep(0.0005)
        else:
            out.append(time.monotonic() - t0)
    return out


def key_latency(s, pty, samples):
    out = []
    pty.drain()
    for _ in range(samples):
        time.sleep(0.1)
        t0 = time.monotonic()
        s.xdotool("key", "x")
        got = b""
        deadline = t0 + 2.0
        while b"x" not in got and time.monotonic() < deadline:
            if select.select([pty.master], [], [], 0.0005)[0]:
                try:
                    got += os.read(pty.master, 4096)
                except BlockingIOError:
                    pass
        if b"x" in got:
            out.append(time.monotonic() - t0)
    return out


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--samples", type=int, default=30)
    ap.add_argument("--rate", type=int, default=400000)
    a = ap.parse_args()

    pty = bl.Pty()
    try:
        with bl.Session({"COM1": pty}) as s:
            s.start()
            s.open_port(first=True)
            time.sleep(0.5)
            scr = s.screen()
            x0, y0, x1, y1 = bl.find_receive_box(scr)
            box = (x0 + 3, y0 + 3, x1 - 3, y1 - 3)
            print("responsiveness: Receive box at %s, %d samples each, load %d bytes/s"
                  % (box, a.samples, a.rate))

            def write_one():
                t = time.monotonic()
                os.write(pty.master, b"W")
                return t

            idle_screen = screen_latency(s, scr, box, write_one, a.samples)
            idle_keys = key_latency(s, pty, a.samples)
            cpu0, w0 = s.cpu_seconds(), time.monotonic()
            time.sleep(3)
            idle_cpu = (s.cpu_seconds() - cpu0) / (time.monotonic() - w0)

            writer = PacedWriter(pty, a.rate)
            writer.start()
            time.sleep(1.0)
            # CPU under load: five 3-second windows.
            load_cpu = []
            for _ in range(5):
                c, w, n = s.cpu_seconds(), time.monotonic(), writer.written
                time.sleep(3)
                dt = time.monotonic() - w
                load_cpu.append((s.cpu_seconds() - c) / dt)
                rate = (writer.written - n) / dt
            chars = [b":", b"."]

            def switch():
                writer.switch(chars[0])
                chars.reverse()
                while writer.switched_at is None:
                    time.sleep(0.0002)
                return writer.switched_at

            # What starting xdotool alone costs, for scale.
            xdo = []
            for _ in range(a.samples):
                t = time.monotonic()
                s.xdotool("getmouselocation")
                xdo.append(time.monotonic() - t)

            load_screen = screen_latency(s, scr, box, switch, a.samples, settle=0.1)
            load_keys = key_latency(s, pty, a.samples)
            writer.running = False
            writer.join()
            scr.close()

            print("stream rate reached: %.0f bytes/s" % rate)
            print()
            cpu = bl.figures("program CPU under load (target < 10 %)", load_cpu, "%", 100)
            print("%-44s %9.3f %%" % ("program CPU idle (3 s)", idle_cpu * 100))
            k = bl.figures("key to line, under load (target < 50)", load_keys, "ms", 1000)
            bl.figures("key to line, idle", idle_keys, "ms", 1000)
            bl.figures("(an xdotool call that sends nothing)", xdo, "ms", 1000)
            sl = bl.figures("byte to screen, under load (target <= 16)", load_screen, "ms", 1000)
            si = bl.figures("byte to screen, idle (target <= 16)", idle_screen, "ms", 1000)
            ok = lambda c: "met" if c else "MISSED"  # noqa: E731
            print("targets: cpu %s, key %s, screen idle %s, screen under load %s"
                  % (ok(cpu is not None and cpu < 10), ok(k is not None and k < 50),
                     ok(si is not None and si <= 16), ok(sl is not None and sl <= 16)))
            if len(load_screen) < a.samples or len(idle_screen) < a.samples:
                print("note: %d idle and %d loaded screen samples saw no change within 2 s"
                      % (a.samples - len(idle_screen), a.samples - len(load_screen)))
    finally:
        pty.close()


if __name__ == "__main__":
    main()
