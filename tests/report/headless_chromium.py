"""Debian's Chromium, headless, driven by Selenium through chromium-driver:
for the job report's browser test, its bench and its screenshots. A fresh
profile each time and nothing that reaches out to the network."""
import os
import shutil
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--disable-dev-shm-usage"]


class Browser:
    def __init__(self, width=1280, height=1000):
        self.profile = tempfile.mkdtemp(prefix="ks_chromium_")
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for flag in FLAGS + [f"--user-data-dir={self.profile}", f"--window-size={width},{height}"]:
            options.add_argument(flag)
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)

    def open(self, path, ready_within=60):
        """Opens a report file and waits until every plot was drawn once."""
        self.driver.get("file://" + os.path.abspath(path))
        self.driver.set_script_timeout(ready_within)
        return self.driver.execute_async_script(
            "var done = arguments[arguments.length - 1];"
            "(function wait() {"
            "  if (window.ksReport && window.ksReport.ready) done(window.ksReport.readyMs);"
            "  else setTimeout(wait, 20);"
            "})();")

    def console_errors(self):
        return [e for e in self.driver.get_log("browser") if e["level"] in ("SEVERE", "WARNING")]

    def screenshot(self, png):
        """The whole page: the window made as tall as the page, and the
        plots drawn again at that size before the picture is taken."""
        height = self.driver.execute_script("return document.documentElement.scrollHeight")
        self.driver.set_window_size(1280, height + 40)
        self.driver.set_script_timeout(60)
        self.driver.execute_async_script(
            "var done = arguments[arguments.length - 1];"
            "var charts = Object.values(window.ksReport.charts), left = charts.length;"
            "if (!left) { done(); return; }"
            "charts.forEach(function (c) {"
            "  c.on('finished', function once() { c.off('finished', once); if (--left === 0) done(); });"
            "  c.resize();"
            "});")
        self.driver.save_screenshot(png)

    def close(self):
        self.driver.quit()
        shutil.rmtree(self.profile, ignore_errors=True)
