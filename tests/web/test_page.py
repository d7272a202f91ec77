"""The page in a real browser, from file://: its texts against the sources of plix.exe, the menu,
the opponent dialog, human moves and Undo, a whole computer game to its result box against the
native driver's result for the same clock, resizing, About, Help and the exit question."""

import os
import subprocess
import tempfile
import time

import pytest
from PIL import Image
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions.action_builder import ActionBuilder
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

import make_page

SOURCE_DIR = os.path.join(os.path.dirname(__file__), "..", "..")
TEXTS = make_page.program_texts(SOURCE_DIR)
MENU, DIALOG_CAPTION, CONTROLS = make_page.resources(SOURCE_DIR)
TITLES = {"red": TEXTS["kTitleRed"], "blue": TEXTS["kTitleBlue"]}


def wait(browser, condition, timeout=10):
    return WebDriverWait(browser, timeout, poll_frequency=0.05).until(lambda driver: condition())


def open_page(browser, page, seed=None):
    if seed is not None:
        # The seed is the time of Start: the clock stands still at it.
        browser.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument",
                                {"source": "Date.now = () => %d;" % (seed * 1000 + 500)})
    browser.get("file://%s/index.html" % page)
    wait(browser, lambda: browser.execute_script(
        "return performance.getEntriesByName('plix-first-paint').length") == 1)


def titles(browser):
    return browser.title, browser.find_element(By.ID, "title").text


def command(browser, number):
    item = browser.find_element(By.CSS_SELECTOR, "[data-command='%d']" % number)
    popup = item.find_elements(By.XPATH, "ancestor::div[@role='menu']")
    if popup:
        popup[0].find_element(By.XPATH, "preceding-sibling::button").click()
    item.click()


def access_key(browser, key):
    ActionChains(browser).key_down(Keys.ALT).send_keys(key).key_up(Keys.ALT).perform()


def cell_size(browser):
    width, height = browser.execute_script(
        "const c = document.getElementById('client'); return [c.clientWidth, c.clientHeight];")
    return min(width, height) // 8


def colour_at(browser, x, y):
    red, green, blue = browser.execute_script(
        "return Array.from(document.getElementById('board').getContext('2d')"
        ".getImageData(arguments[0], arguments[1], 1, 1).data.slice(0, 3));", x, y)
    return {(255, 0, 0): "red", (0, 0, 255): "blue", (255, 255, 255): ""}.get((red, green, blue), "?")


