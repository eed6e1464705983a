#!/usr/bin/python3
"""The dashboard in headless Chromium, driven by Selenium (Debian chromium,
chromium-driver, python3-selenium).

  dashboard_browser.py test --shop SCRIPT --build DIR --dir DIR [--screenshot FILE]
      Starts the demonstration (scripts/shop: Mosquitto, three simulators,
      three consoles on a virtual X server), loads the dashboard from
      Mosquitto and checks: three machines; the progress of one advances;
      a console killed turns its card grey, first in the order; nothing in
      the browser's console log. Prints "1 passed, 0 failed" or the fault.

  dashboard_browser.py shot --url URL --out FILE [--lang zh|en] [--wait SECONDS]
      A screenshot of the dashboard at URL.
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By


def browser(lang="en"):
    opts = webdriver.ChromeOptions()
    opts.binary_location = "/usr/bin/chromium"
    for a in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
              "--disable-background-networking", "--disable-component-update", "--disable-sync",
              "--user-data-dir=" + tempfile.mkdtemp(prefix="ks-chromium-"), "--window-size=1400,800",
              "--lang=" + lang):
        opts.add_argument(a)
    opts.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=opts)


def wait_for(what, pred, limit):
    """pred() until it gives something true; the limit only stops a hang."""
    until = time.monotonic() + limit
    while True:
        got = pred()
        if got:
            return got
        if time.monotonic() > until:
            raise AssertionError("waited in vain for " + what)
        time.sleep(0.2)


def card(driver, machine):
    found = driver.find_elements(By.CSS_SELECTOR, f'section.card[data-machine="{machine}"]')
    return found[0] if found else None


def done_of(driver, machine):
    c = card(driver, machine)
    text = c.find_element(By.CSS_SELECTOR, ".bar .text").text if c else ""
    return int(text.split("/")[0]) if "/" in text else None


def tell(demo_dir, driver):
    """What the demonstration and the page showed, for a failure's report."""
    for name in ("shop.log",):
        path = os.path.join(os.path.dirname(demo_dir), name)
        if os.path.exists(path):
            print(f"--- {name}:", *open(path).read().splitlines()[-8:], sep="\n  ")
    for m in ("EDM-01", "EDM-02", "EDM-03"):
        for name in ("console.log", "sim.log"):
            path = os.path.join(demo_dir, m, name)
            if os.path.exists(path):
                lines = open(path, errors="replace").read().splitlines()
                print(f"--- {m}/{name} ({len(lines)} lines):", *lines[-3:], sep="\n  ")
    if driver:
        for c in driver.find_elements(By.CSS_SELECTOR, "section.card"):
            print("--- card:", c.text.replace("\n", " | "))


def test(args):
    env = dict(os.environ)
    env.pop("DISPLAY", None)  # the consoles on a screen of their own
    os.makedirs(args.dir, exist_ok=True)
    log = open(os.path.join(args.dir, "shop.log"), "w")
    demo_dir = os.path.join(args.dir, "demo")
    shutil.rmtree(demo_dir, ignore_errors=True)  # no address of an earlier run
    shop = subprocess.Popen([args.shop, "--build-dir", args.build, "--dir", demo_dir, "--for", "600"], env=env,
                            stdout=log, stderr=subprocess.STDOUT, start_new_session=True)
    driver = None
    try:
        address = os.path.join(demo_dir, "address")
        wait_for("the demonstration's address", lambda: os.path.exists(address) or shop.poll() is not None, 120)
        assert shop.poll() is None, "scripts/shop ended early (see shop.log)"
        url = open(address).read().strip()
        driver = browser()
        driver.get(url)
        machines = ["EDM-01", "EDM-02", "EDM-03"]
        wait_for("three machines", lambda: all(card(driver, m) for m in machines), 60)
        assert len(driver.find_elements(By.CSS_SELECTOR, "section.card")) == 3

        start = wait_for("EDM-01's progress", lambda: done_of(driver, "EDM-01"), 60)
        wait_for("EDM-01's progress to advance", lambda: (done_of(driver, "EDM-01") or 0) > start, 60)

        pid = int(open(os.path.join(demo_dir, "EDM-03", "console.pid")).read())
        os.kill(pid, signal.SIGKILL)
        wait_for("EDM-03 to turn grey", lambda: "offline" in card(driver, "EDM-03").get_attribute("class"), 30)
        first = driver.find_elements(By.CSS_SELECTOR, "section.card")[0].get_attribute("data-machine")
        assert first == "EDM-03", f"the machine gone offline is not first but {first}"
        assert driver.execute_script(
            "return getComputedStyle(arguments[0]).filter", card(driver, "EDM-03")) == "grayscale(1)"

        if args.screenshot:
            driver.save_screenshot(args.screenshot)
        errors = [e for e in driver.get_log("browser") if e["level"] == "SEVERE"]
        assert not errors, f"the browser's console: {errors}"
    except AssertionError:
        tell(demo_dir, driver)
        raise
    finally:
        if driver:
            driver.quit()
        try:
            os.killpg(shop.pid, signal.SIGTERM)
            shop.wait(20)
        except (ProcessLookupError, subprocess.TimeoutExpired):
            os.killpg(shop.pid, signal.SIGKILL)
    print("dashboard: 1 passed, 0 failed")
    return 0


def shot(args):
    driver = browser(args.lang)
    try:
        driver.get(args.url + ("&" if "?" in args.url else "?") + "lang=" + args.lang)
        time.sleep(args.wait)
        driver.save_screenshot(args.out)
    finally:
        driver.quit()
    return 0


def main():
    p = argparse.ArgumentParser()
    sub = p.add_subparsers(dest="what", required=True)
    t = sub.add_parser("test")
    t.add_argument("--shop", required=True)
    t.add_argument("--dir", required=True)
    t.add_argument("--build", required=True)
    t.add_argument("--screenshot")
    s = sub.add_parser("shot")
    s.add_argument("--url", required=True)
    s.add_argument("--out", required=True)
    s.add_argument("--lang", default="zh", choices=["zh", "en"])
    s.add_argument("--wait", type=float, default=3)
    args = p.parse_args()
    if args.what == "test":
        try:
            return test(args)
        except AssertionError as e:
            print("FAIL:", e)
            print("dashboard: 0 passed, 1 failed")
            return 1
    return shot(args)


if __name__ == "__main__":
    sys.exit(main())
