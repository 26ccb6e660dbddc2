#!/usr/bin/python3
"""How soon the console's signs page shows a fleet in headless Chromium at 1280x800; the target is
under 1 s to the rows painted (the median of the runs) with 200 signs.

A real orbd on loopback with a fresh data folder; its admin makes the signs through the API: a few
are signemu signs holding the example program, the rest point at loopback ports where nothing
answers. Each run measures, from the navigation's start, the signs page reloaded with a live
session (what an operator meets every day): its first contentful paint, the moment its list is on
the page (the page's own "signs-listed" mark) and the next frame after it (rows painted); then the
first visit, from the login form's submit to the rows painted. Also the scripts the page loaded
(resource timing entries ending in .js) and the event streams the signs page opened.

  bench/console_first_paint.py BIN|ORBD [SIGNS] [RUNS] [--online N] [--shot PNG] [--target MS]
      (after a build: BIN is build/bin; SIGNS default 200, RUNS default 5)
Exit status 1 when the median misses the target, 2 when the bench could not run.
"""
import argparse
import collections
import json
import os
import socket
import statistics
import subprocess
import sys
import tempfile
import time
import urllib.parse
import urllib.request

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "service", "console", "tests"))

from console_support import Orbd, PageHelpers, chromium, sign_emu  # noqa: E402
from selenium.common.exceptions import WebDriverException  # noqa: E402

TARGET_MS = 1000
PLACES = ("정문", "후문", "로비", "계산대", "주차장", "엘리베이터", "식당", "매표소", "안내데스크", "강당",
          "Hall", "Gate")
GROUPS = ("1층", "2층", "3층", "지하", "동관", "서관", "야외", "주차장", "식당가", "행사장", "본관", "별관")
SIZES = ((6, 1), (8, 2), (10, 2), (12, 3), (5, 1), (16, 2), (6, 2), (20, 4))

# Run before the page's own scripts in every document: counts the event streams opened, marks the
# login form's submit, and takes the frame after the "signs-listed" mark as the rows painted (a
# task queued from the next animation frame runs once that frame has been drawn).
PROBE = """
(() => {
  const probe = window.__bench = {streams: [], painted: 0};
  const Real = window.EventSource;
  if (Real) window.EventSource = class extends Real {
    constructor(url, ...rest) { super(url, ...rest); probe.streams.push(String(url)); }
  };
  const mark = performance.mark.bind(performance);
  performance.mark = (name, ...rest) => {
    const made = mark(name, ...rest);
    if (name === 'signs-listed' && !probe.painted)
      requestAnimationFrame(() => setTimeout(() => { probe.painted = performance.now(); }));
    return made;
  };
  document.addEventListener('submit', () => mark('bench-login-submitted'), true);
})();
"""

# What the page measured, in ms from the navigation's start.
READ = """
const probe = window.__bench;
const first = (name) => (performance.getEntriesByName(name)[0] || {startTime: null}).startTime;
const fcp = performance.getEntriesByType('paint').find((e) => e.name === 'first-contentful-paint');
const scripts = performance.getEntriesByType('resource')
    .filter((e) => new URL(e.name).pathname.endsWith('.js'));
const sum = (key) => scripts.reduce((total, e) => total + e[key], 0);
const api = performance.getEntriesByType('resource').filter((e) => e.name.includes('/api/'));
const list = api.find((e) => new URL(e.name).pathname === '/api/v1/signs');
return {
  fcp: fcp ? fcp.startTime : null, listed: first('signs-listed'), painted: probe.painted || null,
  submitted: first('bench-login-submitted'),
  rows: document.querySelectorAll('table.signs tbody tr').length,
  scripts: scripts.length, decoded: sum('decodedBodySize'), transferred: sum('transferSize'),
  scriptsEnd: Math.max(0, ...scripts.map((e) => e.responseEnd)),
  listAsked: list ? list.startTime : null, listSent: list ? list.requestStart : null,
  listFirstByte: list ? list.responseStart : null, listEnd: list ? list.responseEnd : null,
  listBytes: list ? list.transferSize : null,
  streams: probe.streams.length, api: api.length,
};
"""


def arguments():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("bin", help="the build's bin folder, or orbd's path (signemu and orbctl beside it)")
    parser.add_argument("signs", type=int, nargs="?", default=200)
    parser.add_argument("runs", type=int, nargs="?", default=5)
    parser.add_argument("--online", type=int, default=6, help="signemu signs among them (default 6)")
    parser.add_argument("--example", help="the example project (default: examples/demo.dat beside BIN)")
    parser.add_argument("--shot", help="a screenshot of the signs page at 1280x800, once")
    parser.add_argument("--target", type=float, default=TARGET_MS, help="ms to the rows painted (default 1000)")
    given = parser.parse_args()
    if os.path.isfile(given.bin):
        given.bin = os.path.dirname(os.path.abspath(given.bin))
    if not given.example:
        given.example = os.path.join(given.bin, "..", "examples", "demo.dat")
    given.online = max(0, min(given.online, given.signs))
    return given


