#!/usr/bin/env python3
"""End-to-end test of plix.exe as a person meets it.

Starts an X display of its own (Xvfb), a fresh Wine prefix with a virtual desktop (so Wine draws
the caption and the menu bar itself) under the ja_JP.UTF-8 locale, and plix.exe in it. It then uses
only what a person uses: mouse clicks and key presses through the X server (xdotool), the window
titles from the window system, and the screen read back as pixels. Message-box texts cannot be read
through X, so the boxes are compared pixel for pixel with the same texts drawn by reference_box.exe.

Every step saves a screenshot under --out. Everything started here (Xvfb, the prefix's wineserver
and its programs) is ended on the way out, also on failure, on a signal and at the deadline.
Python 3 standard library only.
"""

import argparse
import os
import re
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import zipfile
import zlib

# The X screen is larger than Wine's virtual desktop: a desktop as large as the screen would take
# over the root window, and Wine would no longer draw the frames and captions.
SCREEN_W, SCREEN_H = 1280, 1024
DESKTOP_W, DESKTOP_H = 1024, 768
DEADLINE_S = 180
WINE_SH = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "cmake", "wine.sh")

TITLE_IDLE = "REVERSI"
TITLE_RED = "先手(赤)"
TITLE_BLUE = "後手(青)"
DIALOG_CAPTION = "対戦相手"
EXIT_CAPTION = "終了"
EXIT_TEXT = "終了して良いですか？"
EXIT_STYLE = 0x21  # MB_OKCANCEL | MB_ICONQUESTION
RESULT_CAPTION = "REVERSI POINT"
RESULT_STYLE = 0  # MB_OK
HELP_PROGRAM = "winhlp32.exe"
HELP_CAPTION = "PLIX ヘルプ"
HELP_TOPIC_BUTTONS = 6  # after the viewer's own 概要, 索引 and 戻る

RED, BLUE, EMPTY = "R", "B", "."
START = "." * 27 + "RB" + "." * 6 + "BR" + "." * 27

# Menu bar entries in reading order, and the opponent dialog's controls in dialog units.
MENU_SETTINGS, MENU_START, MENU_UNDO, MENU_HELP = range(4)
DIALOG_DU = (137, 119)
RADIO_DU = {
    RED: [(8, 20 + 18 * k, 60, 12) for k in range(4)],
    BLUE: [(76, 20 + 18 * k, 60, 12) for k in range(4)],
}
OK_DU = (12, 96, 50, 14)
CANCEL_DU = (72, 96, 50, 14)


class Failure(Exception):
    pass


def log(message):
    print("[%6.1fs] %s" % (time.monotonic() - STARTED, message), flush=True)


STARTED = time.monotonic()


# ---------------------------------------------------------------- the rules, as the test's oracle

DIRECTIONS = [(dc, dr) for dc in (-1, 0, 1) for dr in (-1, 0, 1) if dc or dr]


def other(side):
    return BLUE if side == RED else RED


def flips(board, col, row, side):
    if board[row * 8 + col] != EMPTY:
        return []
    taken = []
    for dc, dr in DIRECTIONS:
        c, r, run = col + dc, row + dr, []
        while 0 <= c < 8 and 0 <= r < 8 and board[r * 8 + c] == other(side):
            run.append(r * 8 + c)
            c, r = c + dc, r + dr
        if run and 0 <= c < 8 and 0 <= r < 8 and board[r * 8 + c] == side:
            taken += run
    return taken


def play(board, col, row, side):
    taken = flips(board, col, row, side)
    if not taken:
        return None
    cells = list(board)
    for index in taken + [row * 8 + col]:
        cells[index] = side
    return "".join(cells)


def legal_moves(board, side):
    return [(c, r) for r in range(8) for c in range(8) if flips(board, c, r, side)]


def diagram(board):
    return "\n".join("    " + board[r * 8 : r * 8 + 8] for r in range(8))


# ---------------------------------------------------------------- images


class Image:
    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    @staticmethod
    def from_ppm(data):
        tokens = []
        pos = 0
        while len(tokens) < 4:
            match = re.compile(rb"\s*(#[^\n]*\n\s*)*(\S+)").match(data, pos)
            tokens.append(match.group(2))
            pos = match.end()
        if tokens[0] != b"P6" or tokens[3] != b"255":
            raise Failure("screen capture is not an 8-bit PPM")
        width, height = int(tokens[1]), int(tokens[2])
        return Image(width, height, data[pos + 1 : pos + 1 + width * height * 3])

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return self.rgb[i], self.rgb[i + 1], self.rgb[i + 2]

    def crop(self, x, y, w, h):
        rows = [self.rgb[((y + r) * self.width + x) * 3 : ((y + r) * self.width + x + w) * 3] for r in range(h)]
        return Image(w, h, b"".join(rows))

    def png(self):
        stride = self.width * 3
        raw = b"".join(b"\0" + self.rgb[y * stride : (y + 1) * stride] for y in range(self.height))

        def chunk(kind, body):
            return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b"")


def is_dark(rgb):
    return sum(rgb) < 3 * 110


def is_black(rgb):
    return max(rgb) < 60


def is_colourful(rgb):
    return max(rgb) - min(rgb) > 80


def disc_at(rgb):
    r, g, b = rgb
    if r > 200 and g < 60 and b < 60:
        return RED
    if b > 200 and r < 60 and g < 60:
        return BLUE
    if min(rgb) > 200:
        return EMPTY
    return "?"


def bands(flags, min_gap):
    """Runs of True in flags, merged across gaps shorter than min_gap, as (first, last) pairs."""
    runs = []
    for i, flag in enumerate(flags):
        if not flag:
            continue
        if runs and i - runs[-1][1] <= min_gap:
            runs[-1][1] = i
        else:
            runs.append([i, i])
    return [tuple(run) for run in runs]


