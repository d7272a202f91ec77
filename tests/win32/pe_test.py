#!/usr/bin/env python3
"""plix.exe's PE header and imports: the hardening flags, and every imported function present in
Windows XP.

Usage: pe_test.py OBJDUMP NM CXX MSVCR70_IMPORT_LIBRARY PLIX_EXE

The Windows API functions are checked by compiling one translation unit that takes the address
of each, with mingw-w64's headers set to Windows XP (_WIN32_WINNT 0x0501), which declare a
function only for the Windows versions that have it; a probe of GetTickCount64 (Vista) proves
that the setting bites. msvcrt.dll is checked against the exports of msvcr70.dll, the C runtime
of the generation that Windows XP's msvcrt.dll (version 7.0) belongs to, as mingw-w64's import
library lists them. Neither is a run on Windows XP.
"""
import os
import re
import subprocess
import sys
import tempfile

OBJDUMP, NM, CXX, MSVCR70, EXE = sys.argv[1:6]
WINDOWS_XP = ["-D_WIN32_WINNT=0x0501", "-DWINVER=0x0501"]


def output(*command):
    return subprocess.run(command, capture_output=True, text=True, check=True).stdout


def compiles(functions):
    """Whether a unit that takes each function's address compiles against the XP headers."""
    with tempfile.TemporaryDirectory() as folder:
        unit = os.path.join(folder, "imports.cpp")
        with open(unit, "w") as f:
            f.write("#include <windows.h>\nconst void* const imported[] = {\n")
            f.writelines("    reinterpret_cast<const void*>(&%s),\n" % name for name in functions)
            f.write("};\n")
        run = subprocess.run([CXX, "-fsyntax-only"] + WINDOWS_XP + [unit], capture_output=True, text=True)
    return run.returncode == 0, run.stderr


def main():
    header = output(OBJDUMP, "-p", EXE)
    bits = 64 if re.search(r"^Magic\s+020b", header, re.M) else 32
    flags = set(re.findall(r"^\t{5}([A-Z_]+)$", header, re.M))
    expected = {"DYNAMIC_BASE", "NX_COMPAT", "TERMINAL_SERVICE_AWARE"}
    expected |= {"HIGH_ENTROPY_VA"} if bits == 64 else {"NO_SEH"}
    assert flags == expected, (EXE, sorted(flags))
    if bits == 32:
        # NO_SEH holds only while nothing links a handler into the chain at fs:0.
        stores = re.findall(r"mov\s+%\w+,%fs:0x0$", output(OBJDUMP, "-d", EXE), re.M)
        assert not stores, stores
    subsystem = re.search(r"^MajorSubsystemVersion\s+(\d+)\nMinorSubsystemVersion\s+(\d+)", header, re.M)
    subsystem = tuple(map(int, subsystem.groups()))
    assert subsystem <= (5, 1) or (bits, subsystem) == (64, (5, 2)), subsystem

    imports, dll = {}, None
    for line in header[header.index("The Import Tables"):].splitlines():
        name = re.match(r"\tDLL Name: (\S+)$", line)
        if name:
            dll = name.group(1).lower()
            imports[dll] = []
        entry = re.match(r"\t[0-9a-f]+\t +\d+  (\S+)$", line)
        if entry:
            imports[dll].append(entry.group(1))
    assert set(imports) == {"kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll"}, sorted(imports)

    windows_api = sorted(sum((imports[d] for d in ("kernel32.dll", "user32.dll", "gdi32.dll")), []))
    ok, errors = compiles(windows_api)
    assert ok, errors
    assert not compiles(["GetTickCount64"])[0], "the XP setting of the headers hides Vista's functions"

    # i686 import libraries name an export X as __imp__X.
    msvcr70 = set(re.findall(r" I __imp__(\S+)$", output(NM, MSVCR70), re.M))
    assert "_time64" in msvcr70 and "_atodbl_l" not in msvcr70, "msvcr70.dll's own exports"
    missing = sorted(set(imports["msvcrt.dll"]) - msvcr70)
    assert not missing, missing
    print("%s: %d-bit, subsystem %d.%02d, %s; %d Windows API and %d msvcrt.dll functions, all in XP"
          % (EXE, bits, *subsystem, " ".join(sorted(flags)), len(windows_api), len(imports["msvcrt.dll"])))


if __name__ == "__main__":
    main()
