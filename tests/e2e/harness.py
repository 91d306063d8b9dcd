"""Drives the real qarvelo executable under Xvfb: pseudo-terminals the test
holds, an X server of its own, xdotool for keys and mouse, and screen pixels
read from the server's frame buffer file. Standard library only.

Every process started here is stopped by its PID when the session ends, also
when a check fails."""
import fcntl
import os
import select
import shutil
import signal
import subprocess
import tempfile
import time
import tty

import xwd

# Colours the port window paints.
GREEN = (0, 128, 0)       # lit activity cell
LIGHT_RED = (255, 0, 0)   # modem indicator, line on
DARK_GREY = (128, 128, 128)  # modem indicator, line off
WHITE = (255, 255, 255)   # Receive box

ARTIFACTS = os.environ.get("QARVELO_E2E_ARTIFACTS", "")


class Timeout(AssertionError):
    pass


def wait_until(what, probe, timeout=20.0, interval=0.05):
    """Polls probe() until it returns something true; the end-to-end twin of
    QTRY_VERIFY. Returns that value, or fails naming what was awaited."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Timeout("timed out waiting for " + what)
        time.sleep(interval)


class Pty:
    """A pseudo-terminal pair; the program gets the slave's path, the test
    keeps the master (and the slave open too, or the master reads EIO)."""

    def __init__(self):
        self.master, self.slave = os.openpty()
        tty.setraw(self.master)
        self.path = os.ttyname(self.slave)
        os.set_blocking(self.master, False)

    def write(self, data):
        os.write(self.master, data)

    def read_exactly(self, n, timeout=20.0):
        out = bytearray()
        deadline = time.monotonic() + timeout
        while len(out) < n:
            left = deadline - time.monotonic()
            if left <= 0:
                raise Timeout("expected %d bytes on %s, got %r" % (n, self.path, bytes(out)))
            r, _, _ = select.select([self.master], [], [], left)
            if r:
                out += os.read(self.master, n - len(out))
        return bytes(out)

    def read_for(self, seconds):
        """Everything that arrives within the given time."""
        out = bytearray()
        deadline = time.monotonic() + seconds
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                return bytes(out)
            r, _, _ = select.select([self.master], [], [], left)
            if r:
                try:
                    out += os.read(self.master, 65536)
                except BlockingIOError:
                    pass

    def drain(self):
        try:
            while os.read(self.master, 65536):
                pass
        except (BlockingIOError, OSError):
            pass

    def stty(self):
        """The slave's settings as stty reports them, one flag per word."""
        out = subprocess.run(["stty", "-F", self.path, "-a"], capture_output=True, text=True,
                             check=True, timeout=10).stdout
        return out.replace(";", " ").split()

    def close(self):
        for fd in (self.master, self.slave):
            if fd is not None:
                try:
                    os.close(fd)
                except OSError:
                    pass
        self.master = self.slave = None


def stop(proc, grace=5.0):
    """Ends a process this harness started, by its PID."""
    if proc is None or proc.poll() is not None:
        return
    proc.terminate()
    try:
        proc.wait(grace)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait(grace)


class Xvfb:
    def __init__(self, width, height, workdir):
        self.fbdir = os.path.join(workdir, "fb")
        os.mkdir(self.fbdir)
        r, w = os.pipe()
        try:
            self.proc = subprocess.Popen(
                ["Xvfb", "-displayfd", str(w), "-screen", "0", "%dx%dx24" % (width, height),
                 "-nolisten", "tcp", "-fbdir", self.fbdir, "-noreset"],
                pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                start_new_session=True)
            os.close(w)
            w = None
            number = b""
            deadline = time.monotonic() + 30
            while not number.endswith(b"\n"):
                left = deadline - time.monotonic()
                if left <= 0 or not select.select([r], [], [], left)[0]:
                    raise Timeout("Xvfb did not report its display")
                chunk = os.read(r, 16)
                if not chunk:
                    raise AssertionError("Xvfb ended before reporting its display")
                number += chunk
        except BaseException:
            if w is not None:
                os.close(w)
            stop(getattr(self, "proc", None))
            raise
        finally:
            os.close(r)
        self.display = ":" + number.decode().strip()
        self.width, self.height = width, height

    def screenshot(self):
        with open(os.path.join(self.fbdir, "Xvfb_screen0"), "rb") as f:
            return xwd.read(f.read())

    def stop(self):
        stop(self.proc)


