#!/usr/bin/python3
"""The job report on a 15,000-hole record (tests/report/make_record.py):

1. kestrane-report against Python's csv module reading the same file, each
   as a process of its own, best and median of several runs, and their
   ratio (target: at most 1) -- for the HTML page (what the console's menu
   writes, flushed to the disk) and for --format json;
2. the size of the HTML file, and how much of it is the charting library;
3. time to interactive in headless Chromium: from the start of the page's
   loading until every plot has been drawn (window.ksReport.readyMs), over
   several fresh loads (target: at most 2 s).

Nothing here fails on a missed target; it prints the figures beside them.

usage: run_bench.py [--report PATH] [--runs N] [--loads N] [--keep DIR]
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
TESTS = os.path.join(ROOT, "tests", "report")
CSV_READ = "import csv, sys\nrows = list(csv.reader(open(sys.argv[1], newline='')))\n"


# Wall time (best and median) and the CPU time the process used (best): on
# a machine shared with other work the CPU time is the steadier figure.
def timed(cmd, runs):
    wall, cpu = [], []
    for _ in range(runs):
        start = time.perf_counter()
        child = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        _, _, usage = os.wait4(child.pid, 0)
        wall.append(time.perf_counter() - start)
        cpu.append(usage.ru_utime + usage.ru_stime)
    return min(wall), statistics.median(wall), min(cpu)


def row(name, figures, base=None):
    best, median, cpu = figures
    text = f"{name:24}wall best {best * 1000:7.1f} ms  median {median * 1000:7.1f} ms  cpu {cpu * 1000:6.1f} ms"
    if base:
        text += (f"   ratio to csv: wall {best / base[0]:.2f} (best) {median / base[1]:.2f} (median),"
                 f" cpu {cpu / base[2]:.2f}")
    return text


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--report", default=os.path.join(ROOT, "build/default/programs/kestrane-report"))
    ap.add_argument("--runs", type=int, default=15)
    ap.add_argument("--loads", type=int, default=7)
    ap.add_argument("--keep", help="folder for the record and the report (kept)")
    args = ap.parse_args()
    if not os.path.exists(args.report):
        sys.exit(f"no {args.report}: build first (cmake --build --preset default)")
    work = args.keep or tempfile.mkdtemp(prefix="ks_report_bench_")
    os.makedirs(work, exist_ok=True)
    record = os.path.join(work, "plate00.csv")
    page = os.path.join(work, "plate00.html")
    subprocess.run(["/usr/bin/python3", os.path.join(TESTS, "make_record.py"), record, "--holes", "15000"], check=True)
    print(f"record: {record}, {os.path.getsize(record)} bytes, {sum(1 for _ in open(record)) - 1} lines")

    csv = timed([sys.executable, "-c", CSV_READ, record], args.runs)
    html = timed([args.report, record], args.runs)
    json = timed([args.report, "--format", "json", "--out", os.path.join(work, "s.json"), record], args.runs)
    print(row("python csv module", csv))
    print(row("kestrane-report (html)", html, csv) + "  target <= 1")
    print(row("kestrane-report (json)", json, csv))

    size = os.path.getsize(page)
    version = subprocess.run([args.report, "--version"], capture_output=True, text=True).stdout.strip()
    with open(page, encoding="utf-8") as f:
        text = f.read()
    scripts = text.split("<script>")
    library = len(scripts[1].encode()) if len(scripts) > 2 else 0
    print(f"html: {size} bytes ({size / 1e6:.2f} MB), of which the charting library {library} bytes; {version}")

    sys.path.insert(0, TESTS)
    try:
        from headless_chromium import Browser
    except ImportError as e:
        print(f"time to interactive: not measured ({e})")
        return
    browser = Browser()
    try:
        ready = []
        for _ in range(args.loads):
            ready.append(browser.open(page))
        errors = browser.console_errors()
    finally:
        browser.close()
    print(f"time to interactive: median {statistics.median(ready):.0f} ms, worst {max(ready):.0f} ms, "
          f"best {min(ready):.0f} ms over {args.loads} loads  target <= 2000 ms"
          + (f"; console: {errors}" if errors else ""))


if __name__ == "__main__":
    main()
