"""What is shipped: the archive's layout and files, then its plix.exe unpacked where a user might
put it (a folder whose name holds a space and Japanese characters), started from its own folder
as Explorer starts it, its help opened and the game closed; then once more on a system set to
English, where the manifest beside plix.exe keeps its texts Japanese."""

import os
import re
import shutil
import struct
import subprocess
import time
import zipfile

import pytest

from desktop import Failure, log
from plix_ui import (EXIT_CAPTION, HELP_CAPTION, HELP_PROGRAM, MENU_HELP, START, TITLE_RED, Plix, caption_rows,
                     close_button, exit_confirmed)

UNPACK_FOLDER = "リバーシ ゲーム"
ENGLISH = "en_US.UTF-8"


@pytest.fixture(scope="module")
def folder(archive):
    """The archive's one folder."""
    with zipfile.ZipFile(archive) as unpacked:
        tops = {entry.filename.split("/")[0] for entry in unpacked.infolist()}
    return tops.pop() if len(tops) == 1 else None


def test_archive_contents(archive, folder, request):
    expected = request.config.getoption("expect")
    commit = subprocess.run(["git", "rev-parse", "HEAD"], cwd=os.path.dirname(os.path.abspath(__file__)),
                            capture_output=True, text=True).stdout.strip()
    with zipfile.ZipFile(archive) as unpacked:
        entries = unpacked.infolist()
        if not folder or not re.fullmatch(r"plix-\d+(\.\d+)+", folder):
            raise Failure("the archive holds %s, not one folder plix-<version>/" %
                          sorted({entry.filename.split("/")[0] for entry in entries}))
        files = sorted(e.filename[len(folder) + 1 :] for e in entries if not e.is_dir())
        if files != sorted(expected):
            raise Failure("the archive's folder holds %s, not %s" % (files, sorted(expected)))
        # Rebuilt from the same commit anywhere, the archive has the same bytes: its entries in name
        # order, of one time, and without extra fields (which hold the staged files' own times).
        names = [entry.filename for entry in entries]
        times = {entry.date_time for entry in entries}
        if names != sorted(names) or len(times) != 1 or any(entry.extra for entry in entries):
            raise Failure("the archive's entries are not in name order with one time and no extra fields: %s" % [
                (entry.filename, entry.date_time, entry.extra) for entry in entries])
        for entry in entries:
            # Without the UTF-8 flag an unpacker reads the name in its own code page.
            if not entry.filename.isascii() and not entry.flag_bits & 0x800:
                raise Failure("%s is stored without the UTF-8 name flag" % entry.filename)
        for name in files:
            data = unpacked.read(folder + "/" + name)
            if name.endswith(".txt"):
                if not data.startswith(b"\xef\xbb\xbf") or data.count(b"\n") != data.count(b"\r\n"):
                    raise Failure("%s is not UTF-8 with a byte-order mark and CRLF line ends" % name)
                text = data.decode("utf-8")
                # A readme says what it was built from, and where the English manual is.
                if name in ("README.txt", "お読みください.txt"):
                    for words in (folder[len("plix-"):], commit, "plix-help.en.html"):
                        if words not in text:
                            raise Failure("%s does not name %r" % (name, words))
            if name == "plix.exe":
                # COFF header after "PE\0\0": TimeDateStamp, 0 without the link time that would make
                # every build differ; PointerToSymbolTable, 0 once stripped.
                pe = struct.unpack_from("<I", data, 0x3C)[0]
                if data[pe : pe + 4] != b"PE\0\0" or struct.unpack_from("<I", data, pe + 12)[0]:
                    raise Failure("plix.exe in the archive is not a stripped PE file")
                if struct.unpack_from("<I", data, pe + 8)[0]:
                    raise Failure("plix.exe in the archive carries a link time stamp")
    log("%s: %s/ with %s" % (os.path.basename(archive), folder, ", ".join(files)))


@pytest.fixture(scope="module")
def unpacked(desktop, archive, folder):
    """The archive unpacked on drive C: the Unix path of its folder and the Windows path of plix.exe."""
    target = os.path.join(desktop.env["WINEPREFIX"], "drive_c", UNPACK_FOLDER)
    with zipfile.ZipFile(archive) as archived:
        archived.extractall(target)
    return os.path.join(target, folder), "C:\\%s\\%s\\plix.exe" % (UNPACK_FOLDER, folder)


@pytest.mark.timeout(180)
def test_unpacked_runs(desktop, unpacked):
    target, exe = unpacked
    log("the unpacked %s, started from its own folder as Explorer starts it" % exe)
    plix = Plix(desktop, exe, cwd=target)
    desktop.shot("shipped-first-screen")
    desktop.key("alt+g")
    plix.expect(START, TITLE_RED, "Start (Alt+G) in the unpacked program")
    if os.path.exists(os.path.join(target, "plix.hlp")):
        log("Help opens the viewer on the shipped plix.hlp")
        plix.menu_popup_item(MENU_HELP, 0)
        _, rect = desktop.wait_window(HELP_PROGRAM, HELP_CAPTION, timeout=20)
        time.sleep(0.5)
        image = desktop.shot("shipped-help")
        # A key press sent as the viewer opens can be lost; its close box is not.
        caption = caption_rows(image, rect)
        if not caption:
            raise Failure("the help viewer's window has no active caption")
        desktop.click(*close_button(caption, rect))
        desktop.wait_no_window(HELP_PROGRAM, HELP_CAPTION)
    exit_confirmed(desktop, plix, "the close box")


def in_code_page_1252(text):
    """What a system whose code page is 1252 shows for the program's code page 932 bytes of text; the
    bytes that code page leaves out stand for the control characters of the same number."""
    return "".join(chr(b) if b in b"\x81\x8d\x8f\x90\x9d" else bytes([b]).decode("cp1252")
                   for b in text.encode("cp932"))


@pytest.mark.timeout(180)
def test_unpacked_runs_in_english(desktop, unpacked):
    target, exe = unpacked
    log("the unpacked %s under %s, with its manifest" % (exe, ENGLISH))
    plix = Plix(desktop, exe, cwd=target, locale=ENGLISH)
    desktop.key("alt+g")
    plix.expect(START, TITLE_RED, "Start (Alt+G) under %s with the manifest" % ENGLISH)
    desktop.shot("english-locale")
    exit_confirmed(desktop, plix, "the close box")

    # The same program without the manifest reads its texts in the system's code page: this is what
    # the test above would see if the manifest did nothing.
    bare = target + " without manifest"
    shutil.copytree(target, bare, ignore=shutil.ignore_patterns("*.manifest"))
    bare_exe = exe.replace("\\plix.exe", " without manifest\\plix.exe")
    log("%s under %s, without the manifest" % (bare_exe, ENGLISH))
    plix = Plix(desktop, bare_exe, cwd=bare, locale=ENGLISH)
    desktop.key("alt+g")
    plix.expect(START, in_code_page_1252(TITLE_RED), "Start (Alt+G) under %s without the manifest" % ENGLISH)
    desktop.shot("english-locale-without-manifest")
    exit_confirmed(desktop, plix, "the close box", caption=in_code_page_1252(EXIT_CAPTION))
