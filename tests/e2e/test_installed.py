"""The launcher that the desktop entry runs: the game's window appears on the display, from the
install's own Wine prefix."""

import subprocess

import pytest

from desktop import log, wait_for
from plix_ui import TITLE_IDLE


@pytest.mark.timeout(90)
def test_launcher_opens_the_game(display, launcher, prefix):
    env = {k: v for k, v in display.env.items() if not k.startswith(("WINE", "PLIX_WINE"))}
    log("starting %s" % launcher)
    process = subprocess.Popen([launcher], env=env, stdout=display.log_file,
                               stderr=display.log_file, start_new_session=True)
    display.processes.append(process)
    # So that the teardown ends the game's Wine server and programs.
    display.env["WINEPREFIX"] = display.env["PLIX_WINEPREFIX"] = prefix

    def in_prefix(window):
        """Whether the window's process runs in the install's own prefix."""
        try:
            with open("/proc/%d/environ" % display.pid(window), "rb") as environ:
                return ("WINEPREFIX=%s" % prefix).encode() in environ.read().split(b"\0")
        except (OSError, TypeError):
            return False

    def found():
        return [w for w, geo in display.windows("plix.exe").items() if geo[0] == TITLE_IDLE and in_prefix(w)]

    wait_for(found, 60, "the window %r of plix.exe in %s" % (TITLE_IDLE, prefix))
    display.shot("installed")
    log("the installed game's window %s is open" % TITLE_IDLE)
