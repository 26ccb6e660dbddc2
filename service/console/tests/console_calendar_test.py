#!/usr/bin/env python3
"""The console's calendar and a sign's plan in headless Chromium against a real orbd on loopback:
an entry made in the page appears in the sign's plan (API) and in the month view, with the month's
holidays by name and an overlap marked as a conflict; an entry that ends before it starts shows the
service's message and the form keeps what was typed; a program name holding markup shows as text;
a viewer sees the calendar without controls; a sign's page shows today's plan as a bar with the dark
hours and brightness levels; an admin adds a day off that the month marks, is told why the same day
twice is refused, removes it, and places a sign by its coordinates. Screenshots at 1280 x 800 and at
a phone's width go to SHOTS.

Usage: console_calendar_test.py ORBD ORBCTL EXAMPLE_PROJECT SHOTS
"""
import json
import os
import subprocess
import sys
import tempfile
import unittest
import urllib.parse

from selenium.webdriver.common.by import By
from selenium.webdriver.support import expected_conditions as ready
from selenium.webdriver.support.ui import Select

from console_support import close_all, Orbd, PageHelpers, chromium

ORBD, ORBCTL, EXAMPLE, SHOTS = sys.argv[1:5]
MARKUP_PROGRAM = "<script>alert(1)</script>점심 특선"
OTHER_PROGRAM = "기본 안내"
SIGN, OTHER_SIGN, GROUP = "로비 전광판", "정문 전광판", "1층"
WELCOME = "어서 오세요! LED 전광판"  # the example's first text
MONTH = "2027-02"  # 설날 and its substitute day


