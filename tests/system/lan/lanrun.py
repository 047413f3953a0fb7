"""Runs one module of simulated-LAN system tests; exits 77 (skipped) with the reason when
this machine cannot build a simulated LAN (not root, or no 'ip netns')."""

import os
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import lanharness  # noqa: E402

SKIP = 77


def main():
    try:
        lanharness.check_available()
    except lanharness.Unavailable as e:
        print("SKIPPED: simulated-LAN system tests need root and 'ip netns': %s" % e)
        return SKIP
    lanharness.sweep_stale()
    try:
        suite = unittest.defaultTestLoader.loadTestsFromNames(sys.argv[1:])
    except lanharness.Unavailable as e:  # a module that needs tools this machine lacks
        print("SKIPPED: %s" % e)
        return SKIP
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
