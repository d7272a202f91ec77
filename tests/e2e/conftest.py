"""The options that ctest passes, a started Desktop per test file that is torn down after it also
on failure, a screenshot of the screen at each failure, and steps that build on each other: once
one fails, the later ones in its file are skipped."""

import os
import shutil
import signal
import subprocess

import pytest

from desktop import WINE_SH, Desktop, appearance_problems


def pytest_addoption(parser):
    group = parser.getgroup("plix")
    group.addoption("--exe", help="plix.exe, played through")
    group.addoption("--reference-box", help="reference_box.exe, draws the message boxes expected")
    group.addoption("--archive", help="a shipped .zip: unpacked, started, closed")
    group.addoption("--expect", nargs="*", default=[], help="the files in the archive's folder")
    group.addoption("--launcher", help="an installed launcher: its window appears")
    group.addoption("--prefix", help="the Wine prefix that --launcher uses")
    group.addoption("--out", required=True, help="folder for the screenshots and wine.log")


def pytest_configure(config):
    # Stopped from outside, a run still ends its Wine: pytest tears down as after Ctrl+C (xvfb-run
    # then ends the display).
    for signum in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(signum, signal.default_int_handler)


def option(name):
    """A session fixture for an option that the test file needs, as an absolute path."""

    @pytest.fixture(scope="session", name=name)
    def value(request):
        given = request.config.getoption(name)
        if not given:
            raise pytest.UsageError("this test needs --%s" % name.replace("_", "-"))
        return os.path.abspath(given)

    return value


exe, reference_box, archive, launcher, prefix = map(option, ("exe", "reference_box", "archive", "launcher", "prefix"))


@pytest.fixture(scope="session")
def out(request):
    path = os.path.abspath(request.config.getoption("out"))
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path


@pytest.fixture(scope="module")
def display(out):
    """The X display alone, without a prefix of its own."""
    desktop = Desktop(out)
    try:
        desktop.start_display()
        yield desktop
    finally:
        desktop.close()


@pytest.fixture(scope="module")
def desktop(display):
    display.prepare_prefix()
    return display


# Exit status 77 is what ctest reports as a skip.
SKIPPED = 77


def pytest_collection_finish(session):
    # Wine tests of a prefix that this machine cannot run (a 32-bit one where i386 code does not
    # execute) test nothing: a skip with tests/wine/wine.sh's reason, never a pass or a failure.
    if not any("display" in item.fixturenames for item in session.items):
        return
    check = subprocess.run([WINE_SH, "check"], capture_output=True, text=True)
    if check.returncode == SKIPPED:
        pytest.exit(check.stderr.strip(), returncode=SKIPPED)


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    report = (yield).get_result()
    if report.when == "call" and appearance_problems:
        problems = "\n".join(appearance_problems)
        appearance_problems.clear()
        if report.passed:
            report.outcome = "failed"
            report.longrepr = "looks wrong (the steps after this one still run):\n" + problems
            return
        report.sections.append(("looks wrong", problems))
    if not report.failed:
        return
    item.module.plix_failed = item.name
    desktop = item.funcargs.get("display") if hasattr(item, "funcargs") else None
    if desktop is not None and desktop.x is not None:
        try:
            desktop.shot("failed")
        except Exception:  # the display may be gone already
            pass


def pytest_runtest_setup(item):
    failed = getattr(item.module, "plix_failed", None)
    if failed:
        pytest.skip("%s failed, and this step builds on it" % failed)


def pytest_sessionfinish(session, exitstatus):
    # A run whose tests were all skipped tested nothing.
    reporter = session.config.pluginmanager.get_plugin("terminalreporter")
    if exitstatus == 0 and not (reporter and reporter.stats.get("passed")):
        session.exitstatus = pytest.ExitCode.NO_TESTS_COLLECTED
