#!/usr/bin/env python3
"""package_test.py BUILD_DIR: builds the Debian package with CPack, installs
it with dpkg, starts the installed program under Xvfb and sees "Select Port",
then removes the package. Needs root; exits 77 (skipped) otherwise."""
import glob
import os
import subprocess
import sys
import tempfile

import run

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import harness as h  # noqa: E402

EXPECTED_FILES = [
    "./usr/bin/qarvelo",
    "./usr/bin/qarvelo-ports",
    "./usr/share/applications/com.kelvo.qarvelo.desktop",
    "./usr/share/metainfo/com.kelvo.qarvelo.metainfo.xml",
    "./usr/share/icons/hicolor/16x16/apps/qarvelo.png",
    "./usr/share/icons/hicolor/32x32/apps/qarvelo.png",
    "./usr/share/icons/hicolor/48x48/apps/qarvelo.png",
    "./usr/share/icons/hicolor/scalable/apps/qarvelo.svg",
]


def sh(*cmd, **kw):
    return subprocess.run(cmd, check=True, capture_output=True, text=True, timeout=300, **kw).stdout


def installed(name):
    r = subprocess.run(["dpkg-query", "-W", "-f=${Status}", name], capture_output=True, text=True)
    return "install ok installed" in r.stdout


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: package_test.py BUILD_DIR")
    build = os.path.abspath(sys.argv[1])
    if os.geteuid() != 0:
        print("not root: the package is not installed here (skipped)")
        sys.exit(77)
    run.enter_sandbox()

    with tempfile.TemporaryDirectory(prefix="qarvelo-deb-") as out:
        sh("cpack", "-G", "DEB", "--config", os.path.join(build, "CPackConfig.cmake"), "-B", out,
           cwd=build)
        debs = glob.glob(os.path.join(out, "qarvelo_*.deb"))
        assert len(debs) == 1, "one package expected, found %r" % debs
        deb = debs[0]
        contents = [line.split()[-1] for line in sh("dpkg-deb", "-c", deb).splitlines()]
        missing = [f for f in EXPECTED_FILES if f not in contents]
        assert not missing, "missing from the package: %r" % missing
        depends = sh("dpkg-deb", "-f", deb, "Depends")
        for lib in ("libqt6widgets6", "libqt6gui6", "libqt6core6", "fonts-liberation"):
            assert lib in depends, "Depends lacks %s: %s" % (lib, depends)

        was_installed = installed("qarvelo")
        try:
            sh("dpkg", "-i", deb)
            assert os.access("/usr/bin/qarvelo", os.X_OK)
            with h.Session(build, {"COM1": "loopback"}, program="/usr/bin/qarvelo",
                           name="package") as s:
                s.wait_window("Select Port")
                s.save_screenshot("package-select-port")
        finally:
            if not was_installed:
                subprocess.run(["dpkg", "-r", "qarvelo"], capture_output=True, timeout=300)
    assert was_installed or not installed("qarvelo"), "the package is still installed"
    print("package built, installed, started and removed")


if __name__ == "__main__":
    main()