class Session:
    """One X server and one run of the program. Use as a context manager."""

    def __init__(self, build_dir, ports, size=(800, 600), env=None, program=None, name="e2e"):
        self.build_dir = build_dir
        self.program = program or os.path.join(build_dir, "qarvelo")
        self.ports = ports  # {"COM1": Pty or "loopback"}
        self.size = size
        self.extra_env = env or {}
        self.name = name
        self.xvfb = None
        self.proc = None
        self.workdir = None
        self.log_path = None

    # -- life cycle --
    def __enter__(self):
        self.workdir = tempfile.mkdtemp(prefix="qarvelo-e2e-")
        try:
            self.xvfb = Xvfb(self.size[0], self.size[1], self.workdir)
            self.env = dict(os.environ)
            for k in ("WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "SESSION_MANAGER"):
                self.env.pop(k, None)
            home = os.path.join(self.workdir, "home")
            os.mkdir(home)
            runtime = os.path.join(self.workdir, "run")
            os.mkdir(runtime, 0o700)
            self.env.update({
                "DISPLAY": self.xvfb.display,
                "HOME": home,
                "XDG_CONFIG_HOME": os.path.join(home, ".config"),
                "XDG_RUNTIME_DIR": runtime,
                "QT_QPA_PLATFORM": "xcb",
                "QT_LOGGING_RULES": "qt.qpa.*=false",
                "QARVELO_PORTS": ",".join(
                    "%s=%s" % (com, p if isinstance(p, str) else p.path)
                    for com, p in self.ports.items()),
            })
            self.env.update(self.extra_env)
            self.start_program()
        except BaseException:
            self.close()
            raise
        return self

    def start_program(self):
        self.log_path = os.path.join(self.workdir, "qarvelo.log")
        self.log = open(self.log_path, "wb")
        self.proc = subprocess.Popen([self.program], env=self.env, stdout=self.log,
                                     stderr=subprocess.STDOUT, start_new_session=True)

    def __exit__(self, exc_type, exc, tb):
        if exc_type is not None:
            try:
                self.save_screenshot(self.name + "-failure")
            except Exception:
                pass
            try:
                with open(self.log_path, "rb") as f:
                    text = f.read().decode(errors="replace").strip()
                if text:
                    print("--- program output ---\n" + text)
            except Exception:
                pass
        self.close()
        return False

    def close(self):
        try:
            stop(self.proc)
        finally:
            try:
                if self.xvfb:
                    self.xvfb.stop()
            finally:
                if getattr(self, "log", None):
                    self.log.close()
                if self.workdir:
                    shutil.rmtree(self.workdir, ignore_errors=True)

    # -- the program --
    def alive(self):
        return self.proc.poll() is None

    def wait_exit(self, timeout=10.0):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Timeout("the program did not end")

    def cpu_seconds(self):
        """User plus system CPU time of the program so far."""
        with open("/proc/%d/stat" % self.proc.pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        ticks = int(fields[11]) + int(fields[12])  # utime, stime
        return ticks / os.sysconf("SC_CLK_TCK")

    # -- X --
    def xdotool(self, *args, timeout=20.0, check=True):
        return subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env,
                              capture_output=True, text=True, timeout=timeout, check=check)

    def key(self, *keys):
        # A short delay between keys: the program needs a moment to open a
        # menu or a dialog before the next key reaches it.
        for k in keys:
            self.xdotool("key", "--delay", "60", k)

    def type(self, text):
        self.xdotool("type", "--delay", "40", text)

    def windows(self, name):
        r = self.xdotool("search", "--onlyvisible", "--name", "^%s$" % name, check=False)
        return [w for w in r.stdout.split() if w]

    def wait_window(self, name, timeout=20.0):
        return wait_until("window %r" % name, lambda: self.windows(name), timeout)[0]

    def wait_no_window(self, name, timeout=20.0):
        wait_until("window %r to close" % name, lambda: not self.windows(name), timeout)

    def window_geometry(self, wid):
        out = self.xdotool("getwindowgeometry", "--shell", wid).stdout
        vals = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return int(vals["X"]), int(vals["Y"]), int(vals["WIDTH"]), int(vals["HEIGHT"])

    def click(self, x, y):
        self.xdotool("mousemove", "--sync", x, y)
        self.xdotool("click", "1")

    def screenshot(self):
        return self.xvfb.screenshot()

    def save_screenshot(self, name, image=None):
        if not ARTIFACTS:
            return None
        os.makedirs(ARTIFACTS, exist_ok=True)
        path = os.path.join(ARTIFACTS, name + ".png")
        (image or self.screenshot()).save_png(path)
        return path

    def open_port(self, configure_keys=("Return",)):
        """Answers "Select Port" with Enter and the configuration dialog with
        the given keys (default: Enter, keeping 9600 8N1)."""
        self.wait_window("Select Port")
        self.key("Return")
        self.wait_no_window("Select Port")
        wid = wait_until("the configuration dialog",
                         lambda: [w for w in self.xdotool("search", "--onlyvisible", "--name",
                                                          "^Configure ", check=False).stdout.split()])[0]
        self.key(*configure_keys)
        wait_until("the configuration dialog to close",
                   lambda: not self.xdotool("search", "--onlyvisible", "--name", "^Configure ",
                                            check=False).stdout.split())
        self.focus_frame()
        return wid

    def focus_frame(self):
        """Gives the frame the keyboard focus again. Without a window manager
        nobody does that when a dialog closes, and until then the frame is not
        the active window: keys still reach it, its shortcuts do not."""
        self.focus(self.wait_window("Kelvo Qarvelo"))

    def focus(self, wid):
        self.xdotool("windowfocus", "--sync", wid)

    def dismiss(self, name, key="Return"):
        """Answers the window of that name with a key, waits until it is gone
        and hands the focus back to the frame."""
        self.focus(self.wait_window(name))
        self.key(key)
        self.wait_no_window(name)
        self.focus_frame()


def flock_free(path):
    """True when nobody holds the device: it opens and takes an exclusive lock."""
    fd = os.open(path, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
    try:
        fcntl.flock(fd, fcntl.LOCK_EX | fcntl.LOCK_NB)
        fcntl.flock(fd, fcntl.LOCK_UN)
        return True
    except BlockingIOError:
        return False
    finally:
        os.close(fd)


# -- screen analysis --

def find_colour(img, colour, box=None):
    """Bounding boxes (x0, y0, x1, y1, count) of the 4-connected areas of one
    exact colour, biggest first; box limits the search."""
    x0, y0, x1, y1 = box or (0, 0, img.width, img.height)
    target = bytes(colour)
    seen = set()
    areas = []
    for y in range(y0, y1):
        row = img.rows[y]
        x = row.find(target, 3 * x0)
        while x != -1 and x < 3 * x1:
            if x % 3 == 0 and (x // 3, y) not in seen:
                areas.append(_flood(img, x // 3, y, target, seen, (x0, y0, x1, y1)))
            x = row.find(target, x + 1)
    areas.sort(key=lambda a: -a[4])
    return areas


def _flood(img, sx, sy, target, seen, box):
    bx0, by0, bx1, by1 = box
    stack = [(sx, sy)]
    seen.add((sx, sy))
    xs0 = xs1 = sx
    ys0 = ys1 = sy
    n = 0
    while stack:
        x, y = stack.pop()
        n += 1
        xs0, xs1, ys0, ys1 = min(xs0, x), max(xs1, x), min(ys0, y), max(ys1, y)
        for nx, ny in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
            if bx0 <= nx < bx1 and by0 <= ny < by1 and (nx, ny) not in seen \
                    and img.rows[ny][3 * nx:3 * nx + 3] == target:
                seen.add((nx, ny))
                stack.append((nx, ny))
    return (xs0, ys0, xs1 + 1, ys1 + 1, n)


def crop(img, x0, y0, x1, y1):
    return xwd.Image(x1 - x0, y1 - y0, [r[3 * x0:3 * x1] for r in img.rows[y0:y1]])
