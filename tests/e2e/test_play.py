"""plix.exe played through as a person plays it, one step after another on one screen: a game of
two humans, the help, the exit question, the opponent dialog, the computer's reply and a game of
two computers to its result, then a second run closed in each of the ways there are."""

import os
import time
import types

import pytest

from desktop import Failure, check_appearance, log, wait_for
from plix_ui import (BLUE, CANCEL_DU, EMPTY, EXIT_CAPTION, HELP_CAPTION, HELP_PROGRAM, MENU_HELP,
                     MENU_SETTINGS, MENU_START, MENU_UNDO, OK_DU, RADIO_DU, RED, RESULT_CAPTION, RESULT_STYLE,
                     START, TITLE_BLUE, TITLE_IDLE, TITLE_RED, Dialog, Plix, box_image, caption_rows, crop, diagram,
                     exit_cancelled, exit_confirmed, expect_close_button, expect_glyphs, expect_same_box, help_layout,
                     legal_moves, overlaps, play, result_text, wait_active)

HELP_TOPIC_BUTTONS = 6  # after the viewer's own 概要, 索引 and 戻る


@pytest.fixture(scope="module")
def game(desktop, exe):
    """The running plix.exe and the position it shows, handed from step to step."""
    # The help viewer looks for plix.hlp in the game's working directory, as beside plix.exe.
    return types.SimpleNamespace(plix=Plix(desktop, exe, cwd=os.path.dirname(exe)), board=START)


# The first step also waits for the display, the prefix and the program.
@pytest.mark.timeout(180)
def test_first_screen(desktop, game):
    log("first screen: REVERSI, the four starting discs, clicks and Undo do nothing")
    plix = game.plix
    image = desktop.shot("first-screen")
    if plix.board(image) != START or plix.title() != TITLE_IDLE:
        raise Failure("the first screen shows title %r and\n%s" % (plix.title(), diagram(plix.board(image))))
    desktop.shot("window", crop(image, plix.rect))
    check_appearance(expect_close_button, image, plix.rect, "the main window")
    check_appearance(expect_glyphs, image, plix.above_board(), "the main window's menu bar")
    desktop.click(*plix.centre(4, 2))  # a legal square for red, but no game runs
    desktop.key("alt+r")
    plix.expect_still(START, TITLE_IDLE, "a click and Undo before Start")
    desktop.shot("click-before-start")


def test_human_opening(desktop, game):
    log("human against human: Start from the menu bar, clicks, the title, Undo")
    plix = game.plix
    plix.menu_command(MENU_START)
    plix.expect(START, TITLE_RED, "Start clicked on the menu bar")
    check_appearance(expect_glyphs, desktop.shot("started"), plix.above_board(), "the title after 開始")
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

    game.board = play(after_red, 5, 4, BLUE)
    desktop.click(*plix.centre(5, 4))
    plix.expect(game.board, TITLE_RED, "blue's other legal click after Undo")


