"""Shared by the Python benchmarks: the end-to-end harness (pseudo-terminals,
an X server of their own, the real program, xdotool), a memory-mapped view of
the X screen for cheap comparisons, and figures. Standard library only.
Everything started here is stopped by its PID."""
import mmap
import os
import statistics
import struct
import time
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PROGRAM = os.environ.get("QARVELO_BIN", os.path.join(ROOT, "build-bench", "qarvelo"))
TICK = os.sysconf("SC_CLK_TCK")


sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from harness import Pty, stop, wait_until  # noqa: E402
import harness  # noqa: E402

def figures(name, values, unit="", scale=1.0):
    v = [x * scale for x in values]
    if not v:
        print("%-44s (no samples)" % name)
        return None
    v.sort()
    p99 = v[min(len(v) - 1, int(round(0.99 * (len(v) - 1))))]
    print("%-44s median %9.3f  min %9.3f  max %9.3f  p99 %9.3f %s (n=%d)"
          % (name, statistics.median(v), v[0], v[-1], p99, unit, len(v)))
    return statistics.median(v)


class Screen:
    """Xvfb's screen file, memory-mapped: regions compare without copying the
    whole screen."""

    def __init__(self, path):
        self.f = open(path, "rb")
        self.mm = mmap.mmap(self.f.fileno(), 0, access=mmap.ACCESS_READ)
        hdr = struct.unpack(">25I", self.mm[:100])
        self.width, self.height = hdr[4], hdr[5]
        self.bpp, self.bpl = hdr[11], hdr[12]
        self.step = self.bpp // 8
        self.start = hdr[0] + hdr[19] * 12

    def region(self, box):
        x0, y0, x1, y1 = box
        a = self.start + x0 * self.step
        n = (x1 - x0) * self.step
        return [self.mm[a + y * self.bpl:a + y * self.bpl + n] for y in range(y0, y1)]

    def changed(self, box, base):
        x0, y0, x1, y1 = box
        a = self.start + x0 * self.step
        n = (x1 - x0) * self.step
        mm, bpl = self.mm, self.bpl
        for i, y in enumerate(range(y0, y1)):
            o = a + y * bpl
            if mm[o:o + n] != base[i]:
                return True
        return False

    def pixel(self, x, y):
        o = self.start + y * self.bpl + x * self.step
        b, g, r = self.mm[o], self.mm[o + 1], self.mm[o + 2]  # LSB first on x86
        return r, g, b

    def close(self):
        self.mm.close()
        self.f.close()


class Session(harness.Session):
    """One Xvfb with its screen in a file, and the program, started by start()
    so that a benchmark can time it from exec."""

    def __init__(self, ports, size=(1024, 768)):
        super().__init__(os.path.dirname(PROGRAM), ports, size=size, program=PROGRAM,
                         name="bench")

    def start_program(self):
        pass  # the benchmark starts it

    def start(self):
        self.t_exec = time.monotonic()
        super().start_program()
        return self.proc

    def screen(self):
        return Screen(os.path.join(self.xvfb.fbdir, "Xvfb_screen0"))

    def open_port(self, first=True):
        """Port/Open (the first one comes up by itself), Enter on the first port
        offered, Enter on the configuration dialog."""
        if not first:
            self.focus_frame()
            self.key("alt+p", "Return")
        return super().open_port()


def find_receive_box(screen):
    """The lowest white band on the screen at least 150 px wide: the Receive
    box of the only (or lowest) port window. Returns (x0, y0, x1, y1)."""
    best = None
    y = screen.height - 1
    rows = []
    for y in range(screen.height):
        run_x, run = None, 0
        x = 0
        found = None
        while x < screen.width:
            if screen.pixel(x, y) == (255, 255, 255):
                if run == 0:
                    run_x = x
                run += 1
                if run >= 150:
                    found = run_x
            else:
                if found is not None:
                    break
                run = 0
            x += 1
        if found is not None:
            end = found
            while end < screen.width and screen.pixel(end, y) == (255, 255, 255):
                end += 1
            rows.append((y, found, end))
    # Bands of consecutive rows; take the last one.
    band = []
    for r in rows:
        if band and r[0] != band[-1][0] + 1:
            best = band
            band = []
        band.append(r)
    if band:
        best = band
    if not best:
        raise RuntimeError("no Receive box on screen")
    return (min(r[1] for r in best), best[0][0], max(r[2] for r in best), best[-1][0] + 1)