class Fleet:
    """orbd with SIGNS signs, ONLINE of them signemu signs holding the example program."""

    def __init__(self, given, folder):
        self.emus = []
        self.closed = []  # bound, never listening: nothing answers there
        self.online = []
        self.orbd = Orbd(os.path.join(given.bin, "orbd"), os.path.join(folder, "data"))

    def populate(self, given, folder):
        self.token = self.orbd.login("admin")
        size = self.example_size(given, folder)
        online = self.online
        for i in range(given.signs):
            if i % max(1, given.signs // max(1, given.online)) == 0 and len(online) < given.online:
                process, port = sign_emu(os.path.join(given.bin, "signemu"))
                self.emus.append(process)
                online.append(self.add(i, port, size))
            else:
                self.add(i, self.closed_port(), dict(zip(("width", "height"), SIZES[i % len(SIZES)])))
        if online:
            self.push(online)
        self.settle()

    def example_size(self, given, folder):
        self.bundle = os.path.join(folder, "demo.zip")
        orbctl = os.path.join(given.bin, "orbctl")
        subprocess.run([orbctl, "export", given.example, "--bundle", self.bundle], check=True, capture_output=True)
        exported = subprocess.run([orbctl, "export", given.example], check=True, capture_output=True, text=True)
        return json.loads(exported.stdout)["sign"]

    def closed_port(self):
        s = socket.socket()
        s.bind(("127.0.0.1", 0))
        self.closed.append(s)
        return s.getsockname()[1]

    def add(self, i, port, size):
        groups = {GROUPS[(i * 5 + i // 12) % len(GROUPS)]}
        if i % 3 == 0:
            groups.add(GROUPS[(i // 3 + 7) % len(GROUPS)])
        status, answer = self.orbd.call("POST", "/signs", {
            "name": "%s %d" % (PLACES[i % len(PLACES)], i + 1), "link": "tcp:127.0.0.1:%d" % port,
            "groups": sorted(groups), "width": size["width"], "height": size["height"]}, self.token)
        if status != 201:
            raise RuntimeError("sign %d not made: %s" % (i + 1, answer))
        return answer["id"]

    def push(self, signs):
        """The example program pushed to SIGNS; waits until each is online and holding it."""
        with open(self.bundle, "rb") as data:
            status, program = self.orbd.upload("/programs?name=" + urllib.parse.quote("데모"), data.read(),
                                               self.token)
        if status != 201:
            raise RuntimeError("the example bundle was refused: %s" % program)
        status, job = self.orbd.call("POST", "/jobs", {"action": "push", "program": program["id"],
                                                       "signs": signs}, self.token)
        if status not in (200, 201, 202):
            raise RuntimeError("the push was refused: %s" % job)
        deadline = time.monotonic() + 120
        while time.monotonic() < deadline:
            _, job = self.orbd.call("GET", "/jobs/%d" % job["id"], token=self.token)
            _, listed = self.orbd.call("GET", "/signs", token=self.token)
            ready = [s for s in listed if s["id"] in signs and s["state"] == "online" and s.get("holds")]
            if job["state"] not in ("queued", "running") and len(ready) == len(signs):
                return
            if job["state"] not in ("queued", "running", "done"):
                raise RuntimeError("the push ended %s" % job["state"])
            time.sleep(0.5)
        raise RuntimeError("the virtual signs did not all turn online holding the program")

    def settle(self):
        """Waits (a while) until the service has checked every sign, as an operator finds them."""
        print("waiting for the service's first check of every sign (about a minute)", flush=True)
        started = time.monotonic()
        while True:
            _, listed = self.orbd.call("GET", "/signs", token=self.token)
            unchecked = sum(1 for s in listed if s["state"] == "unknown")
            if unchecked == 0 or time.monotonic() - started > 180:
                break
            time.sleep(1)
        states = collections.Counter(s["state"] for s in listed)
        print("signs after %.0f s: %s" % (time.monotonic() - started,
                                            ", ".join("%d %s" % (n, k) for k, n in sorted(states.items()))),
              flush=True)

    def list_alone(self, times=10):
        """The API's list of signs asked for outside the browser, plain and with the encodings
        Chromium accepts: its size and median time each way."""
        figures = []
        for accepted in ("identity", "gzip, deflate, br"):
            took = []
            for _ in range(times):
                request = urllib.request.Request(self.orbd.url + "/api/v1/signs", headers={
                    "Authorization": "Bearer " + self.token, "Accept-Encoding": accepted})
                asked = time.monotonic()
                with urllib.request.urlopen(request, timeout=30) as answer:
                    body = answer.read()
                    encoding = answer.headers.get("Content-Encoding", "none")
                took.append((time.monotonic() - asked) * 1000)
            figures.append("%.0f ms as %s (%s)" % (statistics.median(took), encoding, kib(len(body))))
        print("the API's list of signs alone, median of %d: %s" % (times, ", ".join(figures)), flush=True)

    def close(self):
        for process in self.emus:
            process.kill()
            process.wait(timeout=10)
            process.stdout.close()
        for s in self.closed:
            s.close()
        return self.orbd.stop()


class Page(PageHelpers):
    def __init__(self, orbd):
        self.orbd = orbd
        self.browser = chromium()
        self.browser.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": PROBE})

    def measured(self, signs):
        """The page's figures once the rows are painted and all SIGNS rows are there."""
        self.wait(lambda b: b.execute_script("return window.__bench && window.__bench.painted"), 60)
        figures = self.browser.execute_script(READ)
        if figures["fcp"] is None or figures["listed"] is None:
            raise RuntimeError("the page has no first contentful paint or signs-listed mark")
        if figures["rows"] != signs:
            raise RuntimeError("the page lists %d signs, not %d" % (figures["rows"], signs))
        return figures

    def first_visit(self, signs):
        """Logged out, the console's address, the admin logs in: the page up to its rows painted."""
        self.browser.delete_all_cookies()
        self.browser.get(self.orbd.url + "/")
        self.log_in("admin")
        figures = self.measured(signs)
        if figures["submitted"] is None:
            raise RuntimeError("the login form's submit was not seen")
        return figures

    def reload(self, signs):
        self.browser.refresh()
        return self.measured(signs)

    def streams_after(self, seconds):
        """The event streams and API requests the page made in its first SECONDS."""
        time.sleep(seconds)
        return self.browser.execute_script(READ)


def ms(value):
    return "-" if value is None else "%.0f ms" % value


def kib(value):
    return "%.1f KiB" % (value / 1024)


def report_run(run, reload, first):
    print("run %d: reload with a session: first contentful paint %s, signs listed %s, rows painted %s "
          "(%d rows); scripts %d files, %s decoded, %s transferred" %
          (run, ms(reload["fcp"]), ms(reload["listed"]), ms(reload["painted"]), reload["rows"],
           reload["scripts"], kib(reload["decoded"]), kib(reload["transferred"])))
    print("       (reload: scripts in by %s; the list of signs asked at %s, sent %s, first byte %s, in by %s, "
          "%s transferred)" % (ms(reload["scriptsEnd"]), ms(reload["listAsked"]), ms(reload["listSent"]),
                               ms(reload["listFirstByte"]), ms(reload["listEnd"]), kib(reload["listBytes"] or 0)))
    print("       first visit: login submitted to signs listed %s, to rows painted %s; "
          "scripts %d files, %s decoded, %s transferred" %
          (ms(first["listed"] - first["submitted"]), ms(first["painted"] - first["submitted"]),
           first["scripts"], kib(first["decoded"]), kib(first["transferred"])), flush=True)


def summary(name, values):
    print("%-48s median %6.0f ms, max %6.0f ms" % (name, statistics.median(values), max(values)))
    return statistics.median(values)


def bench(given, fleet):
    page = Page(fleet.orbd)
    try:
        reloads, firsts = [], []
        for run in range(1, given.runs + 1):
            firsts.append(page.first_visit(given.signs))
            reloads.append(page.reload(given.signs))
            report_run(run, reloads[-1], firsts[-1])
        if given.shot:
            page.browser.save_screenshot(given.shot)
            print("screenshot:", given.shot)
        page.reload(given.signs)
        later = page.streams_after(12)
        print("signs page, first 12 s: %d event streams opened, %d API requests" % (later["streams"], later["api"]))
        if fleet.online:
            page.browser.get(fleet.orbd.url + "/#/signs/%d" % fleet.online[0])
            page.browser.refresh()
            one = page.streams_after(3)
            print("an online sign's own page, first 3 s: %d event streams opened" % one["streams"])
    finally:
        page.browser.quit()
    print("over %d runs, %d signs (%d online), load average %.2f on %d cores:" %
          (given.runs, given.signs, given.online, os.getloadavg()[0], os.cpu_count()))
    summary("reload: first contentful paint", [r["fcp"] for r in reloads])
    summary("reload: signs listed", [r["listed"] for r in reloads])
    median = summary("reload: rows painted", [r["painted"] for r in reloads])
    summary("first visit: login submitted to rows painted", [f["painted"] - f["submitted"] for f in firsts])
    held = median < given.target
    print("target: rows painted under %.0f ms after a reload: %s (median %.0f ms)" %
          (given.target, "met" if held else "MISSED", median))
    return 0 if held else 1


def main():
    given = arguments()
    print("load average %.2f on %d cores at the start" % (os.getloadavg()[0], os.cpu_count()), flush=True)
    with tempfile.TemporaryDirectory(prefix="orbpaint.") as folder:
        try:
            fleet = Fleet(given, folder)
        except (RuntimeError, OSError, subprocess.CalledProcessError) as error:
            print("console_first_paint: %s" % error, file=sys.stderr)
            return 2
        try:
            fleet.populate(given, folder)
            fleet.list_alone()
            return bench(given, fleet)
        except (RuntimeError, OSError, subprocess.CalledProcessError, WebDriverException) as error:
            print("console_first_paint: %s" % error, file=sys.stderr)
            return 2
        finally:
            fleet.close()


if __name__ == "__main__":
    sys.exit(main())
