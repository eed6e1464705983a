#!/usr/bin/python3
"""The dashboard under a shop's load: N machines (200 by default) publishing
their state once a second through one Mosquitto, each from a connection of
its own, and the dashboard open in headless Chromium, served by that
Mosquitto. Printed: the time from a state message's stamp to its card
drawn, measured in the browser (median, 99th percentile, longest; and the
median to its arrival in the page, before drawing), the messages the page drew, the share of the run the page spent drawing and
its longest drawing, and the broker's processor time, beside a baseline of
the same run with 3 machines.

usage: dashboard_bench.py --dashboard BUILD/dashboard [--machines 200] [--seconds 30]
(scripts/setup installs mosquitto, python3-paho-mqtt, chromium, chromium-driver
and python3-selenium; build first, so that the dashboard holds its vendored client.)
"""
import argparse
import json
import os
import pwd
import socket
import subprocess
import sys
import tempfile
import time

import paho.mqtt.client as mqtt

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tests", "publish"))
from dashboard_browser import browser, wait_for  # noqa: E402


def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def cpu_seconds(pid):
    fields = open(f"/proc/{pid}/stat").read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def state(name, n, count):
    now = time.time()
    return json.dumps({
        "machine": name, "time": time.strftime("%Y-%m-%dT%H:%M:%S", time.gmtime(now)) + ".%03dZ" % int(now * 1000 % 1000),
        "version": "19.2", "availability": "AVAILABLE", "execution": "ACTIVE", "job": "plate00.NC",
        "hole": n % count + 1, "hole_count": count, "holes_done": n % count, "x_mm": 1.0 * n, "y_mm": 2.0,
        "z_mm": 0.0, "pause_reason": None, "comm_error": None, "comm_error_text": None, "records_dropped": 0})


def run(dashboard, machines, seconds, work):
    mqtt_port, ws_port = free_port(), free_port()
    conf = os.path.join(work, "mosquitto.conf")
    with open(conf, "w") as f:
        f.write(f"per_listener_settings false\nallow_anonymous true\nuser {pwd.getpwuid(os.geteuid()).pw_name}\n"
                f"max_connections -1\nlistener {mqtt_port} 127.0.0.1\n"
                f"listener {ws_port} 127.0.0.1\nprotocol websockets\nhttp_dir {dashboard}\n")
    broker = subprocess.Popen(["mosquitto", "-c", conf], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    clients, driver = [], None
    try:
        wait_for("the broker", lambda: socket.socket().connect_ex(("127.0.0.1", mqtt_port)) == 0, 10)
        names = [f"LOAD-{i:03d}" for i in range(machines)]
        for name in names:
            c = mqtt.Client(client_id=name)
            c.will_set(f"kestrane/{name}/online", "0", qos=1, retain=True)
            c.connect("127.0.0.1", mqtt_port, keepalive=30)
            c.publish(f"kestrane/{name}/online", "1", qos=1, retain=True)
            clients.append(c)
        driver = browser()
        driver.get(f"http://127.0.0.1:{ws_port}/?bench=1")
        wait_for("the page's connection", lambda: driver.execute_script(
            "return document.getElementById('broker').className") == "broker up", 20)
        cpu0, t0 = cpu_seconds(broker.pid), time.monotonic()
        # Each machine once a second, spread evenly over the second.
        sent = 0
        start = time.monotonic()
        while time.monotonic() - start < seconds:
            for i, (name, c) in enumerate(zip(names, clients)):
                due = start + sent // machines + i / machines
                delay = due - time.monotonic()
                if delay > 0:
                    time.sleep(delay)
                c.publish(f"kestrane/{name}/state", state(name, sent // machines, 48), qos=1, retain=True)
                c.loop(timeout=0)
            sent += machines
        for c in clients:
            c.loop(timeout=0.01)
        time.sleep(1)
        cpu = (cpu_seconds(broker.pid) - cpu0) / (time.monotonic() - t0)
        lat = sorted(driver.execute_script("return window.shopBench.latencies"))
        draws = driver.execute_script("return window.shopBench.draws")
        arrivals = sorted(driver.execute_script("return window.shopBench.arrivals"))
        cards = driver.execute_script("return document.querySelectorAll('section.card').length")
        errors = [e for e in driver.get_log("browser") if e["level"] == "SEVERE"]
        return {"sent": sent, "drawn": len(lat), "cards": cards, "median": lat[len(lat) // 2] if lat else None,
                "p99": lat[min(len(lat) - 1, len(lat) * 99 // 100)] if lat else None, "max": lat[-1] if lat else None,
                "cpu": cpu, "errors": errors, "arrival": arrivals[len(arrivals) // 2] if arrivals else None, "drawing": sum(draws) / (1000 * seconds), "draw_max": max(draws, default=0)}
    finally:
        if driver:
            driver.quit()
        for c in clients:
            c.disconnect()
        broker.terminate()
        broker.wait(10)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--dashboard", required=True)
    p.add_argument("--machines", type=int, default=200)
    p.add_argument("--seconds", type=int, default=30)
    a = p.parse_args()
    if not os.path.exists(os.path.join(a.dashboard, "vendor", "mqtt.min.js")):
        sys.exit(f"dashboard_bench.py: no dashboard in {a.dashboard} (build first)")
    work = tempfile.mkdtemp(prefix="ks-shop-bench-")
    print(f"{'machines':>8} {'sent':>7} {'drawn':>7} {'cards':>5} {'median ms':>10} {'p99 ms':>8} {'longest ms':>10}"
          f" {'arrival median ms':>17} {'broker CPU':>10} {'page drawing':>12} {'longest draw ms':>15}")
    rows = []
    for n in (3, a.machines):
        r = run(a.dashboard, n, a.seconds, work)
        rows.append(r)
        print(f"{n:>8} {r['sent']:>7} {r['drawn']:>7} {r['cards']:>5} {r['median']:>10.0f} {r['p99']:>8.0f}"
              f" {r['max']:>10.0f} {r['arrival']:>17.0f} {100 * r['cpu']:>9.1f}% {100 * r['drawing']:>11.1f}%"
              f" {r['draw_max']:>15.1f}")
        if r["errors"]:
            print("  browser console:", r["errors"][:3])
    base, load = rows
    print(f"ratio {a.machines}/3 machines: median latency {load['median'] / max(base['median'], 1):.2f}, "
          f"longest {load['max'] / max(base['max'], 1):.2f}, broker CPU {load['cpu'] / max(base['cpu'], 1e-6):.1f}")


if __name__ == "__main__":
    main()
