#!/usr/bin/env python3
"""The browser console in headless Chromium against a real orbd on loopback with a scratch data
folder: logging in and out, the signs page (without the other pages' scripts), a viewer without the
push command (and refused by the API), markup in a sign's name shown as text, an ended session
sending the page back to the login form. Screenshots at 1280 x 800 and at a phone's width go to SHOTS.

Usage: console_browser_test.py ORBD SHOTS
"""
import datetime
import os
import sys
import tempfile
import time
import unittest
import urllib.parse

from selenium.common.exceptions import NoAlertPresentException
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support import expected_conditions as ready
from selenium.webdriver.support.ui import Select

from console_support import close_all, Orbd, PageHelpers, chromium, set_viewport

ORBD, SHOTS = sys.argv[1], sys.argv[2]
MARKUP_NAME = "<script>alert(1)</script>"


class ConsoleInBrowser(PageHelpers, unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory(prefix="orbconsole.")
        cls.orbd = Orbd(ORBD, os.path.join(cls.folder.name, "data"))
        admin = cls.orbd.login("admin")
        for name, groups in (("로비 전광판", ["1층", "안내"]), (MARKUP_NAME, ["<b>굵게</b>"])):
            status, answer = cls.orbd.call("POST", "/signs", {"name": name, "link": "tcp:127.0.0.1:9",
                                                              "groups": groups}, admin)
            assert status == 201, answer
        # The signs answer nobody: a command to one keeps it held, waiting to be tried again, for
        # as long as the test looks at the job (the settings take effect at the next start).
        status, answer = cls.orbd.call("PATCH", "/settings", {"tries": 10, "first_retry_ms": 600000,
                                                              "max_retry_ms": 600000}, admin)
        assert status == 200, answer
        cls.orbd.stop()
        cls.orbd.start("127.0.0.1:0")
        cls.browser = chromium()
        os.makedirs(SHOTS, exist_ok=True)

    @classmethod
    def tearDownClass(cls):
        close_all(cls)

    @classmethod
    def view(cls, width, height, phone=False):
        set_viewport(cls.browser, width, height, phone)

    def sign_names(self):
        self.wait(ready.invisibility_of_element_located((By.ID, "login")))
        self.wait(lambda b: len(b.find_elements(By.CSS_SELECTOR, "table.signs tbody tr")) == 2)
        return [th.text for th in self.browser.find_elements(By.CSS_SELECTOR, "table.signs tbody th")]

    def open_sign(self, name):
        links = [a for a in self.browser.find_elements(By.CSS_SELECTOR, "table.signs tbody a") if a.text == name]
        self.assertEqual(len(links), 1)
        links[0].click()

    def pages_loaded(self):
        """The addresses of the other pages' scripts fetched so far: a page's module (sources) or the
        chunk named after it (the build's bundle)."""
        return self.browser.execute_script("""
            return performance.getEntriesByType('resource').map((e) => new URL(e.name).pathname)
              .filter((p) => /\\/(audit|calendar|emergency|groups|jobs|programs|sign|users)(-\\w+)?\\.js$/.test(p));""")

    def fetch(self, method, path):
        """The status of a request the page makes with its own cookie and CSRF token."""
        return self.browser.execute_async_script("""
            const [method, path, done] = arguments;
            fetch('/api/v1/session').then(r => r.json()).then(me =>
              fetch('/api/v1' + path, {method, headers: {'Content-Type': 'application/json',
                                                         'X-CSRF-Token': me.csrf || ''},
                                      body: method === 'GET' ? undefined : '{"action":"push","program":1,"signs":[1]}'}))
              .then(r => done(r.status), () => done(-1));""", method, path)

    def led_read_back(self, rows, **options):
        """ROWS painted by the page's LED view, read back from its canvas: the character of each
        LED's centre, and the colour of the face between LEDs."""
        return self.browser.execute_async_script("""
            const [rows, options, done] = arguments;
            import('/js/ledview.js').then(({ LedView }) => {
              const view = new LedView('test');
              document.body.append(view.node);
              view.show(rows, { pitch: 10, ...options });
              const g = view.canvas.getContext('2d');
              const at = (x, y) => Array.from(g.getImageData(x, y, 1, 1).data.slice(0, 3));
              const name = ([r, gr, b]) => r > 120 && gr > 120 ? 'Y' : r > 120 ? 'R' : gr > 120 ? 'G' : '.';
              const read = rows.map((row, y) => [...row].map((_, x) => name(at(x * 10 + 5, y * 10 + 5))).join(''));
              done({ read, red: at(5, 5)[0], face: at(0, 0), text: view.text.textContent });
              view.node.remove();
            }, (e) => done({ error: String(e) }));""", rows, options)

    def answer_frames(self, rows):
        """The page's frame requests answered in the page with ROWS (the service does not give
        frames yet), the addresses asked for kept in framesAsked."""
        self.browser.execute_script("""
            const text = arguments[0];
            const real = window.fetch;
            window.framesAsked = [];
            window.fetch = (url, options) => {
              if (!String(url).includes('/frame?')) return real(url, options);
              window.framesAsked.push(String(url));
              return Promise.resolve(new Response(text, { headers: { 'Content-Type': 'text/plain' } }));
            };""", "\n".join(rows) + "\n")

    def shot(self, name):
        self.browser.save_screenshot(os.path.join(SHOTS, name + ".png"))

    def assert_no_page_errors(self):
        # A script or style the policy blocks, or a script that fails, is logged as SEVERE; refused
        # requests (the test's own, a frame a service without frames does not give) are not.
        severe = [e for e in self.browser.get_log("browser") if e["level"] == "SEVERE" and e["source"] != "network"]
        self.assertEqual(severe, [])

    def test_console(self):
        b = self.browser
        b.get(self.orbd.url + "/")
        self.visible("#login-form")
        self.assertEqual(b.find_element(By.ID, "login-title").text, "로그인")
        self.shot("login-1280")

        # A wrong password is said so, and nothing else shows.
        self.log_in("olga", "not the password")
        self.wait(lambda _: b.find_element(By.ID, "login-note").text == "사용자 이름이나 비밀번호가 틀렸습니다.")
        self.assertFalse(b.find_element(By.ID, "bar").is_displayed())

        # An operator: every sign, markup in a name and a group as plain text, a push command each.
        # The failed login slows the next one down for a second (answered 429 until then).
        time.sleep(1.5)
        self.log_in("olga")
        self.assertEqual(sorted(self.sign_names()), sorted(["로비 전광판", MARKUP_NAME]))
        self.assertIn("<b>굵게</b>", b.find_element(By.CSS_SELECTOR, "table.signs tbody").text)
        self.assertEqual(b.execute_script("return document.querySelectorAll('main script, main b').length"), 0)
        with self.assertRaises(NoAlertPresentException):
            b.switch_to.alert.text
        self.assertEqual(b.find_element(By.ID, "who").text, "olga (운영자)")
        # The signs page comes with the shell; the other pages' scripts wait until they are opened.
        self.assertEqual(self.pages_loaded(), [])
        # The group filter offers every group, markup as text, and shows only that group's signs.
        groups = Select(b.find_element(By.ID, "group-filter"))
        self.assertEqual([o.text for o in groups.options], ["모든 그룹", "<b>굵게</b>", "1층", "안내"])
        groups.select_by_visible_text("1층")
        shown = [th.text for th in b.find_elements(By.CSS_SELECTOR, "table.signs tbody th") if th.is_displayed()]
        self.assertEqual(shown, ["로비 전광판"])
        self.assertEqual(b.find_element(By.CSS_SELECTOR, ".heading .count").text, "전광판 2대 중 1대")
        groups.select_by_index(0)
        self.wait(lambda _: all(th.is_displayed() for th in b.find_elements(By.CSS_SELECTOR, "table.signs tbody th")))
        # Each state shows as its colour (the cell's class) and its word together.
        words = {"online": "정상", "unreachable": "응답 없음", "other-model": "다른 기종", "busy": "작업 중",
                 "differs": "내용 다름", "unknown": "확인 전"}
        for cell in b.find_elements(By.CSS_SELECTOR, "table.signs tbody td[class^='state-']"):
            self.assertEqual(cell.text, words[cell.get_attribute("class")[len("state-"):]])
        self.assertEqual(len(b.find_elements(By.CSS_SELECTOR, "table.signs tbody td[class^='state-'] .dot")), 2)
        pushes = b.find_elements(By.CSS_SELECTOR, "button.push")
        self.assertEqual(len(pushes), 2)
        # The push dialog opens from the keyboard and says there is nothing to send yet.
        pushes[0].send_keys(Keys.ENTER)
        self.wait(lambda _: "전송할 프로그램이 없습니다." in self.visible("dialog.dialog").text)
        b.switch_to.active_element.send_keys(Keys.ESCAPE)
        self.wait(ready.invisibility_of_element_located((By.CSS_SELECTOR, "dialog.dialog")))
        self.shot("signs-1280")
        self.view(390, 844, phone=True)
        self.wait(lambda _: b.execute_script("return document.querySelector('table.signs thead').offsetParent") is None)
        self.assertLessEqual(b.execute_script("return document.documentElement.scrollWidth"), 390)
        self.shot("signs-phone")
        self.view(1280, 800)

        # The session ends elsewhere while a dialog is open: the login comes over it, and after it
        # the page is as it was.
        b.find_elements(By.CSS_SELECTOR, "button.push")[1].send_keys(Keys.ENTER)
        self.visible("dialog.dialog")
        cookie = b.get_cookie("orbd_session")["value"]
        status, _ = self.orbd.call("DELETE", "/session", token=cookie)
        self.assertEqual(status, 204)
        self.wait(lambda _: b.find_element(By.ID, "login-note").text == "세션이 끝났습니다. 다시 로그인하세요.")
        self.assertEqual(b.find_element(By.ID, "login-user").get_attribute("value"), "olga")
        self.log_in("olga")
        self.assertEqual(len(self.sign_names()), 2)
        self.assertIn("로비 전광판", self.visible("dialog.dialog").text)
        b.switch_to.active_element.send_keys(Keys.ESCAPE)
        self.wait(ready.invisibility_of_element_located((By.CSS_SELECTOR, "dialog.dialog")))

        # A sign's page: its name as text, its details, the commands, and the LED view's drawing.
        self.open_sign(MARKUP_NAME)
        self.wait(lambda _: b.find_element(By.CSS_SELECTOR, "main h1").text == MARKUP_NAME)
        self.assertTrue([p for p in self.pages_loaded() if p.startswith(("/js/sign.js", "/js/chunks/sign-"))])
        self.wait(lambda _: "tcp:127.0.0.1:9" in b.find_element(By.CSS_SELECTOR, "dl.details").text)
        clock = b.find_element(By.XPATH, "//button[text()='시계 맞추기']")
        clock.click()
        self.wait(lambda _: "작업 1번을 만들었습니다" in b.find_element(By.CSS_SELECTOR, "main .status").text)
        # A second command while the first holds the sign is told which job holds it.
        clock.click()
        self.wait(lambda _: b.find_element(By.CSS_SELECTOR, "main .status").text
                  == MARKUP_NAME + "은(는) 작업 1번이 쓰고 있습니다.")
        self.shot("sign-1280")
        self.view(390, 844, phone=True)
        self.assertLessEqual(b.execute_script("return document.documentElement.scrollWidth"), 390)
        self.shot("sign-phone")
        self.view(1280, 800)
        rows = ["R.GY", "..R.", "YG.."]
        bright = self.led_read_back(rows)
        self.assertEqual(bright["read"], rows, bright)
        self.assertEqual(bright["text"], "\n".join(rows))
        self.assertLess(max(bright["face"]), 30, "the face between round LEDs stays dark")
        dim = self.led_read_back(rows, share=0.3)
        self.assertLess(dim["red"], bright["red"] * 0.7, "a lower brightness dims the LEDs")
        dark = self.led_read_back(rows, dark=True)
        self.assertEqual(dark["read"], ["....", "....", "...."], dark)
        # The job that holds the sign: listed, its progress sign by sign, and cancelled.
        b.find_element(By.CSS_SELECTOR, "#nav a[href='#/jobs']").click()
        self.wait(lambda _: "시계 맞추기" in b.find_element(By.CSS_SELECTOR, "table.jobs tbody").text)
        self.assertRegex(b.find_element(By.CSS_SELECTOR, "table.jobs tbody tr").text, "대기 중|진행 중")
        b.find_element(By.CSS_SELECTOR, "table.jobs tbody th a").click()
        self.wait(lambda _: b.find_element(By.CSS_SELECTOR, "main h1").text == "작업 1번")
        self.wait(lambda _: MARKUP_NAME in b.find_element(By.CSS_SELECTOR, "main table.signs tbody").text)
        self.visible("button.cancel").send_keys(Keys.ENTER)
        self.wait(lambda _: b.find_element(By.CSS_SELECTOR, ".job-state").text == "취소됨")
        self.assertEqual(b.find_element(By.CSS_SELECTOR, "main .status").text, "작업 1번을 취소했습니다.")
        self.assertEqual(b.find_elements(By.CSS_SELECTOR, "button.cancel"), [])
        self.shot("job-1280")
        b.find_element(By.CSS_SELECTOR, "#nav a[href='#/signs']").click()
        self.assertEqual(len(self.sign_names()), 2)

        # Logging out ends the session in the service, not only in the page.
        self.visible("#logout").click()
        self.wait(lambda _: b.find_element(By.ID, "login-note").text == "로그아웃했습니다.")
        self.assertEqual(self.fetch("GET", "/session"), 401)

        # A viewer sees the signs without a push command, and the API refuses it a push.
        self.log_in("victor")
        self.assertEqual(len(self.sign_names()), 2)
        self.assertEqual(b.find_element(By.ID, "who").text, "victor (보기 전용)")
        self.assertEqual(b.find_elements(By.CSS_SELECTOR, "button.push"), [])
        self.assertNotIn("명령", b.find_element(By.CSS_SELECTOR, "table.signs thead").text)
        self.assertEqual(self.fetch("POST", "/jobs"), 403)
        b.find_element(By.CSS_SELECTOR, "#nav a[href='#/jobs']").click()
        self.wait(lambda _: "취소됨" in b.find_element(By.CSS_SELECTOR, "table.jobs tbody").text)
        self.assertNotIn("취소", b.find_element(By.CSS_SELECTOR, "table.jobs thead").text)
        self.assertEqual(b.find_elements(By.CSS_SELECTOR, "button.cancel"), [])
        b.find_element(By.CSS_SELECTOR, "#nav a[href='#/signs']").click()
        self.assertEqual(len(self.sign_names()), 2)
        # The live view asks for the sign's frame at the service's time and paints what it gets.
        frame = ["RRGG..YY", "..R..G.Y"]
        self.answer_frames(frame)
        self.open_sign("로비 전광판")
        self.wait(lambda _: b.find_element(By.CSS_SELECTOR, "main h1").text == "로비 전광판")
        self.visible("canvas.leds")
        self.assertEqual(self.canvas_leds(8, 2), frame)
        self.assertEqual(b.find_element(By.CSS_SELECTOR, "pre.led-rows").get_attribute("textContent"),
                         "\n".join(frame))
        asked = b.execute_script("return window.framesAsked")
        _, health = self.orbd.call("GET", "/health")
        at = urllib.parse.unquote(asked[0].split("/frame?at=")[1])
        self.assertRegex(at, r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}$")
        self.assertTrue(asked[0].startswith("/api/v1/signs/1/frame?at="), asked[0])
        gap = abs(datetime.datetime.fromisoformat(at) - datetime.datetime.fromisoformat(health["time"]))
        self.assertLess(gap.total_seconds(), 60)
        self.shot("sign-live-viewer-1280")
        self.assertEqual(b.find_elements(By.CSS_SELECTOR, "section.commands"), [])
        # The skip link takes the keyboard to the page's content and stays on this page.
        page = b.current_url
        b.find_element(By.ID, "skip").send_keys(Keys.ENTER)
        self.assertEqual(b.switch_to.active_element.get_attribute("id"), "view")
        self.assertEqual(b.current_url, page)
        self.shot("signs-viewer-1280")

        # The service goes away (killed, as in a crash) and comes back on its address: the page
        # says so, then carries on.
        self.orbd.kill()
        b.find_element(By.CSS_SELECTOR, "#nav a").click()
        self.visible("#offline")
        self.assertEqual(b.find_element(By.ID, "offline").text, "orbd와 연결이 끊겼습니다. 다시 연결하는 중입니다…")
        self.orbd.start(self.orbd.url.split("//")[1])
        self.wait(ready.invisibility_of_element_located((By.ID, "offline")))
        self.assertEqual(len(self.sign_names()), 2)
        self.assert_no_page_errors()


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
