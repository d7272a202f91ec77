"""plix.exe as a person sees it: the rules as the test's oracle, the board, caption, menu bar and
dialog read from the screen's pixels, and message boxes compared with the same texts drawn by
reference_box.exe (their texts cannot be read through X)."""

import subprocess
import time

from PIL import ImageChops

from desktop import Failure, check_appearance, log, wait_for

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

# ---------------------------------------------------------------- pixels


def crop(image, rect):
    x, y, w, h = rect
    return image.crop((x, y, x + w, y + h))


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
    px = image.load()
    items = []
    row_flags = [any(is_dark(px[x + i, y + j]) for i in range(w)) for j in range(h)]
    for top, bottom in bands(row_flags, row_gap):
        col_flags = [any(is_dark(px[x + i, y + j]) for j in range(top, bottom + 1)) for i in range(w)]
        for left, right in bands(col_flags, col_gap):
            items.append((x + (left + right) // 2, y + (top + bottom) // 2))
    return items


def caption_rows(image, rect, depth=2):
    """The rows of the active caption's colour down the middle of the window's upper part."""
    x, y, w, h = rect
    px = image.load()
    return [j for j in range(y, y + h // depth) if is_colourful(px[x + w // 2, j])]


def wait_active(desktop, caption_point, what):
    """Waits for a caption to take the active colour: a key pressed before that may be lost while
    the activation moves."""
    wait_for(lambda: is_colourful(desktop.capture().getpixel(caption_point)), 5, "%s to become active" % what)


def close_button(caption, rect):
    """The centre of the close button, from the caption's rows and the window's rectangle."""
    x, y, w, _ = rect
    return x + w - (caption[0] - y) - (caption[-1] - caption[0]) // 2 - 1, (caption[0] + caption[-1]) // 2


def covers_diagonals(ink):
    """Whether a set of pixels draws a cross: ink along both diagonals of its bounding box, end to
    end, whatever the antialiasing or a pixel's offset."""
    left, right = min(i for i, _ in ink), max(i for i, _ in ink)
    top, bottom = min(j for _, j in ink), max(j for _, j in ink)
    w, h = right - left, bottom - top
    if min(w, h) < 4 or not 0.6 < w / h < 1.6:
        return False
    near = lambda x, y: any((round(x) + dx, round(y) + dy) in ink for dx in (-1, 0, 1) for dy in (-1, 0, 1))
    steps = [(k + 0.5) / 10 for k in range(10)]
    return all(near(left + f * w, top + f * h) for f in steps) and all(near(right - f * w, top + f * h) for f in steps)


def expect_close_button(image, rect, what):
    """The close button shows a cross, as Wine draws it with its Marlett font (Wine 10 antialiased);
    without that font it shows the letter "r"."""
    caption = caption_rows(image, rect)
    if not caption:
        raise Failure("%s: no active caption" % what)
    cx, cy = close_button(caption, rect)
    half = (caption[-1] - caption[0]) // 2 - 3
    px = image.load()
    dark = {(i, j) for i in range(cx - half, cx + half + 1) for j in range(cy - half, cy + half + 1)
            if is_dark(px[i, j])}
    if len(dark) < 6:
        raise Failure("%s: the close button shows no glyph" % what)
    # The glyph is the shape nearest the centre: the button's own dark edges may lie in the square.
    glyph, pending = set(), [min(dark, key=lambda p: (p[0] - cx) ** 2 + (p[1] - cy) ** 2)]
    while pending:
        i, j = pending.pop()
        if (i, j) in dark and (i, j) not in glyph:
            glyph.add((i, j))
            pending += [(i + di, j + dj) for di in (-1, 0, 1) for dj in (-1, 0, 1)]
    if not covers_diagonals(glyph):
        raise Failure("%s: the close button's glyph is no cross (%d dark pixels that do not cover both diagonals):"
                      " is Wine's Marlett font registered?" % (what, len(glyph)))


def missing_glyphs(image, rect, ink=is_dark):
    """Where a font without the character drew a box instead, hollow or filled as Wine's version
    has it: the glyph-sized shapes in rect that are a solid rectangle, or that run all around their
    bounding box and leave its inside empty (no text of the program's has a character so shaped)."""
    x, y, w, h = rect
    px = image.load()
    inked = {(i, j) for i in range(x, x + w) for j in range(y, y + h) if ink(px[i, j])}
    boxes, seen = [], set()
    for start in sorted(inked):
        if start in seen:
            continue
        shape, pending = set(), [start]
        seen.add(start)
        while pending:
            i, j = pending.pop()
            shape.add((i, j))
            for near in ((i + 1, j), (i - 1, j), (i, j + 1), (i, j - 1)):
                if near in inked and near not in seen:
                    seen.add(near)
                    pending.append(near)
        left, right = min(i for i, _ in shape), max(i for i, _ in shape)
        top, bottom = min(j for _, j in shape), max(j for _, j in shape)
        width, height = right - left + 1, bottom - top + 1
        if not (5 <= width <= 80 and 7 <= height <= 40):
            continue
        box = (left, top, width, height)
        if len(shape) >= 0.9 * width * height:
            boxes.append(box)
            continue
        if width > 40 or any((i, j) in inked for i in range(left + 2, right - 1) for j in range(top + 2, bottom - 1)):
            continue
        # Each side drawn nearly end to end within two pixels of the box's edge.
        sides = ([any((i, j) in shape for j in (top, top + 1)) for i in range(left, right + 1)],
                 [any((i, j) in shape for j in (bottom, bottom - 1)) for i in range(left, right + 1)],
                 [any((i, j) in shape for i in (left, left + 1)) for j in range(top, bottom + 1)],
                 [any((i, j) in shape for i in (right, right - 1)) for j in range(top, bottom + 1)])
        if all(sum(side) >= 0.85 * len(side) for side in sides):
            boxes.append(box)
    return boxes


def expect_glyphs(image, rect, what):
    """Every character of a window drawn, none as an empty box: the caption's text (white or black,
    as Wine's version draws it) on the active caption left of its buttons, and the dark text under
    the caption."""
    x, y, w, h = rect
    caption = caption_rows(image, rect)
    if not caption:
        raise Failure("%s: no active caption" % what)
    frame, height = caption[0] - y, caption[-1] - caption[0] + 1
    title = (x + frame, caption[0], w - 2 * frame - 4 * height, height)
    below = (x + frame, caption[-1] + 1, w - 2 * frame, y + h - frame - caption[-1] - 1)
    boxes = missing_glyphs(image, title, lambda rgb: not is_colourful(rgb)) + missing_glyphs(image, below)
    if boxes:
        raise Failure("%s: %d characters drawn as boxes (by a font without them), at %s: is a Japanese"
                      " font set up in the Wine prefix?" % (what, len(boxes), boxes))


def help_layout(image, rect):
    """The centres of the help window's button cells in reading order and its text area, from its
    pixels: the button bar is the band of button-face grey between the menu bar and the white text."""
    x, y, w, h = rect
    px = image.load()
    caption = caption_rows(image, rect, depth=4)
    if not caption:
        raise Failure("the help window has no active caption")
    grey = [j for j in range(caption[-1] + 1, y + h // 2) if 225 <= min(px[x + w - 20, j]) < 252]
    bar = [(top, bottom) for top, bottom in bands([j in grey for j in range(y + h)], 2) if bottom - top > 10]
    if not bar:
        raise Failure("no button bar in the help window")
    top, bottom = bar[0]
    frame = caption[0] - y
    # Black label text only: the buttons' edges are grey, and so are disabled buttons' labels.
    labels = []
    rows = [any(is_black(px[i, j]) for i in range(x, x + w)) for j in range(top, bottom + 1)]
    for first, last in bands(rows, 3):
        columns = [any(is_black(px[i, j]) for j in range(top + first, top + last + 1)) for i in range(x, x + w)]
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

# ---------------------------------------------------------------- the main window and the dialog


class Plix:
    def __init__(self, desktop, exe, cwd=None, locale=None):
        self.desktop = desktop
        # Under another locale Wine's fonts draw parts of the menu labels as empty boxes, which the
        # label search splits apart: such a run plays by keys and the close box alone.
        self.read_menu = not locale
        self.menu = None
        self.process = desktop.launch(exe, cwd=cwd, locale=locale)
        self.window, self.rect = desktop.wait_window("plix.exe", TITLE_IDLE, timeout=20)
        # The frame, the caption and the menu bar are drawn shortly after the window appears.
        deadline = time.monotonic() + 10
        while True:
            try:
                self._measure(desktop.capture())
                break
            except Failure:
                if time.monotonic() > deadline:
                    raise
                time.sleep(0.3)

    def _measure(self, image):
        """Finds the board grid, the caption and (unless not to be read) the menu bar labels in the
        window's pixels."""
        x, y, w, h = self.rect
        px = image.load()
        rows = [j for j in range(y, y + h) if sum(is_black(px[i, j]) for i in range(x, x + w)) > w // 2]
        cols = [i for i in range(x, x + w) if sum(is_black(px[i, j]) for j in range(y, y + h)) > h // 2]
        if len(rows) < 8 or len(cols) < 8:
            raise Failure("no board grid in the window (%d rows, %d columns of lines)" % (len(rows), len(cols)))
        self.cell = rows[1] - rows[0]
        self.x0, self.y0 = cols[0], rows[0]
        if self.cell < 8 or cols[1] - cols[0] != self.cell or rows[7] - rows[0] != 7 * self.cell:
            raise Failure("irregular board grid: rows %s, columns %s" % (rows, cols))

        caption = [j for j in range(y, self.y0) if is_colourful(px[x + w // 2, j])]
        if not caption:
            raise Failure("no active caption above the board")
        self.close_box = close_button(caption, self.rect)
        self.caption_point = (x + w // 2, (caption[0] + caption[-1]) // 2)
        if self.read_menu:
            bar_top = caption[-1] + 2
            self.menu = text_items(image, self.x0, bar_top, w - 2 * (self.x0 - x), self.y0 - bar_top)
            if len(self.menu) != 4:
                raise Failure("expected 4 labels on the menu bar, found %d at %s" % (len(self.menu), self.menu))
        log("board at (%d, %d), squares of %d px; menu bar labels at %s" % (self.x0, self.y0, self.cell, self.menu))

    def above_board(self):
        """The window's frame, caption and menu bar."""
        x, y, w, _ = self.rect
        return x, y, w, self.y0 - y

    def centre(self, col, row):
        return self.x0 + col * self.cell + self.cell // 2, self.y0 + row * self.cell + self.cell // 2

    def board(self, image=None):
        px = (image or self.desktop.capture()).load()
        cells = []
        offset = max(1, self.cell // 5)
        for row in range(8):
            for col in range(8):
                cx, cy = self.centre(col, row)
                seen = {disc_at(px[cx + dx, cy + dy]) for dx, dy in
                        ((0, 0), (-offset, 0), (offset, 0), (0, -offset), (0, offset))}
                cells.append(seen.pop() if len(seen) == 1 else "?")
        return "".join(cells)

    def title(self):
        return self.desktop.title(self.window)

    def alive(self):
        return self.process.poll() is None and self.window in self.desktop.windows("plix.exe")

    def expect(self, board, title, what, timeout=5):
        """Waits until the screen shows board and the title bar title."""
        seen = {}

        def probe():
            seen["board"], seen["title"] = self.board(), self.title()
            return seen["board"] == board and seen["title"] == title

        try:
            wait_for(probe, timeout, what)
        except Failure:
            raise Failure("%s: expected title %r and board\n%s\nbut the title is %r and the board\n%s" % (
                what, title, diagram(board), seen["title"], diagram(seen["board"]))) from None

    def expect_still(self, board, title, what, settle=0.7):
        """Lets an input take effect, then checks that nothing changed."""
        time.sleep(settle)
        self.expect(board, title, what, timeout=0)

    def wait_active(self):
        wait_active(self.desktop, self.caption_point, "the main window")

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

    def __init__(self, plix):
        self.plix = plix
        self.desktop = desktop = plix.desktop
        self.window, self.rect = desktop.wait_window("plix.exe", DIALOG_CAPTION)
        x, y, w, h = self.rect
        time.sleep(0.3)
        caption = caption_rows(desktop.capture(), self.rect)
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

    def checks(self):
        """The checked kind of each column (0 human, 1..3 levels), or None unless exactly one."""
        px = self.desktop.capture().load()
        result = {}
        for side, controls in RADIO_DU.items():
            checked = []
            for kind, du in enumerate(controls):
                x, y, w, h = self.to_pixels(du)
                # The dot of a checked radio button: dark pixels inside the circle at the left.
                dots = sum(is_black(px[i, j]) for i in range(x - 2, x + 16) for j in range(y, y + h))
                if dots >= 6:
                    checked.append(kind)
            result[side] = checked[0] if len(checked) == 1 else None
        return result[RED], result[BLUE]

    def expect_checks(self, red, blue, what):
        try:
            wait_for(lambda: self.checks() == (red, blue), 3, what)
        except Failure:
            raise Failure("%s: expected checks %s, the dialog shows %s" % (what, (red, blue), self.checks())) from None

    def close_with(self, du):
        self.click(du)
        self.desktop.wait_no_window("plix.exe", DIALOG_CAPTION)
        self.plix.wait_active()

# ---------------------------------------------------------------- message boxes


def box_image(desktop, program, caption):
    _, rect = desktop.wait_window(program, caption)
    time.sleep(0.4)
    return desktop.capture(), rect


def expect_same_box(desktop, reference_exe, image, rect, text, caption, style, what):
    """Compares a box on the screen with the same text, caption and style drawn by the system."""
    box = crop(image, rect)
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
    reference = crop(ref_image, ref_rect)
    if box.size != reference.size:
        raise Failure("%s: the box is %dx%d, the same text drawn by the system is %dx%d" % (
            (what,) + box.size + reference.size))
    # The caption is left out: the reference box may open inactive, and its text is the window
    # name that found the box.
    caption = caption_rows(box, (0, 0) + box.size)
    top = (caption[-1] + 2) if caption else 0
    bands_differing = ImageChops.difference(box, reference).crop((0, top) + box.size).point(lambda v: 255 if v else 0)
    red, green, blue = bands_differing.split()
    differing = ImageChops.lighter(ImageChops.lighter(red, green), blue).histogram()[255]
    if differing:
        raise Failure("%s: the box differs from the expected text %r in %d pixels" % (what, text, differing))


def exit_cancelled(desktop, plix, board, title, how, reference_box=None):
    log("exit question through %s, answered with Cancel" % how)
    if how == "the close box":
        desktop.click(*plix.close_box)
    elif how == "Alt+F4":
        desktop.key("alt+F4")
    else:
        plix.menu_popup_item(MENU_SETTINGS, 1)
    image, rect = box_image(desktop, "plix.exe", EXIT_CAPTION)
    desktop.shot("exit-question", image)
    check_appearance(expect_close_button, image, rect, "the exit question")
    check_appearance(expect_glyphs, image, rect, "the exit question")
    desktop.key("Escape")
    desktop.wait_no_window("plix.exe", EXIT_CAPTION)
    if not plix.alive():
        raise Failure("Cancel on the exit question after %s ended the program" % how)
    plix.expect_still(board, title, "the window after Cancel on the exit question")
    if reference_box:
        expect_same_box(desktop, reference_box, image, rect, EXIT_TEXT, EXIT_CAPTION, EXIT_STYLE, "exit-question")


def exit_confirmed(desktop, plix, how, caption=EXIT_CAPTION):
    log("exit question through %s, answered with OK" % how)
    if how == "the close box":
        desktop.click(*plix.close_box)
    else:
        plix.menu_popup_item(MENU_SETTINGS, 1)
    desktop.shot("exit-question", box_image(desktop, "plix.exe", caption)[0])
    desktop.key("Return")
    try:
        code = plix.process.wait(timeout=15)
    except subprocess.TimeoutExpired:
        raise Failure("plix.exe still runs 15 s after OK on the exit question (%s)" % how) from None
    if code != 0:
        raise Failure("plix.exe ended with exit code %d after OK on the exit question (%s)" % (code, how))
    desktop.shot("ended")


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
