#!/usr/bin/env python3
"""Idle cost of the real program under Xvfb: CPU over a measuring window with
1 and with 8 open idle port windows (no traffic, no Repeat), then with Repeat
on in one of them (busy by design: it sends on every 1 ms tick).

    idle.py [--runs 5] [--seconds 10]
"""
import argparse
import os
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import benchlib as bl  # noqa: E402


def measure(s, runs, seconds):
    out = []
    for _ in range(runs):
        c, w = s.cpu_seconds(), time.monotonic()
        time.sleep(seconds)
        out.append((s.cpu_seconds() - c) / (time.monotonic() - w))
    return out


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--seconds", type=float, default=10)
    a = ap.parse_args()

    ptys = [bl.Pty() for _ in range(8)]
    stop = threading.Event()

    def drain():  # Repeat's bytes go somewhere
        while not stop.is_set():
            for p in ptys:
                p.drain()
            time.sleep(0.01)

    try:
        with bl.Session({"COM%d" % (i + 1): p for i, p in enumerate(ptys)}) as s:
            s.start()
            s.open_port(first=True)
            time.sleep(1)
            print("idle: %d runs of %.0f s each; CPU from /proc/<pid>/stat utime+stime (10 ms ticks)"
                  % (a.runs, a.seconds))
            one = measure(s, a.runs, a.seconds)
            for _ in range(7):
                s.open_port(first=False)
            time.sleep(1)
            eight = measure(s, a.runs, a.seconds)
            t = threading.Thread(target=drain, daemon=True)
            t.start()
            s.key("ctrl+p")  # Repeat in the active window
            time.sleep(1)
            repeat = measure(s, a.runs, a.seconds)
            s.key("ctrl+p")
            stop.set()
            t.join()
            print()
            m1 = bl.figures("1 idle window", one, "% of a core", 100)
            m8 = bl.figures("8 idle windows", eight, "% of a core", 100)
            bl.figures("8 idle windows, per window", [x / 8 for x in eight], "% of a core", 100)
            bl.figures("8 windows, Repeat on in one (busy)", repeat, "% of a core", 100)
            # Pooled over all runs: one clock tick in the whole time bounds the figure.
            total = a.runs * a.seconds
            print("pooled: 1 window %.4f %%, 8 windows %.4f %% of a core over %.0f s each "
                  "(resolution %.4f %%)" % (100 * sum(one) / a.runs, 100 * sum(eight) / a.runs, total,
                                            100 / bl.TICK / total))
            print("targets (< 0.05 %% per window): 1 window %s, 8 windows %s"
                  % ("met" if m1 < 0.05 else "MISSED", "met" if m8 / 8 < 0.05 else "MISSED"))
    finally:
        stop.set()
        for p in ptys:
            p.close()


if __name__ == "__main__":
    main()
