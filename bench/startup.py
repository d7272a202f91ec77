#!/usr/bin/env python3
"""How long the game takes to open, from the command to a visible window named REVERSI, on an X
display of its own (Xvfb), seen as it is mapped (xev): the installed launcher (the Debian package's
`plix`, unpacked) and scripts/run.sh's way (the same launcher laid out beside the build), each
against plain Wine's loader starting the same plix.exe from the same folder with the same Wine
settings.

Each round times, for every way, a first start (no prefix yet: the first window of any kind, Wine's
own included, then the game's) and then --warm warm starts (prefix made, no Wine running). The
ways' order changes from round to round so that each comes at each place, and after each other,
equally often; each round's prefixes are new folders; every start begins with the disk's writes
of the one before done. It prints the median and range of each, and each way's time over its
plain Wine's: the ratio of the medians, and the median and range of the rounds' own ratios, which
the machine's slow drifts touch less.

    bench/startup.py [--build build/win64] [--runs 5] [--warm 8]

A benchmark, not a test: it fails only when a way fails to open the game three times in a row.
"""

import argparse
import itertools
import locale
import os
import select
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
LAUNCHER = os.path.join(ROOT, "packaging", "deb", "plix")
TITLE = "REVERSI"


def loader():
    # The one the launcher runs a 64-bit prefix with.
    debian = "/usr/lib/wine/wine64"
    return debian if os.access(debian, os.X_OK) else shutil.which("wine64") or shutil.which("wine")


def wine_locale():
    # The launcher's: the Japanese locale where the machine can set it.
    try:
        locale.setlocale(locale.LC_ALL, "ja_JP.UTF-8")
        return "ja_JP.UTF-8"
    except locale.Error:
        return "C.UTF-8"
    finally:
        locale.setlocale(locale.LC_ALL, "C")


