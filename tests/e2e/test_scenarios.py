"""What a user does, on the real program: Xvfb, pseudo-terminals held by the
test, keys through xdotool; checked on the line and on the screen."""
import os
import subprocess
import time
import unittest

import harness as h
import screen

BUILD_DIR = os.environ.get("QARVELO_BUILD_DIR", "")
ALPHABET = b"ABCDEFGHIJKLMNOPQRSTUVWXYZ"


def flags(pty):
    words = pty.stty()
    return words, words[words.index("speed") + 1]


class Scenarios(unittest.TestCase):
    def setUp(self):
        self.ptys = []

    def tearDown(self):
        for p in self.ptys:
            p.close()

    def pty(self):
        p = h.Pty()
        self.ptys.append(p)
        return p

    def session(self, ports, **kw):
        return h.Session(BUILD_DIR, ports, name=self.id().rsplit(".", 1)[1], **kw)

    def one_window(self, s, scale=1):
        img = s.screenshot()
        wins = screen.port_windows(img, scale)
        self.assertEqual(len(wins), 1, "one port window on screen: %r" % wins)
        return img, wins[0]

    def wait_screen(self, s, what, probe, scale=1, timeout=20):
        """Waits until probe(image, window) holds; returns that image."""
        def attempt():
            img = s.screenshot()
            wins = screen.port_windows(img, scale)
            return img if len(wins) == 1 and probe(img, wins[0]) else None
        return h.wait_until(what, attempt, timeout)

    def test_1_start_opens_com1_at_9600_8n1_raw(self):
        com1 = self.pty()
        with self.session({"COM1": com1, "COM2": "loopback"}) as s:
            s.wait_window("Select Port")  # comes up by itself
            s.save_screenshot("1-select-port")
            s.open_port()
            words, speed = flags(com1)
            self.assertEqual(speed, "9600")
            for f in ("cs8", "-parenb", "-cstopb", "cread", "clocal", "-crtscts", "-ixon", "-ixoff",
                      "-icanon", "-isig", "-echo", "-opost", "-icrnl", "-inlcr", "-igncr", "-istrip"):
                self.assertIn(f, words)
            words = words[words.index("min"):]
            self.assertEqual(words[:3], ["min", "=", "1"])
            self.assertTrue(s.alive())

    def test_2_typing_sends_each_key(self):
        com1 = self.pty()
        with self.session({"COM1": com1}) as s:
            s.open_port()
            s.type("Hello")
            s.key("Return")
            self.assertEqual(com1.read_exactly(6), b"Hello\r")
            self.assertEqual(com1.read_for(0.3), b"", "nothing more than the keys")
            img = self.wait_screen(s, "TX6 lit",
                                   lambda img, w: screen.lit_cells(img, w) == ([6], []))
            s.save_screenshot("2-typed-hello", img)

    def test_3_received_bytes_step_the_rx_light(self):
        com1 = self.pty()
        with self.session({"COM1": com1}) as s:
            s.open_port()
            img, win = self.one_window(s)
            self.assertEqual(screen.lit_cells(img, win), ([], []), "fresh window: nothing lit")
            com1.write(bytes([0x41, 0x42, 0x0D, 0x0A, 0x00, 0xFF]))
            img = self.wait_screen(s, "RX6 lit", lambda img, w: screen.lit_cells(img, w) == ([], [6]))
            s.save_screenshot("3-received", img)

    def test_4_f1_and_repeat_send_whole_alphabets(self):
        com1 = self.pty()
        with self.session({"COM1": com1}) as s:
            s.open_port()
            s.key("F1")
            self.assertEqual(com1.read_exactly(26), ALPHABET)
            self.assertEqual(com1.read_for(0.3), b"")
            s.key("ctrl+p")
            got = com1.read_exactly(26 * 3, timeout=10)
            s.key("ctrl+p")
            # Repeat is off once the line falls quiet.
            while True:
                more = com1.read_for(1.0)
                if not more:
                    break
                got += more
            self.assertGreaterEqual(len(got), 26 * 3)
            self.assertEqual(len(got) % 26, 0, "only whole alphabets: %d bytes" % len(got))
            self.assertEqual(got, ALPHABET * (len(got) // 26))
            self.assertTrue(s.alive())

    def test_5_loopback_dtr_and_rts_drive_their_partners(self):
        with self.session({"COM2": "loopback"}) as s:
            s.open_port()
            all_on = dict.fromkeys(screen.INDICATOR_LEFT, "on")

            def shows(expected):
                return lambda img, w: screen.indicators(img, w) == expected

            self.wait_screen(s, "every line on", shows(all_on))
            s.key("ctrl+d")
            dtr_off = dict(all_on, DTR="off", DSR="off", DCD="off")
            img = self.wait_screen(s, "DTR, DSR, DCD off", shows(dtr_off))
            s.save_screenshot("5-dtr-off", img)
            s.key("ctrl+r")
            self.wait_screen(s, "RTS, CTS off too", shows(dict.fromkeys(screen.INDICATOR_LEFT, "off")))
            s.key("ctrl+d")
            self.wait_screen(s, "DTR, DSR, DCD back on",
                             shows(dict(all_on, RTS="off", CTS="off")))

    # The configuration dialog, focus on OK: Tab, Tab reaches Baud rate, then
    # Parity, Data bits and Stop bits follow; Home/End/Down pick entries.
    MARK_5_15 = ("Tab", "Tab", "End",            # 115200
                 "Tab", "Home", "Down", "Down", "Down",  # Mark
                 "Tab", "Home",                  # 5
                 "Tab", "Home", "Down",          # 1.5
                 "Return")

    def configure(self, s, caption, keys):
        s.key("alt+p", "Down", "Return")  # Port/Configure, the item under Open
        s.wait_window("Configure " + caption)
        s.key(*keys)
        s.wait_no_window("Configure " + caption)

    def test_6_configure_on_a_pty_and_refusals(self):
        com1 = self.pty()
        with self.session({"COM1": com1}) as s:
            s.open_port()
            self.configure(s, "COM1   9600, None, 8, 1",
                           ("Tab", "Tab", "End", "Tab", "Tab", "Tab", "End", "Return"))  # 115200, 2 stop
            s.focus_frame()
            words, speed = flags(com1)
            self.assertEqual(speed, "115200")
            for f in ("cs8", "cstopb", "-parenb"):
                self.assertIn(f, words)

            # 5 data bits with 2 stop bits: refused with a message, port unchanged.
            self.configure(s, "COM1   115200, None, 8, 2",
                           ("Tab", "Tab", "Tab", "Tab", "Home", "Return"))
            s.wait_window("Configure COM1")
            s.save_screenshot("6-refused")
            self.assertEqual(flags(com1), (words, speed))
            s.dismiss("Configure COM1")

            # A pseudo-terminal always runs 8 bits without parity: the device
            # refuses Mark, 5, 1.5 and the port keeps what it ran.
            self.configure(s, "COM1   115200, None, 8, 2", self.MARK_5_15)
            s.dismiss("Configure COM1")
            self.assertEqual(flags(com1), (words, speed))
            s.key("alt+p", "Down", "Return")
            s.wait_window("Configure COM1   115200, None, 8, 2")

    def test_6_configure_mark_5_15_on_the_loopback_plug(self):
        with self.session({"COM2": "loopback"}) as s:
            s.open_port()
            self.configure(s, "COM2   9600, None, 8, 1", self.MARK_5_15)
            s.focus_frame()
            # The next dialog's caption is read back from the port.
            s.key("alt+p", "Down", "Return")
            s.wait_window("Configure COM2   115200, Mark, 5, 1.5")

    def test_7_busy_port_is_not_offered(self):
        busy, free, console = self.pty(), self.pty(), self.pty()
        holder = subprocess.Popen(["picocom", "-q", "-b", "9600", busy.path], stdin=console.slave,
                                  stdout=console.slave, stderr=console.slave, start_new_session=True)
        try:
            h.wait_until("picocom to hold the port", lambda: not h.flock_free(busy.path))
            with self.session({"COM1": busy, "COM2": free}) as s:
                s.open_port()  # the first entry offered
                s.type("x")
                self.assertEqual(free.read_exactly(1), b"x", "COM2 was opened")
                self.assertEqual(busy.read_for(0.3), b"")
        finally:
            h.stop(holder)

    def test_7_hang_up_neither_freezes_nor_spins(self):
        com1 = self.pty()
        with self.session({"COM1": com1}) as s:
            s.open_port()
            com1.write(b"hi")
            self.wait_screen(s, "RX2 lit", lambda img, w: screen.lit_cells(img, w) == ([], [2]))
            com1.close()  # the other end goes away
            # The port is given up: its lines show off, nothing polls it.
            self.wait_screen(s, "every line off", lambda img, w: screen.indicators(img, w)
                             == dict.fromkeys(screen.INDICATOR_LEFT, "off"))
            before = s.cpu_seconds()
            time.sleep(2.0)
            used = s.cpu_seconds() - before
            self.assertLess(used, 0.5, "CPU seconds in 2 s after the hang-up")
            s.save_screenshot("7-hung-up")
            for name in ("Configure COM1", "Port/Open"):
                if s.windows(name):  # a note about the lost port may be up
                    s.dismiss(name)
            s.focus_frame()
            s.key("alt+h", "a")
            s.dismiss("About")
            self.assertTrue(s.alive())

    def test_8_two_ports_tile_and_exit(self):
        com1, com2 = self.pty(), self.pty()
        with self.session({"COM1": com1, "COM2": com2}) as s:
            s.open_port()
            s.key("alt+p", "o")
            s.open_port()  # COM1 is in use: the list starts at COM2
            s.type("2")
            self.assertEqual(com2.read_exactly(1), b"2")
            self.assertEqual(com1.read_for(0.2), b"")
            s.key("alt+w", "Down", "Down", "Down", "Return")  # Tile Vertical
            com1.write(b"abc")
            com2.write(b"defgh")

            def both(img):
                wins = screen.port_windows(img)
                if len(wins) != 2:
                    return None
                lit = [screen.lit_cells(img, w)[1] for w in wins]
                return sorted(lit) == [[3], [5]] and wins

            def attempt():
                img = s.screenshot()
                return both(img) and img

            img = h.wait_until("two windows side by side, RX3 and RX5 lit", attempt)
            wins = screen.port_windows(img)
            self.assertLess(wins[0].receive[2], wins[1].receive[0], "side by side")
            s.save_screenshot("8-tiled", img)

            s.key("alt+p", "x")
            self.assertEqual(s.wait_exit(), 0)
        for p in (com1, com2):
            self.assertTrue(h.flock_free(p.path), p.path + " released")

    def test_9_high_dpi_layout_does_not_overlap(self):
        com1 = self.pty()
        with self.session({"COM1": com1}, size=(1280, 1024), env={"QT_SCALE_FACTOR": "2"}) as s:
            s.open_port()
            s.type("Hi")
            com1.write(b"x")
            self.assertEqual(com1.read_exactly(2), b"Hi")
            img = self.wait_screen(s, "TX2 and RX1 lit",
                                   lambda img, w: screen.lit_cells(img, w) == ([2], [1]), scale=2)
            s.save_screenshot("9-scale-2", img)
            win = screen.port_windows(img, 2)[0]
            self.assertLess(win.transmit[3], win.receive[1])
            found = screen.indicators(img, win)
            self.assertEqual(set(found), set(screen.INDICATOR_LEFT), "every indicator below Receive")
            self.assertEqual((found["DTR"], found["RTS"]), ("on", "on"))


if __name__ == "__main__":
    unittest.main()
