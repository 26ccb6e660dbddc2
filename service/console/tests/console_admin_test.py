#!/usr/bin/env python3
"""The console's admin pages in headless Chromium against a real orbd on loopback: a viewer sees
neither the users nor the audit page nor any admin control (and the API refuses it); an admin adds
a user who can then log in, changes a role, makes, changes and deletes a group (a name holding
markup shows as text), and narrows the audit log; the programs page lists a program's versions and
items (two versions of the example project uploaded as bundles, the second with markup in a text).
Screenshots at 1280 x 800 and at a phone's width go to SHOTS.

Usage: console_admin_test.py ORBD ORBCTL EXAMPLE_PROJECT SHOTS
"""
import io
import json
import os
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse
import zipfile

from selenium.webdriver.common.by import By
from selenium.webdriver.support import expected_conditions as ready
from selenium.webdriver.support.ui import Select

from console_support import close_all, Orbd, PageHelpers, chromium, password

ORBD, ORBCTL, EXAMPLE, SHOTS = sys.argv[1:5]
MARKUP_GROUP = "<i>기울임</i><img src=x onerror=alert(1)>"
PROGRAM_NAME = "<b>아침 안내</b>"
WELCOME = "어서 오세요! LED 전광판"  # the example's first text
COLUMNS = ["구분", "1단높이", "2단높이", "3단높이", "1단의 내용", "2단의 내용", "3단의 내용", "표출시작시간",
           "표출마감시간"]


def bundles(folder):
    """The example project as a bundle, and the same with its first text made markup."""
    path = os.path.join(folder, "demo.zip")
    subprocess.run([ORBCTL, "export", EXAMPLE, "--bundle", path], check=True, capture_output=True)
    with open(path, "rb") as source:
        plain = source.read()
    changed = io.BytesIO()
    with zipfile.ZipFile(io.BytesIO(plain)) as old, zipfile.ZipFile(changed, "w") as new:
        for entry in old.infolist():
            data = old.read(entry)
            if entry.filename == "program.json":
                data = data.decode().replace(WELCOME, "<script>x</script>").encode()
            new.writestr(entry, data)
    return plain, changed.getvalue()


