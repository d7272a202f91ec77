"""The options that ctest passes, and a headless Debian Chromium per test, driven by Selenium."""

import os
import shutil
import sys
import zipfile

import pytest
from selenium import webdriver
from selenium.webdriver.chrome.service import Service

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "app", "web"))


def pytest_addoption(parser):
    group = parser.getgroup("plix")
    group.addoption("--page", required=True, help="the folder with index.html, or the zip that holds it")
    group.addoption("--selfplay", required=True, help="the native plix-selfplay")
    group.addoption("--out", required=True, help="folder for the screenshots")


@pytest.fixture(scope="session")
def page(request, out):
    """The page's folder; a zip is unpacked first, and must hold one folder with the page."""
    given = os.path.abspath(request.config.getoption("page"))
    if not given.endswith(".zip"):
        return given
    with zipfile.ZipFile(given) as archive:
        archive.extractall(os.path.join(out, "unpacked"))
    (folder,) = os.listdir(os.path.join(out, "unpacked"))
    return os.path.join(out, "unpacked", folder)


@pytest.fixture(scope="session")
def selfplay(request):
    return os.path.abspath(request.config.getoption("selfplay"))


@pytest.fixture(scope="session")
def out(request):
    path = os.path.abspath(request.config.getoption("out"))
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path


@pytest.fixture
def browser():
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ("--headless=new", "--no-sandbox", "--window-size=480,560", "--lang=ja"):
        options.add_argument(argument)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    try:
        yield driver
    finally:
        driver.quit()
