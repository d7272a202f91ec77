"""The package's launcher, run by an ordinary user (nobody) through what players' machines do to
it. Each case ends in the game's window or in an English line that names the cause and the
remedy within 60 s, and 30 s after each ending nothing of the player's Wine runs. Needs root, for
the other user and a small tmpfs (faults_test.sh skips it elsewhere)."""

import os
import shutil
import signal
import subprocess
import tempfile
import time

import pytest

from Xlib import X

from desktop import log, wait_for
from plix_ui import EXIT_CAPTION, TITLE_IDLE

NOBODY = 65534


class Player:
    """The user nobody with a home of its own, whose data folders (XDG_DATA_HOME) are named."""

    def __init__(self, display, launcher):
        self.display, self.launcher = display, launcher
        self.root = tempfile.mkdtemp(prefix="plix-faults-")
        os.chmod(self.root, 0o755)
        self.home = os.path.join(self.root, "home")
        os.mkdir(self.home)
        os.chown(self.home, NOBODY, NOBODY)
        self.mounts, self.made_files = [], None

    def data(self, name):
        return os.path.join(self.home, name)

    def prefix(self, name):
        return os.path.join(self.data(name), "plix", "prefix")

    def run(self, command, name="warm", **changes):
        env = dict(HOME=self.home, PATH="/usr/bin:/bin:/usr/games", LANG="C.UTF-8",
                   DISPLAY=self.display.env["DISPLAY"], XDG_DATA_HOME=self.data(name))
        env.update(changes)
        output = tempfile.TemporaryFile()
        process = subprocess.Popen(command, env={k: v for k, v in env.items() if v is not None},
                                   stdout=output, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                                   user=NOBODY, group=NOBODY, extra_groups=[], start_new_session=True)
        process.output, process.started = output, time.monotonic()
        return process

    def start(self, name, **changes):
        log("start in %s %s" % (name, changes or ""))
        return self.run([self.launcher], name, **changes)

    @staticmethod
    def said(start):
        start.output.seek(0)
        return start.output.read().decode(errors="replace")

    def fails(self, start, *words, within=60):
        """The start ends with status 1 in time, saying every word in English."""
        status = start.wait(timeout=within - (time.monotonic() - start.started))
        text = self.said(start)
        log("status %d after %.1f s: %s" % (status, time.monotonic() - start.started, text.strip()))
        assert status == 1 and text.isascii() and all(word in text for word in words), (words, text)

    def wine(self, name):
        """Processes of the player's Wine in that prefix (the launcher's window is not Wine)."""
        needle, found = ("WINEPREFIX=%s" % self.prefix(name)).encode(), []
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open("/proc/%s/environ" % pid, "rb") as environ, open("/proc/%s/comm" % pid) as comm:
                    if needle in environ.read().split(b"\0") and comm.read().strip() != "xmessage":
                        found.append(pid)
            except OSError:
                continue
        return found

    def window(self, name, start, count=1):
        def games():
            assert start.poll() is None, "the launcher ended with %d: %s" % (start.returncode, self.said(start))
            pids = list(map(int, self.wine(name)))
            found = [w for w, geometry in self.display.windows("plix.exe").items()
                     if geometry[0] == TITLE_IDLE and self.display.pid(w) in pids]
            return found if len(found) >= count else None

        found = wait_for(games, 60 - (time.monotonic() - start.started), "%d game windows in %s" % (count, name),
                         interval=0.3)
        log("the game's window after %.1f s" % (time.monotonic() - start.started))
        return found[0]

    def end(self, name, start, signum, group=False):
        (os.killpg if group else os.kill)(start.pid, signum)
        start.wait(timeout=20)
        wait_for(lambda: not self.wine(name), 30, "the player's Wine to end", interval=0.5)

    def files(self, name):
        return sum(len(files) for _, _, files in os.walk(self.prefix(name)))

    def as_whole_as_made(self, name):
        count = self.files(name)
        log("%s: %d files, one made in one go %d" % (name, count, self.made_files))
        assert abs(count - self.made_files) <= 0.05 * self.made_files

    def close(self):
        for mount in self.mounts:
            subprocess.run(["umount", "-l", mount])
        shutil.rmtree(self.root, ignore_errors=True)


@pytest.fixture(scope="module")
def player(display, launcher):
    player = Player(display, launcher)
    yield player
    player.close()


