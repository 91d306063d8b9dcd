#!/usr/bin/env python3
"""Runs end-to-end scenarios: run.py BUILD_DIR [unittest names...].

On a machine whose serial ports must stay untouched the run goes through the
no-serial sandbox when it is there and we are root; otherwise it runs as is,
which is safe too: the program only ever sees the ports QARVELO_PORTS names."""
import os
import shutil
import sys
import unittest

SANDBOX = "/work/shared/tools/no-serial-sandbox"


def enter_sandbox():
    """Runs this script again inside the sandbox, when it can."""
    if os.environ.get("NO_SERIAL_SANDBOXED") != "1" and os.geteuid() == 0 \
            and os.access(SANDBOX, os.X_OK):
        os.execv(SANDBOX, [SANDBOX, sys.executable, "-B"] + sys.argv)


def main():
    if len(sys.argv) < 2:
        sys.exit("usage: run.py BUILD_DIR [Scenarios.test_name ...]")
    build = os.path.abspath(sys.argv[1])
    enter_sandbox()
    for tool in ("Xvfb", "xdotool", "stty"):
        if not shutil.which(tool):
            sys.exit("missing %s: run scripts/deps.sh" % tool)
    os.environ["QARVELO_BUILD_DIR"] = build
    os.environ.setdefault("QARVELO_E2E_ARTIFACTS", os.path.join(build, "e2e-artifacts"))
    here = os.path.dirname(os.path.abspath(__file__))
    sys.path.insert(0, here)
    import test_scenarios
    names = sys.argv[2:]
    loader = unittest.TestLoader()
    suite = loader.loadTestsFromNames(names, test_scenarios) if names \
        else loader.loadTestsFromModule(test_scenarios)
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
