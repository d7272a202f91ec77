#!/usr/bin/env python3
"""plix.exe.manifest asks for code page 932 in the form Windows reads, and for nothing else.
Usage: manifest_test.py PLIX_EXE_MANIFEST PROJECT_VERSION"""
import sys
import xml.etree.ElementTree as ET

MANIFEST, PROJECT_VERSION = sys.argv[1:3]
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
SETTINGS_2019 = "{http://schemas.microsoft.com/SMI/2019/WindowsSettings}"


def children(element):
    return [child.tag for child in element]


def main():
    root = ET.parse(MANIFEST).getroot()
    assert root.tag == ASM_V1 + "assembly", root.tag
    assert root.attrib == {"manifestVersion": "1.0"}, root.attrib
    # Exactly the identity and the code page: a Common Controls dependency would restyle the
    # dialog, and DPI, compatibility or trust settings would change how Windows treats the program.
    assert children(root) == [ASM_V1 + "assemblyIdentity", ASM_V3 + "application"], children(root)

    # No processorArchitecture: one file serves the 32-bit and the 64-bit program.
    identity = root[0].attrib
    assert set(identity) == {"type", "name", "version"}, identity
    assert identity["type"] == "win32" and identity["name"] == "PLIX", identity
    version = ".".join((PROJECT_VERSION.split(".") + ["0"] * 4)[:4])
    assert identity["version"] == version, (identity["version"], PROJECT_VERSION)

    # Windows XP refuses to start a program whose application settings are not in asm.v3.
    application = root[1]
    assert children(application) == [ASM_V3 + "windowsSettings"], children(application)
    settings = application[0]
    assert children(settings) == [SETTINGS_2019 + "activeCodePage"], children(settings)
    assert settings[0].text == "ja-JP", settings[0].text
    print("%s: assembly PLIX %s, activeCodePage ja-JP" % (MANIFEST, version))


if __name__ == "__main__":
    main()
