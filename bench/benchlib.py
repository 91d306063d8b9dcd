"""Shared by the Python benchmarks: pseudo-terminals, an X server of their own
(Xvfb with its screen in a file), the real program, xdotool, CPU time from
/proc and figures. Standard library only. Everything started here is stopped
by its PID."""
import mmap
import os
import select
import shutil
import statistics
import struct
import subprocess
import tempfile
import time
import tty

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PROGRAM = os.environ.get("QARVELO_BIN", os.path.join(ROOT, "build-bench", "qarvelo"))
TICK = os.sysconf("SC_CLK_TCK")


def wait_until(what, probe, timeout=20.0, interval=0.02):
    deadline = time.monotonic() + timeout
    while True:
        v = probe()
        if v:
            return v
        if time.monotonic() > deadline:
            raise TimeoutError("timed out waiting for " + what)
        time.sleep(interval)


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


class Pty:
    """The program opens the slave; we keep the master (and the slave, or the
    master reads EIO while the program has it closed)."""

    def __init__(self):
        self.master, self.slave = os.openpty()
        tty.setraw(self.master)
        self.path = os.ttyname(self.slave)
        os.set_blocking(self.master, False)

    def drain(self):
        n = 0
        try:
            while True:
                b = os.read(self.master, 65536)
                if not b:
                    break
                n += len(b)
        except (BlockingIOError, OSError):
            pass
        return n

    def close(self):
        for fd in (self.master, self.slave):
            try:
                os.close(fd)
            except OSError:
                pass


def stop(proc, grace=5.0):
    if proc is None or proc.poll() is not None:
        return
    proc.terminate()
    try:
        proc.wait(grace)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait(grace)


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


class Session:
    """One Xvfb and one run of the program with the given port map."""

    def __init__(self, ports, size=(1024, 768)):
        self.ports = ports  # {"COM1": Pty or "loopback"}
        self.size = size
        self.xvfb = self.proc = None

    def __enter__(self):
        self.workdir = tempfile.mkdtemp(prefix="qarvelo-bench-")
        try:
            self._start_x()
            self.env = dict(os.environ)
            for k in ("WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "SESSION_MANAGER"):
                self.env.pop(k, None)
            home = os.path.join(self.workdir, "home")
            run = os.path.join(self.workdir, "run")
            os.mkdir(home)
            os.mkdir(run, 0o700)
            self.env.update({
                "DISPLAY": self.display, "HOME": home, "XDG_RUNTIME_DIR": run,
                "XDG_CONFIG_HOME": os.path.join(home, ".config"), "QT_QPA_PLATFORM": "xcb",
                "QT_LOGGING_RULES": "qt.qpa.*=false",
                "QARVELO_PORTS": ",".join("%s=%s" % (c, p if isinstance(p, str) else p.path)
                                          for c, p in self.ports.items()),
            })
        except BaseException:
            self.close()
            raise
        return self

    def _start_x(self):
        self.fbdir = os.path.join(self.workdir, "fb")
        os.mkdir(self.fbdir)
        r, w = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(w), "-screen", "0", "%dx%dx24" % self.size, "-nolisten", "tcp",
             "-fbdir", self.fbdir, "-noreset"],
            pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        os.close(w)
        number = b""
        try:
            while not number.endswith(b"\n"):
                if not select.select([r], [], [], 30)[0]:
                    raise TimeoutError("Xvfb did not report its display")
                chunk = os.read(r, 16)
                if not chunk:
                    raise RuntimeError("Xvfb ended")
                number += chunk
        finally:
            os.close(r)
        self.display = ":" + number.decode().strip()

    def start(self):
        self.log = open(os.path.join(self.workdir, "qarvelo.log"), "wb")
        self.t_exec = time.monotonic()
        self.proc = subprocess.Popen([PROGRAM], env=self.env, stdout=self.log, stderr=subprocess.STDOUT,
                                     start_new_session=True)
        return self.proc

    def __exit__(self, *exc):
        self.close()
        return False

    def close(self):
        try:
            stop(self.proc)
        finally:
            stop(self.xvfb)
            if getattr(self, "log", None):
                self.log.close()
            shutil.rmtree(self.workdir, ignore_errors=True)

    def screen(self):
        return Screen(os.path.join(self.fbdir, "Xvfb_screen0"))

    # -- the program --
    def cpu_seconds(self):
        with open("/proc/%d/stat" % self.proc.pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / TICK

    def xdotool(self, *args, check=True):
        return subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env, capture_output=True,
                              text=True, timeout=20, check=check)

    def key(self, *keys):
        for k in keys:
            self.xdotool("key", "--delay", "60", k)

    def windows(self, name):
        r = self.xdotool("search", "--onlyvisible", "--name", name, check=False)
        return r.stdout.split()

    def wait_window(self, name, timeout=20.0):
        return wait_until("window " + name, lambda: self.windows(name), timeout)[0]

    def wait_no_window(self, name, timeout=20.0):
        wait_until("no window " + name, lambda: not self.windows(name), timeout)

    def focus_frame(self):
        self.xdotool("windowfocus", "--sync", self.wait_window("^Kelvo Qarvelo"))

    def open_port(self, first=True):
        """Port/Open (the first time it comes up by itself), Enter on the first
        port offered, Enter on the configuration dialog."""
        if not first:
            self.focus_frame()
            self.key("alt+p", "Return")
        self.xdotool("windowfocus", "--sync", self.wait_window("^Select Port$"))
        self.key("Return")
        self.wait_no_window("^Select Port$")
        self.xdotool("windowfocus", "--sync", self.wait_window("^Configure "))
        self.key("Return")
        self.wait_no_window("^Configure ")
        self.focus_frame()


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
