"""An X display of its own with a Wine prefix whose programs share one virtual desktop, used as a
person uses it: windows found by their program and title, mouse clicks and key presses through
XTest, and the screen read back as pixels.

The display is the one xvfb-run gives each run (tests/e2e/CMakeLists.txt), windows and input come
from python-xlib, screen grabs from Pillow.
"""

import os
import shutil
import subprocess
import tempfile
import time

from PIL import ImageGrab
from Xlib import X, XK, display as xdisplay
from Xlib.error import XError
from Xlib.ext import xtest

# Wine's virtual desktop is smaller than the X screen (1280x1024, tests/e2e/CMakeLists.txt): a
# desktop as large as the screen would take over the root window, and Wine would no longer draw
# the frames and captions.
DESKTOP_W, DESKTOP_H = 1024, 768
WINE_SH = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "wine", "wine.sh")
STARTED = time.monotonic()


class Failure(Exception):
    pass


# How things look, where it does not stop the play (a glyph, a caption button): a failed check is
# recorded here and the step goes on; conftest.py fails the step at its end without skipping the
# steps after it, so that one run reports every fault.
appearance_problems = []


def check_appearance(check, *args):
    try:
        check(*args)
    except Failure as failure:
        log("looks wrong: %s" % failure)
        appearance_problems.append(str(failure))


def log(message):
    print("[%6.1fs] %s" % (time.monotonic() - STARTED, message), flush=True)


def wait_for(probe, timeout, what, interval=0.1):
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("timed out after %.1f s waiting for %s" % (timeout, what))
        time.sleep(interval)


