#!/usr/bin/python3
"""The dashboard in a real browser: Debian's headless Chromium, driven by
Selenium through chromedriver, against the built zdmond over the simulated
enclosure that zdctl runs share.

One scenario, as an administrator goes through it: log in with the token,
create an array with the capacity preview, watch its initialisation move,
fail a disk through the simulator's controls and see the overview turn
degraded and the event arrive, rebuild onto the spare to the end, delete the
array with the typed confirmation. Screenshots of the main pages go to the
artefacts directory.

Usage: dashboard_browser_test.py --build BUILD_DIR --artifacts DIR
"""
import argparse
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.request

import yaml
from selenium import webdriver
from selenium.common.exceptions import StaleElementReferenceException, WebDriverException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import Select

ARGS = None
# Every variable zdmond, zdctl and the simulator read: set here or removed.
PROJECT_VARIABLES = ["ZD_SIM_STATE", "ZD_SIM_TIME_SCALE", "ZD_SIM_PAGE_DELAY_MS", "ZDBRIDGE_LOG_DIR", "ZDBRIDGE_DB_PATH",
                     "ZDBRIDGE_RESCAN_DELAY_MS", "ZDCTL_BRIDGE", "ZDBRIDGE_CONTROLLER", "NO_COLOR"]
DEADLINE = 60


def wait_for(condition, what, deadline=DEADLINE):
    """Polls the condition until it holds; fails with `what` at the deadline."""
    end = time.monotonic() + deadline
    last_error = None
    while time.monotonic() < end:
        try:
            value = condition()
            if value:
                return value
        except (StaleElementReferenceException, WebDriverException) as error:
            last_error = error
        time.sleep(0.1)
    raise AssertionError(f"timed out waiting for {what}" + (f" (last error: {last_error})" if last_error else ""))


class Enclosure:
    """A simulated enclosure in a temporary directory, zdmond watching it once a second."""

    def __init__(self, build):
        self.build = build
        self.dir = tempfile.mkdtemp(prefix="zdweb.")
        self.env = {k: v for k, v in os.environ.items() if k not in PROJECT_VARIABLES}
        self.env.update({
            "ZDBRIDGE_CONTROLLER": "simulator",
            "ZD_SIM_STATE": f"{self.dir}/enclosure.json",
            "ZDBRIDGE_DB_PATH": f"{self.dir}/db.xml",
            "ZDBRIDGE_LOG_DIR": f"{self.dir}/",
            "ZD_SIM_TIME_SCALE": "3",  # an initialisation takes about 8 s, a rebuild 12 s
            "ZDBRIDGE_RESCAN_DELAY_MS": "0",
        })
        for name in ("NOTIFY_SOCKET", "WATCHDOG_USEC", "WATCHDOG_PID", "JOURNAL_STREAM"):
            self.env.pop(name, None)
        with open(f"{self.dir}/zdmond.conf", "w") as conf:
            conf.write("[syslog]\nseverity = off\n")
        self.log = open(f"{self.dir}/zdmond.log", "w")
        self.zdmond = subprocess.Popen(
            [f"{build}/bin/zdmond", "--foreground", "--config", f"{self.dir}/zdmond.conf", "--db",
             f"{self.dir}/events.db", "--listen", "127.0.0.1:0", "--interval", "1"],
            env=self.env, stdin=subprocess.DEVNULL, stdout=self.log, stderr=subprocess.STDOUT)
        match = wait_for(lambda: re.search(r"serving metrics on http://127\.0\.0\.1:(\d+)/metrics", self.log_text()),
                         "zdmond's listener")
        self.port = int(match.group(1))
        with open(f"{self.dir}/web-token") as token:
            self.token = token.read().strip()

    def log_text(self):
        with open(f"{self.dir}/zdmond.log") as log:
            return log.read()

    def zdctl(self, *args):
        done = subprocess.run([f"{self.build}/bin/zdctl", *args], env=self.env, stdin=subprocess.DEVNULL,
                              capture_output=True, text=True, timeout=60)
        assert done.returncode == 0, f"zdctl {' '.join(args)}: {done.stderr}"
        return done.stdout

    def close(self):
        self.zdmond.send_signal(signal.SIGTERM)
        try:
            self.zdmond.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.zdmond.kill()
            self.zdmond.wait()
        self.log.close()
        shutil.rmtree(self.dir, ignore_errors=True)


