"""The launcher that the desktop entry runs, from the Debian package: the first start makes the
player's Wine prefix and opens the game's window; a second start beside it opens a second window
in the same prefix; when both are ended by a signal, the last one out ends the prefix's Wine.
What players' machines do to the launcher is test_launcher_faults.py's."""

import os
import signal
import subprocess
import tempfile
import time

import pytest

from desktop import log, wait_for
from plix_ui import TITLE_IDLE

launchers = []


def start(display, launcher):
    env = {k: v for k, v in display.env.items() if not k.startswith(("WINE", "PLIX_WINE"))}
    log("starting %s" % launcher)
    output = tempfile.TemporaryFile()
    process = subprocess.Popen([launcher], env=env, stdout=output, stderr=output, start_new_session=True)
    display.processes.append(process)
    launchers.append(process)
    return output


def said(output):
    output.seek(0)
    text = output.read().decode(errors="replace")
    log("the launcher said: %s" % text.strip())
    return text


def game_windows(display, prefix):
    """The game's idle windows whose process runs in the player's prefix."""

    def in_prefix(window):
        try:
            with open("/proc/%d/environ" % display.pid(window), "rb") as environ:
                return ("WINEPREFIX=%s" % prefix).encode() in environ.read().split(b"\0")
        except (OSError, TypeError):
            return False

    return [w for w, geo in display.windows("plix.exe").items() if geo[0] == TITLE_IDLE and in_prefix(w)]


@pytest.mark.timeout(90)
def test_first_start_makes_the_prefix_and_opens_the_game(display, launcher, prefix):
    started = time.monotonic()
    output = start(display, launcher)
    # So that the teardown ends the game's Wine server and programs.
    display.env["WINEPREFIX"] = display.env["PLIX_WINEPREFIX"] = prefix
    wait_for(lambda: game_windows(display, prefix), 60, "the window %r of plix.exe in %s" % (TITLE_IDLE, prefix))
    display.shot("installed")
    log("the first start's window %s is open after %.1f s" % (TITLE_IDLE, time.monotonic() - started))
    # Wine made the prefix as it does for plain Wine, whose programs start in a system32 folder
    # that is there. (Its "c0000135" for syswow64 is plain Wine's too where no 32-bit Wine is.)
    text = said(output)
    assert "could not open working directory" not in text, text


@pytest.mark.timeout(60)
def test_second_start_opens_a_second_window(display, launcher, prefix):
    output = start(display, launcher)
    wait_for(lambda: len(game_windows(display, prefix)) == 2, 30, "a second window of plix.exe")
    display.shot("second")
    said(output)


@pytest.mark.timeout(90)
def test_signalled_launchers_leave_no_wine_running(display, launcher, prefix):
    def end(processes):
        # As a terminal's Ctrl-C or a session's end would, the later first, which is not the last.
        for process in processes[::-1]:
            os.killpg(process.pid, signal.SIGTERM)
            process.wait(timeout=20)
        # Returns once the prefix's server has ended: a persistent one left behind never would.
        subprocess.run(["wineserver", "-w"], env=dict(display.env, WINEPREFIX=prefix), timeout=20)

    # Both in the prefix the first start made, and then one alone in it, whose end is the last.
    end(launchers)
    start(display, launcher)
    wait_for(lambda: game_windows(display, prefix), 30, "the window of a start in a made prefix")
    end(launchers[2:])