class Desktop:
    """The X display, a fresh Wine prefix with a virtual desktop under ja_JP.UTF-8, and what runs in it."""

    def __init__(self, out_dir):
        self.out_dir = out_dir
        self.temp = tempfile.mkdtemp(prefix="plix-e2e-")
        # The test command ends the Wine of a run whose owner died before its own cleanup.
        with open(os.path.join(self.temp, "owner"), "w") as f:
            f.write(str(os.getpid()))
        self.processes = []
        self.x = None
        self.env = None
        self.shot_number = 0
        self.log_file = open(os.path.join(out_dir, "wine.log"), "wb")

    # -- setting up and tearing down

    def start(self):
        self.start_display()
        self.prepare_prefix()

    def start_display(self):
        for tool in ("wine", "wineserver"):
            if shutil.which(tool) is None:
                raise Failure("%s is not installed (scripts/setup.sh installs it)" % tool)
        display = os.environ.get("DISPLAY")
        if not display:
            raise Failure("no X display: run this under xvfb-run, as ctest does")
        self.x = xdisplay.Display(display)
        self.root = self.x.screen().root
        self.atoms = {name: self.x.intern_atom(name) for name in ("_NET_WM_NAME", "_NET_WM_PID", "UTF8_STRING")}

        env = {k: v for k, v in os.environ.items() if not k.startswith(("WINE", "PLIX_", "WAYLAND", "LC_"))}
        # Wine's own settings (locale, overrides, debug output) come from tests/wine/wine.sh.
        env.update(DISPLAY=display, WINEPREFIX=os.path.join(self.temp, "prefix"))
        env["PLIX_WINEPREFIX"] = env["WINEPREFIX"]
        # The 32-bit build runs in a 32-bit prefix, as on 32-bit Windows.
        if os.environ.get("PLIX_WINEARCH"):
            env["PLIX_WINEARCH"] = env["WINEARCH"] = os.environ["PLIX_WINEARCH"]
        self.env = env
        log("display %s, Wine prefix %s" % (display, env["WINEPREFIX"]))

    def prepare_prefix(self):
        # The project's own prefix set-up, under a persistent server (see tests/wine/wine.sh).
        self.run([WINE_SH, "start"], timeout=120)
        # A virtual desktop set in the registry: Wine draws the frames, captions and menu bars, and
        # "wine program.exe" still hands back the program's exit code.
        self.run([WINE_SH, "exec", "reg", "add", r"HKCU\Software\Wine\Explorer", "/v", "Desktop", "/d", "Default", "/f"])
        self.run([WINE_SH, "exec", "reg", "add", r"HKCU\Software\Wine\Explorer\Desktops", "/v", "Default",
                  "/d", "%dx%d" % (DESKTOP_W, DESKTOP_H), "/f"])
        # The desktop that the set-up opened is not the virtual one: start the server afresh.
        self.run([WINE_SH, "stop"], timeout=30)
        self.run([WINE_SH, "start"], timeout=60)
        log("Wine prefix ready")

    def close(self):
        """Ends what start() and launch() started, also after a failure."""
        if self.env is not None:
            try:
                subprocess.run([WINE_SH, "stop"], env=self.env, timeout=30,
                               stdout=self.log_file, stderr=self.log_file)
            except (OSError, subprocess.SubprocessError):
                pass
        for process in self.processes:
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait(timeout=5)
        if self.x is not None:
            try:
                self.x.close()
            except Exception:  # a connection broken by the deadline's interruption
                pass
        shutil.rmtree(self.temp, ignore_errors=True)
        self.log_file.close()

    # -- programs

    def run(self, command, timeout=30, cwd=None):
        result = subprocess.run(command, env=self.env, timeout=timeout, stdout=subprocess.PIPE,
                                stderr=self.log_file, cwd=cwd)
        if result.returncode != 0:
            raise Failure("%s failed with exit code %d" % (" ".join(command), result.returncode))
        return result.stdout

    def launch(self, *command, cwd=None, locale=None):
        """Starts a Wine program; locale names another Unix locale than the Japanese one of tests/wine/wine.sh."""
        env = dict(self.env, PLIX_WINE_LOCALE=locale) if locale else self.env
        process = subprocess.Popen([WINE_SH, "exec"] + list(command), env=env, stdout=self.log_file,
                                   stderr=self.log_file, cwd=cwd)
        self.processes.append(process)
        return process

    # -- windows

    def _name(self, window):
        prop = window.get_full_property(self.atoms["_NET_WM_NAME"], self.atoms["UTF8_STRING"])
        if prop is not None:
            value = prop.value
            return (value.decode("utf-8", "replace") if isinstance(value, bytes) else str(value))
        name = window.get_wm_name()
        return name.decode("latin-1") if isinstance(name, bytes) else (name or "")

    def windows(self, program):
        """Visible windows of a program, at any depth of the window tree: {id: (name, x, y, w, h)}."""
        result = {}
        pending = list(self.root.query_tree().children)
        while pending:
            window = pending.pop()
            try:
                pending += window.query_tree().children
                wm_class = window.get_wm_class()
                if not wm_class or wm_class[0] != program:
                    continue
                if window.get_attributes().map_state != X.IsViewable:
                    continue
                geometry = window.get_geometry()
                origin = window.translate_coords(self.root, 0, 0)
                if geometry.width > 1 and geometry.height > 1:
                    result[window.id] = (self._name(window), -origin.x, -origin.y, geometry.width, geometry.height)
            except XError:  # the window went away while it was looked at
                continue
        return result

    def pid(self, window):
        """The process that owns a window, as Wine announces it; None when it does not."""
        try:
            prop = self.x.create_resource_object("window", window).get_full_property(
                self.atoms["_NET_WM_PID"], X.AnyPropertyType)
        except XError:
            return None
        return int(prop.value[0]) if prop is not None and len(prop.value) else None

    def title(self, window):
        try:
            return self._name(self.x.create_resource_object("window", window))
        except XError:
            return ""

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
        xtest.fake_input(self.x, X.MotionNotify, x=x, y=y)
        self.x.sync()
        xtest.fake_input(self.x, X.ButtonPress, 1)
        xtest.fake_input(self.x, X.ButtonRelease, 1)
        self.x.sync()

    def key(self, *keys):
        """Presses key combinations such as "alt+F4" or "Return", one after another."""
        names = {"alt": "Alt_L", "ctrl": "Control_L", "shift": "Shift_L"}
        for combination in keys:
            codes = []
            for name in combination.split("+"):
                keysym = XK.string_to_keysym(names.get(name, name))
                code = self.x.keysym_to_keycode(keysym)
                if not code:
                    raise Failure("no key for %r on this display" % name)
                codes.append(code)
            for code in codes:
                xtest.fake_input(self.x, X.KeyPress, code)
                self.x.sync()
                time.sleep(0.03)
            for code in reversed(codes):
                xtest.fake_input(self.x, X.KeyRelease, code)
                self.x.sync()
            time.sleep(0.06)

    def capture(self):
        return ImageGrab.grab(xdisplay=self.env["DISPLAY"]).convert("RGB")

    def shot(self, name, image=None):
        image = image or self.capture()
        self.shot_number += 1
        image.save(os.path.join(self.out_dir, "%02d-%s.png" % (self.shot_number, name)))
        return image