class AdminPages(PageHelpers, unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory(prefix="orbconsole-admin.")
        cls.orbd = Orbd(ORBD, os.path.join(cls.folder.name, "data"))
        cls.admin = cls.orbd.login("admin")
        cls.signs = {}
        for name, groups in (("로비 전광판", ["1층"]), ("정문 전광판", [])):
            status, answer = cls.orbd.call("POST", "/signs", {"name": name, "link": "tcp:127.0.0.1:9",
                                                              "groups": groups}, cls.admin)
            assert status == 201, answer
            cls.signs[name] = answer["id"]
        first, second = bundles(cls.folder.name)
        status, answer = cls.orbd.upload("/programs?name=" + urllib.parse.quote(PROGRAM_NAME), first, cls.admin)
        assert status == 201, answer
        cls.program = answer["id"]
        status, answer = cls.orbd.upload("/programs/%d/versions" % cls.program, second, cls.admin)
        assert status == 201 and answer["version"] == 2, answer
        cls.browser = chromium()
        os.makedirs(SHOTS, exist_ok=True)

    @classmethod
    def tearDownClass(cls):
        close_all(cls)

    def shot(self, name):
        self.shot_both_widths(SHOTS, name)

    def go(self, section):
        self.browser.find_element(By.CSS_SELECTOR, "#nav a[href='#/%s']" % section).click()
        self.wait(lambda b: b.find_element(By.CSS_SELECTOR, "#nav a[aria-current='page']").get_attribute("href")
                  .endswith("#/" + section))

    def nav(self):
        return [a.get_attribute("href").split("#")[1] for a in self.browser.find_elements(By.CSS_SELECTOR, "#nav a")]

    def rows(self, table):
        """The texts of TABLE's rows (for a choice, the chosen option), read at one moment."""
        self.wait(lambda b: b.find_elements(By.CSS_SELECTOR, "table.%s tbody tr" % table)
                  or b.find_element(By.CSS_SELECTOR, "main .empty").is_displayed())
        return self.browser.execute_script("""
            return [...document.querySelectorAll(`table.${arguments[0]} tbody tr`)].map((tr) =>
              [...tr.querySelectorAll('th, td')].map((cell) => {
                const choice = cell.querySelector('select');
                return choice ? choice.selectedOptions[0].textContent : cell.innerText.trim();
              }));""", table)

    def status(self, text):
        self.wait(lambda b: b.find_element(By.CSS_SELECTOR, "main .status").text == text)

    def page_status(self, method, path, body=None):
        """The status of a request the page makes with its own cookie and CSRF token."""
        return self.browser.execute_async_script("""
            const [method, path, body, done] = arguments;
            fetch('/api/v1/session').then(r => r.json()).then(me =>
              fetch('/api/v1' + path, {method, headers: {'Content-Type': 'application/json',
                                                         'X-CSRF-Token': me.csrf || ''}, body}))
              .then(r => done(r.status), () => done(-1));""", method, path, body)

    def test_a_viewer_has_no_admin_pages(self):
        b = self.browser
        self.enter("victor")
        self.assertEqual(self.nav(), ["/signs", "/programs", "/groups", "/calendar", "/jobs", "/emergency"])
        self.go("groups")
        self.assertEqual(self.rows("groups"), [["1층", "로비 전광판"]])
        self.assertEqual(b.find_elements(By.CSS_SELECTOR, "main button"), [])
        self.assertNotIn("명령", b.find_element(By.CSS_SELECTOR, "table.groups thead").text)
        # Typed addresses show no admin page, and the API refuses the viewer all the same.
        for section in ("users", "audit"):
            b.get(self.orbd.url + "/#/" + section)
            self.wait(lambda _: b.find_element(By.CSS_SELECTOR, "main .note").text == "이 작업을 할 권한이 없습니다.")
            self.assertEqual(b.find_elements(By.CSS_SELECTOR, "main table, main form"), [])
        # Nor a sign's history on its page.
        b.get(self.orbd.url + "/#/signs/%d" % self.signs["로비 전광판"])
        self.wait(lambda _: "tcp:127.0.0.1:9" in b.find_element(By.CSS_SELECTOR, "dl.details").text)
        self.assertEqual(b.find_elements(By.CSS_SELECTOR, "section.history"), [])
        self.assertEqual(self.page_status("GET", "/users"), 403)
        self.assertEqual(self.page_status("GET", "/audit"), 403)
        self.assertEqual(self.page_status("POST", "/groups", json.dumps({"name": "몰래"})), 403)

    def test_b_admin_adds_a_user_who_can_log_in(self):
        b = self.browser
        self.enter("admin")
        self.assertEqual(self.nav(), ["/signs", "/programs", "/groups", "/calendar", "/jobs", "/emergency", "/audit",
                                      "/users"])
        self.go("users")
        self.assertEqual([r[0] for r in self.rows("users")], ["admin", "olga", "victor"])
        # An admin cannot remove or demote itself from this page.
        admin_row = b.find_element(By.CSS_SELECTOR, "table.users tbody tr")
        self.assertEqual(admin_row.find_elements(By.CSS_SELECTOR, "button, select"), [])
        b.find_element(By.ID, "user-name").send_keys("nina")
        b.find_element(By.ID, "user-password").send_keys(password("nina"))
        Select(b.find_element(By.ID, "user-role")).select_by_visible_text("운영자")
        b.find_element(By.CSS_SELECTOR, "form.filters button[type=submit]").click()
        self.status("사용자 nina을(를) 추가했습니다.")
        self.wait(lambda _: ["nina", "운영자"] == self.rows("users")[1][:2])
        self.assertEqual(b.find_element(By.ID, "user-name").get_attribute("value"), "")
        self.shot("users")
        # A name taken already is refused, and the form keeps what was typed.
        b.find_element(By.ID, "user-name").send_keys("olga")
        b.find_element(By.ID, "user-password").send_keys("another long password")
        b.find_element(By.CSS_SELECTOR, "form.filters button[type=submit]").click()
        self.wait(lambda _: b.find_element(By.CSS_SELECTOR, "main .note").text.startswith("요청이 실패했습니다"))
        self.assertEqual(b.find_element(By.ID, "user-name").get_attribute("value"), "olga")
        # nina becomes a viewer.
        Select(b.find_element(By.CSS_SELECTOR, "select[aria-label='nina의 역할']")).select_by_value("viewer")
        self.status("nina의 역할을 보기 전용(으)로 바꿨습니다.")
        _, users = self.orbd.call("GET", "/users", token=self.admin)
        self.assertEqual({u["name"]: u["role"] for u in users},
                         {"admin": "admin", "olga": "operator", "victor": "viewer", "nina": "viewer"})
        # The new user logs in with the password the admin gave.
        self.enter("nina")
        self.assertEqual(b.find_element(By.ID, "who").text, "nina (보기 전용)")
        # Removed, the user can no longer log in.
        self.enter("admin")
        self.go("users")
        self.rows("users")
        b.find_element(By.CSS_SELECTOR, "button[aria-label='사용자 nina 삭제']").click()
        b.switch_to.alert.accept()
        self.status("사용자 nina을(를) 삭제했습니다.")
        status, _ = self.orbd.call("POST", "/session", {"user": "nina", "password": password("nina")})
        self.assertEqual(status, 401)
        # The failed login slows the next one from this address down for a second (answered 429 until then).
        time.sleep(1.5)

    def test_c_groups_with_markup_and_members(self):
        b = self.browser
        self.enter("admin")
        self.go("groups")
        self.rows("groups")
        b.find_element(By.XPATH, "//button[text()='그룹 만들기']").click()
        self.visible("dialog.dialog #group-name").send_keys(MARKUP_GROUP)
        b.find_element(By.XPATH, "//label[normalize-space()='정문 전광판']/input").click()
        b.find_element(By.CSS_SELECTOR, "dialog.dialog button[type=submit]").click()
        self.wait(ready.invisibility_of_element_located((By.CSS_SELECTOR, "dialog.dialog")))
        self.wait(lambda _: [MARKUP_GROUP, "정문 전광판"] in [r[:2] for r in self.rows("groups")])
        self.assertEqual(b.execute_script("return document.querySelectorAll('main i, main img').length"), 0)
        # Renamed, with both signs; the signs page files each sign under it.
        b.find_element(By.CSS_SELECTOR, "button.edit[aria-label^='그룹 <i>']").click()
        name = self.visible("dialog.dialog #group-name")
        self.assertTrue(b.find_element(By.XPATH, "//label[normalize-space()='정문 전광판']/input").is_selected())
        self.assertFalse(b.find_element(By.XPATH, "//label[normalize-space()='로비 전광판']/input").is_selected())
        name.clear()
        name.send_keys("2층")
        b.find_element(By.XPATH, "//label[normalize-space()='로비 전광판']/input").click()
        b.find_element(By.CSS_SELECTOR, "dialog.dialog button[type=submit]").click()
        self.wait(lambda _: ["2층", "로비 전광판, 정문 전광판"] in [r[:2] for r in self.rows("groups")])
        self.shot("groups")
        _, signs = self.orbd.call("GET", "/signs", token=self.admin)
        self.assertEqual({s["name"]: sorted(s["groups"]) for s in signs},
                         {"로비 전광판": ["1층", "2층"], "정문 전광판": ["2층"]})
        # A name another group has is refused in the dialog, which stays open.
        b.find_element(By.CSS_SELECTOR, "button.edit[aria-label='그룹 2층 바꾸기']").click()
        name = self.visible("dialog.dialog #group-name")
        name.clear()
        name.send_keys("1층")
        b.find_element(By.CSS_SELECTOR, "dialog.dialog button[type=submit]").click()
        self.wait(lambda _: b.find_element(By.CSS_SELECTOR, "dialog.dialog .note").text != "")
        b.find_element(By.XPATH, "//dialog//button[text()='취소']").click()
        # Deleted after a confirmation; its signs stay.
        b.find_element(By.CSS_SELECTOR, "button[aria-label='그룹 2층 삭제']").click()
        b.switch_to.alert.accept()
        self.status("그룹 2층을(를) 삭제했습니다.")
        self.wait(lambda _: [r[0] for r in self.rows("groups")] == ["1층"])
        _, signs = self.orbd.call("GET", "/signs", token=self.admin)
        self.assertEqual(len(signs), 2)

    def test_d_audit_filters_narrow_the_list(self):
        b = self.browser
        self.enter("admin")
        self.go("audit")
        every = self.rows("audit")
        self.assertGreater(len(every), 5)
        self.assertIn("orbd 시작", [r[2] for r in every])
        self.assertIn(["admin", "사용자 추가", "user nina", "성공"], [r[1:5] for r in every])
        self.shot("audit")
        # By kind: only the sign additions, two of them, newest first.
        Select(b.find_element(By.ID, "audit-kind")).select_by_visible_text("전광판 추가")
        b.find_element(By.XPATH, "//button[text()='거르기']").click()
        self.wait(lambda _: len(self.rows("audit")) == 2)
        self.assertEqual([r[3] for r in self.rows("audit")],
                         ["정문 전광판 (#%d)" % self.signs["정문 전광판"], "로비 전광판 (#%d)" % self.signs["로비 전광판"]])
        # By sign and user together: only what the admin did to the lobby sign.
        Select(b.find_element(By.ID, "audit-kind")).select_by_visible_text("전체")
        Select(b.find_element(By.ID, "audit-sign")).select_by_visible_text("로비 전광판")
        Select(b.find_element(By.ID, "audit-user")).select_by_visible_text("admin")
        b.find_element(By.XPATH, "//button[text()='거르기']").click()
        self.wait(lambda _: len(self.rows("audit")) < len(every))
        narrowed = self.rows("audit")
        self.assertTrue(narrowed)
        self.assertTrue(all(r[1] == "admin" and r[3].startswith("로비 전광판") for r in narrowed), narrowed)
        # The sign's page shows an admin the same entries for that sign.
        b.execute_script("location.hash = '#/signs/%d'" % self.signs["로비 전광판"])
        lobby = self.signs["로비 전광판"]

        def same_as_service(_):
            _, entries = self.orbd.call("GET", "/audit?target=sign%%20%d" % lobby, token=self.admin)
            return [r[4] for r in self.rows("history")] == [e["detail"] or "-" for e in entries[:20]]
        self.wait(same_as_service)
        self.assertIn("전광판 추가", [r[2] for r in self.rows("history")])
        self.shot("sign-history")
        b.back()
        self.visible("#audit-kind")
        # A time range before anything happened holds nothing.
        b.execute_script("document.getElementById('audit-to').value = '2001-01-01T00:00'")
        b.find_element(By.XPATH, "//button[text()='거르기']").click()
        self.wait(lambda _: b.find_element(By.CSS_SELECTOR, "main .empty").text == "조건에 맞는 기록이 없습니다.")
        self.assertFalse(b.find_element(By.CSS_SELECTOR, "table.audit").is_displayed())

    def test_e_programs_versions_and_items(self):
        b = self.browser
        self.enter("victor")
        self.go("programs")
        [row] = self.rows("programs")
        self.assertEqual(row[:3], [PROGRAM_NAME, "2", "2"])
        self.assertRegex(row[3], r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d$")
        # A viewer is offered no upload.
        self.assertEqual(b.find_elements(By.CSS_SELECTOR, "form.upload"), [])
        b.find_element(By.CSS_SELECTOR, "table.programs tbody a").click()
        self.wait(lambda _: b.find_element(By.CSS_SELECTOR, "main h1").text == PROGRAM_NAME)
        self.assertEqual([r[0] for r in self.rows("versions")], ["2", "1"])
        items = self.visible("table.items")
        self.assertEqual([th.text for th in items.find_elements(By.CSS_SELECTOR, "thead th")], COLUMNS)
        self.assertEqual(items.find_element(By.CSS_SELECTOR, "tbody tr td:nth-child(5)").text, "<script>x</script>")
        # A viewer may look but not delete.
        self.assertEqual(b.find_elements(By.CSS_SELECTOR, "button.danger"), [])
        self.shot("program")
        b.find_element(By.CSS_SELECTOR, "button[aria-label='버전 1의 항목 보기']").click()
        # Read in one step: the table is replaced when the version's items come.
        self.wait(lambda _: b.execute_script(
            "return document.querySelector('table.items caption')?.textContent") == "버전 1의 항목")
        self.assertEqual(len(b.find_elements(By.CSS_SELECTOR, "table.items tbody tr")), 5)
        self.assertEqual(b.find_element(By.CSS_SELECTOR, "table.items tbody tr td:nth-child(5)").text, WELCOME)
        self.assertEqual(b.execute_script("return document.querySelectorAll('main b, main script').length"), 0)
        severe = [e for e in b.get_log("browser") if e["level"] == "SEVERE" and e["source"] != "network"]
        self.assertEqual(severe, [])


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
