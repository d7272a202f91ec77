#!/usr/bin/env python3
"""Reads the JUnit files that ctest writes (the test presets' outputJUnitFile), for
scripts/test.sh.

  ctest_results.py stage JUNIT     a line for each failed test, and for each skipped one with its
                                   reason: the line of its output that says "skipped: ..."
  ctest_results.py total JUNIT...  "total: N passed, N failed[, N skipped]" over all files;
                                   status 1 when a file is missing (its stage did not get as far
                                   as its tests) or a test failed
"""
import re
import sys
import xml.etree.ElementTree as ElementTree

REASON = re.compile(r"skipped: (.*?)[ !]*$", re.M)


def results(path):
    """(name, status, output) of each test of the file; None when there is no file."""
    try:
        suite = ElementTree.parse(path).getroot()
    except (OSError, ElementTree.ParseError):
        return None
    cases = []
    for case in suite.iter("testcase"):
        status = case.get("status")
        # ctest also leaves out, and counts as failed, a test whose executable or fixture failed.
        skip = case.find("skipped")
        asked = skip is not None and skip.get("message", "").startswith("SKIP_")
        if status == "notrun" and not asked:
            status = "fail"
        cases.append((case.get("name"), status, case.findtext("system-out") or ""))
    return cases


def stage(path):
    cases = results(path)
    if cases is None:
        print("no test results: the stage stopped before its tests")
        return 1
    for name, status, output in cases:
        if status == "fail":
            print(f"failed {name}")
        elif status == "notrun":
            reason = REASON.search(output)
            print(f"skipped {name}: {reason.group(1) if reason else 'no reason given'}")
    return 0


def total(paths):
    passed = failed = skipped = 0
    missing = False
    for path in paths:
        cases = results(path)
        if cases is None:
            missing = True
            continue
        for _, status, _ in cases:
            if status == "run":
                passed += 1
            elif status == "notrun":
                skipped += 1
            elif status == "fail":
                failed += 1
    line = f"total: {passed} passed, {failed} failed"
    print(line + (f", {skipped} skipped" if skipped else ""))
    return 1 if missing or failed else 0


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "stage":
        sys.exit(stage(sys.argv[2]))
    if len(sys.argv) >= 3 and sys.argv[1] == "total":
        sys.exit(total(sys.argv[2:]))
    sys.exit(__doc__)