class CalendarPages(PageHelpers, unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory(prefix="orbconsole-calendar.")
        cls.orbd = Orbd(ORBD, os.path.join(cls.folder.name, "data"))
        cls.admin = cls.orbd.login("admin")
        cls.signs = {}
        for name in (SIGN, OTHER_SIGN):
            status, answer = cls.orbd.call("POST", "/signs", {"name": name, "link": "tcp:127.0.0.1:9",
                                                              "groups": [GROUP] if name == SIGN else []}, cls.admin)
            assert status == 201, answer
            cls.signs[name] = answer["id"]
        bundle = os.path.join(cls.folder.name, "demo.zip")
        subprocess.run([ORBCTL, "export", EXAMPLE, "--bundle", bundle], check=True, capture_output=True)
        with open(bundle, "rb") as source:
            data = source.read()
        cls.programs = {}
        for name in (MARKUP_PROGRAM, OTHER_PROGRAM):
            status, answer = cls.orbd.upload("/programs?name=" + urllib.parse.quote(name), data, cls.admin)
            assert status == 201, answer
            cls.programs[name] = answer["id"]
        # The group's whole days in the middle of the month, overlapped by the entry the page makes.
        status, answer = cls.orbd.call("POST", "/calendar", {
            "program": cls.programs[OTHER_PROGRAM], "groups": [GROUP], "from": MONTH + "-10",
            "to": MONTH + "-12"}, cls.admin)
        assert status == 201, answer
        cls.browser = chromium()
        os.makedirs(SHOTS, exist_ok=True)

    @classmethod
    def tearDownClass(cls):
        close_all(cls)

    def shot(self, name):
        self.shot_both_widths(SHOTS, name)

    def enter(self, user):
        super().enter(user)
        self.browser.execute_script("location.hash = '#/calendar'")

    def show_month(self, target, month):
        b = self.browser
        Select(self.visible("#calendar-target")).select_by_visible_text(target)
        b.execute_script("""const m = document.getElementById('calendar-month');
                            m.value = arguments[0]; m.dispatchEvent(new Event('change'));""", month)
        self.wait(lambda _: b.find_elements(By.CSS_SELECTOR, "td[data-date='%s-15']" % month))

    def cell(self, date):
        return self.browser.find_element(By.CSS_SELECTOR, "td[data-date='%s']" % date)

    def chips(self, date):
        return [c.get_attribute("textContent") for c in self.cell(date).find_elements(By.CSS_SELECTOR, ".chip")]

    def fill_entry(self, start_date, end_date):
        b = self.browser
        Select(b.find_element(By.ID, "entry-program")).select_by_visible_text(MARKUP_PROGRAM)
        for field, value in (("entry-from", start_date), ("entry-to", end_date), ("entry-start", "09:00"),
                             ("entry-end", "18:00"), ("entry-priority", "1")):
            b.execute_script("document.getElementById(arguments[0]).value = arguments[1]", field, value)
        for day in ("토", "일"):
            box = b.find_element(By.XPATH, "//fieldset[@class='weekdays']//label[normalize-space()='%s']/input" % day)
            if box.is_selected():
                box.click()
        b.find_element(By.CSS_SELECTOR, "form.entry-form button[type=submit]").click()

    def test_a_entry_made_in_the_page_is_planned_and_shown(self):
        b = self.browser
        self.enter("olga")
        self.show_month(SIGN, MONTH)
        # The new entry starts on the target shown.
        self.wait(lambda _: b.find_element(
            By.XPATH, "//fieldset[contains(@class,'entry-targets')]//label[normalize-space()='%s']/input" % SIGN)
            .is_selected())
        self.fill_entry(MONTH + "-01", MONTH + "-28")
        self.wait(lambda _: b.find_element(By.CSS_SELECTOR, "main .status").text.startswith("일정 "))
        # The form is cleared for the next entry, on the same target.
        self.assertEqual(b.find_element(By.ID, "entry-from").get_attribute("value"), "")
        self.assertEqual([box.get_attribute("value") for box in
                          b.find_elements(By.CSS_SELECTOR, "fieldset.entry-targets input:checked")],
                         ["sign:%d" % self.signs[SIGN]])
        _, entries = self.orbd.call("GET", "/calendar", token=self.admin)
        made = [e for e in entries if e["program"] == self.programs[MARKUP_PROGRAM]]
        self.assertEqual(len(made), 1)
        self.assertEqual(made[0]["weekdays"], ["mon", "tue", "wed", "thu", "fri"])
        sign = self.signs[SIGN]
        _, plan = self.orbd.call("GET", "/signs/%d/plan?from=%s-01&to=%s-01" % (sign, MONTH, MONTH), token=self.admin)
        self.assertEqual(plan["days"][0]["periods"],
                         [{"start": "00:00", "end": "09:00", "program": None},
                          {"start": "09:00", "end": "18:00", "program": self.programs[MARKUP_PROGRAM]},
                          {"start": "18:00", "end": "24:00", "program": None}])
        # In the month view: on weekdays, not at weekends; the name as text, no element made of it.
        self.wait(lambda _: self.chips(MONTH + "-01") == [MARKUP_PROGRAM])
        self.assertEqual(self.chips(MONTH + "-13"), [])
        self.assertEqual(b.execute_script("return document.querySelectorAll('main script').length"), 0)
        # The month's holidays by name, as the service lists them.
        _, holidays = self.orbd.call("GET", "/holidays?year=" + MONTH[:4], token=self.admin)
        in_month = {h["date"]: h["name"] for h in holidays if h["date"].startswith(MONTH)}
        self.assertTrue(in_month)
        shown = {c.get_attribute("data-date"): c.find_element(By.CSS_SELECTOR, ".holiday-name").text
                 for c in b.find_elements(By.CSS_SELECTOR, "td.holiday")}
        self.assertEqual(shown, in_month)
        # The group's days overlap the entry: conflicts there, and only there.
        conflicted = [c.get_attribute("data-date") for c in b.find_elements(By.CSS_SELECTOR, "td.conflict")]
        self.assertEqual(conflicted, [MONTH + "-10", MONTH + "-11", MONTH + "-12"])
        # What plays when on a conflicting day.
        self.cell(MONTH + "-10").find_element(By.CSS_SELECTOR, "button.date").click()
        self.wait(lambda _: b.find_element(By.ID, "day-title").text.startswith(MONTH + "-10"))
        rows = [[td.text for td in tr.find_elements(By.TAG_NAME, "td")]
                for tr in b.find_elements(By.CSS_SELECTOR, ".day-plan table.periods tbody tr")]
        self.assertEqual(rows, [["00:00–09:00", OTHER_PROGRAM], ["09:00–18:00", MARKUP_PROGRAM],
                                ["18:00–24:00", OTHER_PROGRAM]])
        self.assertEqual(len(b.find_elements(By.CSS_SELECTOR, ".day-plan .bar-day .span")), 3)
        self.assertIn("충돌", b.find_element(By.CSS_SELECTOR, ".day-plan .day-notes").text)
        # The items per time of day, from the day compiled.
        self.wait(lambda _: any(MARKUP_PROGRAM + " 1번" in li.text for li in
                                b.find_elements(By.CSS_SELECTOR, ".day-plan .day-items ol.plays li")))
        # Each program's items under it, the example's first text first.
        self.wait(lambda _: [h.text for h in b.find_elements(By.CSS_SELECTOR, ".program-items h3")] ==
                  [OTHER_PROGRAM + "의 항목", MARKUP_PROGRAM + "의 항목"])
        self.wait(lambda _: b.find_element(By.CSS_SELECTOR, ".program-items ol li").text.startswith(WELCOME))
        b.execute_script("window.scrollTo(0, 0)")
        self.shot("calendar")

    def test_b_a_refused_entry_keeps_the_form(self):
        b = self.browser
        self.enter("olga")
        self.show_month(SIGN, MONTH)
        self.fill_entry(MONTH + "-20", MONTH + "-05")
        note = self.wait(lambda _: b.find_element(By.ID, "entry-note").text)
        status, refusal = self.orbd.call("POST", "/calendar", {
            "program": self.programs[MARKUP_PROGRAM], "signs": [self.signs[SIGN]], "from": MONTH + "-20",
            "to": MONTH + "-05"}, self.admin)
        self.assertEqual(status, 422)
        self.assertEqual(note, "요청이 실패했습니다: " + refusal["error"]["message"])
        self.assertIn("before it starts", note)
        values = [b.find_element(By.ID, f).get_attribute("value")
                  for f in ("entry-from", "entry-to", "entry-start", "entry-end", "entry-priority")]
        self.assertEqual(values, [MONTH + "-20", MONTH + "-05", "09:00", "18:00", "1"])
        self.assertEqual(Select(b.find_element(By.ID, "entry-program")).first_selected_option.text, MARKUP_PROGRAM)
        ticked = [box.get_attribute("value") for box in
                  b.find_elements(By.CSS_SELECTOR, "fieldset.weekdays input:checked")]
        self.assertEqual(ticked, ["mon", "tue", "wed", "thu", "fri"])
        _, entries = self.orbd.call("GET", "/calendar", token=self.admin)
        self.assertEqual(len(entries), 2)
        b.execute_script("document.querySelector('form.entry-form').scrollIntoView()")
        self.shot("calendar-form")

    def test_c_a_viewer_reads_without_controls(self):
        b = self.browser
        self.enter("victor")
        self.show_month(GROUP, MONTH)
        self.wait(lambda _: self.chips(MONTH + "-10") == [OTHER_PROGRAM, MARKUP_PROGRAM])
        self.assertEqual(b.find_elements(By.CSS_SELECTOR, "form.entry-form, table.entries button"), [])
        self.assertTrue(b.find_elements(By.CSS_SELECTOR, "table.entries tbody tr"))
        # A week from Monday to Sunday around the chosen month's first day.
        b.find_element(By.CSS_SELECTOR, "button.mode[data-mode='week']").click()
        self.wait(lambda _: len(b.find_elements(By.CSS_SELECTOR, "table.month td")) == 7)
        self.assertEqual(b.find_element(By.CSS_SELECTOR, "table.month td").get_attribute("data-date"), MONTH + "-01")
        b.find_element(By.CSS_SELECTOR, "button.mode[data-mode='month']").click()
        status = b.execute_async_script("""
            const done = arguments[0];
            fetch('/api/v1/session').then(r => r.json()).then(me => fetch('/api/v1/calendar', {
              method: 'POST', headers: {'Content-Type': 'application/json', 'X-CSRF-Token': me.csrf || ''},
              body: JSON.stringify({program: 1, groups: ['1층']})})).then(r => done(r.status), () => done(-1));""")
        self.assertEqual(status, 403)

    def test_d_entries_changed_and_removed_in_the_page(self):
        b = self.browser
        self.enter("olga")
        self.show_month(SIGN, MONTH)
        _, entries = self.orbd.call("GET", "/calendar", token=self.admin)
        made = next(e for e in entries if e["program"] == self.programs[MARKUP_PROGRAM])
        self.visible("button[aria-label='일정 %d번 바꾸기']" % made["id"]).click()
        self.assertEqual(b.find_element(By.ID, "entry-from").get_attribute("value"), MONTH + "-01")
        priority = b.find_element(By.ID, "entry-priority")
        priority.clear()
        priority.send_keys("5")
        b.execute_script("document.getElementById('entry-to').value = ''")
        b.find_element(By.CSS_SELECTOR, "form.entry-form button[type=submit]").click()
        self.wait(lambda _: b.find_element(By.CSS_SELECTOR, "main .status").text == "일정 %d번을 바꿨습니다." % made["id"])
        _, changed = self.orbd.call("GET", "/calendar/%d" % made["id"], token=self.admin)
        self.assertEqual((changed["priority"], changed["to"], changed["start"]), (5, None, "09:00"))
        b.find_element(By.CSS_SELECTOR, "button[aria-label='일정 %d번 삭제']" % made["id"]).click()
        b.switch_to.alert.accept()
        self.wait(lambda _: b.find_element(By.CSS_SELECTOR, "main .status").text == "일정 %d번을 삭제했습니다." % made["id"])
        self.wait(lambda _: self.chips(MONTH + "-01") == [])
        status, _ = self.orbd.call("GET", "/calendar/%d" % made["id"], token=self.admin)
        self.assertEqual(status, 404)

    def test_e_sign_page_shows_today_on_a_bar(self):
        b = self.browser
        sign = self.signs[OTHER_SIGN]
        for path, body in (
                ("/calendar", {"program": self.programs[MARKUP_PROGRAM], "signs": [sign], "start": "07:00",
                               "end": "22:00"}),
                ("/onoff-plans", {"signs": [sign], "rules": [{"off": "01:00", "on": "06:00"}]}),
                ("/brightness-plans", {"signs": [sign], "steps": [{"at": "06:00", "level": 8},
                                                                   {"at": "19:00", "level": 3}]})):
            status, answer = self.orbd.call("POST", path, body, self.admin)
            self.assertEqual(status, 201, answer)
        self.enter("victor")
        b.get(self.orbd.url + "/#/signs/%d" % sign)
        self.wait(lambda _: b.find_elements(By.CSS_SELECTOR, ".today-plan .bar-day .span"))
        spans = [s.get_attribute("title") for s in b.find_elements(By.CSS_SELECTOR, ".today-plan .bar-day .span")]
        self.assertIn("07:00–22:00 " + MARKUP_PROGRAM, spans)
        self.assertIn("01:00–06:00 꺼짐", spans)
        levels = [s.text for s in b.find_elements(By.CSS_SELECTOR, ".today-plan .levels .level")]
        self.assertEqual(levels, ["3", "8", "3"])
        plays = [li.text for li in b.find_elements(By.CSS_SELECTOR, ".today-plan .day-items ol.plays li")]
        self.assertIn("01:00–06:00 꺼짐", plays)
        self.assertTrue(any(p.startswith("07:00–22:00 %s 1번" % MARKUP_PROGRAM) for p in plays), plays)
        self.assertEqual(b.execute_script("return document.querySelectorAll('main script').length"), 0)
        self.shot("sign-plan")
        # The plan's link opens the sign's calendar.
        b.find_element(By.CSS_SELECTOR, "a.calendar-link").click()
        self.wait(lambda _: Select(self.visible("#calendar-target")).first_selected_option.text == OTHER_SIGN)
        self.wait(lambda _: b.find_elements(By.CSS_SELECTOR, "td.today .chip"))
        severe = [e for e in b.get_log("browser") if e["level"] == "SEVERE" and e["source"] != "network"]
        self.assertEqual(severe, [])

    def test_f_admin_adds_a_day_off_and_places_a_sign(self):
        b = self.browser
        self.enter("admin")
        self.show_month(SIGN, MONTH)
        day = MONTH + "-17"
        for field, value in (("designated-date", day), ("designated-name", "창립기념일")):
            b.execute_script("document.getElementById(arguments[0]).value = arguments[1]", field, value)
        b.find_element(By.ID, "designated-add").click()
        # Read by script: the month is drawn again under the test's feet.
        cell = "const c = document.querySelector(\"td[data-date='%s']\"); return c ? c.%s : '';"
        self.wait(lambda _: "holiday" in b.execute_script(cell % (day, "className")))
        self.assertIn("창립기념일", b.execute_script(cell % (day, "textContent")))
        _, days = self.orbd.call("GET", "/holidays/designated", token=self.admin)
        self.assertEqual([(d["date"], d["name"], d["official"]) for d in days], [(day, "창립기념일", False)])
        # The same day again: the service's refusal in words.
        b.execute_script("document.getElementById('designated-name').value = '창립기념일'")
        b.find_element(By.ID, "designated-add").click()
        self.wait(lambda _: "already a designated day" in b.find_element(By.ID, "designated-status").text)
        self.shot("calendar-designated")
        b.find_element(By.CSS_SELECTOR, "table.designated button.remove").click()
        self.wait(lambda _: "holiday" not in b.execute_script(cell % (day, "className")))
        # A sign's coordinates, for its sun times.
        sign = self.signs[SIGN]
        b.get(self.orbd.url + "/#/signs/%d" % sign)
        self.visible("#sign-latitude")
        self.assertIn("서울", b.find_element(By.CSS_SELECTOR, "dl.details").text)
        b.find_element(By.ID, "sign-latitude").send_keys("35.18")
        b.find_element(By.ID, "place-save").click()
        self.wait(lambda _: "함께" in b.find_element(By.ID, "place-status").text)
        b.find_element(By.ID, "sign-longitude").send_keys("129.08")
        b.find_element(By.ID, "place-save").click()
        self.wait(lambda _: "35.18" in b.find_element(By.CSS_SELECTOR, "dl.details").text)
        _, stored = self.orbd.call("GET", "/signs/%d" % sign, token=self.admin)
        self.assertEqual((stored["latitude"], stored["longitude"]), (35.18, 129.08))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
