"""The package's launcher, run by an ordinary user (nobody) on what players' machines do to it: a
first start killed, a disk that fills, a damaged prefix, no display or a wrong one, a data folder
it cannot write, a lock held by a stopped start or by a running game, and the game ended by a
signal. Each ends in the game's window or in an English line that names the cause and the remedy,
within 60 s, and 30 s after each ending nothing of the player's Wine runs. Needs root: for the
other user and for a small tmpfs."""

import os
import shutil
import signal
import subprocess
import tempfile
import time

import pytest

from desktop import log, wait_for
from plix_ui import TITLE_IDLE

NOBODY = 65534
# What a mended prefix may differ by from one made in one go.
FILE_COUNT_SLACK = 0.05


class Start:
    """One start of the launcher as the player, in a session of its own, its output in a file."""

    def __init__(self, launcher, env):
        self.output = tempfile.TemporaryFile()
        self.started = time.monotonic()
        self.process = subprocess.Popen([launcher], env=env, stdout=self.output, stderr=self.output,
                                        stdin=subprocess.DEVNULL, user=NOBODY, group=NOBODY,
                                        extra_groups=[], start_new_session=True)

    def said(self):
        self.output.seek(0)
        return self.output.read().decode(errors="replace")

    def ends_saying(self, *words, within=60):
        """The launcher ends with status 1 within the time, and its output holds every word."""
        try:
            status = self.process.wait(timeout=within - (time.monotonic() - self.started))
        except subprocess.TimeoutExpired:
            raise AssertionError("still running after %d s; said: %s" % (within, self.said()))
        text = self.said()
        log("status %d after %.1f s: %s" % (status, time.monotonic() - self.started, text.strip()))
        assert status == 1, text
        for word in words:
            assert word in text, "%r not in: %s" % (word, text)
        assert text.isascii(), "not in the player's English: " + text
        self.end_group()
        return text

    def end_group(self, signum=signal.SIGKILL):
        try:
            os.killpg(self.process.pid, signum)
        except ProcessLookupError:
            pass


@pytest.fixture(scope="module")
def player(display):
    root = tempfile.mkdtemp(prefix="plix-faults-")
    os.chmod(root, 0o755)
    home = os.path.join(root, "home")
    os.mkdir(home)
    os.chown(home, NOBODY, NOBODY)
    mounts = []
    yield Player(display, root, home, mounts)
    for mount in mounts:
        subprocess.run(["umount", "-l", mount])
    shutil.rmtree(root, ignore_errors=True)


class Player:
    def __init__(self, display, root, home, mounts):
        self.display, self.root, self.home, self.mounts = display, root, home, mounts
        self.made_files = None

    def data(self, name):
        return os.path.join(self.home, name)

    def prefix(self, name):
        return os.path.join(self.data(name), "plix", "prefix")

    def env(self, name, **changes):
        env = {"HOME": self.home, "PATH": "/usr/local/bin:/usr/bin:/bin:/usr/games", "LANG": "C.UTF-8",
               "DISPLAY": self.display.env["DISPLAY"], "XDG_DATA_HOME": self.data(name)}
        env.update(changes)
        return {k: v for k, v in env.items() if v is not None}

    def start(self, launcher, name, **changes):
        log("start in %s %s" % (name, changes or ""))
        return Start(launcher, self.env(name, **changes))

    def wine(self, name):
        """The processes of the player's Wine in that data folder, but for the launcher's window."""
        needle = ("WINEPREFIX=%s" % self.prefix(name)).encode()
        found = []
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open("/proc/%s/environ" % pid, "rb") as f:
                    if needle not in f.read().split(b"\0"):
                        continue
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    command = f.read().split(b"\0")[0].decode(errors="replace")
            except OSError:
                continue
            if not command.endswith("xmessage"):
                found.append("%s %s" % (pid, command))
        return found

    def window(self, name, start, within=60):
        prefix = self.prefix(name)

        def games():
            if start.process.poll() is not None:
                raise AssertionError("the launcher ended with %d: %s" % (start.process.returncode, start.said()))
            for window, geometry in self.display.windows("plix.exe").items():
                pid = self.display.pid(window)
                try:
                    with open("/proc/%d/environ" % pid, "rb") as f:
                        if geometry[0] == TITLE_IDLE and ("WINEPREFIX=%s" % prefix).encode() in f.read().split(b"\0"):
                            return window
                except (OSError, TypeError):
                    continue
            return None

        wait_for(games, within - (time.monotonic() - start.started), "the game's window in %s" % prefix)
        log("the game's window after %.1f s" % (time.monotonic() - start.started))

    def end(self, name, start, signum, group=False):
        """Ends the game by a signal to the launcher or its group; the launcher goes within 20 s
        and the player's Wine within 30 s."""
        (os.killpg if group else os.kill)(start.process.pid, signum)
        if signum != signal.SIGKILL:
            start.process.wait(timeout=20)
        wait_for(lambda: not self.wine(name), 30, "the player's Wine to end: %s" % self.wine(name), interval=0.5)
        start.end_group()

    def files(self, name):
        return sum(len(files) for _, _, files in os.walk(self.prefix(name)))

    def as_whole_as_made(self, name):
        count = self.files(name)
        log("%s: %d files, one made in one go %d" % (name, count, self.made_files))
        assert abs(count - self.made_files) <= FILE_COUNT_SLACK * self.made_files

    def as_player(self, *command):
        return subprocess.Popen(list(command), env=self.env("warm"), user=NOBODY, group=NOBODY,
                                extra_groups=[], start_new_session=True)


