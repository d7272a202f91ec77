#!/usr/bin/env python3
"""Writes THIRD-PARTY-NOTICES.txt for a statically linked plix.exe from the linker's map: every
library or object of the toolchain that put code or data into the program, the Debian package
that installed it with its version, and that package's copyright file as Debian ships it.

    third_party_notices.py MAP BITS OUT

Import libraries (libkernel32.a and the like) are left out: what they add is the import table
and a jump per imported function, no code of anyone's. The same map and the same installed
packages give the same bytes.
"""
import os
import re
import subprocess
import sys
import textwrap

SECTION = re.compile(r" (\S+)(?:\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*))?\Z")
PLACED = re.compile(r"\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)\Z")
MEMBER = re.compile(r"(.*)\((.*)\)\Z")


def linked_code(map_path):
    """{library or object path: sorted member names} of the toolchain's inputs (absolute paths)
    that placed bytes in the image other than import data."""
    with open(map_path, encoding="utf-8", errors="replace") as f:
        text = f.read()
    start = text.find("\nLinker script and memory map\n")
    if start < 0:
        raise SystemExit("%s: no memory map in it" % map_path)
    placed, imports, pending = {}, set(), None
    for line in text[start:].splitlines():
        section = SECTION.match(line)
        if section and section.group(2) is None:
            pending = section.group(1)
            continue
        if section:
            name, size, source = section.groups()
        else:
            follow = PLACED.match(line) if pending else None
            if not follow:
                pending = None
                continue
            name, (size, source) = pending, follow.groups()
        pending = None
        if not source.startswith("/") or int(size, 16) == 0:
            continue
        if name.startswith(".idata$"):
            imports.add(source)
        placed.setdefault(source, 0)
        placed[source] += int(size, 16)
    libraries = {}
    for source in placed:
        if source in imports:
            continue
        member = MEMBER.match(source)
        path, name = member.groups() if member else (source, os.path.basename(source))
        libraries.setdefault(os.path.realpath(path), set()).add(name)
    return {path: sorted(names) for path, names in libraries.items()}


def debian_package(path):
    run = subprocess.run(["dpkg-query", "-S", path], capture_output=True, text=True)
    if run.returncode != 0:
        raise SystemExit("%s is in plix.exe but no Debian package owns it: its notice is unknown" % path)
    package = run.stdout.split(":")[0]
    version = subprocess.run(["dpkg-query", "-W", "-f=${Version}", package], capture_output=True,
                             text=True, check=True).stdout
    return package, version


def notices(libraries, bits):
    by_package = {}
    for path in sorted(libraries, key=os.path.basename):
        by_package.setdefault(debian_package(path), []).append(path)
    copyrights = {}
    for package, _ in by_package:
        with open("/usr/share/doc/%s/copyright" % package, encoding="utf-8") as f:
            copyrights.setdefault(f.read(), []).append(package)

    out = ["PLIX: notices of the third-party code in plix.exe (%s-bit)" % bits, "",
           "plix.exe is linked statically. Besides PLIX's own code (LICENSE.txt) it holds parts of",
           "the libraries below, from the Debian packages of the compiler it was built with. Each",
           "library is named with the package that supplied it, that package's version and its",
           "copyright file, which states the licence of the library and is reproduced whole at the",
           "end of this file.", ""]
    for (package, version), paths in sorted(by_package.items()):
        out.append("%s %s" % (package, version))
        for path in paths:
            out += textwrap.wrap("%s: %s" % (os.path.basename(path), " ".join(libraries[path])),
                                 78, initial_indent="  ", subsequent_indent="    ",
                                 break_on_hyphens=False)
        out.append("")
    for text, packages in sorted(copyrights.items(), key=lambda item: item[1]):
        out += ["=" * 78, "The copyright file of %s, as Debian ships it:" % ", ".join(packages),
                "=" * 78, "", text.rstrip("\n"), ""]
    return "\n".join(out)


def main(argv):
    if len(argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    map_path, bits, out_path = argv[1:]
    text = notices(linked_code(map_path), bits)
    # For Notepad: a byte-order mark and CRLF, as in the readmes.
    with open(out_path, "w", encoding="utf-8-sig", newline="\r\n") as out:
        out.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
