#!/usr/bin/env python3
"""readme_screenshot.py BUILD_DIR OUT.png: the README's picture, a port window
with some traffic on an 800x600 screen, cropped to the frame."""
import os
import sys
import time

import run

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402


def main():
    build, out = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    run.enter_sandbox()
    com1 = h.Pty()
    try:
        with h.Session(build, {"COM1": com1, "COM2": "loopback"}) as s:
            s.open_port()
            s.type("AT")
            s.key("Return")
            com1.read_exactly(3)
            com1.write(b"AT\r\r\nOK\r\n")
            s.key("F1")
            com1.read_exactly(26)
            com1.write(b"ABCDEFGHIJKLMNOPQRSTUVWXYZ\x00\x7f\xff")
            frame = s.wait_window("Kelvo Qarvelo")
            x, y, w, hgt = s.window_geometry(frame)
            s.xdotool("mousemove", "--sync", 799, 599)  # out of the picture
            time.sleep(0.5)  # let the last paint land; this picture is not a test
            h.crop(s.screenshot(), x, y, x + w, y + hgt).save_png(out)
    finally:
        com1.close()


if __name__ == "__main__":
    main()
