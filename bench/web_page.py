#!/usr/bin/env python3
"""The browser edition's figures, in Debian's headless Chromium from file://: the page's size
(index.html and what it loads; the manual aside), the time from navigation to the first drawn
board (a new browser each time, beside a page with nothing in it; and reloads), the main
thread's busy time of an idle page, and whole level-3 games' ticks against the native build's
for the same seeds.

    cmake --preset web && cmake --build --preset web
    /usr/bin/python3 bench/web_page.py [--page build/web/page] [--runs 10]

A benchmark, not a test; it compiles bench/session_ticks.cpp with the machine's c++ for the
native side.
"""

import argparse
import os
import statistics
import subprocess
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SEEDS = (1765400000, 1765400001, 1765400002, 1765400003, 1765400004)


def browser():
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ("--headless=new", "--no-sandbox", "--window-size=480,560"):
        options.add_argument(argument)
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def first_paint(driver, url):
    driver.get(url)
    for _ in range(200):
        marks = driver.execute_script(
            "return performance.getEntriesByName('plix-first-paint').map(e => e.startTime);")
        if marks:
            return marks[0]
        time.sleep(0.01)
    raise SystemExit("no board drawn in 2 s")


def busy_ms(driver):
    metrics = driver.execute_cdp_cmd("Performance.getMetrics", {})["metrics"]
    return 1000 * next(m["value"] for m in metrics if m["name"] == "TaskDuration")


# Plays a whole level-3 game by calling the page's tick as its timer would, with the clock at the
# seed, and returns the ticks and their total time in ms.
TICKS = """
const seed = arguments[0];
Date.now = () => seed * 1000;
Module._WindowSetKinds(3, 3);
Module._WindowStart();
let ticks = 0;
const start = performance.now();
while (!document.querySelector('dialog[open]') && ticks < 200) {
  Module._WindowTick();
  ticks++;
}
return [ticks, performance.now() - start];
"""


def compile_native(folder):
    native = os.path.join(folder, "session_ticks")
    sources = [os.path.join(ROOT, part, name) for part in ("rules", "ai")
               for name in sorted(os.listdir(os.path.join(ROOT, part))) if name.endswith(".cpp")]
    subprocess.run(["c++", "-std=c++17", "-O2", "-I" + ROOT, *sources, os.path.join(ROOT, "app", "session.cpp"),
                    os.path.join(ROOT, "bench", "session_ticks.cpp"), "-o", native], check=True)
    return native


def summary(values, unit="ms"):
    return "median %.1f %s (%d runs: %.1f-%.1f)" % (statistics.median(values), unit, len(values),
                                                     min(values), max(values))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--page", default=os.path.join(ROOT, "build", "web", "page"))
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--rounds", type=int, default=5, help="plays of each level-3 game, each side")
    parser.add_argument("--idle", type=float, default=10.0, help="seconds of idle page measured")
    args = parser.parse_args()
    page = os.path.abspath(args.page)
    url = "file://%s/index.html" % page

    sizes = {name: os.path.getsize(os.path.join(page, name)) for name in ("index.html", "plix.js")}
    print("size: %d bytes (%s)" % (sum(sizes.values()), ", ".join("%s %d" % item for item in sizes.items())))

    # The same with a page that only sets the mark, for the browser's own part; the two alternate.
    cold, empty = [], []
    with tempfile.TemporaryDirectory() as folder:
        with open(os.path.join(folder, "index.html"), "w") as bare:
            bare.write("<!DOCTYPE html><title>-</title><script>performance.mark('plix-first-paint')</script>")
        for _ in range(args.runs):
            for times, address in ((cold, url), (empty, "file://%s/index.html" % folder)):
                driver = browser()
                try:
                    times.append(first_paint(driver, address))
                finally:
                    driver.quit()
    print("navigation to drawn board, new browser:", summary(cold))
    print("navigation to the mark of a page with nothing else, new browser:", summary(empty))

    driver = browser()
    try:
        warm = [first_paint(driver, url) for _ in range(args.runs)]
        print("navigation to drawn board, reload:", summary(warm))

        driver.execute_cdp_cmd("Performance.enable", {})
        first_paint(driver, url)
        time.sleep(5)
        before = busy_ms(driver)
        time.sleep(args.idle)
        print("idle page, main thread busy: %.2f ms in %.0f s" % (busy_ms(driver) - before, args.idle))

        # Page and native take turns, round after round, and each game's fastest play counts on
        # each side: the same positions, and the least of what other processes take from them.
        with tempfile.TemporaryDirectory() as folder:
            native = compile_native(folder)
            best_page, best = {}, {}
            for _ in range(args.rounds):
                for seed in SEEDS:
                    first_paint(driver, url)
                    spent = driver.execute_script(TICKS, seed)[1]
                    best_page[seed] = min(best_page.get(seed, float("inf")), spent)
                for line in subprocess.run([native, *map(str, SEEDS)], check=True, capture_output=True,
                                           text=True).stdout.splitlines():
                    seed, _, micros = line.split()
                    best[int(seed)] = min(best.get(int(seed), float("inf")), float(micros) / 1000)
        page_ms = [best_page[seed] for seed in SEEDS]
    finally:
        driver.quit()

    # A page with one whole game played, its result box open, in a browser of its own: the
    # engine's clean-up after the game (garbage collection, compiled code) takes some seconds;
    # what is left after that is the page's.
    driver = browser()
    try:
        driver.execute_cdp_cmd("Performance.enable", {})
        first_paint(driver, url)
        driver.execute_script(TICKS, SEEDS[0])
        time.sleep(10)
        before = busy_ms(driver)
        time.sleep(args.idle)
        print("after a game, result box open, main thread busy: %.2f ms in %.0f s"
              % (busy_ms(driver) - before, args.idle))
    finally:
        driver.quit()

    native_ms = [best[seed] for seed in SEEDS]
    for seed, mine, theirs in zip(SEEDS, page_ms, native_ms):
        print("level 3 against level 3, seed %d: page %.1f ms, native %.1f ms, ratio %.2f"
              % (seed, mine, theirs, mine / theirs))
    print("all five games: page %.1f ms, native %.1f ms, ratio %.2f"
          % (sum(page_ms), sum(native_ms), sum(page_ms) / sum(native_ms)))


if __name__ == "__main__":
    main()
