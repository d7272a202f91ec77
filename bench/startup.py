#!/usr/bin/env python3
"""How long the game takes to open, from the command to a visible window named REVERSI, on an X
display of its own (Xvfb), seen through xdotool: the installed launcher (the Debian package's
`plix`, unpacked), scripts/run.sh's way (cmake/wine.sh run plix.exe) and, as the yardstick, plain
Wine's loader starting the same plix.exe with the same Wine settings.

Each round times, for every way and in a rotating order, a first start (no prefix yet: the first
window of any kind, Wine's own included, then the game's) and then --warm warm starts (prefix
made, no Wine running). It prints the median and range of each, and each way's medians over plain
Wine's.

    bench/startup.py [--build build/win64] [--runs 5] [--warm 4]

A benchmark, not a test: it fails only when a start does not open the game at all.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WINE_SH = os.path.join(ROOT, "cmake", "wine.sh")
TITLE = "REVERSI"
POLL = 0.01


def loader():
    # The one cmake/wine.sh runs a 64-bit prefix with.
    debian = "/usr/lib/wine/wine64"
    return debian if os.access(debian, os.X_OK) else shutil.which("wine64") or shutil.which("wine")


def wine_locale():
    # cmake/wine.sh's: the Japanese locale where it is generated.
    found = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout.lower().split()
    return "ja_JP.UTF-8" if {"ja_jp.utf8", "ja_jp.utf-8"} & set(found) else "C.UTF-8"


class Display:
    def __init__(self):
        read, write = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x1024x24",
                                      "-nolisten", "tcp", "-noreset"], pass_fds=(write,),
                                     stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as displayfd:
            self.name = ":" + displayfd.readline().strip()

    def visible_names(self):
        """The names of the visible windows, in one xdotool run: polling costs the machine little."""
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", ".", "getwindowname", "%@"],
                               env=dict(os.environ, DISPLAY=self.name), capture_output=True)
        return found.stdout.decode(errors="replace").splitlines() if found.returncode == 0 else []

    def close(self):
        self.xvfb.terminate()
        self.xvfb.wait(timeout=10)


class Way:
    """One way of starting the game: its command, its environment and its prefix."""

    def __init__(self, name, command, env, prefix, cwd):
        self.name, self.command, self.env, self.prefix, self.cwd = name, command, env, prefix, cwd
        self.first, self.warm = [], []

    def wineserver(self, *args):
        subprocess.run(["wineserver"] + list(args), env=dict(self.env, WINEPREFIX=self.prefix),
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)

    def start(self, display, fresh):
        """Seconds to the first visible window and to the game's; Wine ended again afterwards."""
        self.wineserver("-k")
        self.wineserver("-w")
        if fresh:
            shutil.rmtree(self.prefix, ignore_errors=True)
        started = time.monotonic()
        output = tempfile.TemporaryFile()
        process = subprocess.Popen(self.command, env=self.env, cwd=self.cwd, stdout=output, stderr=output)
        first = None
        try:
            while time.monotonic() - started < 180:
                if process.poll() is not None:
                    output.seek(0)
                    raise SystemExit("%s ended with status %d before its window opened:\n%s" % (
                        self.name, process.returncode, output.read().decode(errors="replace")))
                names = display.visible_names()
                if first is None and names:
                    first = time.monotonic() - started
                if TITLE in names:
                    game = time.monotonic() - started
                    return first, game
                time.sleep(POLL)
            raise SystemExit("%s: no window %s after 180 s" % (self.name, TITLE))
        finally:
            # Ending the server ends the game; the launchers then end by themselves.
            self.wineserver("-k")
            try:
                process.wait(timeout=60)
            except subprocess.TimeoutExpired:
                process.kill()
            self.wineserver("-w")


def summary(values):
    return "%6.2f s  (%.2f-%.2f)" % (statistics.median(values), min(values), max(values))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build", "win64"),
                        help="a built 64-bit tree (cmake --build --preset win64)")
    parser.add_argument("--runs", type=int, default=5, help="rounds, each with one first start a way")
    parser.add_argument("--warm", type=int, default=4, help="warm starts a way in each round")
    args = parser.parse_args()
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
        # Plain Wine with the settings that cmake/wine.sh gives every run.
        plain = dict(base, WINEPREFIX=os.path.join(work, "plain"), WINELOADER=loader(), WINEDEBUG="-all",
                     WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d", LANG=wine_locale(),
                     LC_ALL=wine_locale())
        ways.append(Way("plain Wine", [plain["WINELOADER"], "plix.exe"], plain, plain["WINEPREFIX"], build))
        run_prefix = os.path.join(work, "run")
        ways.append(Way("scripts/run.sh", [WINE_SH, "run", "plix.exe"], dict(base, PLIX_WINEPREFIX=run_prefix),
                        run_prefix, build))
        data = os.path.join(base["HOME"], "data")
        ways.append(Way("installed plix", [os.path.join(unpacked, "usr", "games", "plix")],
                        dict(base, XDG_DATA_HOME=data), os.path.join(data, "plix", "prefix"), base["HOME"]))

        print("startup: %s, Wine %s, %d rounds of %d warm starts, %d cores" % (
            exe, subprocess.run([loader(), "--version"], capture_output=True, text=True).stdout.strip(),
            args.runs, args.warm, os.cpu_count()), flush=True)
        for run in range(args.runs):
            order = ways[run % len(ways):] + ways[:run % len(ways)]
            for way in order:
                way.first.append(way.start(display, fresh=True))
            for _ in range(args.warm):
                for way in order:
                    way.warm.append(way.start(display, fresh=False)[1])
            print("startup: round %d of %d: %s" % (run + 1, args.runs, ", ".join(
                "%s %.2f s" % (way.name, way.first[-1][1]) for way in ways)), flush=True)
    finally:
        for way in ways:
            way.wineserver("-k")
        if display is not None:
            display.close()
        shutil.rmtree(work, ignore_errors=True)

    yard = ways[0]
    print()
    print("%-16s %-24s %-24s %-24s" % ("", "first: a window", "first: the game", "warm: the game"))
    for way in ways:
        print("%-16s %-24s %-24s %-24s" % (way.name, summary([f[0] for f in way.first]),
                                          summary([f[1] for f in way.first]), summary(way.warm)))
    print()
    for way in ways[1:]:
        print("%-16s over plain Wine: first start %.3f, warm start %.3f" % (
            way.name, statistics.median(f[1] for f in way.first) / statistics.median(f[1] for f in yard.first),
            statistics.median(way.warm) / statistics.median(yard.warm)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