@pytest.mark.timeout(120)
def test_a_first_start_makes_the_prefix_and_term_ends_the_game(player, launcher):
    start = player.start(launcher, "warm")
    player.window("warm", start)
    player.made_files = player.files("warm")
    player.end("warm", start, signal.SIGTERM)


@pytest.mark.timeout(180)
def test_a_first_start_killed_is_made_anew_and_ctrl_c_ends_the_game(player, launcher):
    for seconds in (1, 3, 6):
        start = player.start(launcher, "killed")
        time.sleep(seconds)
        start.end_group()
        start.process.wait(timeout=10)
    start = player.start(launcher, "killed")
    player.window("killed", start)
    assert "making it again" in start.said(), start.said()
    player.end("killed", start, signal.SIGINT, group=True)
    player.as_whole_as_made("killed")


@pytest.mark.timeout(240)
def test_a_disk_that_fills_is_told_and_the_prefix_made_anew(player, launcher):
    data = player.data("small")
    os.makedirs(data)
    mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=30m,uid=%d,gid=%d,mode=755" % (NOBODY, NOBODY),
                              "tmpfs", data], capture_output=True, text=True)
    if mounted.returncode != 0:
        pytest.skip("no tmpfs can be mounted here: " + mounted.stderr.strip())
    player.mounts.append(data)
    player.start(launcher, "small").ends_saying("not enough free space", data, "Free some space")
    # Room for the check before the making, and then a file that takes it during the making.
    subprocess.run(["mount", "-o", "remount,size=1400m", data], check=True)
    start = player.start(launcher, "small")
    time.sleep(2)
    filler = os.path.join(data, "filler")
    with open(filler, "wb") as f:
        try:
            for _ in range(400):
                f.write(bytes(1 << 20))
        except OSError:
            pass
    start.ends_saying("ran out of space", "start PLIX again", within=90)
    wait_for(lambda: not player.wine("small"), 30, "the player's Wine to end after the failure")
    os.remove(filler)
    start = player.start(launcher, "small")
    player.window("small", start)
    player.end("small", start, signal.SIGHUP, group=True)
    player.as_whole_as_made("small")


@pytest.mark.timeout(120)
def test_a_prefix_without_system32_is_made_anew_and_hup_ends_the_game(player, launcher):
    shutil.rmtree(os.path.join(player.prefix("warm"), "drive_c", "windows", "system32"))
    start = player.start(launcher, "warm")
    player.window("warm", start)
    player.end("warm", start, signal.SIGHUP)
    player.as_whole_as_made("warm")


@pytest.mark.timeout(120)
def test_an_empty_user_registry_is_made_anew_and_a_killed_group_leaves_nothing(player, launcher):
    open(os.path.join(player.prefix("warm"), "user.reg"), "w").close()
    start = player.start(launcher, "warm")
    player.window("warm", start)
    player.end("warm", start, signal.SIGKILL, group=True)
    with open(os.path.join(player.prefix("warm"), "user.reg"), "rb") as f:
        assert b"Fonts\\\\Replacements" in f.read()


@pytest.mark.timeout(60)
def test_no_display_a_wrong_one_and_a_folder_it_cannot_write_are_told(player, launcher):
    player.start(launcher, "none", DISPLAY=None).ends_saying("DISPLAY is not set", "desktop session",
                                                             within=10)
    player.start(launcher, "none", DISPLAY=":97").ends_saying('":97"', "no X server answers", within=10)
    assert not os.path.exists(player.data("none")), "a start without a display made files"
    locked = player.data("locked")
    os.makedirs(locked)
    start = player.start(launcher, "locked")
    start.ends_saying("cannot write to %s/plix" % locked, "XDG_DATA_HOME", within=10)


@pytest.mark.timeout(60)
def test_a_start_from_the_menu_shows_its_failure_in_a_window(player, launcher):
    locked = player.data("locked")
    os.makedirs(locked, exist_ok=True)
    start = player.start(launcher, "locked")
    start.process.wait(timeout=10)
    try:
        wait_for(lambda: player.display.windows("xmessage"), 10, "the launcher's window")
        player.display.shot("menu-failure")
    finally:
        start.end_group(signal.SIGTERM)


@pytest.mark.timeout(90)
def test_a_stopped_start_that_holds_the_lock_is_named_and_a_running_game_does_not_hold_its_wine(player, launcher):
    lock = os.path.join(player.data("warm"), "plix", "prefix.lock")
    holder = player.as_player("flock", "-x", lock, "sleep", "600")
    try:
        wait_for(lambda: holds(lock, holder.pid), 10, "flock to take the lock")
        os.killpg(holder.pid, signal.SIGSTOP)
        player.start(launcher, "warm").ends_saying("is stopped", "kill -CONT %d" % holder.pid, within=10)
    finally:
        os.killpg(holder.pid, signal.SIGKILL)
        os.killpg(holder.pid, signal.SIGCONT)
        holder.wait(timeout=10)
    # As a game beside it does, holding the lock shared: its Wine still ends with the game.
    holder = player.as_player("flock", "-s", lock, "sleep", "600")
    try:
        start = player.start(launcher, "warm")
        player.window("warm", start)
        player.end("warm", start, signal.SIGTERM)
    finally:
        os.killpg(holder.pid, signal.SIGKILL)
        holder.wait(timeout=10)


def holds(lock, pid):
    inode = os.stat(lock).st_ino
    with open("/proc/locks") as locks:
        return any(line.split()[4] == str(pid) and line.split()[5].endswith(":%d" % inode)
                   for line in locks if "->" not in line)
