#!/usr/bin/env python3
"""The browser console against a real orbd with three signemu signs on loopback, nothing faked in
the page: uploading a bundle (and a file that is not one), a preview at chosen dates, pushing the
program to a group and watching every sign turn online and holding it without a reload, the live
view's LEDs read back from its canvas against the frame endpoint at the same time, a sign's program
pulled back into a new program, and a sign that stops answering turning unreachable. Screenshots go to SHOTS.

Usage: console_network_test.py ORBD SIGNEMU ORBCTL EXAMPLE_PROJECT SHOTS
"""
import datetime
import json
import os
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse
import urllib.request

from selenium.common.exceptions import StaleElementReferenceException
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select

from console_support import Orbd, PageHelpers, chromium, close_all, set_viewport, sign_emu

ORBD, SIGNEMU, ORBCTL, EXAMPLE, SHOTS = sys.argv[1:6]
GROUP = "앞쪽"
SIGNS = ("입구", "계산대", "창가")
CHECK_SECONDS = 2


class ConsoleOnNetwork(PageHelpers, unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory(prefix="orbnetwork.")
        cls.bundle = os.path.join(cls.folder.name, "demo.zip")
        subprocess.run([ORBCTL, "export", EXAMPLE, "--bundle", cls.bundle], check=True, capture_output=True)
        exported = subprocess.run([ORBCTL, "export", EXAMPLE], check=True, capture_output=True, text=True)
        cls.size = json.loads(exported.stdout)["sign"]
        cls.orbd = Orbd(ORBD, os.path.join(cls.folder.name, "data"))
        cls.emus = []
        admin = cls.orbd.login("admin")
        # A short check period, taken at the next start.
        status, answer = cls.orbd.call("PATCH", "/settings", {"check_seconds": CHECK_SECONDS}, admin)
        assert status == 200, answer
        cls.orbd.stop()
        cls.orbd.start("127.0.0.1:0")
        cls.token = cls.orbd.login("admin")
        for name in SIGNS:
            process, port = sign_emu(SIGNEMU)
            cls.emus.append(process)
            status, answer = cls.orbd.call("POST", "/signs", {
                "name": name, "link": "tcp:127.0.0.1:%d" % port, "groups": [GROUP],
                "width": cls.size["width"], "height": cls.size["height"]}, cls.token)
            assert status == 201, answer
        cls.browser = chromium()
        os.makedirs(SHOTS, exist_ok=True)

    @classmethod
    def tearDownClass(cls):
        close_all(cls)

    def shot(self, name):
        self.browser.save_screenshot(os.path.join(SHOTS, name + ".png"))

    def get_bytes(self, path):
        request = urllib.request.Request(self.orbd.url + "/api/v1" + path,
                                         headers={"Authorization": "Bearer " + self.token})
        with urllib.request.urlopen(request, timeout=30) as answer:
            return answer.read()

    def nav(self, section):
        self.browser.find_element(By.CSS_SELECTOR, "#nav a[href='#/%s']" % section).click()

    def upload(self, path, name=None):
        b = self.browser
        form = self.visible("form.upload")
        if name is not None:
            field = form.find_element(By.CSS_SELECTOR, "input[type=text]")
            field.clear()
            field.send_keys(name)
        form.find_element(By.CSS_SELECTOR, "input[type=file]").send_keys(path)
        form.find_element(By.CSS_SELECTOR, "button[type=submit]").click()
        return form

    def preview(self, at, size_label):
        """The preview image's URL and natural size once loaded, for AT and the size option named."""
        b = self.browser
        b.execute_script("const f = document.getElementById('preview-at'); f.value = arguments[0];"
                         "f.dispatchEvent(new Event('input', {bubbles: true}));", at)
        Select(b.find_element(By.ID, "preview-size")).select_by_visible_text(size_label)
        b.find_element(By.CSS_SELECTOR, "form.preview-form button[type=submit]").click()
        self.wait(lambda _: b.execute_script(
            "const i = document.querySelector('img.preview');"
            "return i.src.includes(arguments[0]) && i.complete && i.naturalWidth > 0;",
            urllib.parse.quote(at, safe="")), 30)
        return b.execute_script("const i = document.querySelector('img.preview');"
                                "return [i.getAttribute('src'), i.naturalWidth, i.naturalHeight];")

    def rows(self):
        return {r.find_element(By.CSS_SELECTOR, "th").text: r
                for r in self.browser.find_elements(By.CSS_SELECTOR, "table.signs tbody tr")}

    def row_state(self, name):
        try:
            row = self.rows().get(name)
            if row is None:
                return None, ""
            cell = row.find_element(By.CSS_SELECTOR, "td[class^='state-']")
            return cell.get_attribute("class")[len("state-"):], row.text
        except StaleElementReferenceException:  # the table was replaced while read: not there yet
            return None, ""

    def test_network(self):
        b = self.browser
        b.get(self.orbd.url + "/")
        self.log_in("olga")
        self.visible("table.signs")
        b.execute_script("window.notReloaded = true;")

        # A file that is not a bundle is refused in words, and nothing is stored.
        self.nav("programs")
        junk = os.path.join(self.folder.name, "notes.zip")
        with open(junk, "w") as out:
            out.write("not a bundle\n")
        form = self.upload(junk, "망가진 파일")
        self.wait(lambda _: "프로그램 묶음 파일이 아니어서" in form.find_element(By.CSS_SELECTOR, ".note").text)
        self.assertEqual(self.orbd.call("GET", "/programs", token=self.token), (200, []))

        # The bundle becomes program 1, version 1, and its page opens.
        self.upload(self.bundle, "데모")
        self.wait(lambda _: b.execute_script("return location.hash") == "#/programs/1")
        self.wait(lambda _: b.find_element(By.CSS_SELECTOR, "main h1").text == "데모")
        self.wait(lambda _: len(b.find_elements(By.CSS_SELECTOR, "table.versions tbody tr")) == 1)

        # Previews on two dates at the same time, on the group's size: each a GIF of that size; the
        # example counts the days to a date, so another date gives other pictures, while the same
        # date gives the same bytes again.
        self.wait(lambda _: len(Select(b.find_element(By.ID, "preview-size")).options) == len(SIGNS) + 2)
        label = "그룹 %s (%d×%d 모듈)" % (GROUP, self.size["width"], self.size["height"])
        first = self.preview("2026-12-30T20:00:00", label)
        second = self.preview("2026-12-20T20:00:00", label)
        led_pixels = 16 * 3  # LEDs a module each way, pixels an LED
        self.assertEqual(first[1:], [self.size["width"] * led_pixels, self.size["height"] * led_pixels])
        self.assertEqual(second[1:], first[1:])
        gif = self.get_bytes(first[0][len("/api/v1"):])
        self.assertEqual(gif[:6], b"GIF89a")
        self.assertEqual(self.get_bytes(first[0][len("/api/v1"):]), gif)
        self.assertNotEqual(self.get_bytes(second[0][len("/api/v1"):]), gif)
        # A preview the service refuses says why; an upload too large is said so in words.
        said = b.execute_async_script("""
            const done = arguments[0];
            Promise.all([import('/js/preview.js'), import('/js/upload.js'), import('/js/api.js')])
              .then(([{PreviewForm}, {uploadFailureText}, {ApiError}]) => {
                const form = new PreviewForm(999);
                form.setVersion(1);
                document.body.append(form.node);
                form.submit(new Event('submit'));
                const large = uploadFailureText(new ApiError(413, 'too-large', 'the body is larger'));
                const poll = () => form.note.textContent.includes('999') ?
                    (form.node.remove(), done([form.note.textContent, large])) : setTimeout(poll, 100);
                poll();
              }, (e) => done([String(e), '']));""")
        self.assertIn("미리보기를 만들지 못했습니다.", said[0])
        self.assertEqual(said[1], "파일이 너무 커서 올리지 않았습니다. 아무것도 저장되지 않았습니다.")
        b.execute_script("document.querySelector('form.preview-form').scrollIntoView()")
        time.sleep(3)  # into the play, for the picture
        self.shot("program-preview-1280")
        # At a phone's width the forms wrap and nothing runs off the side.
        set_viewport(b, 390, 844, phone=True)
        self.wait(lambda _: b.execute_script("return document.documentElement.scrollWidth") <= 390)
        self.shot("program-preview-phone")
        set_viewport(b, 1280, 800)

        # Pushed to the group from the groups page; the signs page shows each sign online and
        # holding it as the service's checks come in.
        self.nav("groups")
        self.visible("table.groups tbody button.push").click()
        self.visible("#push-program")
        self.assertNotIn("null", b.find_element(By.ID, "view").text)
        self.shot("group-push-1280")
        b.find_element(By.CSS_SELECTOR, "dialog.dialog button[type=submit]").click()
        self.wait(lambda _: "전송 작업" in b.find_element(By.CSS_SELECTOR, "p.status").text)
        self.nav("signs")
        for name in SIGNS:
            self.wait(lambda _: self.row_state(name)[0] == "online" and "데모 (버전 1)" in self.row_state(name)[1], 30)
        self.assertTrue(b.execute_script("return window.notReloaded === true"))
        self.shot("signs-online-1280")

        # The live view of one sign against the frame endpoint at the time of the frame painted:
        # the page's stream of frames is watched, and once one has been painted the next ones are
        # held so that the canvas keeps it.
        self.hold_streamed_frames()
        self.open_first_sign()
        asked = self.wait(lambda b: b.execute_script("return window.heldFrame || null"), 20)
        time.sleep(0.5)
        self.assertTrue(self.browser.execute_script("return window.streamsOpened") >= 1)
        self.check_live_view(asked["at"], asked["text"])

        # Without streams (refused or unknown to the browser) the view asks for frames one by one.
        self.nav("signs")
        self.browser.execute_script("window.EventSource = undefined; window.heldFrame = null;")
        self.open_first_sign()
        asked = self.hold_after_frame()
        self.check_live_view(urllib.parse.parse_qs(urllib.parse.urlparse(asked["url"]).query)["at"][0],
                             asked["text"])
        self.shot("sign-live-1280")
        sign = self.rows_id(SIGNS[0])

        # The sign's program pulled back: the page follows the job and then links to the program
        # it became, which the programs page lists; the sign is recorded as holding it.
        b.find_element(By.ID, "pull-program").click()
        link = self.visible("#pulled-program")
        self.assertIn("가져왔습니다", b.find_element(By.CSS_SELECTOR, "p.status").text)
        self.shot("sign-pull-1280")
        status, held = self.orbd.call("GET", "/signs/%d" % sign, token=self.token)
        self.assertEqual((held["holds"]["program"], held["holds"]["version"]), (2, 1), held)
        pulled_name = link.text.split(" (")[0]
        self.assertTrue(pulled_name.startswith(SIGNS[0] + " 20"), pulled_name)
        link.click()
        self.wait(lambda _: b.execute_script("return location.hash") == "#/programs/2")
        self.wait(lambda _: b.find_element(By.CSS_SELECTOR, "main h1").text == pulled_name)
        self.nav("programs")
        self.wait(lambda _: pulled_name in b.find_element(By.ID, "view").text)

        # A sign that stops answering turns unreachable within the check period; the others stay.
        self.nav("signs")
        self.emus[2].kill()
        self.wait(lambda _: self.row_state(SIGNS[2])[0] == "unreachable", CHECK_SECONDS * 5 + 10)
        # Read until the table holds still (it is refreshed in place every few seconds).
        self.wait(lambda _: [self.row_state(n)[0] for n in SIGNS[:2]] == ["online", "online"], 5)
        self.assertTrue(b.execute_script("return window.notReloaded === true"))
        # No script failed and the policy blocked nothing (refused requests are the network's).
        severe = [e for e in b.get_log("browser") if e["level"] == "SEVERE" and e["source"] != "network"]
        self.assertEqual(severe, [])

    def open_first_sign(self):
        # Just after the signs page opens its list may not have come yet.
        self.wait(lambda _: self.rows().get(SIGNS[0]) is not None)
        self.rows()[SIGNS[0]].find_element(By.CSS_SELECTOR, "a").click()
        self.visible("canvas.leds")

    def rows_id(self, name):
        status, signs = self.orbd.call("GET", "/signs", token=self.token)
        return next(s["id"] for s in signs if s["name"] == name)

    def check_live_view(self, at, text):
        """The canvas shows TEXT, which is the frame the endpoint gives for AT."""
        columns, height = len(text.splitlines()[0]), len(text.splitlines())
        sign = self.rows_id(SIGNS[0])
        served = self.get_bytes("/signs/%d/frame?at=%s" % (sign, urllib.parse.quote(at))).decode()
        self.assertEqual(served, text)
        if 8 <= datetime.datetime.now().hour < 22:  # inside the example's on hours, something is lit
            # A frame between two items may be dark on its own; one of the next few is not.
            moment = datetime.datetime.fromisoformat(at)
            lit = [self.get_bytes("/signs/%d/frame?at=%s" % (sign, urllib.parse.quote(
                (moment + datetime.timedelta(milliseconds=step)).isoformat(timespec="milliseconds"))))
                   .decode().replace("\n", "").strip(".") != "" for step in (0, 700, 1400)]
            self.assertTrue(any(lit), at)
        self.assertEqual(self.canvas_leds(columns, height), served.splitlines())

    def hold_streamed_frames(self):
        """Streams of frames the page opens from now on paint their first frame and no other."""
        self.browser.execute_script("""
            const Real = window.EventSource;
            window.streamsOpened = 0;
            window.EventSource = class extends Real {
              constructor(...args) { super(...args); window.streamsOpened += 1; }
              addEventListener(type, listener, ...rest) {
                if (type !== 'frame') return super.addEventListener(type, listener, ...rest);
                return super.addEventListener(type, (e) => {
                  if (window.heldFrame) return;
                  listener(e);
                  const data = JSON.parse(e.data);
                  window.heldFrame = {at: data.at, text: data.rows};
                }, ...rest);
              }
            };""")

    def hold_after_frame(self):
        """The URL and text of a frame the page fetched and painted; later frames never answer."""
        return self.browser.execute_async_script("""
            const done = arguments[0];
            const real = window.fetch;
            window.fetch = (url, options) => {
              if (!String(url).includes('/frame?')) return real(url, options);
              if (window.heldFrame) return new Promise(() => {});
              return real(url, options).then(async (answer) => {
                const text = await answer.clone().text();
                if (answer.ok && !window.heldFrame) {
                  window.heldFrame = {url: String(url), text};
                  setTimeout(() => done(window.heldFrame), 500);
                }
                return answer;
              });
            };""")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