def start_browser(profile):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 f"--user-data-dir={profile}", "--window-size=1280,900", "--lang=en-GB"):
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


class Dashboard(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.enclosure = Enclosure(ARGS.build)
        cls.profile = tempfile.mkdtemp(prefix="zdweb-browser.")
        cls.browser = start_browser(cls.profile)
        cls.browser.implicitly_wait(0)
        os.makedirs(ARGS.artifacts, exist_ok=True)

    @classmethod
    def tearDownClass(cls):
        cls.browser.quit()
        shutil.rmtree(cls.profile, ignore_errors=True)
        cls.enclosure.close()

    # ---- helpers ----
    def url(self, path=""):
        return f"http://127.0.0.1:{self.enclosure.port}{path}"

    def find(self, selector):
        return self.browser.find_element(By.CSS_SELECTOR, selector)

    def finds(self, selector):
        return self.browser.find_elements(By.CSS_SELECTOR, selector)

    def text(self, selector):
        found = self.finds(selector)
        return found[0].text if found else ""

    def shot(self, name, messages=True):
        if not messages:
            self.browser.execute_script("document.getElementById('toasts').replaceChildren()")
        self.browser.save_screenshot(os.path.join(ARGS.artifacts, f"{name}.png"))

    def press(self, selector, keys, what):
        """Types into a control of a page that live updates redraw, finding it again after a redraw."""
        wait_for(lambda: self.find(selector).send_keys(keys) or True, what)

    def go(self, fragment):
        self.browser.execute_script("location.hash = arguments[0]", fragment)

    def in_dialog(self, selector, what):
        """The element of the open dialog, once the dialog is open."""
        return wait_for(lambda: self.find("#dialog").get_attribute("open") is not None and
                        self.finds(f"#dialog {selector}"), what)[0]

    def progress(self, selector):
        found = self.finds(selector)
        return int(found[0].get_attribute("value")) if found else None

    def console_errors(self):
        """Errors of the page's own (refused scripts and styles, exceptions); answers of the
        API that are not a success (the wrong token, say) are logged too and left out."""
        return [entry["message"] for entry in self.browser.get_log("browser")
                if entry["level"] == "SEVERE" and "Failed to load resource" not in entry["message"]]

    def every_control_is_labelled(self):
        return self.browser.execute_script("""
            return [...document.querySelectorAll('input, select')].filter(c =>
              c.type !== 'hidden' && !c.labels.length && !c.getAttribute('aria-label')).map(c => c.id || c.outerHTML);""")

    # ---- the scenario ----
    def test_an_administrators_round(self):
        enclosure, browser = self.enclosure, self.browser

        # A wrong token is refused on the login page; the right one opens the overview.
        browser.get(self.url("/"))
        wait_for(lambda: browser.current_url.endswith("/login"), "the redirect to the login page")
        self.find("#token").send_keys("not-the-token" + Keys.ENTER)
        wait_for(lambda: "not the one" in self.text("#login-message"), "the refusal of a wrong token")
        token = self.find("#token")
        token.clear()
        token.send_keys(enclosure.token + Keys.ENTER)
        wait_for(lambda: "Health: healthy" in self.text("#verdict"), "the healthy overview")
        wait_for(lambda: self.text("#live") == "Live", "the live stream")
        self.assertIn("simulator zdsim", self.text("#controller"))
        self.assertEqual(self.every_control_is_labelled(), [])
        self.shot("overview")
        # The login URL zdmond prints works too, and leaves no token in the address.
        browser.get(self.url(f"/login?token={enclosure.token}"))
        wait_for(lambda: "Health: healthy" in self.text("#verdict"), "the overview after the login URL")
        self.assertNotIn("token", browser.current_url)

        # Settings: no automatic rebuild, so that the rebuild below is started by hand.
        self.go("#/adapter/0/settings")
        switch = wait_for(lambda: self.finds("#setting-auto_rebuild"), "the settings")[0]
        if switch.is_selected():
            switch.send_keys(Keys.SPACE)
        self.find("#settings-save").click()
        wait_for(lambda: "auto-rebuild=0" in self.text("#toasts"), "the read-back of the setting")

        # Create an array with the keyboard; the preview follows the disks and the level.
        self.go("#/")
        self.press("#create-0", Keys.ENTER, "the create button")
        name = self.in_dialog("#create-name", "the create dialog")
        name.send_keys("Web")
        Select(self.find("#create-raid")).select_by_visible_text("RAID 1")
        for disk in (5, 6, 7):
            self.find(f"#create-disk-{disk}").send_keys(Keys.SPACE)
        wait_for(lambda: "cannot build RAID 1" in self.text("#create-preview"), "the preview's refusal of RAID 1 on 3 disks")
        self.assertFalse(self.find("#create-go").is_enabled())
        Select(self.find("#create-raid")).select_by_visible_text("RAID 5")
        Select(self.find("#create-init")).select_by_visible_text("BackGround")
        wait_for(lambda: self.text("#preview-available") == "7.3 TiB", "the preview of RAID 5 on 3 disks")
        wait_for(lambda: self.find("#create-go").is_enabled(), "the create button enabled")
        self.assertEqual(self.every_control_is_labelled(), [])
        self.shot("create-array")
        self.find("#create-go").click()
        wait_for(lambda: browser.current_url.endswith("#/adapter/0/array/1"), "the new array's page")
        wait_for(lambda: "Array 1 · Web" in self.text("h1"), "the array's title")
        self.assertIn('Created array 1 "Web" (RAID 5, 7.3 TiB) on disks 5, 6, 7', self.text("#toasts"))
        self.assertIn("Web", enclosure.zdctl("array", "list"))

        # Its initialisation moves on screen without any action.
        first = wait_for(lambda: self.progress("#array-activity progress"), "the initialisation's progress bar")
        wait_for(lambda: (self.progress("#array-activity progress") or 100) > first, "the initialisation moving", 20)
        self.shot("array-initialising")

        # A disk fails: the event arrives live in the history ...
        self.go("#/events")
        wait_for(lambda: self.finds("#events-body"), "the events page")
        enclosure.zdctl("sim", "fail-disk", "1")
        wait_for(lambda: any("DiskFailed" in row.text and "(new)" in row.text for row in self.finds("#events-body tr")),
                 "the DiskFailed event arriving")
        # The count includes what arrived live, and no event is shown twice.
        shown = lambda: browser.execute_script(
            "const rows = [...document.querySelectorAll('#events-body tr')];"
            "return [rows.length, new Set(rows.map((r) => r.dataset.id)).size,"
            "        document.getElementById('events-count').textContent];")
        wait_for(lambda: shown()[2] == f"{shown()[0]} event(s); new ones appear at the top.", "the count of shown events")
        rows, distinct, _ = shown()
        self.assertEqual(rows, distinct)
        self.shot("events")
        # ... and the overview is degraded, the disk red with its state in words.
        self.go("#/")
        wait_for(lambda: "Health: degraded" in self.text("#verdict"), "the degraded overview")
        slot = self.find('li.slot[data-disk="1"]')
        self.assertIn("slot-bad", slot.get_attribute("class"))
        self.assertIn("✖", slot.text)
        self.assertIn("degraded", self.text("#health"))
        self.shot("overview-degraded", messages=False)

        # The disk's page shows its SMART table and verdict.
        self.go("#/adapter/0/disk/2")
        wait_for(lambda: self.finds("#smart tbody tr"), "the SMART table")
        self.assertRegex(self.text("#smart-verdict"), "PASSED|FAILING")
        self.shot("disk")

        # Rebuild array 0 onto the global spare and follow it to the end.
        self.go("#/adapter/0/array/0")
        wait_for(lambda: "Array 0 · Data" in self.text("h1"), "array 0's page")
        self.press("#array-rebuild", Keys.ENTER, "the rebuild button")
        self.in_dialog("#rebuild-disk-4", "the rebuild dialog").send_keys(Keys.SPACE)
        self.find("#rebuild-go").click()
        wait_for(lambda: "Rebuild of array 0 \"Data\"" in self.text("#toasts"), "the rebuild's start")
        started = wait_for(lambda: self.progress("#array-activity progress"), "the rebuild's progress bar")
        self.shot("array-rebuilding")
        wait_for(lambda: "Functional and initialized" in self.text("#array-state") and
                 not self.finds("#array-activity progress"), "the end of the rebuild", 90)
        self.assertLess(started, 100)
        self.go("#/")
        wait_for(lambda: "Health:" in self.text("#verdict") and "Disk" in self.text("#verdict") or
                 "Health: healthy" in self.text("#verdict") or "Health: degraded" in self.text("#verdict"),
                 "the overview after the rebuild")
        wait_for(lambda: "Functional and initialized" in self.find('tr[data-array="0"]').text, "array 0 healthy again")

        # Delete the new array: nothing happens until its name is typed exactly.
        self.go("#/adapter/0/array/1")
        wait_for(lambda: "Array 1 · Web" in self.text("h1"), "array 1's page")
        self.press("#array-delete", Keys.ENTER, "the delete button")
        typed = self.in_dialog("#confirm-text", "the typed confirmation")
        self.assertIn('array 1 "Web"', self.text("#dialog .losses"))
        typed.send_keys("web")
        self.assertFalse(self.find("#confirm-go").is_enabled())
        self.shot("confirm-delete")
        typed.send_keys(Keys.ESCAPE)
        wait_for(lambda: not self.find("#dialog").get_attribute("open"), "Escape closing the dialog")
        self.assertIn("Web", enclosure.zdctl("array", "list"))
        self.press("#array-delete", Keys.ENTER, "the delete button")
        typed = self.in_dialog("#confirm-text", "the typed confirmation again")
        typed.send_keys("Web")
        self.find("#confirm-go").click()
        wait_for(lambda: browser.current_url.endswith("#/"), "the overview after the deletion")
        wait_for(lambda: not self.finds('tr[data-array="1"]'), "the array gone from the overview")
        self.assertNotIn("Web", enclosure.zdctl("array", "list"))

        self.assertEqual(self.console_errors(), [], "the page logged errors (a refused script or style among them)")

    def test_the_api_is_described(self):
        with open(os.path.join(ARGS.source, "web", "openapi.yaml")) as file:
            description = yaml.safe_load(file)
        self.assertTrue(description["openapi"].startswith("3."))
        for path, methods in description["paths"].items():
            for method, operation in methods.items():
                if method != "parameters":
                    self.assertIn("responses", operation, f"{method} {path}")
        # The file zdmond serves is the one in the source tree.
        request = urllib.request.Request(self.url("/openapi.yaml"), headers={"Authorization": f"Bearer {self.enclosure.token}"})
        with urllib.request.urlopen(request) as answer:
            self.assertEqual(yaml.safe_load(answer.read()), description)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--source", required=True)
    parser.add_argument("--artifacts", required=True)
    ARGS, rest = parser.parse_known_args()
    started = time.monotonic()
    result = unittest.main(argv=[sys.argv[0], *rest], exit=False, verbosity=2).result
    print(f"browser tests took {time.monotonic() - started:.1f} s; screenshots in {ARGS.artifacts}")
    sys.exit(0 if result.wasSuccessful() else 1)
