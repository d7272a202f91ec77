#!/usr/bin/env python3
"""The WebAssembly driver under Node plays the same games as the native driver: for a spread of
seeds and every pair of levels, both print the same trace, move by move, to the result.

    selfplay_traces.py NATIVE_DRIVER NODE DRIVER_JS
"""

import itertools
import subprocess
import sys

# Both ends of the seed's range, a small one and a time of this decade.
SEEDS = (0, 77, 1765400000, 4294967295)


def trace(command):
    return subprocess.run(command, check=True, capture_output=True, text=True, timeout=60).stdout


def main(argv):
    native, node, script = argv[1:4]
    failures = 0
    for seed, red, blue in itertools.product(SEEDS, (1, 2, 3), (1, 2, 3)):
        arguments = [str(seed), str(red), str(blue)]
        expected = trace([native] + arguments)
        got = trace([node, script] + arguments)
        if not expected.endswith("\n") or not expected.splitlines()[-1].startswith("end "):
            print("native driver gave no whole game for", *arguments)
            failures += 1
        elif got != expected:
            print("traces differ for seed %s, levels %s and %s" % tuple(arguments))
            failures += 1
    print("%d games compared, %d differ" % (len(SEEDS) * 9, failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