def ended(process):
    try:
        os.killpg(process.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    process.wait(timeout=10)


@pytest.mark.timeout(120)
def test_a_first_start_makes_the_prefix_a_second_waits_for_it_and_term_ends_the_games(player):
    start = player.start("warm")
    time.sleep(1)
    second = player.start("warm")
    player.window("warm", start, count=2)
    assert "waiting for another start of PLIX (process %d)" % start.pid in player.said(second)
    player.made_files = player.files("warm")
    os.kill(second.pid, signal.SIGTERM)
    second.wait(timeout=20)
    player.end("warm", start, signal.SIGTERM)


@pytest.mark.timeout(180)
def test_a_killed_first_start_is_made_anew_and_ctrl_c_ends_the_game(player):
    for seconds in (1, 3, 6):
        start = player.start("killed")
        time.sleep(seconds)
        ended(start)
    start = player.start("killed")
    player.window("killed", start)
    assert "making it again" in player.said(start)
    player.end("killed", start, signal.SIGINT, group=True)
    player.as_whole_as_made("killed")


@pytest.mark.timeout(240)
def test_a_full_disk_is_told_and_the_prefix_made_anew_after(player):
    data = player.data("small")
    os.makedirs(data)
    mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=30m,uid=%d,gid=%d" % (NOBODY, NOBODY),
                              "tmpfs", data], capture_output=True, text=True)
    if mounted.returncode:
        pytest.skip("no tmpfs can be mounted here: " + mounted.stderr.strip())
    player.mounts.append(data)
    player.fails(player.start("small"), "not enough free space", data, "Free some space")
    # Room for the check before the making (at most 1400 MB) and for a whole prefix as this
    # machine's Wine makes it (tmpfs counts blocks), then a file that leaves half of that.
    megabytes = sum(os.lstat(os.path.join(folder, file)).st_blocks * 512
                    for folder, _, files in os.walk(player.prefix("warm")) for file in files) >> 20
    size = max(1500, megabytes + 300)
    subprocess.run(["mount", "-o", "remount,size=%dm" % size, data], check=True)
    start = player.start("small")
    time.sleep(2)
    with open(os.path.join(data, "filler"), "wb") as filler:
        try:
            for _ in range(size - megabytes // 2):
                filler.write(bytes(1 << 20))
        except OSError:
            pass
    player.fails(start, "ran out of space", "start PLIX again", within=90)
    wait_for(lambda: not player.wine("small"), 30, "the player's Wine to end after the failure")
    os.remove(os.path.join(data, "filler"))
    start = player.start("small")
    player.window("small", start)
    player.end("small", start, signal.SIGHUP, group=True)
    player.as_whole_as_made("small")


@pytest.mark.timeout(120)
def test_a_prefix_without_system32_is_made_anew_and_hup_ends_the_game(player):
    shutil.rmtree(os.path.join(player.prefix("warm"), "drive_c", "windows", "system32"))
    start = player.start("warm")
    player.window("warm", start)
    player.end("warm", start, signal.SIGHUP)
    player.as_whole_as_made("warm")


@pytest.mark.timeout(120)
def test_an_empty_user_registry_is_made_anew_and_a_killed_group_leaves_nothing(player):
    open(os.path.join(player.prefix("warm"), "user.reg"), "w").close()
    start = player.start("warm")
    player.window("warm", start)
    player.end("warm", start, signal.SIGKILL, group=True)
    with open(os.path.join(player.prefix("warm"), "user.reg"), "rb") as registry:
        assert b"Fonts\\\\Replacements" in registry.read()


@pytest.mark.timeout(60)
def test_no_display_a_wrong_one_and_a_folder_it_cannot_write_are_told_also_in_a_window(player):
    player.fails(player.start("none", DISPLAY=None), "DISPLAY is not set", "desktop session", within=10)
    player.fails(player.start("none", DISPLAY=":97"), '":97"', "no X server answers", within=10)
    assert not os.path.exists(player.data("none"))
    os.makedirs(player.data("locked"))
    start = player.start("locked")
    player.fails(start, "cannot write to %s/plix" % player.data("locked"), "XDG_DATA_HOME", within=10)
    # As from the menu: no terminal, so the text shows in a window.
    try:
        wait_for(lambda: player.display.windows("xmessage"), 10, "the launcher's window")
        player.display.shot("failure-window")
    finally:
        ended(start)


@pytest.mark.timeout(90)
def test_a_stopped_first_start_is_named_and_a_closed_game_beside_a_holder_keeps_no_wine(player):
    first = player.start("stopped")
    time.sleep(2)
    os.killpg(first.pid, signal.SIGSTOP)
    try:
        player.fails(player.start("stopped"), "is stopped", "kill -CONT %d" % first.pid, within=10)
    finally:
        os.killpg(first.pid, signal.SIGCONT)
        ended(first)
    wait_for(lambda: not player.wine("stopped"), 30, "the stopped start's Wine to end")
    # As a game beside it holds the lock: the game's Wine still ends with the game, closed as a
    # player closes it.
    holder = player.run(["flock", "-s", os.path.join(player.data("warm"), "plix", "prefix.lock"), "sleep", "600"])
    try:
        start = player.start("warm")
        window = player.window("warm", start)
        player.display.x.set_input_focus(window, X.RevertToParent, X.CurrentTime)
        player.display.key("alt+F4")
        player.display.wait_window("plix.exe", EXIT_CAPTION)
        player.display.key("Return")
        assert start.wait(timeout=20) == 0, player.said(start)
        wait_for(lambda: not player.wine("warm"), 30, "the player's Wine to end", interval=0.5)
    finally:
        ended(holder)