def disc(browser, column, row):
    cell = cell_size(browser)
    return colour_at(browser, column * cell + cell // 2, row * cell + cell // 2)


def press(browser, x, y):
    top = browser.execute_script("return document.getElementById('board').getBoundingClientRect().top;")
    actions = ActionBuilder(browser)
    actions.pointer_action.move_to_location(x, int(top) + y).click()
    actions.perform()


def press_square(browser, column, row):
    cell = cell_size(browser)
    press(browser, column * cell + cell // 2, row * cell + cell // 2)


def tap_square(browser, column, row):
    cell = cell_size(browser)
    top = browser.execute_script("return document.getElementById('board').getBoundingClientRect().top;")
    point = {"x": column * cell + cell // 2, "y": int(top) + row * cell + cell // 2}
    browser.execute_cdp_cmd("Input.dispatchTouchEvent", {"type": "touchStart", "touchPoints": [point]})
    browser.execute_cdp_cmd("Input.dispatchTouchEvent", {"type": "touchEnd", "touchPoints": []})


def native_game(selfplay, seed, red, blue):
    """The native driver's moves as (side, column, row), the final counts and the result text."""
    trace = subprocess.run([selfplay, str(seed), str(red), str(blue)], check=True,
                           capture_output=True, text=True).stdout.splitlines()
    moves = [(side, int(column), int(row)) for _, side, column, row in
             (line.split() for line in trace if line.startswith("move "))]
    red_count, blue_count = map(int, trace[-1].split()[1:])
    result = TEXTS["kResultRedWins" if red_count > blue_count else
                   "kResultBlueWins" if blue_count > red_count else "kResultDraw"]
    return moves, result % (red_count, blue_count)


def message_box(browser):
    """Caption and text of the topmost open box, or None."""
    shown = browser.execute_script(
        "const boxes = document.querySelectorAll('dialog.box[open][role=alertdialog]');"
        "const box = boxes[boxes.length - 1];"
        "return box ? [box.querySelector('.caption').textContent, box.querySelector('.text').textContent] : null;")
    return tuple(shown) if shown else None


def answer_box(browser, value):
    browser.find_elements(By.CSS_SELECTOR, "dialog[open][role=alertdialog] button[value='%s']" % value)[-1].click()


def set_opponents(browser, red, blue, button="ok"):
    command(browser, 101)
    dialog = browser.find_element(By.ID, "opponent")
    checked = [dialog.find_element(By.CSS_SELECTOR, "input[name='%s']:checked" % side).get_attribute("value")
               for side in ("red", "blue")]
    for side, kind in (("red", red), ("blue", blue)):
        dialog.find_element(By.CSS_SELECTOR, "input[name='%s'][value='%d']" % (side, kind)).click()
    dialog.find_element(By.CSS_SELECTOR, "button[value='%s']" % button).click()
    return checked


def board_picture(browser):
    return browser.execute_script("return document.getElementById('board').toDataURL();")


def test_texts_are_those_of_the_program(browser, page):
    open_page(browser, page)
    assert titles(browser) == (TEXTS["kTitleIdle"], TEXTS["kTitleIdle"])
    # The titles in texts.h (code page 932) and the dialog's headings in plix.rc (UTF-16) are
    # the same words, encoded two ways: a decoding slip shows here.
    statics = [text for text, number in CONTROLS if number == -1]
    assert statics == [TEXTS["kTitleRed"], TEXTS["kTitleBlue"]]

    bar = browser.find_elements(By.CSS_SELECTOR, ".menubar > button, .menubar > .menu > button")
    assert [entry.get_attribute("textContent") for entry in bar] == [text.replace("&", "") for text, _, _ in MENU]
    assert [entry.get_attribute("accesskey") for entry in bar] == [
        text[text.index("&") + 1].lower() for text, _, _ in MENU]
    items = browser.find_elements(By.CSS_SELECTOR, ".popup > *")
    assert [item.get_attribute("textContent") for item in items] == [
        item[0].replace("&", "") if item else "" for _, _, popup in MENU if popup for item in popup]

    dialog = browser.find_element(By.ID, "opponent")
    shown = [element.get_attribute("textContent") for element in
             dialog.find_elements(By.CSS_SELECTOR, ".caption, legend, label, button")]
    radios = [text for text, number in CONTROLS if number > 100]
    buttons = [text for text, number in CONTROLS if number in (1, 2)]
    assert shown == [DIALOG_CAPTION, statics[0], *radios[:4], statics[1], *radios[4:], *buttons]

    # Nothing but the page's own folder is loaded, and nothing is kept.
    loaded = browser.execute_script(
        "return Array.from(document.querySelectorAll('[src], [href]'),"
        " e => e.getAttribute('src') || e.getAttribute('href'));")
    assert loaded == ["plix.js"] and os.path.exists(os.path.join(page, "plix.js"))
    assert "url(" not in browser.execute_script("return document.querySelector('style').textContent;")
    assert browser.execute_script(
        "return document.cookie + localStorage.length + sessionStorage.length;") == "00"


def test_opponent_dialog_commits_on_ok_only(browser, page, out):
    open_page(browser, page)
    assert set_opponents(browser, 2, 0, "cancel") == ["0", "0"]
    assert set_opponents(browser, 1, 3) == ["0", "0"]
    # Reached by the access keys; opens with the kinds committed.
    access_key(browser, "s")
    ActionChains(browser).send_keys("t").perform()
    dialog = browser.find_element(By.ID, "opponent")
    wait(browser, dialog.is_displayed)
    browser.save_screenshot(os.path.join(out, "opponent-dialog.png"))
    assert [dialog.find_element(By.CSS_SELECTOR, "input[name='%s']:checked" % side).get_attribute("value")
            for side in ("red", "blue")] == ["1", "3"]
    dialog.find_element(By.CSS_SELECTOR, "input[name='red'][value='0']").click()
    ActionChains(browser).send_keys(Keys.ESCAPE).perform()
    wait(browser, lambda: not dialog.is_displayed())
    assert set_opponents(browser, 0, 0) == ["1", "3"]


def test_clicks_undo_and_resizing(browser, page):
    open_page(browser, page)
    press_square(browser, 2, 4)
    assert disc(browser, 2, 4) == "" and titles(browser)[0] == TEXTS["kTitleIdle"]
    access_key(browser, "g")
    wait(browser, lambda: titles(browser) == (TITLES["red"], TITLES["red"]))

    before = board_picture(browser)
    press_square(browser, 3, 3)  # occupied
    cell = cell_size(browser)
    press(browser, 8 * cell + 4, cell // 2)  # right of the board
    time.sleep(0.3)
    assert board_picture(browser) == before and titles(browser)[0] == TITLES["red"]

    press_square(browser, 2, 4)
    wait(browser, lambda: titles(browser)[0] == TITLES["blue"])
    assert (disc(browser, 2, 4), disc(browser, 3, 4)) == ("red", "red")
    access_key(browser, "r")
    wait(browser, lambda: titles(browser)[0] == TITLES["red"])
    assert (disc(browser, 2, 4), disc(browser, 3, 4)) == ("", "blue")

    # A wide window: the board in the top-left corner at the new square size, white beside it.
    browser.set_window_size(900, 420)
    wait(browser, lambda: cell_size(browser) != cell)
    cell = cell_size(browser)
    wait(browser, lambda: disc(browser, 3, 3) == "red")
    assert colour_at(browser, 8 * cell + 40, cell * 3 + cell // 2) == ""
    tap_square(browser, 2, 4)
    wait(browser, lambda: disc(browser, 2, 4) == "red")


def test_computer_game_ends_with_the_native_result(browser, page, selfplay, out):
    seed, red, blue = 1765400000, 1, 2
    moves, result = native_game(selfplay, seed, red, blue)

    open_page(browser, page, seed)
    set_opponents(browser, red, blue)
    command(browser, 103)
    time.sleep(1.2)
    # Ticks keep coming while a modal box is open: the computer plays on under About.
    command(browser, 106)
    assert message_box(browser) == (TEXTS["kAboutCaption"], TEXTS["kAboutText"])
    before = board_picture(browser)
    wait(browser, lambda: board_picture(browser) != before)
    browser.save_screenshot(os.path.join(out, "about-over-a-game.png"))
    answer_box(browser, "ok")

    wait(browser, lambda: message_box(browser) is not None, timeout=60)
    assert message_box(browser) == (TEXTS["kResultCaption"], result)
    # Under the box: the final position, with the title of the side that moved last.
    assert titles(browser)[0] == TITLES[moves[-1][0]]
    browser.save_screenshot(os.path.join(out, "result.png"))
    answer_box(browser, "ok")
    time.sleep(0.2)
    assert titles(browser)[0] == TITLES[moves[-1][0]]
    browser.set_window_size(500, 600)
    wait(browser, lambda: titles(browser)[0] == TEXTS["kTitleIdle"])


def test_ticks_under_the_result_box_of_a_human_game(browser, page, selfplay):
    """The timer keeps running when the dialog turns the computer side human mid-game; its ticks
    then reach the session while the result box holds the C++ stack unwound, as WM_TIMER does
    under MessageBoxA, and change nothing; the page goes on afterwards."""
    moves, result = native_game(selfplay, 1765400007, 1, 1)
    open_page(browser, page)
    set_opponents(browser, 0, 1)
    command(browser, 103)
    set_opponents(browser, 0, 0)
    for number, (side, column, row) in enumerate(moves):
        if number == len(moves) - 1:
            browser.execute_script(
                "window.ticks = 0; const tick = Module._WindowTick;"
                "Module._WindowTick = () => { window.ticks++; tick(); };")
        wait(browser, lambda: titles(browser)[0] == TITLES[side])
        press_square(browser, column, row)
    wait(browser, lambda: message_box(browser) is not None)
    assert message_box(browser) == (TEXTS["kResultCaption"], result)
    ticks = browser.execute_script("return window.ticks;")
    wait(browser, lambda: browser.execute_script("return window.ticks;") >= ticks + 2)
    assert message_box(browser) == (TEXTS["kResultCaption"], result)
    assert titles(browser)[0] == TITLES[moves[-1][0]]
    answer_box(browser, "ok")
    command(browser, 103)
    wait(browser, lambda: titles(browser)[0] == TITLES["red"] and disc(browser, 2, 4) == "")
    press_square(browser, 2, 4)
    wait(browser, lambda: disc(browser, 2, 4) == "red")


def test_about_help_and_exit(browser, page):
    open_page(browser, page)
    command(browser, 106)
    assert message_box(browser) == (TEXTS["kAboutCaption"], TEXTS["kAboutText"])
    answer_box(browser, "ok")

    window = browser.current_window_handle
    command(browser, 105)
    wait(browser, lambda: len(browser.window_handles) == 2)
    browser.switch_to.window([handle for handle in browser.window_handles if handle != window][0])
    assert browser.current_url.endswith("/plix-help.html")
    browser.find_element(By.CSS_SELECTOR, "a[href='plix-help.en.html']").click()
    wait(browser, lambda: browser.current_url.endswith("/plix-help.en.html"))
    browser.close()
    browser.switch_to.window(window)

    command(browser, 102)
    assert message_box(browser) == (TEXTS["kExitCaption"], TEXTS["kExitQuestion"])
    answer_box(browser, "cancel")
    access_key(browser, "g")
    wait(browser, lambda: titles(browser)[0] == TITLES["red"])
    command(browser, 102)
    answer_box(browser, "ok")
    wait(browser, lambda: not browser.find_elements(By.ID, "window"))


def test_firefox_renders_the_page(page, out):
    """Firefox's headless screenshot is taken at the load event, before the module has started
    and painted: it shows the window's frame, title bar and menu, not yet the board."""
    if not os.path.exists("/usr/bin/firefox-esr"):
        pytest.skip("no firefox-esr")
    shot = os.path.join(out, "firefox.png")
    with tempfile.TemporaryDirectory() as profile:
        subprocess.run(["/usr/bin/firefox-esr", "--headless", "--no-remote", "--profile", profile,
                        "--window-size=480,560", "--screenshot", shot, "file://%s/index.html" % page],
                       check=True, capture_output=True, timeout=90, env=dict(os.environ, HOME=profile))
    title_bar = Image.open(shot).convert("RGB").getpixel((300, 5))
    assert title_bar == (0x0A, 0x24, 0x6A)
