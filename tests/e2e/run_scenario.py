#!/usr/bin/python3
"""Runs one end-to-end scenario on a fresh demo folder:

    run_scenario.py PROGRAM MATSLIP_DB SCENARIO

Exit code 0 when the program did everything the scenario expects, 1 with
each thing it did not, 77 when the display stack cannot start here."""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import traceback

sys.dont_write_bytecode = True  # nothing written into the source tree

import desktop  # noqa: E402
import scenarios  # noqa: E402
from storekeeper import Storekeeper  # noqa: E402


class Checks:
    """What went wrong, in the user's words; a scenario goes on after a
    failed check where the next steps still make sense."""

    def __init__(self):
        self.failures = []

    def expect(self, ok, what_went_wrong):
        if not ok:
            self.failures.append(what_went_wrong)
        return ok

    def equal(self, actual, expected, what):
        if actual == expected:
            return True
        if isinstance(actual, list) and isinstance(expected, list):
            # Of long lists, the length and the first difference.
            diff = next((i for i, (a, e) in enumerate(zip(actual, expected))
                         if a != e), min(len(actual), len(expected)))
            return self.expect(False, "%s: %d items, expected %d; item %d "
                               "is %s, expected %s" % (
                                   what, len(actual), len(expected), diff,
                                   _item(actual, diff), _item(expected, diff)))
        return self.expect(False, "%s: %r, expected %r" %
                           (what, actual, expected))


def _item(items, i):
    return repr(items[i])[:400] if i < len(items) else "missing"


def main():
    # A test runner's timeout ends the run through the clean-up below.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    program, tool, name = sys.argv[1:4]
    scenario = scenarios.SCENARIOS[name]
    base = tempfile.mkdtemp(prefix="matslip-e2e-%s-" % name)
    folder = os.path.join(base, "data")
    subprocess.run([tool, "demo", folder], check=True,
                   stdout=subprocess.DEVNULL)
    screen = desktop.Desktop()
    try:
        screen.start()
    except desktop.Skip as e:
        print("SKIP: the display stack cannot start: %s" % e)
        shutil.rmtree(base, ignore_errors=True)
        screen.stop()
        return desktop.SKIP_EXIT_CODE
    p = desktop.Program(screen, program, folder)
    checks = Checks()
    try:
        scenario(Storekeeper(p, tool), checks)
    except desktop.Failed as e:
        try:
            shown = p.describe_windows()
        except Exception:
            shown = "?"
        checks.failures.append("stopped: %s\n  windows shown then: %s\n%s" %
                               (e, shown, "".join(traceback.format_tb(
                                   e.__traceback__)[-3:])))
    finally:
        p.stop()
        screen.stop()
    if not checks.failures:
        shutil.rmtree(base, ignore_errors=True)
        print("%s: the program did what the storekeeper expects" % name)
        return 0
    print("%s: %d thing(s) went wrong:" % (name, len(checks.failures)))
    for f in checks.failures:
        print(" - " + f)
    print("(files and the program's output kept in %s)" % base)
    return 1


if __name__ == "__main__":
    sys.exit(main())