class Display:
    """An X display of its own, whose top-level windows are watched through xev's stream of the
    root window's events: the benchmark learns of each window as it is mapped, at no cost to the
    machine while it waits, where polling would take CPU time from the start it measures."""

    def __init__(self):
        read, write = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x1024x24",
                                      "-nolisten", "tcp", "-noreset"], pass_fds=(write,),
                                     stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as displayfd:
            self.name = ":" + displayfd.readline().strip()
        self.xev = subprocess.Popen(["xev", "-root", "-event", "substructure"], env=self.env(),
                                    stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.pending, self.mapping = b"", False
        # xev prints nothing until an event: give it the moment it takes to listen.
        time.sleep(1)

    def env(self):
        return dict(os.environ, DISPLAY=self.name)

    def forget(self):
        """Drops the events so far, so that the next start sees only its own windows."""
        while select.select([self.xev.stdout], [], [], 0)[0]:
            if not os.read(self.xev.stdout.fileno(), 65536):
                raise SystemExit("xev ended")
        self.pending, self.mapping = b"", False

    def mapped(self, timeout):
        """When the next events came, within timeout seconds, and the names of the windows they
        mapped; None if none came."""
        if not select.select([self.xev.stdout], [], [], timeout)[0]:
            return None
        seen = time.monotonic()
        data = os.read(self.xev.stdout.fileno(), 65536)
        if not data:
            raise SystemExit("xev ended")
        lines = (self.pending + data).split(b"\n")
        self.pending = lines.pop()
        names = []
        # "MapNotify event, ..." is followed by "    event 0x..., window 0x..., override NO".
        for line in lines:
            if line.startswith(b"MapNotify"):
                self.mapping = True
            elif self.mapping:
                self.mapping = False
                window = line.split(b" window ")[1].split(b",")[0].decode()
                found = subprocess.run(["xdotool", "getwindowname", window], env=self.env(),
                                       capture_output=True, text=True)
                names.append(found.stdout.strip())
        return seen, names

    def close(self):
        self.xev.kill()
        self.xev.wait(timeout=10)
        self.xvfb.terminate()
        self.xvfb.wait(timeout=10)


class Way:
    """One way of starting the game: its command, its folder, the plain Wine start it is measured
    against, and how it is told where to keep its prefix."""

    def __init__(self, name, command, cwd, settings, yard=None):
        self.name, self.command, self.cwd, self.settings, self.yard = name, command, cwd, settings, yard
        self.env = self.prefix = None
        self.first, self.warm, self.warm_rounds, self.failed = [], [], [], []

    def place(self, folder):
        """Each round's prefix goes into a new folder, so that where the file system puts it is
        the luck of a round, not of a way."""
        self.env, self.prefix = self.settings(folder)

    def wineserver(self, *args):
        subprocess.run(["wineserver"] + list(args), env=dict(self.env, WINEPREFIX=self.prefix),
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)

    def start(self, display):
        """Seconds to the first visible window and to the game's. Wine itself now and then fails a
        start (plain Wine too: "could not load kernel32.dll" in a prefix it has just made): such a
        start is noted and made again, in a new prefix if it was a first start."""
        for _ in range(3):
            fresh = not os.path.isdir(self.prefix)
            times = self.time_start(display)
            if not isinstance(times, str):
                return times
            self.failed.append(times)
            if fresh:
                shutil.rmtree(self.prefix, ignore_errors=True)
        raise SystemExit("%s failed three times in a row:\n%s" % (self.name, times))

    def time_start(self, display):
        """Seconds to the first visible window and to the game's, or the output of a start that
        ended before; Wine ended again afterwards."""
        self.wineserver("-k")
        self.wineserver("-w")
        # The last start's prefix still going to disk would slow this one.
        os.sync()
        display.forget()
        started = time.monotonic()
        output = tempfile.TemporaryFile()
        process = subprocess.Popen(self.command, env=self.env, cwd=self.cwd, stdout=output, stderr=output,
                                   start_new_session=True)
        first = None
        try:
            while time.monotonic() - started < 180:
                if process.poll() is not None:
                    output.seek(0)
                    return "status %d: %s" % (process.returncode, output.read().decode(errors="replace").strip())
                events = display.mapped(0.1)
                for name in events[1] if events else []:
                    if first is None and name:
                        first = events[0] - started
                    if name == TITLE:
                        return first, events[0] - started
            raise SystemExit("%s: no window %s after 180 s" % (self.name, TITLE))
        finally:
            # Ending the server ends the game; the launchers then end by themselves.
            self.wineserver("-k")
            try:
                process.wait(timeout=60)
            except subprocess.TimeoutExpired:
                process.kill()
            # A launcher tells of a game ended from outside in a window, which goes with it.
            try:
                os.killpg(process.pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
            self.wineserver("-w")


def run_layout(build, work):
    """scripts/run.sh's way: the launcher in a games folder whose lib/plix is the build."""
    games, lib = os.path.join(work, "run", "games"), os.path.join(work, "run", "lib")
    os.makedirs(games)
    os.makedirs(lib)
    shutil.copy(LAUNCHER, games)
    os.symlink(build, os.path.join(lib, "plix"))
    return os.path.join(games, "plix")


def summary(values):
    return "%6.2f s  (%.2f-%.2f)" % (statistics.median(values), min(values), max(values))


def orders(ways):
    """Rounds' orders in which each way comes at each place, and after each other way, equally
    often (a balanced Latin square)."""
    n = len(ways)
    first = [0]
    for k in range(1, n):
        first.append((k + 1) // 2 if k % 2 else n - k // 2)
    rows = [[(r + c) % n for c in first] for r in range(n)]
    if n % 2:
        rows += [row[::-1] for row in rows]
    return itertools.cycle([[ways[i] for i in row] for row in rows])


def paired(times, yard):
    """The median and range of the rounds' own ratios."""
    ratios = [t / y for t, y in zip(times, yard)]
    return statistics.median(ratios), min(ratios), max(ratios)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build", "win64"),
                        help="a built 64-bit tree (cmake --build --preset win64)")
    parser.add_argument("--runs", type=int, default=5, help="rounds, each with one first start a way")
    parser.add_argument("--warm", type=int, default=8, help="warm starts a way in each round")
    args = parser.parse_args()
    if args.runs < 1 or args.warm < 1:
        parser.error("--runs and --warm take 1 or more")
    build = os.path.abspath(args.build)
    exe = os.path.join(build, "plix.exe")
    if not os.path.isfile(exe):
        raise SystemExit("no %s: build it first (cmake --preset win64 && cmake --build --preset win64)" % exe)

    work = tempfile.mkdtemp(prefix="plix-startup-")
    display = None
    ways = []
    try:
        deb = subprocess.run([os.path.join(ROOT, "packaging", "deb", "make_deb.sh"), build, work],
                             check=True, capture_output=True, text=True).stdout.strip()
        unpacked = os.path.join(work, "package")
        subprocess.run(["dpkg-deb", "-x", deb, unpacked], check=True)
        display = Display()
        base = {k: v for k, v in os.environ.items() if not k.startswith(("WINE", "PLIX_", "LC_"))}
        base.update(DISPLAY=display.name, HOME=os.path.join(work, "home"))
        os.makedirs(base["HOME"])
        game = os.path.join(unpacked, "usr", "lib", "plix")
        # Plain Wine with the settings that the launcher gives the game, once from each game folder.
        plain = dict(base, WINELOADER=loader(), WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d",
                     LANG=wine_locale(), LC_ALL=wine_locale())
        plain_build = Way("plain Wine", [plain["WINELOADER"], "plix.exe"], build,
                          lambda folder: (dict(plain, WINEPREFIX=folder), folder))
        plain_package = Way("plain Wine, deb", [plain["WINELOADER"], "plix.exe"], game,
                            lambda folder: (dict(plain, WINEPREFIX=folder), folder))
        ways = [plain_build, plain_package,
                Way("scripts/run.sh", [run_layout(build, work)], build,
                    lambda folder: (dict(base, XDG_DATA_HOME=folder), os.path.join(folder, "plix", "prefix")),
                    plain_build),
                Way("installed plix", [os.path.join(unpacked, "usr", "games", "plix")], base["HOME"],
                    lambda folder: (dict(base, XDG_DATA_HOME=folder), os.path.join(folder, "plix", "prefix")),
                    plain_package)]

        print("startup: %s, Wine %s, %d rounds of %d warm starts, %d cores" % (
            exe, subprocess.run([loader(), "--version"], capture_output=True, text=True).stdout.strip(),
            args.runs, args.warm, os.cpu_count()), flush=True)
        rounds = orders(ways)
        for run in range(args.runs):
            order = next(rounds)
            for number, way in enumerate(ways):
                if run:
                    shutil.rmtree(way.prefix, ignore_errors=True)
                way.place(os.path.join(work, "round%d-%d" % (run, number)))
            for way in order:
                way.first.append(way.start(display))
            for _ in range(args.warm):
                for way in order:
                    way.warm.append(way.start(display)[1])
            for way in ways:
                way.warm_rounds.append(statistics.median(way.warm[-args.warm:]))
            print("startup: round %d of %d: %s" % (run + 1, args.runs, ", ".join(
                "%s %.2f s" % (way.name, way.first[-1][1]) for way in ways)), flush=True)
    finally:
        for way in ways:
            if way.prefix:
                way.wineserver("-k")
        if display is not None:
            display.close()
        shutil.rmtree(work, ignore_errors=True)

    print()
    print("%-16s %-24s %-24s %-24s" % ("", "first: a window", "first: the game", "warm: the game"))
    for way in ways:
        print("%-16s %-24s %-24s %-24s" % (way.name, summary([f[0] for f in way.first]),
                                          summary([f[1] for f in way.first]), summary(way.warm)))
    print()
    for way in ways:
        for failure in way.failed:
            print("%s: a start failed and was made again: %s" % (way.name, failure.splitlines()[-1]))
    print("over plain Wine from the same folder: first start: medians, rounds; warm start: medians, rounds")
    for way in ways:
        if way.yard:
            first, yard_first = [f[1] for f in way.first], [f[1] for f in way.yard.first]
            print("%-16s %.3f, %.3f (%.2f-%.2f);  %.3f, %.3f (%.2f-%.2f)" % (
                (way.name, statistics.median(first) / statistics.median(yard_first))
                + paired(first, yard_first)
                + (statistics.median(way.warm) / statistics.median(way.yard.warm),)
                + paired(way.warm_rounds, way.yard.warm_rounds)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