def text_items(image, x, y, w, h, row_gap=3, col_gap=8):
    """Centres of the blocks of dark pixels (menu labels) in a rectangle, in reading order."""
    items = []
    row_flags = [any(is_dark(image.pixel(x + i, y + j)) for i in range(w)) for j in range(h)]
    for top, bottom in bands(row_flags, row_gap):
        col_flags = [any(is_dark(image.pixel(x + i, y + j)) for j in range(top, bottom + 1)) for i in range(w)]
        for left, right in bands(col_flags, col_gap):
            items.append((x + (left + right) // 2, y + (top + bottom) // 2))
    return items


def close_button(caption, rect):
    """The centre of the close button, from the caption's rows and the window's rectangle."""
    x, y, w, _ = rect
    return x + w - (caption[0] - y) - (caption[-1] - caption[0]) // 2 - 1, (caption[0] + caption[-1]) // 2


def expect_close_button(image, rect, what):
    """The close button shows a cross, symmetric both ways, as Wine draws it with its Marlett font;
    without that font it shows the letter "r"."""
    x, y, w, h = rect
    caption = [j for j in range(y, y + h // 2) if is_colourful(image.pixel(x + w // 2, j))]
    if not caption:
        raise Failure("%s: no active caption" % what)
    cx, cy = close_button(caption, rect)
    half = (caption[-1] - caption[0]) // 2 - 3
    dark = {(i, j) for i in range(cx - half, cx + half + 1) for j in range(cy - half, cy + half + 1)
            if is_dark(image.pixel(i, j))}
    if len(dark) < 6:
        raise Failure("%s: the close button shows no glyph" % what)
    left, right = min(i for i, _ in dark), max(i for i, _ in dark)
    top, bottom = min(j for _, j in dark), max(j for _, j in dark)
    mirrored = sum((left + right - i, j) in dark for i, j in dark)
    flipped = sum((i, top + bottom - j) in dark for i, j in dark)
    if min(mirrored, flipped) < 0.8 * len(dark):
        raise Failure("%s: the close button's glyph is no cross (of %d dark pixels, %d mirror left to right"
                      " and %d top to bottom): is Wine's Marlett font registered?" % (
                          what, len(dark), mirrored, flipped))


# ---------------------------------------------------------------- X display, Wine and the windows


class Desktop:
    """An Xvfb display with a Wine prefix whose programs share one virtual desktop."""

    def __init__(self, out_dir):
        self.out_dir = out_dir
        self.temp = tempfile.mkdtemp(prefix="plix-e2e-")
        # The test command ends the Wine of a run whose owner died before its own cleanup.
        with open(os.path.join(self.temp, "owner"), "w") as f:
            f.write(str(os.getpid()))
        self.processes = []
        self.xvfb = None
        self.env = None
        self.shot_number = 0
        self.log_file = open(os.path.join(out_dir, "wine.log"), "wb")

    # -- setting up and tearing down

    def start(self):
        self.start_display()
        self.prepare_prefix()

    def start_display(self):
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "%dx%dx24" % (SCREEN_W, SCREEN_H),
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=self.log_file, stderr=self.log_file, start_new_session=True)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + 20
        while not number.endswith(b"\n"):
            if time.monotonic() > deadline or self.xvfb.poll() is not None:
                raise Failure("Xvfb did not report a display within 20 s (see wine.log)")
            ready, _, _ = select.select([read_end], [], [], 0.5)
            if ready:
                chunk = os.read(read_end, 16)
                if not chunk:
                    raise Failure("Xvfb closed its display pipe without a display number")
                number += chunk
        os.close(read_end)
        display = ":" + number.decode().strip()

        env = {k: v for k, v in os.environ.items() if not k.startswith(("WINE", "PLIX_", "WAYLAND", "LC_"))}
        env.update(DISPLAY=display, WINEPREFIX=os.path.join(self.temp, "prefix"), WINEDEBUG="-all",
                   WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d",
                   LANG="ja_JP.UTF-8", LC_ALL="ja_JP.UTF-8")
        env["PLIX_WINEPREFIX"] = env["WINEPREFIX"]
        # The 32-bit build runs in a 32-bit prefix, as on 32-bit Windows.
        if os.environ.get("PLIX_WINEARCH"):
            env["PLIX_WINEARCH"] = env["WINEARCH"] = os.environ["PLIX_WINEARCH"]
        self.env = env
        log("display %s, Wine prefix %s" % (display, env["WINEPREFIX"]))

    def prepare_prefix(self):
        # The project's own prefix set-up, under a persistent server (see cmake/wine.sh).
        self.run([WINE_SH, "start"], timeout=120)
        # A virtual desktop set in the registry: Wine draws the frames, captions and menu bars, and
        # "wine program.exe" still hands back the program's exit code.
        self.run(["wine", "reg", "add", r"HKCU\Software\Wine\Explorer", "/v", "Desktop", "/d", "Default", "/f"])
        self.run(["wine", "reg", "add", r"HKCU\Software\Wine\Explorer\Desktops", "/v", "Default",
                  "/d", "%dx%d" % (DESKTOP_W, DESKTOP_H), "/f"])
        # The desktop that the set-up opened is not the virtual one: start the server afresh.
        self.run([WINE_SH, "stop"], timeout=30)
        self.run([WINE_SH, "start"], timeout=60)
        log("Wine prefix ready")

    def close(self):
        if self.env is not None:
            try:
                subprocess.run([WINE_SH, "stop"], env=self.env, timeout=30,
                               stdout=self.log_file, stderr=self.log_file)
            except (OSError, subprocess.SubprocessError):
                pass
        for process in self.processes + ([self.xvfb] if self.xvfb else []):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait(timeout=5)
        shutil.rmtree(self.temp, ignore_errors=True)
        self.log_file.close()

    # -- programs

    def run(self, command, timeout=30):
        result = subprocess.run(command, env=self.env, timeout=timeout, stdout=subprocess.PIPE,
                                stderr=self.log_file)
        if result.returncode != 0:
            raise Failure("%s failed with exit code %d" % (" ".join(command), result.returncode))
        return result.stdout

    def launch(self, *command, cwd=None):
        process = subprocess.Popen(["wine"] + list(command), env=self.env, stdout=self.log_file,
                                   stderr=self.log_file, cwd=cwd)
        self.processes.append(process)
        return process

    # -- windows

    def windows(self, program):
        """Visible top-level windows of a program: {id: (name, x, y, w, h)}."""
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--classname", "^%s$" % re.escape(program)],
                               env=self.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=10)
        ids = {int(line) for line in found.stdout.split()}
        if not ids:
            return {}
        tree = self.run(["xwininfo", "-root", "-tree"]).decode("utf-8", "replace")
        result = {}
        pattern = re.compile(r'^\s*(0x[0-9a-f]+) (?:"(.*)"|\(has no name\)): .* (\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)$')
        for line in tree.splitlines():
            match = pattern.match(line)
            if match and int(match.group(1), 16) in ids:
                w, h, x, y = (int(match.group(i)) for i in (3, 4, 5, 6))
                if w > 1 and h > 1:
                    result[int(match.group(1), 16)] = (match.group(2) or "", x, y, w, h)
        return result

    def title(self, window):
        name = subprocess.run(["xdotool", "getwindowname", str(window)], env=self.env,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=10).stdout
        return name.decode("utf-8", "replace").rstrip("\n")

    def wait_window(self, program, name, timeout=10):
        def find():
            hits = [(wid, geo[1:]) for wid, geo in self.windows(program).items() if geo[0] == name]
            return hits[0] if hits else None

        return wait_for(find, timeout, "window %r of %s" % (name, program))

    def wait_no_window(self, program, name, timeout=10):
        wait_for(lambda: all(geo[0] != name for geo in self.windows(program).values()), timeout,
                 "window %r of %s to close" % (name, program))

    # -- input and output

    def click(self, x, y):
        self.run(["xdotool", "mousemove", "--sync", str(x), str(y), "click", "1"])

    def key(self, *keys):
        self.run(["xdotool", "key", "--clearmodifiers", "--delay", "60"] + list(keys))

    def capture(self):
        return Image.from_ppm(self.run(["import", "-silent", "-window", "root", "-depth", "8", "ppm:-"]))

    def shot(self, name, image=None):
        image = image or self.capture()
        self.shot_number += 1
        path = os.path.join(self.out_dir, "%02d-%s.png" % (self.shot_number, name))
        with open(path, "wb") as f:
            f.write(image.png())
        return image


def wait_for(probe, timeout, what, interval=0.1):
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("timed out after %.1f s waiting for %s" % (timeout, what))
        time.sleep(interval)


# ---------------------------------------------------------------- plix.exe as the user sees it


class Plix:
    def __init__(self, desktop, exe, cwd=None):
        self.desktop = desktop
        self.process = desktop.launch(exe, cwd=cwd)
        self.window, rect = desktop.wait_window("plix.exe", TITLE_IDLE, timeout=20)
        self.rect = rect
        # The frame, the caption and the menu bar are drawn shortly after the window appears.
        problems = []

        def measured():
            try:
                self._measure(desktop.capture())
                return True
            except Failure as problem:
                problems[:] = [problem]
                return False

        try:
            wait_for(measured, 10, "the window to be drawn", interval=0.3)
        except Failure:
            desktop.shot("failed")
            raise problems[0]

    def _measure(self, image):
        """Finds the board grid, the caption and the menu bar labels in the window's pixels."""
        x, y, w, h = self.rect
        rows = [j for j in range(y, y + h) if sum(is_black(image.pixel(i, j)) for i in range(x, x + w)) > w // 2]
        cols = [i for i in range(x, x + w) if sum(is_black(image.pixel(i, j)) for j in range(y, y + h)) > h // 2]
        if len(rows) < 8 or len(cols) < 8:
            raise Failure("no board grid in the window (%d rows, %d columns of lines)" % (len(rows), len(cols)))
        self.cell = rows[1] - rows[0]
        self.x0, self.y0 = cols[0], rows[0]
        if self.cell < 8 or cols[1] - cols[0] != self.cell or rows[7] - rows[0] != 7 * self.cell:
            raise Failure("irregular board grid: rows %s, columns %s" % (rows, cols))

        middle = x + w // 2
        caption = [j for j in range(y, self.y0) if is_colourful(image.pixel(middle, j))]
        if not caption:
            raise Failure("no active caption above the board")
        self.caption_mid = (caption[0] + caption[-1]) // 2
        self.close_box = close_button(caption, self.rect)
        bar_top = caption[-1] + 2
        self.menu = text_items(image, self.x0, bar_top, w - 2 * (self.x0 - x), self.y0 - bar_top)
        if len(self.menu) != 4:
            raise Failure("expected 4 labels on the menu bar, found %d at %s" % (len(self.menu), self.menu))
        log("board at (%d, %d), squares of %d px; menu bar labels at %s" % (self.x0, self.y0, self.cell, self.menu))

    def centre(self, col, row):
        return self.x0 + col * self.cell + self.cell // 2, self.y0 + row * self.cell + self.cell // 2

    def board(self, image=None):
        image = image or self.desktop.capture()
        cells = []
        offset = max(1, self.cell // 5)
        for row in range(8):
            for col in range(8):
                cx, cy = self.centre(col, row)
                seen = {disc_at(image.pixel(cx + dx, cy + dy)) for dx, dy in
                        ((0, 0), (-offset, 0), (offset, 0), (0, -offset), (0, offset))}
                cells.append(seen.pop() if len(seen) == 1 else "?")
        return "".join(cells)

    def title(self):
        return self.desktop.title(self.window)

    def alive(self):
        return self.process.poll() is None and self.window in self.desktop.windows("plix.exe")

    # -- checks

    def expect(self, board, title, what, timeout=5):
        """Waits until the screen shows board and the title bar title."""
        seen = {}

        def probe():
            seen["board"], seen["title"] = self.board(), self.title()
            return seen["board"] == board and seen["title"] == title

        try:
            wait_for(probe, timeout, what)
        except Failure:
            self.desktop.shot("failed")
            raise Failure("%s: expected title %r and board\n%s\nbut the title is %r and the board\n%s" % (
                what, title, diagram(board), seen["title"], diagram(seen["board"])))

    def expect_still(self, board, title, what, settle=0.7):
        """Lets an input take effect, then checks that nothing changed."""
        time.sleep(settle)
        self.expect(board, title, what, timeout=0)

    # -- the menu bar and its popup

    def menu_command(self, index):
        self.desktop.click(*self.menu[index])

    def menu_popup_item(self, index, item):
        """Clicks a menu bar label, then the item-th label of the popup that opens under it."""
        before = set(self.desktop.windows("plix.exe"))
        self.desktop.click(*self.menu[index])

        def popup():
            new = {wid: geo for wid, geo in self.desktop.windows("plix.exe").items() if wid not in before and not geo[0]}
            return next(iter(new.values()), None)

        _, x, y, w, h = wait_for(popup, 5, "the popup menu")
        time.sleep(0.2)
        image = self.desktop.shot("popup-menu")
        labels = text_items(image, x + 2, y + 2, w - 4, h - 4)
        if len(labels) <= item:
            raise Failure("the popup menu shows %d labels, not %d" % (len(labels), item + 1))
        self.desktop.click(*labels[item])


class Dialog:
    """The opponent dialog, located through its caption and laid out in dialog units."""

    def __init__(self, desktop):
        self.desktop = desktop
        self.window, (x, y, w, h) = desktop.wait_window("plix.exe", DIALOG_CAPTION)
        time.sleep(0.3)
        image = desktop.capture()
        middle = x + w // 2
        caption = [j for j in range(y, y + h // 2) if is_colourful(image.pixel(middle, j))]
        if not caption:
            raise Failure("the opponent dialog has no active caption")
        frame = caption[0] - y
        self.left, self.top = x + frame, caption[-1] + 2
        self.unit_x = (w - 2 * frame) / DIALOG_DU[0]
        self.unit_y = (y + h - frame - self.top) / DIALOG_DU[1]

    def to_pixels(self, du):
        x, y, w, h = du
        return (int(self.left + x * self.unit_x), int(self.top + y * self.unit_y),
                int(w * self.unit_x), int(h * self.unit_y))

    def click(self, du):
        x, y, w, h = self.to_pixels(du)
        self.desktop.click(x + w // 2, y + h // 2)

    def checks(self, image=None):
        """The checked kind of each column (0 human, 1..3 levels), or None unless exactly one."""
        image = image or self.desktop.capture()
        result = {}
        for side, controls in RADIO_DU.items():
            checked = []
            for kind, du in enumerate(controls):
                x, y, w, h = self.to_pixels(du)
                # The dot of a checked radio button: dark pixels inside the circle at the left.
                dots = sum(is_black(image.pixel(i, j)) for i in range(x - 2, x + 16) for j in range(y, y + h))
                if dots >= 6:
                    checked.append(kind)
            result[side] = checked[0] if len(checked) == 1 else None
        return result["R"], result["B"]

    def expect_checks(self, red, blue, what):
        def probe():
            return self.checks() == (red, blue)

        try:
            wait_for(probe, 3, what)
        except Failure:
            self.desktop.shot("failed")
            raise Failure("%s: expected checks %s, the dialog shows %s" % (what, (red, blue), self.checks()))

    def close_with(self, du):
        self.click(du)
        self.desktop.wait_no_window("plix.exe", DIALOG_CAPTION)


# ---------------------------------------------------------------- message boxes


def box_image(desktop, program, caption):
    _, (x, y, w, h) = desktop.wait_window(program, caption)
    time.sleep(0.4)
    image = desktop.capture()
    return image, (x, y, w, h)


def expect_same_box(desktop, reference_exe, image, rect, text, caption, style, what):
    """Compares a box on the screen with the same text, caption and style drawn by the system."""
    box = image.crop(*rect)
    helper = desktop.launch(reference_exe, text.replace("\n", "\\n"), caption, str(style))
    ref_image, ref_rect = box_image(desktop, "reference_box.exe", caption)
    desktop.shot("reference-" + what, ref_image)
    # The reference box may open without the keyboard focus; it has done its part either way.
    desktop.key("Return")
    try:
        helper.wait(timeout=5)
    except subprocess.TimeoutExpired:
        helper.kill()
        helper.wait(timeout=5)
    desktop.wait_no_window("reference_box.exe", caption)
    reference = ref_image.crop(*ref_rect)
    if (box.width, box.height) != (reference.width, reference.height):
        raise Failure("%s: the box is %dx%d, the same text drawn by the system is %dx%d" % (
            what, box.width, box.height, reference.width, reference.height))
    # The caption is left out: the reference box may open inactive, and its text is the window
    # name that found the box.
    caption = [j for j in range(box.height // 2) if is_colourful(box.pixel(box.width // 2, j))]
    start = ((caption[-1] + 2) if caption else 0) * box.width * 3
    differing = sum(box.rgb[i : i + 3] != reference.rgb[i : i + 3] for i in range(start, len(box.rgb), 3))
    if differing:
        raise Failure("%s: the box differs from the expected text %r in %d pixels" % (what, text, differing))


def result_text(red, blue):
    if red > blue:
        verdict = " " * 8 + "先手の勝ち"
    elif blue > red:
        verdict = " " * 8 + "後手の勝ち"
    else:
        verdict = " " * 9 + "引き分け"
    return "先手(赤):%d  後手(青):%d\n%s" % (red, blue, verdict)


def overlaps(a, b):
    ax, ay, aw, ah = a
    bx, by, bw, bh = b
    return ax < bx + bw and bx < ax + aw and ay < by + bh and by < ay + ah


# ---------------------------------------------------------------- the scenario


def first_screen(desktop, plix):
    log("first screen: REVERSI, the four starting discs, clicks and Undo do nothing")
    image = desktop.shot("first-screen")
    if plix.board(image) != START or plix.title() != TITLE_IDLE:
        raise Failure("the first screen shows title %r and\n%s" % (plix.title(), diagram(plix.board(image))))
    desktop.shot("window", image.crop(*plix.rect))
    expect_close_button(image, plix.rect, "the main window")
    desktop.click(*plix.centre(4, 2))  # a legal square for red, but no game runs
    desktop.key("alt+r")
    plix.expect_still(START, TITLE_IDLE, "a click and Undo before Start")
    desktop.shot("click-before-start")


def human_opening(desktop, plix):
    log("human against human: Start from the menu bar, clicks, the title, Undo")
    plix.menu_command(MENU_START)
    plix.expect(START, TITLE_RED, "Start clicked on the menu bar")
    desktop.shot("started")
    plix.menu_command(MENU_UNDO)
    plix.expect_still(START, TITLE_RED, "Undo right after Start")

    desktop.click(*plix.centre(0, 0))  # empty, flips nothing
    desktop.click(*plix.centre(3, 3))  # occupied
    plix.expect_still(START, TITLE_RED, "clicks on an empty square that flips nothing and on a disc")

    after_red = play(START, 4, 2, RED)
    desktop.click(*plix.centre(4, 2))
    plix.expect(after_red, TITLE_BLUE, "red's legal click at column 4, row 2")
    desktop.shot("red-moved")
    desktop.click(*plix.centre(4, 1))  # red's square is no move for blue
    plix.expect_still(after_red, TITLE_BLUE, "blue's click on a square that flips nothing")

    after_blue = play(after_red, 3, 2, BLUE)
    desktop.click(*plix.centre(3, 2))
    plix.expect(after_blue, TITLE_RED, "blue's legal click at column 3, row 2")
    desktop.shot("blue-moved")

    plix.menu_command(MENU_UNDO)
    plix.expect(after_red, TITLE_BLUE, "Undo clicked on the menu bar after blue's move")
    desktop.shot("undone")
    desktop.key("alt+r")
    plix.expect_still(after_red, TITLE_BLUE, "a second Undo (Alt+R)")

    board = play(after_red, 5, 4, BLUE)
    desktop.click(*plix.centre(5, 4))
    plix.expect(board, TITLE_RED, "blue's other legal click after Undo")
    return board


def help_layout(image, rect):
    """The centres of the help window's button cells in reading order and its text area, from its
    pixels:
    the button bar is the band of button-face grey between the menu bar and the white text."""
    x, y, w, h = rect
    caption = [j for j in range(y, y + h // 4) if is_colourful(image.pixel(x + w // 2, j))]
    if not caption:
        raise Failure("the help window has no active caption")
    grey = [j for j in range(caption[-1] + 1, y + h // 2) if 225 <= min(image.pixel(x + w - 20, j)) < 252]
    bar = [(top, bottom) for top, bottom in bands([j in grey for j in range(y + h)], 2) if bottom - top > 10]
    if not bar:
        raise Failure("no button bar in the help window")
    top, bottom = bar[0]
    frame = caption[0] - y
    # Black label text only: the buttons' edges are grey, and so are disabled buttons' labels.
    labels = []
    rows = [any(is_black(image.pixel(i, j)) for i in range(x, x + w)) for j in range(top, bottom + 1)]
    for first, last in bands(rows, 3):
        columns = [any(is_black(image.pixel(i, j)) for j in range(top + first, top + last + 1))
                   for i in range(x, x + w)]
        labels += [(x + (a + b) // 2, top + (first + last) // 2) for a, b in bands(columns, 8)]
    # The viewer lays its buttons out in rows of equal cells; 概要 is always the first one.
    ys = sorted({ly for _, ly in labels})
    row = [lx for lx, ly in labels if ly == ys[0]]
    if len(ys) < 2 or len(row) < 2:
        raise Failure("the help's button bar shows labels at %s" % labels)
    cell = min(b - a for a, b in zip(row, row[1:]))
    per_row = round((row[-1] - row[0]) / cell) + 1
    slots = [(row[0] + cell * (k % per_row), ys[0] + (ys[1] - ys[0]) * (k // per_row)) for k in range(2 * per_row)]
    return slots, (x + frame + 4, bottom + 4, w - 2 * frame - 30, min(240, y + h - bottom - 12))


def help_viewer(desktop, plix, board):
    log("help: ヘルプ → ヘルプ opens the viewer, its buttons reach every topic, the game plays on")
    plix.menu_popup_item(MENU_HELP, 0)
    _, rect = desktop.wait_window(HELP_PROGRAM, HELP_CAPTION, timeout=20)
    text = lambda: desktop.capture().crop(*area).rgb
    time.sleep(1.0)
    image = desktop.shot("help-contents")
    desktop.shot("help-window", image.crop(*rect))
    expect_close_button(image, rect, "the help viewer")
    buttons, area = help_layout(image, rect)
    contents = image.crop(*area).rgb
    if all(contents[i : i + 3] == b"\xff\xff\xff" for i in range(0, len(contents), 3)):
        raise Failure("the help's contents page is blank")

    pages = [contents]
    for number, button in enumerate(buttons[3 : 3 + HELP_TOPIC_BUTTONS], 1):
        desktop.click(*button)
        wait_for(lambda: text() != pages[-1], 5, "topic %d after its button" % number)
        time.sleep(0.3)
        pages.append(text())
        desktop.shot("help-topic-%d" % number)
    if len(set(pages)) != len(pages):
        raise Failure("the help's buttons do not lead to %d different topics" % HELP_TOPIC_BUTTONS)
    desktop.click(*buttons[0])
    wait_for(lambda: text() == contents, 5, "the contents page again after 概要")

    for side, title in ((RED, TITLE_BLUE), (BLUE, TITLE_RED)):
        col, row = legal_moves(board, side)[0]
        board = play(board, col, row, side)
        desktop.click(*plix.centre(col, row))
        plix.expect(board, title, "a move for %s with the help %s" % (side, "open" if side == RED else "closed"))
        if side == RED:
            desktop.click(area[0] + area[2] // 2, area[1] + area[3] - 10)  # no link there
            desktop.key("alt+F4")
            desktop.wait_no_window(HELP_PROGRAM, HELP_CAPTION)
    return board


def exit_cancelled(desktop, plix, board, title, how, reference_exe=None):
    log("exit question through %s, answered with Cancel" % how)
    if how == "the close box":
        desktop.click(*plix.close_box)
    elif how == "Alt+F4":
        desktop.key("alt+F4")
    else:
        plix.menu_popup_item(MENU_SETTINGS, 1)
    image, rect = box_image(desktop, "plix.exe", EXIT_CAPTION)
    desktop.shot("exit-question", image)
    expect_close_button(image, rect, "the exit question")
    desktop.key("Escape")
    desktop.wait_no_window("plix.exe", EXIT_CAPTION)
    if not plix.alive():
        raise Failure("Cancel on the exit question after %s ended the program" % how)
    plix.expect_still(board, title, "the window after Cancel on the exit question")
    if reference_exe:
        expect_same_box(desktop, reference_exe, image, rect, EXIT_TEXT, EXIT_CAPTION, EXIT_STYLE, "exit-question")


def exit_confirmed(desktop, plix, how):
    log("exit question through %s, answered with OK" % how)
    if how == "the close box":
        desktop.click(*plix.close_box)
    else:
        plix.menu_popup_item(MENU_SETTINGS, 1)
    desktop.shot("exit-question", box_image(desktop, "plix.exe", EXIT_CAPTION)[0])
    desktop.key("Return")
    try:
        code = plix.process.wait(timeout=15)
    except subprocess.TimeoutExpired:
        desktop.shot("failed")
        raise Failure("plix.exe still runs 15 s after OK on the exit question (%s)" % how)
    if code != 0:
        raise Failure("plix.exe ended with exit code %d after OK on the exit question (%s)" % (code, how))
    desktop.shot("ended")


def opponent_dialog(desktop, plix):
    log("opponent dialog: a change cancelled, then blue at level 1 confirmed")
    plix.menu_popup_item(MENU_SETTINGS, 0)
    dialog = Dialog(desktop)
    dialog.expect_checks(0, 0, "the dialog's first opening")
    desktop.shot("dialog-first")
    dialog.click(RADIO_DU[RED][2])
    dialog.expect_checks(2, 0, "red's level 2 clicked")
    dialog.click(RADIO_DU[BLUE][3])
    dialog.expect_checks(2, 3, "blue's level 3 clicked")
    desktop.shot("dialog-changed")
    dialog.close_with(CANCEL_DU)

    desktop.key("alt+s", "t")
    dialog = Dialog(desktop)
    dialog.expect_checks(0, 0, "the dialog reopened (Alt+S, T) after Cancel")
    dialog.click(RADIO_DU[BLUE][1])
    dialog.expect_checks(0, 1, "blue's level 1 clicked")
    desktop.shot("dialog-blue-level-1")
    dialog.close_with(OK_DU)


def computer_reply(desktop, plix):
    log("red human, blue level 1: Start, red's click answered by blue")
    desktop.key("alt+g")
    plix.expect(START, TITLE_RED, "Start (Alt+G) with blue at level 1")
    after_red = play(START, 2, 4, RED)
    replies = {play(after_red, c, r, BLUE) for c, r in legal_moves(after_red, BLUE)}
    clicked = time.monotonic()
    desktop.click(*plix.centre(2, 4))
    wait_for(lambda: plix.board() in replies, 5, "blue's reply to red's click")
    elapsed = time.monotonic() - clicked
    desktop.shot("blue-replied")
    log("blue replied %.2f s after red's click" % elapsed)
    if elapsed > 1.0:
        raise Failure("blue replied %.2f s after red's click, not within a second" % elapsed)
    plix.expect(plix.board(), TITLE_RED, "the title after blue's reply")

    desktop.key("alt+r")
    plix.expect(START, TITLE_RED, "Undo after the computer's reply")
    desktop.key("alt+r")
    plix.expect_still(START, TITLE_RED, "a second Undo after the computer's reply")
    desktop.shot("reply-undone")


def computer_game(desktop, plix, reference_exe):
    log("computer against computer: red level 3, blue level 1, to the end")
    desktop.key("alt+s", "t")
    dialog = Dialog(desktop)
    dialog.expect_checks(0, 1, "the dialog after OK")
    dialog.click(RADIO_DU[RED][3])
    dialog.expect_checks(3, 1, "red's level 3 clicked")
    dialog.close_with(OK_DU)
    desktop.key("alt+g")

    discs = lambda: sum(cell != EMPTY for cell in plix.board())
    wait_for(lambda: discs() >= 8, 10, "four computer moves")
    desktop.key("alt+F4")
    box_image(desktop, "plix.exe", EXIT_CAPTION)
    under_box = discs()
    wait_for(lambda: discs() > under_box, 5, "a computer move while the exit question is open")
    desktop.shot("playing-under-exit-question")
    desktop.key("Escape")
    desktop.wait_no_window("plix.exe", EXIT_CAPTION)

    result_shown = lambda: any(geo[0] == RESULT_CAPTION for geo in desktop.windows("plix.exe").values())
    wait_for(lambda: discs() >= 36 or result_shown(), 40, "the middle of the game")
    if not result_shown():
        desktop.shot("window-mid-game", desktop.capture().crop(*plix.rect))
    _, rect = desktop.wait_window("plix.exe", RESULT_CAPTION, timeout=60)
    time.sleep(0.5)
    image = desktop.shot("result")
    board_rect = (plix.x0, plix.y0, 8 * plix.cell, 8 * plix.cell)
    if overlaps(rect, board_rect):
        raise Failure("the result box at %s covers the board at %s" % (rect, board_rect))
    final = plix.board(image)
    if "?" in final:
        raise Failure("unreadable squares in the final position\n%s" % diagram(final))
    if legal_moves(final, RED) or legal_moves(final, BLUE):
        raise Failure("the result box opened while a side can still move\n%s" % diagram(final))
    if plix.title() not in (TITLE_RED, TITLE_BLUE):
        raise Failure("title %r under the result box" % plix.title())
    red, blue = final.count(RED), final.count(BLUE)
    log("final position %d to %d" % (red, blue))
    desktop.key("Return")
    desktop.wait_no_window("plix.exe", RESULT_CAPTION)
    expect_same_box(desktop, reference_exe, image, rect, result_text(red, blue), RESULT_CAPTION, RESULT_STYLE,
                    "result")

    desktop.click(*plix.centre(0, 0))
    time.sleep(1.2)  # a tick, if the timer still ran, would move nothing either
    if plix.board() != final:
        raise Failure("the board changed after the end of the game")


# ---------------------------------------------------------------- what is shipped

# The archive is unpacked where a user might put it: a folder whose name holds a space and
# Japanese characters.
UNPACK_FOLDER = "リバーシ ゲーム"


def check_archive(path, expected):
    """The archive's layout and files; returns its one folder's name."""
    with zipfile.ZipFile(path) as archive:
        entries = archive.infolist()
        tops = {entry.filename.split("/")[0] for entry in entries}
        folder = tops.pop() if len(tops) == 1 else None
        if not folder or not re.fullmatch(r"plix-\d+(\.\d+)+", folder):
            raise Failure("the archive holds %s, not one folder plix-<version>/" % sorted(tops))
        files = sorted(e.filename[len(folder) + 1 :] for e in entries if not e.is_dir())
        if files != sorted(expected):
            raise Failure("the archive's folder holds %s, not %s" % (files, sorted(expected)))
        for entry in entries:
            # Without the UTF-8 flag an unpacker reads the name in its own code page.
            if not entry.filename.isascii() and not entry.flag_bits & 0x800:
                raise Failure("%s is stored without the UTF-8 name flag" % entry.filename)
        for name in files:
            data = archive.read(folder + "/" + name)
            if name.endswith(".txt"):
                if not data.startswith(b"\xef\xbb\xbf") or data.count(b"\n") != data.count(b"\r\n"):
                    raise Failure("%s is not UTF-8 with a byte-order mark and CRLF line ends" % name)
                data.decode("utf-8")
            if name == "plix.exe":
                # COFF header after "PE\0\0": PointerToSymbolTable, 0 once stripped.
                pe = struct.unpack_from("<I", data, 0x3C)[0]
                if data[pe : pe + 4] != b"PE\0\0" or struct.unpack_from("<I", data, pe + 12)[0]:
                    raise Failure("plix.exe in the archive is not a stripped PE file")
        log("%s: %s/ with %s" % (os.path.basename(path), folder, ", ".join(files)))
    return folder


def shipped(desktop, archive, folder):
    target = os.path.join(desktop.env["WINEPREFIX"], "drive_c", UNPACK_FOLDER)
    with zipfile.ZipFile(archive) as unpacked:
        unpacked.extractall(target)
    exe = "C:\\%s\\%s\\plix.exe" % (UNPACK_FOLDER, folder)
    log("the unpacked %s, started from its own folder as Explorer starts it" % exe)
    plix = Plix(desktop, exe, cwd=os.path.join(target, folder))
    desktop.shot("shipped-first-screen")
    desktop.key("alt+g")
    plix.expect(START, TITLE_RED, "Start (Alt+G) in the unpacked program")
    if os.path.exists(os.path.join(target, folder, "plix.hlp")):
        log("Help opens the viewer on the shipped plix.hlp")
        plix.menu_popup_item(MENU_HELP, 0)
        _, rect = desktop.wait_window(HELP_PROGRAM, HELP_CAPTION, timeout=20)
        time.sleep(0.5)
        image = desktop.shot("shipped-help")
        # A key press sent as the viewer opens can be lost; its close box is not.
        x, y, w, h = rect
        caption = [j for j in range(y, y + h // 2) if is_colourful(image.pixel(x + w // 2, j))]
        if not caption:
            raise Failure("the help viewer's window has no active caption")
        desktop.click(*close_button(caption, rect))
        desktop.wait_no_window(HELP_PROGRAM, HELP_CAPTION)
    exit_confirmed(desktop, plix, "the close box")


def installed(desktop, launcher, prefix):
    """The launcher a desktop entry runs: the game's window appears on the display."""
    env = {k: v for k, v in desktop.env.items() if not k.startswith(("WINE", "PLIX_WINE"))}
    log("starting %s" % launcher)
    process = subprocess.Popen([launcher], env=env, stdout=desktop.log_file,
                               stderr=desktop.log_file, start_new_session=True)
    desktop.processes.append(process)
    # So that close() ends the game's Wine server and programs.
    desktop.env["WINEPREFIX"] = desktop.env["PLIX_WINEPREFIX"] = prefix

    def in_prefix(window):
        """Whether the window's process runs in the install's own prefix."""
        pid = subprocess.run(["xdotool", "getwindowpid", str(window)], env=desktop.env,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=10).stdout
        try:
            with open("/proc/%d/environ" % int(pid), "rb") as environ:
                return ("WINEPREFIX=%s" % prefix).encode() in environ.read().split(b"\0")
        except (OSError, ValueError):
            return False

    def found():
        return [w for w, geo in desktop.windows("plix.exe").items()
                if geo[0] == TITLE_IDLE and in_prefix(w)]

    wait_for(found, 60, "the window %r of plix.exe in %s" % (TITLE_IDLE, prefix))
    desktop.shot("installed")
    log("the installed game's window %s is open" % TITLE_IDLE)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", help="plix.exe, played through")
    parser.add_argument("--reference-box", help="reference_box.exe (with --exe)")
    parser.add_argument("--archive", help="a shipped .zip instead: unpacked, started, closed")
    parser.add_argument("--expect", nargs="*", default=[], help="the files in --archive's folder")
    parser.add_argument("--launcher", help="an installed launcher instead: its window appears")
    parser.add_argument("--prefix", help="the Wine prefix that --launcher uses")
    parser.add_argument("--out", required=True, help="folder for the screenshots and logs")
    args = parser.parse_args()
    if not (args.exe and args.reference_box) and not args.archive and not (args.launcher and args.prefix):
        parser.error("give --exe and --reference-box, --archive, or --launcher and --prefix")
    for name in ("exe", "reference_box", "archive", "launcher", "prefix", "out"):
        if getattr(args, name):
            setattr(args, name, os.path.abspath(getattr(args, name)))

    for tool in ("Xvfb", "wine", "wineserver", "xdotool", "xwininfo", "import"):
        if shutil.which(tool) is None:
            print("plix_e2e: %s is not installed (scripts/setup.sh installs it)" % tool)
            return 1
    shutil.rmtree(args.out, ignore_errors=True)
    os.makedirs(args.out)

    def interrupted(signum, _frame):
        raise Failure("stopped by signal %d" % signum if signum != signal.SIGALRM else
                      "the test did not finish within %d s" % DEADLINE_S)

    for signum in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP, signal.SIGALRM):
        signal.signal(signum, interrupted)
    signal.alarm(DEADLINE_S)

    # The help viewer looks for plix.hlp in the game's working directory, as beside plix.exe.
    if args.exe:
        os.chdir(os.path.dirname(args.exe))
    desktop = Desktop(args.out)
    try:
        if args.launcher:
            desktop.start_display()
            installed(desktop, args.launcher, args.prefix)
            return 0
        folder = check_archive(args.archive, args.expect) if args.archive else None
        desktop.start()
        if args.archive:
            shipped(desktop, args.archive, folder)
            log("passed; screenshots in %s" % args.out)
            return 0
        plix = Plix(desktop, args.exe)
        first_screen(desktop, plix)
        board = human_opening(desktop, plix)
        board = help_viewer(desktop, plix, board)
        exit_cancelled(desktop, plix, board, TITLE_RED, "the close box", args.reference_box)
        opponent_dialog(desktop, plix)
        computer_reply(desktop, plix)
        computer_game(desktop, plix, args.reference_box)
        exit_confirmed(desktop, plix, "Exit in the 設定 menu")

        log("a second run: a fresh start, closed through Alt+F4 and the close box")
        plix = Plix(desktop, args.exe)
        if plix.board() != START or plix.title() != TITLE_IDLE:
            raise Failure("the second run does not start afresh")
        exit_cancelled(desktop, plix, START, TITLE_IDLE, "Alt+F4")
        exit_cancelled(desktop, plix, START, TITLE_IDLE, "Exit in the 設定 menu")
        exit_confirmed(desktop, plix, "the close box")
        log("passed; screenshots in %s" % args.out)
        return 0
    except (Failure, subprocess.SubprocessError, OSError) as error:
        signal.alarm(0)
        try:
            desktop.shot("failed")
        except Exception:  # the display may be gone already
            pass
        log("FAILED: %s" % error)
        log("screenshots and wine.log in %s" % args.out)
        return 1
    finally:
        signal.alarm(0)
        desktop.close()


if __name__ == "__main__":
    sys.exit(main())
