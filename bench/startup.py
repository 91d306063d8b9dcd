#!/usr/bin/env python3
"""Start-up: from exec of the real program to "Select Port" on screen under
Xvfb (polled with xdotool search; the poll's own cost bounds the resolution).

    startup.py [--runs 5]
"""
import argparse
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import benchlib as bl  # noqa: E402


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--runs", type=int, default=5)
    a = ap.parse_args()
    pty = bl.Pty()
    times, polls = [], []
    try:
        with bl.Session({"COM1": pty}) as s:
            for i in range(a.runs + 1):
                proc = s.start()
                while True:
                    t = time.monotonic()
                    found = s.windows("Select Port")
                    polls.append(time.monotonic() - t)
                    if found:
                        break
                    if time.monotonic() - s.t_exec > 30:
                        raise TimeoutError("no Select Port")
                dt = time.monotonic() - s.t_exec
                print("  run %d%s: %.1f ms" % (i, " (warm-up)" if i == 0 else "", dt * 1000))
                if i:
                    times.append(dt)
                bl.stop(proc)
                s.log.close()
    finally:
        pty.close()
    print()
    bl.figures("exec to Select Port visible", times, "ms", 1000)
    bl.figures("one xdotool search (resolution)", polls, "ms", 1000)


if __name__ == "__main__":
    main()
