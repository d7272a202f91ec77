#!/usr/bin/env python3
"""THIRD-PARTY-NOTICES.txt names every library that the link map shows in plix.exe, with the
Debian package and version that supplied it, and carries that package's copyright file.

Usage: notices_test.py THIRD_PARTY_NOTICES_PY PLIX_MAP THIRD_PARTY_NOTICES_TXT
"""
import os
import runpy
import subprocess
import sys
import types

GENERATOR, MAP, NOTICES = sys.argv[1:4]
generator = types.SimpleNamespace(**runpy.run_path(GENERATOR))


def main():
    with open(NOTICES, encoding="utf-8-sig") as f:
        notices = f.read()
    linked = generator.linked_code(MAP)
    names = {os.path.basename(path) for path in linked}
    # The C++ runtime, GCC's support code and the mingw-w64 start-up code are in every build.
    assert {"libstdc++.a", "libgcc.a", "libmingw32.a", "libmingwex.a", "crt2.o"} <= names, names
    assert not any(name.startswith(("libkernel32", "libuser32", "libgdi32")) for name in names), names
    for path in sorted(linked):
        owner = subprocess.run(["dpkg-query", "-S", path], capture_output=True, text=True, check=True)
        package = owner.stdout.split(":")[0]
        version = subprocess.run(["dpkg-query", "-W", "-f=${Version}", package], capture_output=True,
                                 text=True, check=True).stdout
        entry = "%s %s\n" % (package, version)
        assert entry in notices, "%s: no entry %r" % (path, entry)
        section = notices[notices.index(entry):].split("\n\n")[0]
        assert "\n  %s: " % os.path.basename(path) in section, "%s is not listed under %s" % (path, package)
        with open("/usr/share/doc/%s/copyright" % package, encoding="utf-8") as f:
            assert f.read().rstrip("\n") in notices, "%s: the copyright file is missing" % package
    print("%s: %s" % (NOTICES, ", ".join(sorted(names))))


if __name__ == "__main__":
    main()
