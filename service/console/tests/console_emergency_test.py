#!/usr/bin/env python3
"""The console's emergency notice in headless Chromium against a real orbd with three signemu signs
on loopback, two of them in a group whose calendar holds the example program: a notice the service
refuses shows its words and the form keeps what was typed; an operator sends a text holding markup
to the group after the confirmation, which counts the signs; each sign's acknowledgement turns done
on the notice's page; the banner names the notice on other pages, as text; a viewer sees the banner
but no form and no end button, and the API refuses the viewer; the end from the banner takes the
banner away and the signs hold their calendar program again. A stored program sent as a notice until a
time is named on the banner and ends by itself on time, the page following it. Screenshots go to SHOTS.

Usage: console_emergency_test.py ORBD SIGNEMU ORBCTL EXAMPLE_PROJECT SHOTS
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

from selenium.webdriver.common.by import By
from selenium.webdriver.support import expected_conditions as ready
from selenium.webdriver.support.ui import Select

from console_support import Orbd, PageHelpers, chromium, close_all, sign_emu

ORBD, SIGNEMU, ORBCTL, EXAMPLE, SHOTS = sys.argv[1:6]
GROUP = "본관"
GROUP_SIGNS = ("정문", "로비")
OTHER_SIGN = "주차장"
NOTICE = "<script>alert(1)</script> 대피하세요"
PROGRAM_NOTICE = "<b>비상</b> 안내"


class EmergencyNotice(PageHelpers, unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory(prefix="orbemergency.")
        bundle = os.path.join(cls.folder.name, "demo.zip")
        subprocess.run([ORBCTL, "export", EXAMPLE, "--bundle", bundle], check=True, capture_output=True)
        exported = subprocess.run([ORBCTL, "export", EXAMPLE], check=True, capture_output=True, text=True)
        size = json.loads(exported.stdout)["sign"]
        cls.orbd = Orbd(ORBD, os.path.join(cls.folder.name, "data"))
        cls.token = cls.orbd.login("olga")
        cls.emus, cls.signs = [], {}
        for name in GROUP_SIGNS + (OTHER_SIGN,):
            process, port = sign_emu(SIGNEMU)
            cls.emus.append(process)
            status, answer = cls.orbd.call("POST", "/signs", {
                "name": name, "link": "tcp:127.0.0.1:%d" % port, "groups": [GROUP] if name in GROUP_SIGNS else [],
                "width": size["width"], "height": size["height"]}, cls.orbd.login("admin"))
            assert status == 201, answer
            cls.signs[name] = answer["id"]
        cls.programs = {name: cls.upload(bundle, name) for name in ("기본 안내", PROGRAM_NOTICE)}
        status, answer = cls.orbd.call("POST", "/calendar", {"program": cls.programs["기본 안내"], "groups": [GROUP]},
                                       cls.token)
        assert status == 201, answer
        cls.browser = chromium()
        os.makedirs(SHOTS, exist_ok=True)

    @classmethod
    def upload(cls, bundle, name):
        with open(bundle, "rb") as source:
            status, answer = cls.orbd.upload("/programs?name=" + urllib.parse.quote(name), source.read(), cls.token)
        assert status == 201, answer
        return answer["id"]

    @classmethod
    def tearDownClass(cls):
        close_all(cls)

    def holds(self, name):
        status, sign = self.orbd.call("GET", "/signs/%d" % self.signs[name], token=self.token)
        self.assertEqual(status, 200, sign)
        return sign["holds"] and (sign["holds"]["program"], sign["holds"]["version"])

    def until(self, condition, seconds=30):
        """Waits for CONDITION outside the page; its last value."""
        end = time.monotonic() + seconds
        while True:
            value = condition()
            if value or time.monotonic() > end:
                return value
            time.sleep(0.2)

    def banner_text(self):
        banner = self.browser.find_element(By.ID, "emergency")
        return banner.text if banner.is_displayed() else ""

    def test_a_notice_sent_acknowledged_and_ended(self):
        b = self.browser
        # The calendar's program reaches the group first: the notice must give way to it at the end.
        calendar = {name: self.until(lambda: self.holds(name)) for name in GROUP_SIGNS}
        self.assertTrue(all(calendar.values()), calendar)

        self.enter("olga")
        self.assertEqual(self.banner_text(), "")
        b.find_element(By.CSS_SELECTOR, "#nav a[href='#/emergency']").click()
        group_box = self.visible("fieldset.notice-targets input[value='group:%s']" % GROUP)

        # Refused by the service (no text): its words, and everything chosen is still chosen.
        group_box.click()
        Select(b.find_element(By.ID, "notice-colour")).select_by_value("초록색")
        Select(b.find_element(By.ID, "notice-effect")).select_by_value("지나가기")
        b.find_element(By.CSS_SELECTOR, "form.notice-form button[type=submit]").click()
        self.visible("#confirm-send")
        self.assertIn("전광판 2대", b.find_element(By.ID, "confirm-summary").text)
        b.find_element(By.ID, "confirm-send").click()
        note = self.wait(lambda _: b.find_element(By.ID, "notice-note").text)
        status, refusal = self.orbd.call("POST", "/takeovers", {
            "text": "", "colour": "초록색", "effect": "지나가기", "groups": [GROUP], "signs": [], "until": None},
            self.token)
        self.assertEqual(status, 422, refusal)
        self.assertTrue(note.startswith("긴급 알림을 보내지 않았습니다."), note)
        self.assertIn(refusal["error"]["message"], note)
        self.assertTrue(group_box.is_selected())
        self.assertEqual(Select(b.find_element(By.ID, "notice-colour")).first_selected_option.get_attribute("value"),
                         "초록색")
        # A time already past is refused too, and the focus goes to the field the refusal names.
        b.find_element(By.ID, "notice-text").send_keys(NOTICE)
        b.execute_script("const f = document.getElementById('notice-until'); f.value = '2020-01-01T09:00';"
                         "f.dispatchEvent(new Event('input'));")
        b.find_element(By.CSS_SELECTOR, "form.notice-form button[type=submit]").click()
        self.visible("#confirm-send").click()
        self.wait(lambda _: "until: 2020-01-01T09:00:00" in b.find_element(By.ID, "notice-note").text)
        self.assertEqual(b.switch_to.active_element.get_attribute("id"), "notice-until")
        b.find_element(By.ID, "notice-open").click()
        self.assertEqual(self.orbd.call("GET", "/takeovers", token=self.token), (200, []))

        # The confirmation says what, how and where; sent, the notice's page follows each sign.
        b.find_element(By.CSS_SELECTOR, "form.notice-form button[type=submit]").click()
        self.visible("#confirm-send")
        self.assertEqual(b.find_element(By.CSS_SELECTOR, "dialog.confirm .confirm-text").text, NOTICE)
        summary = b.find_element(By.ID, "confirm-summary").text
        self.assertIn("전광판 2대", summary)
        self.assertIn("초록색", summary)
        self.shot_both_widths(SHOTS, "emergency-confirm")
        b.find_element(By.ID, "confirm-send").click()
        self.wait(lambda _: b.execute_script("return location.hash").startswith("#/emergency/"))
        notice = int(b.execute_script("return location.hash").rsplit("/", 1)[1])
        self.wait(lambda _: [r.find_element(By.CSS_SELECTOR, ".ack-state").text
                             for r in b.find_elements(By.CSS_SELECTOR, "table.acks tbody tr")] == ["확인됨"] * 2, 40)
        status, record = self.orbd.call("GET", "/takeovers/%d" % notice, token=self.token)
        self.assertEqual((record["text"], record["colour"], record["effect"], record["active"]),
                         (NOTICE, "초록색", "지나가기", True))
        self.assertEqual(sorted(a["name"] for a in record["acks"]), sorted(GROUP_SIGNS))
        times = [c.text for c in b.find_elements(By.CSS_SELECTOR, "table.acks tbody td:nth-of-type(2)")]
        self.assertEqual(times, [a["at"].replace("T", " ")[:19] for a in record["acks"]])
        for name in GROUP_SIGNS:
            self.assertEqual(self.holds(name), (record["program"], record["version"]))
        self.assertEqual(self.holds(OTHER_SIGN), None)
        self.shot_both_widths(SHOTS, "emergency-acks")

        # On another page the banner names it, its text as text, with a link and the end button.
        b.find_element(By.CSS_SELECTOR, "#nav a[href='#/signs']").click()
        self.visible("table.signs")
        self.wait(lambda _: NOTICE in self.banner_text())
        self.assertIn("긴급 알림 %d번" % notice, self.banner_text())
        self.assertEqual(b.execute_script("return document.querySelectorAll('#emergency script').length"), 0)
        self.assertTrue(b.find_elements(By.CSS_SELECTOR, "#emergency a[href='#/emergency/%d']" % notice))
        self.assertTrue(b.find_elements(By.CSS_SELECTOR, "#emergency button.end"))
        self.shot_both_widths(SHOTS, "emergency-banner")

        # A viewer sees the banner and the notice, never a control; the API refuses the viewer.
        self.enter("victor")
        self.wait(lambda _: NOTICE in self.banner_text())
        self.assertFalse(b.find_elements(By.CSS_SELECTOR, "#emergency button"))
        b.execute_script("location.hash = '#/emergency'")
        self.wait(lambda _: b.find_elements(By.CSS_SELECTOR, "table.notices-table tbody tr"))
        self.assertFalse(b.find_elements(By.ID, "notice-text"))
        b.execute_script("location.hash = '#/emergency/%d'" % notice)
        self.wait(lambda _: len(b.find_elements(By.CSS_SELECTOR, "table.acks tbody tr")) == 2)
        self.assertFalse(b.find_elements(By.ID, "notice-end"))
        self.shot_both_widths(SHOTS, "emergency-viewer")
        viewer = self.orbd.login("victor")
        self.assertEqual(self.orbd.call("POST", "/takeovers", {"text": "x", "colour": "빨강색", "groups": [GROUP],
                                                               "until": None}, viewer)[0], 403)
        self.assertEqual(self.orbd.call("DELETE", "/takeovers/%d" % notice, token=viewer)[0], 403)

        # Ended from the banner after a confirmation: the banner goes, the signs get their calendar back.
        self.enter("olga")
        self.wait(lambda _: b.find_elements(By.CSS_SELECTOR, "#emergency button.end"))[0].click()
        self.wait(ready.alert_is_present())
        b.switch_to.alert.accept()
        self.wait(lambda _: self.banner_text() == "")
        status, record = self.orbd.call("GET", "/takeovers/%d" % notice, token=self.token)
        self.assertEqual((record["active"], record["endedBy"]), (False, "olga"))
        for name in GROUP_SIGNS:
            self.assertEqual(self.until(lambda: self.holds(name) == calendar[name] and self.holds(name)),
                             calendar[name])
        b.execute_script("location.hash = '#/emergency'")
        self.wait(lambda _: "끝남" in b.find_element(By.CSS_SELECTOR, "table.notices-table tbody tr").text)
        severe = [e for e in b.get_log("browser") if e["level"] == "SEVERE" and e["source"] != "network"]
        self.assertEqual(severe, [])

    def test_b_a_program_notice_ends_on_its_own(self):
        b = self.browser
        sign = GROUP_SIGNS[1]
        calendar = self.until(lambda: self.holds(sign))
        self.assertTrue(calendar)
        until = (datetime.datetime.now() + datetime.timedelta(seconds=30)).replace(microsecond=0)
        status, record = self.orbd.call("POST", "/takeovers", {
            "program": self.programs[PROGRAM_NOTICE], "signs": [self.signs[sign]], "until": until.isoformat()},
            self.token)
        self.assertEqual(status, 201, record)
        self.enter("olga")
        b.execute_script("location.hash = '#/emergency/%d'" % record["id"])
        self.wait(lambda _: [r.find_element(By.CSS_SELECTOR, ".ack-state").text
                             for r in b.find_elements(By.CSS_SELECTOR, "table.acks tbody tr")] == ["확인됨"], 40)
        # Named by the program's name, as text, on the banner and the notice's page.
        self.wait(lambda _: "프로그램 " + PROGRAM_NOTICE in self.banner_text())
        self.assertIn("(%s까지)" % until.isoformat(" ", "minutes"), self.banner_text())
        self.assertIn("프로그램 " + PROGRAM_NOTICE, b.find_element(By.CSS_SELECTOR, "dl.details").text)
        self.assertEqual(b.execute_script("return document.querySelectorAll('#emergency b, dl.details b').length"), 0)

        # Its minute passes: the service ends it, the open page and the banner follow without a reload.
        self.wait(lambda _: b.find_element(By.CSS_SELECTOR, ".job-state").text == "끝남", 60)
        self.assertTrue(datetime.datetime.now() >= until)
        self.wait(lambda _: self.banner_text() == "")
        self.assertIn("orbd", b.find_element(By.CSS_SELECTOR, "dl.details").text)
        status, record = self.orbd.call("GET", "/takeovers/%d" % record["id"], token=self.token)
        self.assertEqual((record["active"], record["endedBy"], record["programName"]), (False, "orbd", PROGRAM_NOTICE))
        self.assertEqual(self.until(lambda: self.holds(sign) == calendar and self.holds(sign)), calendar)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
