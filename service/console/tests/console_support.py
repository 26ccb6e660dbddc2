"""What the console's browser tests share: orbd on loopback over a scratch data folder with a user
of each role, and headless Chromium at a given viewport."""
import json
import os
import signal
import subprocess
import urllib.error
import urllib.request

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support import expected_conditions as ready
from selenium.webdriver.support.ui import WebDriverWait

USERS = {"admin": "admin", "olga": "operator", "victor": "viewer"}


def password(user):
    return user + " has a long password"


class Orbd:
    """orbd on a free loopback port over a scratch data folder, with a user of each role."""

    def __init__(self, program, data):
        self.program = program
        self.data = data
        for user, role in USERS.items():
            subprocess.run([program, "--data", data, "user", "add", user, "--role", role],
                           input=password(user) + "\n", text=True, check=True, capture_output=True)
        self.start("127.0.0.1:0")

    def start(self, listen):
        self.process = subprocess.Popen([self.program, "--data", self.data, "--listen", listen],
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        line = self.process.stdout.readline().strip()
        prefix = "orbd: listening on "
        if not line.startswith(prefix):
            self.process.kill()
            raise RuntimeError("orbd did not start: " + line)
        self.url = line[len(prefix):]

    def call(self, method, path, body=None, token=None):
        """The status and parsed answer of an API call with a bearer TOKEN."""
        headers = {"Content-Type": "application/json"}
        if token:
            headers["Authorization"] = "Bearer " + token
        data = None if body is None else json.dumps(body).encode()
        request = urllib.request.Request(self.url + "/api/v1" + path, data, headers, method=method)
        try:
            with urllib.request.urlopen(request, timeout=10) as answer:
                text = answer.read()
                return answer.status, json.loads(text) if text else None
        except urllib.error.HTTPError as error:
            return error.code, json.loads(error.read() or b"null")

    def upload(self, path, bundle, token):
        """The status and parsed answer of BUNDLE's bytes posted to PATH as a program bundle."""
        request = urllib.request.Request(self.url + "/api/v1" + path, bundle, {
            "Content-Type": "application/zip", "Authorization": "Bearer " + token}, method="POST")
        try:
            with urllib.request.urlopen(request, timeout=30) as answer:
                return answer.status, json.loads(answer.read())
        except urllib.error.HTTPError as error:
            return error.code, json.loads(error.read() or b"null")

    def login(self, user, secret=None):
        status, answer = self.call("POST", "/session", {"user": user, "password": secret or password(user)})
        assert status == 200, answer
        return answer["token"]

    def kill(self):
        self.process.kill()
        self.process.wait(timeout=10)
        self.process.stdout.close()

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        code = self.process.wait(timeout=10)
        self.process.stdout.close()
        return code


def sign_emu(signemu):
    """signemu on a free loopback port; the process and its port."""
    process = subprocess.Popen([signemu, "--tcp", "127.0.0.1:0"], stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL, text=True)
    line = process.stdout.readline().strip()
    if not line.startswith("signemu: listening on "):
        process.kill()
        raise RuntimeError("signemu did not start: " + line)
    return process, int(line.rsplit(":", 1)[1])


def chromium():
    """Headless Chromium keeping the page's console messages, at 1280 x 800."""
    options = webdriver.ChromeOptions()
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                     "--window-size=1280,800", "--lang=ko-KR", "--no-first-run"):
        options.add_argument(argument)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    set_viewport(browser, 1280, 800)
    return browser


def set_viewport(browser, width, height, phone=False):
    """The page's viewport in CSS pixels (a window's size would include its frame)."""
    browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
        "width": width, "height": height, "deviceScaleFactor": 1, "mobile": phone})


def close_all(case):
    """Ends a test class's browser, signemu signs (case.emus, if any), orbd and data folder; orbd must
    end cleanly."""
    for process in getattr(case, "emus", []):
        process.kill()
        process.wait(timeout=10)
        process.stdout.close()
    case.browser.quit()
    code = case.orbd.stop()
    case.folder.cleanup()
    assert code == 0, "orbd ended with %d" % code


class PageHelpers:
    """Waiting for the page and logging in; the test case holds the browser as self.browser."""

    def wait(self, condition, seconds=20):
        return WebDriverWait(self.browser, seconds).until(condition)

    def visible(self, selector):
        return self.wait(ready.visibility_of_element_located((By.CSS_SELECTOR, selector)))

    def log_in(self, user, secret=None):
        self.visible("#login-user").clear()
        self.browser.find_element(By.ID, "login-user").send_keys(user)
        field = self.browser.find_element(By.ID, "login-password")
        field.clear()
        field.send_keys(secret or password(user), Keys.ENTER)

    def enter(self, user):
        """USER logged in from a fresh page (self.orbd is the service)."""
        self.browser.delete_all_cookies()
        # The address without a page, so that the same address twice is still a load.
        self.browser.get(self.orbd.url + "/")
        self.log_in(user)
        self.wait(ready.invisibility_of_element_located((By.ID, "login")))
        self.wait(lambda b: b.find_element(By.ID, "who").text.startswith(user + " "))

    def shot_both_widths(self, folder, name):
        """Screenshots at 1280 and at a phone's width, where the page must fit without scrolling sideways."""
        self.browser.save_screenshot(os.path.join(folder, name + "-1280.png"))
        set_viewport(self.browser, 390, 844, phone=True)
        self.assertLessEqual(self.browser.execute_script("return document.documentElement.scrollWidth"), 390,
                             name + " fits a phone's width")
        self.browser.save_screenshot(os.path.join(folder, name + "-phone.png"))
        set_viewport(self.browser, 1280, 800)

    def canvas_leds(self, columns, rows, sign=None):
        """The characters of the LEDs on the page's live view (of SIGN's row on the signs page),
        read back from its canvas."""
        return self.browser.execute_script("""
            const [columns, rows, sign] = arguments;
            const canvas = sign === null ? document.querySelector('canvas.leds') :
                document.querySelector(`a[href='#/signs/${sign}']`).closest('tr').querySelector('canvas.leds');
            const pitch = canvas.width / columns;
            const g = canvas.getContext('2d');
            const at = (x, y) => Array.from(g.getImageData(x, y, 1, 1).data.slice(0, 3));
            const name = ([r, gr]) => r > 120 && gr > 120 ? 'Y' : r > 120 ? 'R' : gr > 120 ? 'G' : '.';
            return Array.from({ length: rows }, (_, y) => Array.from({ length: columns },
              (_, x) => name(at(x * pitch + pitch / 2, y * pitch + pitch / 2))).join(''));""", columns, rows, sign)