def test_help_viewer(desktop, game):
    log("help: ヘルプ → ヘルプ opens the viewer, its buttons reach every topic, the game plays on")
    plix = game.plix
    plix.menu_popup_item(MENU_HELP, 0)
    _, rect = desktop.wait_window(HELP_PROGRAM, HELP_CAPTION, timeout=20)
    time.sleep(1.0)
    image = desktop.shot("help-contents")
    desktop.shot("help-window", crop(image, rect))
    check_appearance(expect_close_button, image, rect, "the help viewer")
    buttons, area = help_layout(image, rect)
    check_appearance(expect_glyphs, image, rect[:3] + (area[1] - rect[1],), "the help viewer's menus and buttons")
    caption_row = caption_rows(image, rect)[0] + 2
    text = lambda: crop(desktop.capture(), area).tobytes()
    contents = crop(image, area)
    if contents.getextrema() == ((255, 255),) * 3:
        raise Failure("the help's contents page is blank")

    pages = [contents.tobytes()]
    for number, button in enumerate(buttons[3 : 3 + HELP_TOPIC_BUTTONS], 1):
        desktop.click(*button)
        wait_for(lambda: text() != pages[-1], 5, "topic %d after its button" % number)
        time.sleep(0.3)
        pages.append(text())
        desktop.shot("help-topic-%d" % number)
    if len(set(pages)) != len(pages):
        raise Failure("the help's buttons do not lead to %d different topics" % HELP_TOPIC_BUTTONS)
    desktop.click(*buttons[0])
    wait_for(lambda: text() == pages[0], 5, "the contents page again after 概要")

    for side, title in ((RED, TITLE_BLUE), (BLUE, TITLE_RED)):
        col, row = legal_moves(game.board, side)[0]
        game.board = play(game.board, col, row, side)
        desktop.click(*plix.centre(col, row))
        plix.expect(game.board, title, "a move for %s with the help %s" % (side, "open" if side == RED else "closed"))
        if side == RED:
            desktop.click(area[0] + area[2] // 2, area[1] + area[3] - 10)  # no link there
            wait_active(desktop, (rect[0] + rect[2] // 2, caption_row), "the help viewer")
            desktop.key("alt+F4")
            desktop.wait_no_window(HELP_PROGRAM, HELP_CAPTION)


def test_exit_cancelled_close_box(desktop, game, reference_box):
    exit_cancelled(desktop, game.plix, game.board, TITLE_RED, "the close box", reference_box)


def test_opponent_dialog(desktop, game):
    log("opponent dialog: a change cancelled, then blue at level 1 confirmed")
    game.plix.menu_popup_item(MENU_SETTINGS, 0)
    dialog = Dialog(game.plix)
    dialog.expect_checks(0, 0, "the dialog's first opening")
    check_appearance(expect_glyphs, desktop.shot("dialog-first"), dialog.rect, "the opponent dialog")
    dialog.click(RADIO_DU[RED][2])
    dialog.expect_checks(2, 0, "red's level 2 clicked")
    dialog.click(RADIO_DU[BLUE][3])
    dialog.expect_checks(2, 3, "blue's level 3 clicked")
    desktop.shot("dialog-changed")
    dialog.close_with(CANCEL_DU)

    desktop.key("alt+s", "t")
    dialog = Dialog(game.plix)
    dialog.expect_checks(0, 0, "the dialog reopened (Alt+S, T) after Cancel")
    dialog.click(RADIO_DU[BLUE][1])
    dialog.expect_checks(0, 1, "blue's level 1 clicked")
    desktop.shot("dialog-blue-level-1")
    dialog.close_with(OK_DU)


def test_computer_reply(desktop, game):
    log("red human, blue level 1: Start, red's click answered by blue")
    plix = game.plix
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


@pytest.mark.timeout(150)
def test_computer_game(desktop, game, reference_box):
    log("computer against computer: red level 3, blue level 1, to the end")
    plix = game.plix
    desktop.key("alt+s", "t")
    dialog = Dialog(game.plix)
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
        desktop.shot("window-mid-game", crop(desktop.capture(), plix.rect))
    _, rect = desktop.wait_window("plix.exe", RESULT_CAPTION, timeout=60)
    time.sleep(0.5)
    image = desktop.shot("result")
    check_appearance(expect_glyphs, image, rect, "the result box")
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
    expect_same_box(desktop, reference_box, image, rect, result_text(red, blue), RESULT_CAPTION, RESULT_STYLE,
                    "result")

    desktop.click(*plix.centre(0, 0))
    time.sleep(1.2)  # a tick, if the timer still ran, would move nothing either
    if plix.board() != final:
        raise Failure("the board changed after the end of the game")


def test_exit_confirmed_menu(desktop, game):
    exit_confirmed(desktop, game.plix, "Exit in the 設定 menu")


def test_second_run(desktop, game, exe):
    log("a second run: a fresh start")
    game.plix = Plix(desktop, exe, cwd=os.path.dirname(exe))
    if game.plix.board() != START or game.plix.title() != TITLE_IDLE:
        raise Failure("the second run does not start afresh")


def test_exit_cancelled_alt_f4(desktop, game):
    exit_cancelled(desktop, game.plix, START, TITLE_IDLE, "Alt+F4")


def test_exit_cancelled_menu(desktop, game):
    exit_cancelled(desktop, game.plix, START, TITLE_IDLE, "Exit in the 設定 menu")


def test_exit_confirmed_close_box(desktop, game):
    exit_confirmed(desktop, game.plix, "the close box")
