#!/usr/bin/python3
"""The job report of a 15,000-hole record in headless Chromium: it opens
from the file with no error or warning in the browser's console, each plot
holds the number of points, bars or stretches that Python's reading of the
record gives, the summary shows its hole count, and pointing at the slowest
hole on the plate names it. Exits 77 (skipped) without Chromium or Selenium.

usage: browser_test.py KESTRANE_REPORT
"""
import os
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

try:
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.by import By
    from headless_chromium import Browser
except ImportError as e:
    print(f"browser test skipped: {e}")
    sys.exit(77)
if not (os.path.exists("/usr/bin/chromium") and os.path.exists("/usr/bin/chromedriver")):
    print("browser test skipped: no /usr/bin/chromium or /usr/bin/chromedriver")
    sys.exit(77)

import record_figures  # noqa: E402

failures = []


def check(what, got, want):
    if got != want:
        failures.append(f"{what}: {got!r}, want {want!r}")


def main():
    tool = sys.argv[1]
    work = tempfile.mkdtemp(prefix="ks_report_browser_")
    record = os.path.join(work, "plate00.csv")
    subprocess.run(["/usr/bin/python3", os.path.join(HERE, "make_record.py"), record, "--holes", "15000"], check=True)
    subprocess.run([tool, "--lang", "en", record], check=True, stdout=subprocess.DEVNULL)
    rows = record_figures.read(record)
    want = record_figures.figures(rows)

    browser = Browser()
    try:
        browser.open(os.path.join(work, "plate00.html"))
        d = browser.driver
        # What each chart was given, read back from the charting library.
        got = d.execute_script("""
            var out = {};
            Object.keys(window.ksReport.charts).forEach(function (id) {
              var series = window.ksReport.charts[id].getOption().series;
              out[id] = series.map(function (s) { return s.data.length; });
              if (id === 'plot-histogram') out.binned = series[0].data.reduce(function (a, b) { return a + b; }, 0);
            });
            return out;""")
        check("per-hole points", got["plot-per-hole"], [want["timed"]])
        check("holes in the histogram", got["binned"], want["timed"])
        check("plate points", sum(got["plot-plate"]), want["placed"])
        check("Z travel points", got["plot-z-travel"], [want["with_z"]])
        check("timeline stretches", got["plot-timeline"], [want["timeline_spans"]])
        summary = d.find_element(By.CLASS_NAME, "summary-grid").text
        if f"Holes drilled {want['drilled']}" not in summary.replace("\n", " "):
            failures.append(f"summary without {want['drilled']} holes drilled: {summary[:300]}")

        # Pointing at the slowest hole on the plate shows its number.
        slow = max((r for r in rows if r["event"] == "drilled"), key=lambda r: (r["d"], -int(r["hole"])))
        plate = d.find_element(By.ID, "plot-plate")
        d.execute_script("arguments[0].scrollIntoView()", plate)
        x, y = d.execute_script(
            "return window.ksReport.charts['plot-plate'].convertToPixel({seriesIndex: 0}, [arguments[0], arguments[1]])",
            float(slow["x_mm"]), float(slow["y_mm"]))
        ActionChains(d).move_to_element_with_offset(
            plate, int(x - plate.size["width"] / 2), int(y - plate.size["height"] / 2)).perform()
        tip = ""
        for _ in range(100):
            tip = d.execute_script(
                "return Array.from(document.querySelectorAll('#plot-plate div'))"
                ".map(function (e) { return e.innerText; }).join(' ')")
            if f"Hole {slow['hole']}" in tip:
                break
            time.sleep(0.05)
        if f"Hole {slow['hole']}" not in tip:
            failures.append(f"pointing at hole {slow['hole']} shows {tip!r}")
        errors = browser.console_errors()
        if errors:
            failures.append(f"browser console: {errors}")
    finally:
        browser.close()
    for f in failures:
        print("FAILED:", f)
    print(f"browser: 15000-hole report, {len(failures)} failures")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
