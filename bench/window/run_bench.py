#!/usr/bin/python3
"""How the console's window answers while the controller cannot be reached.

Starts the kestrane executable of one or two program folders ("before" and
"after") under a virtual X server of its own, each time from a fresh
program folder with its own KSConfig.ini and COM1, in three cases:

  baseline  a normal kestrane-sim behind COM1 (the sanity row: an idle,
            healthy console must answer window manager pings at once)
  closed    COM1 a dangling link: the controller gone, no line at all
  silent    kestrane-sim --ignore-every 1: a controller that never answers

and for each prints, side by side:

  1. start to window up: mapped (the main window, title with 加工文件),
     painted (its picture no longer plain) and answering (a first reply
     to a _NET_WM_PING sent after the map);
  2. click on "关于系统" to its panel mapping, over several clicks at
     different moments of the console's one-second probe, median and worst;
  3. over a stretch of seconds, _NET_WM_PING every 25 ms: the share of time
     the window did not answer within 100 ms, and the longest such stretch.

Qt answers _NET_WM_PING from its GUI thread's event loop, so a ping reply
is a round trip that only a running event loop completes.

usage: run_bench.py [--before DIR] [--after DIR] [--sim PATH]
                    [--seconds S] [--clicks N]
DIR is a program folder holding kestrane (and kestrane-dxf2nc,
kestrane-sim), e.g. build/default/programs. The targets are printed beside
the figures; nothing here fails on a missed target.
"""
import argparse
import os
import select
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time
import unicodedata

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
INNER = "KS_WINDOW_BENCH_INNER"

# Pixels of the main window, from its top-left corner (1020x700).
SYSTEM_INFO_BUTTON = (655, 678)
# The panels' button 1 (确定 of the system information panel), from the
# panel's own top-left corner.
PANEL_OK = (653, 574)

PING_PERIOD = 0.025
BLOCKED_AFTER = 0.100
START_CAP = 60.0      # a console that is not up by then is reported as such
CLICK_CAP = 12.0      # a panel later than this counts as not shown
TARGETS = {"up": 1.0, "click": 1.5, "block": 0.7, "share": 40.0}


# --------------------------------------------------------------------------
# X side: one connection that sees every top-level window map and unmap
# (SubstructureNotify on the root) and the ping replies, which Qt sends to
# the root with that mask.

class Screen:
    def __init__(self):
        from Xlib import X, display
        from Xlib.ext import xtest
        self.X = X
        self.xtest = xtest
        self.d = display.Display()
        self.root = self.d.screen().root
        self.root.change_attributes(event_mask=X.SubstructureNotifyMask | X.StructureNotifyMask)
        a = self.d.intern_atom
        self.WM_PROTOCOLS = a("WM_PROTOCOLS")
        self.WM_DELETE_WINDOW = a("WM_DELETE_WINDOW")
        self.NET_WM_PING = a("_NET_WM_PING")
        self.NET_WM_NAME = a("_NET_WM_NAME")
        self.UTF8_STRING = a("UTF8_STRING")
        self.d.sync()
        self.mapped = {}        # window id -> time of its MapNotify (top-level, not override-redirect)
        self.unmapped = {}      # window id -> time of its UnmapNotify or DestroyNotify
        self.ping_sent = {}     # sequence -> time sent
        self.ping_back = {}     # sequence -> time the reply arrived
        self.seq = 0

    def pump(self, timeout):
        """Reads every event that arrives within timeout seconds (0: only those queued)."""
        X = self.X
        end = time.monotonic() + timeout
        while True:
            while self.d.pending_events():
                ev = self.d.next_event()
                now = time.monotonic()
                if ev.type == X.ClientMessage and ev.client_type == self.WM_PROTOCOLS:
                    fmt, data = ev.data
                    if fmt == 32 and data[0] == self.NET_WM_PING:
                        self.ping_back.setdefault(data[3], now)
                elif ev.type == X.MapNotify and not ev.override:
                    self.mapped[ev.window.id] = now
                    self.unmapped.pop(ev.window.id, None)
                elif ev.type in (X.UnmapNotify, X.DestroyNotify):
                    if ev.window.id in self.mapped:
                        self.unmapped.setdefault(ev.window.id, now)
            left = end - time.monotonic()
            if left <= 0:
                return
            select.select([self.d.fileno()], [], [], left)

    def open_windows(self):
        return [w for w in self.mapped if w not in self.unmapped]

    def window(self, wid):
        return self.d.create_resource_object("window", wid)

    def title(self, wid):
        try:
            p = self.window(wid).get_full_property(self.NET_WM_NAME, self.UTF8_STRING)
            return p.value.decode("utf-8", "replace") if p else ""
        except Exception:  # the window went away under us
            return ""

    def is_kestrane(self, wid):
        try:
            cls = self.window(wid).get_wm_class()
        except Exception:
            return False
        return bool(cls) and "kestrane" in (c.lower() for c in cls)

    def origin(self, wid):
        t = self.window(wid).translate_coords(self.root, 0, 0)
        return -t.x, -t.y

    def geometry(self, wid):
        g = self.window(wid).get_geometry()
        x, y = self.origin(wid)
        return x, y, g.width, g.height

    def ping(self, wid):
        from Xlib.protocol import event
        self.seq += 1
        # Timestamp CurrentTime: the sequence rides in a free slot, so the
        # client's idea of the server time is left alone.
        ev = event.ClientMessage(window=self.window(wid), client_type=self.WM_PROTOCOLS,
                                 data=(32, [self.NET_WM_PING, 0, wid, self.seq, 0]))
        self.window(wid).send_event(ev, event_mask=0)
        self.d.flush()
        self.ping_sent[self.seq] = time.monotonic()
        return self.seq

    def click(self, x, y):
        X, xt = self.X, self.xtest
        xt.fake_input(self.d, X.MotionNotify, x=x, y=y, root=self.root.id)
        xt.fake_input(self.d, X.ButtonPress, 1)
        xt.fake_input(self.d, X.ButtonRelease, 1)
        self.d.sync()
        return time.monotonic()

    def key(self, keysym_name):
        from Xlib import XK
        code = self.d.keysym_to_keycode(XK.string_to_keysym(keysym_name))
        self.xtest.fake_input(self.d, self.X.KeyPress, code)
        self.xtest.fake_input(self.d, self.X.KeyRelease, code)
        self.d.sync()

    def close_request(self, wid):
        from Xlib.protocol import event
        ev = event.ClientMessage(window=self.window(wid), client_type=self.WM_PROTOCOLS,
                                 data=(32, [self.WM_DELETE_WINDOW, 0, 0, 0, 0]))
        self.window(wid).send_event(ev, event_mask=0)
        self.d.flush()

    def distinct_colours(self, x, y, w, h):
        """Distinct pixel values on a sample of the screen area: an unpainted
        window shows one or two (its ground, the root's pattern)."""
        img = self.root.get_image(x, y, w, h, self.X.ZPixmap, 0xFFFFFFFF)
        px = memoryview(img.data).cast("I")
        return len(set(px[::37]))


# --------------------------------------------------------------------------
# Processes and program folders.

class Procs:
    def __init__(self):
        self.procs = []

    def start(self, cmd, log):
        p = subprocess.Popen(cmd, stdout=log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
        self.procs.append(p)
        return p

    def stop(self, p):
        if p.poll() is None:
            p.terminate()
            try:
                p.wait(5)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()
        if p in self.procs:
            self.procs.remove(p)

    def stop_all(self):
        for p in list(reversed(self.procs)):
            self.stop(p)


def make_job(dxf2nc, folder):
    out = subprocess.run([dxf2nc, "--min", "0.3", "--max", "7", "--out", folder,
                          os.path.join(ROOT, "samples", "plate.dxf")],
                         check=True, stdout=subprocess.PIPE, text=True)
    return out.stdout.strip().splitlines()[-1]


def program_folder(work, name, kestrane, job):
    """A program folder of the case's own: the console looks for its
    settings and its COM1 next to its executable."""
    folder = os.path.join(work, name)
    os.makedirs(folder)
    shutil.copy2(kestrane, os.path.join(folder, "kestrane"))
    lines = ["[FileParam Info]", f"DirNCPath={job}", "Com=1", "Speed=1", "LockMotor=0",
             "Hole=0", "ViewType=1", "ViewScale=160"]
    with open(os.path.join(folder, "KSConfig.ini"), "wb") as f:
        f.write("".join(l + "\r\n" for l in lines).encode("utf-8"))
    return folder


def wait_for(cond, seconds, step=0.05):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if cond():
            return True
        time.sleep(step)
    return cond()


# --------------------------------------------------------------------------
# The three measurements.

def measure_start(scr, console, t0):
    """Seconds from start to mapped, painted and answering; None where not reached."""
    res = {"mapped": None, "painted": None, "answering": None, "wid": None}
    end = t0 + START_CAP
    first_ping = None
    while time.monotonic() < end and console.poll() is None:
        scr.pump(0.02)
        if res["wid"] is None:
            for wid in scr.open_windows():
                if scr.mapped[wid] >= t0 and "加工文件" in scr.title(wid):
                    res["wid"] = wid
                    res["mapped"] = scr.mapped[wid] - t0
                    break
            continue
        wid = res["wid"]
        if res["painted"] is None:
            try:
                x, y, w, h = scr.geometry(wid)
                if scr.distinct_colours(x, y, w, h) >= 16:
                    res["painted"] = time.monotonic() - t0
            except Exception:  # the window went away: the loop's poll tells why
                continue
        if res["answering"] is None:
            answered = [s for s in scr.ping_back if first_ping is not None and s >= first_ping]
            if answered:
                res["answering"] = scr.ping_back[min(answered)] - t0
            else:
                seq = scr.ping(wid)
                if first_ping is None:
                    first_ping = seq
        if res["painted"] is not None and res["answering"] is not None:
            break
    return res


def measure_blocking(scr, wid, seconds):
    """Pings every PING_PERIOD for seconds; a reply later than BLOCKED_AFTER
    marks the window blocked from the ping's sending to its reply."""
    seqs = []
    start = time.monotonic()
    nxt = start
    while True:
        now = time.monotonic()
        if now >= start + seconds:
            break
        if now >= nxt:
            seqs.append(scr.ping(wid))
            nxt += PING_PERIOD
            if nxt < now:  # this process was held up: no burst to catch up
                nxt = now + PING_PERIOD
        scr.pump(max(0.0, min(nxt, start + seconds) - time.monotonic()))
    end = time.monotonic()
    # Replies still owed: wait a while, then count the rest as blocked to here.
    grace_end = end + 5.0
    while time.monotonic() < grace_end and any(s not in scr.ping_back for s in seqs):
        scr.pump(0.05)
    last = time.monotonic()
    lat, spans, missing = [], [], 0
    for s in seqs:
        sent = scr.ping_sent[s]
        back = scr.ping_back.get(s)
        if back is None:
            missing += 1
            back = last
        else:
            lat.append(back - sent)
        if back - sent > BLOCKED_AFTER:
            spans.append((sent, back))
    merged = []
    for a, b in sorted(spans):
        if merged and a <= merged[-1][1]:
            merged[-1][1] = max(merged[-1][1], b)
        else:
            merged.append([a, b])
    period = end - start
    blocked = sum(max(0.0, min(b, end) - max(a, start)) for a, b in merged)
    lat.sort()
    return {
        "share": 100.0 * blocked / period,
        "longest": max((b - a for a, b in merged), default=0.0),
        "median": statistics.median(lat) if lat else None,
        "p99": lat[min(len(lat) - 1, int(0.99 * len(lat)))] if lat else None,
        "pings": len(seqs),
        "missing": missing,
        "period": period,
    }


def find_panel(scr, main, since):
    for wid in scr.open_windows():
        if wid != main and scr.mapped[wid] >= since and scr.is_kestrane(wid):
            return wid
    return None


def close_panel(scr, panel, console):
    """The panel's OK button, as the operator closes it; Escape, then the
    close box, if that did not take it away within a few seconds."""
    try:
        x, y = scr.origin(panel)
    except Exception:
        return True
    scr.click(x + PANEL_OK[0], y + PANEL_OK[1])
    for fallback in (lambda: scr.key("Escape"), lambda: scr.close_request(panel), None):
        end = time.monotonic() + CLICK_CAP
        while time.monotonic() < end and console.poll() is None:
            scr.pump(0.02)
            if panel in scr.unmapped:
                return True
        if fallback is None or console.poll() is not None:
            return False
        fallback()
    return False


def measure_clicks(scr, main, console, clicks):
    """Click to panel mapped, seconds; None for a panel not shown within CLICK_CAP.
    The waits before the clicks differ, so the clicks fall at different
    moments of a once-a-second probe."""
    waits = [0.30 + 0.37 * i % 1.0 for i in range(clicks)]
    out = []
    for wait in waits:
        if console.poll() is not None:
            break
        scr.pump(wait)
        stray = find_panel(scr, main, scr.mapped[main])  # a panel that came too late last time
        if stray is not None and not close_panel(scr, stray, console):
            out.append(None)
            continue
        x, y = scr.origin(main)
        t = scr.click(x + SYSTEM_INFO_BUTTON[0], y + SYSTEM_INFO_BUTTON[1])
        panel = None
        while time.monotonic() < t + CLICK_CAP and console.poll() is None:
            scr.pump(0.01)
            panel = find_panel(scr, main, t)
            if panel is not None:
                break
        if panel is None:
            out.append(None)
            continue
        out.append(scr.mapped[panel] - t)
        close_panel(scr, panel, console)
    return out


def run_case(scr, procs, work, label, kestrane, sim, job, case, seconds, clicks):
    folder = program_folder(work, label, kestrane, job)
    com1 = os.path.join(folder, "COM1")
    log = open(os.path.join(folder, "run.log"), "wb")
    sim_proc = None
    try:
        if case == "closed":
            # The name of a line whose device is gone: taken as COM1 and failing to open.
            os.symlink(os.path.join(folder, "gone"), com1)
        else:
            extra = ["--ignore-every", "1"] if case == "silent" else []
            sim_proc = procs.start([sim, "--link", com1] + extra, log)
            if not wait_for(lambda: os.path.islink(com1), 10):
                raise RuntimeError(f"{label}: kestrane-sim made no {com1}")
        t0 = time.monotonic()
        console = procs.start([os.path.join(folder, "kestrane")], log)
        r = measure_start(scr, console, t0)
        r["clicks"] = []
        r["block"] = None
        if r["wid"] is not None and console.poll() is None:
            scr.pump(1.0)  # the first status ticks, as an operator would look first
            r["block"] = measure_blocking(scr, r["wid"], seconds)
            r["clicks"] = measure_clicks(scr, r["wid"], console, clicks)
        r["ended"] = console.poll()
        procs.stop(console)
        return r
    finally:
        if sim_proc is not None:
            procs.stop(sim_proc)
        log.close()


# --------------------------------------------------------------------------
# The table.

def fmt_s(v, cap=None):
    if v is None:
        return f"> {cap:.0f} s" if cap else "none"
    if v >= 0.1:
        return f"{v:.2f} s"
    return f"{v * 1000:.0f} ms" if v >= 0.01 else f"{v * 1000:.1f} ms"


def mark(v, target, none_misses=True):
    if v is None:
        return " ✗" if none_misses else ""
    return " ✓" if v <= target else " ✗"


def cells(r, n_clicks):
    up = None
    if r["mapped"] is not None and r["painted"] is not None and r["answering"] is not None:
        up = max(r["mapped"], r["painted"], r["answering"])
    c = {
        "mapped": fmt_s(r["mapped"], START_CAP),
        "up": fmt_s(up, START_CAP) + mark(up, TARGETS["up"]),
    }
    shown = [x for x in r["clicks"] if x is not None]
    lost = len(r["clicks"]) - len(shown)
    if r["clicks"]:
        worst = None if lost else max(shown)
        c["click_med"] = fmt_s(statistics.median(shown)) if shown else "none"
        c["click_max"] = (fmt_s(worst, CLICK_CAP) + mark(worst, TARGETS["click"])
                          + (f" ({lost}/{len(r['clicks'])} lost)" if lost else ""))
    else:
        c["click_med"] = c["click_max"] = "not measured"
    b = r["block"]
    if b:
        c["share"] = f"{b['share']:.1f} %" + mark(b["share"], TARGETS["share"])
        c["longest"] = fmt_s(b["longest"]) + mark(b["longest"], TARGETS["block"])
        c["ping"] = (f"{fmt_s(b['median'])} / {fmt_s(b['p99'])}" if b["median"] is not None else "none") \
            + (f" ({b['missing']} lost)" if b["missing"] else "")
    else:
        c["share"] = c["longest"] = c["ping"] = "not measured"
    if r.get("ended") is not None:
        c["up"] += f" (ended {r['ended']})"
    return c


def width(text):
    """Columns the text takes on a terminal: Chinese characters take two."""
    return sum(2 if unicodedata.east_asian_width(ch) in "WF" else 1 for ch in text)


def pad(text, columns):
    return text + " " * max(1, columns - width(text))


def print_table(results, versions, seconds, clicks):
    rows = [
        ("mapped", "start to main window mapped", ""),
        ("up", "start to window up (painted, answering)", f"≤ {TARGETS['up']:.0f} s"),
        ("click_med", f"click on system info to panel, median of {clicks}", ""),
        ("click_max", f"click on system info to panel, worst of {clicks}", f"≤ {TARGETS['click']} s"),
        ("share", f"blocked share (ping > 100 ms), {seconds:.0f} s", f"≤ {TARGETS['share']:.0f} %"),
        ("longest", "longest block", f"≤ {TARGETS['block']} s"),
        ("ping", "ping reply, median / p99", ""),
    ]
    names = {"baseline": "baseline: normal kestrane-sim (sanity: pings must come back fast)",
             "closed": "(A) controller gone, line closed (COM1 a dangling link)",
             "silent": "(B) controller silent from the start (kestrane-sim --ignore-every 1)"}
    w0 = max(width(r[1]) for r in rows) + 4
    w = 28
    head = pad("", w0) + "".join(pad(v, w) for v in versions) + "target"
    print(head)
    print("-" * width(head))
    for case in ("baseline", "closed", "silent"):
        print(names[case])
        per = {v: cells(results[(case, v)], clicks) for v in versions}
        for key, text, target in rows:
            print(pad("  " + text, w0) + "".join(pad(per[v][key], w) for v in versions) + target)
        print()


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--before", help="program folder of the console before the change")
    ap.add_argument("--after", help="program folder of the console after it "
                    "(default: build/default/programs when neither is given)")
    ap.add_argument("--sim", help="kestrane-sim for every case (default: the after folder's, else the before's)")
    ap.add_argument("--seconds", type=float, default=20.0, help="pinging stretch per case (20)")
    ap.add_argument("--clicks", type=int, default=8, help="clicks on 关于系统 per case (8)")
    args = ap.parse_args()
    if not args.before and not args.after:
        args.after = os.path.join(ROOT, "build", "default", "programs")
    versions = [(n, os.path.abspath(d)) for n, d in (("before", args.before), ("after", args.after)) if d]
    for name, d in versions:
        if not os.access(os.path.join(d, "kestrane"), os.X_OK):
            sys.exit(f"run_bench.py: no {d}/kestrane ({name}); build it first")
    tools = versions[-1][1]
    sim = args.sim or next((os.path.join(d, "kestrane-sim") for _, d in reversed(versions)
                            if os.access(os.path.join(d, "kestrane-sim"), os.X_OK)), None)
    dxf2nc = next((os.path.join(d, "kestrane-dxf2nc") for _, d in reversed(versions)
                   if os.access(os.path.join(d, "kestrane-dxf2nc"), os.X_OK)), None)
    if not sim or not dxf2nc:
        sys.exit(f"run_bench.py: kestrane-sim and kestrane-dxf2nc are needed (looked in {tools})")

    if os.environ.get(INNER) is None:
        # A virtual X server of its own: the figures must not depend on a desktop.
        os.environ[INNER] = "1"
        if not shutil.which("xvfb-run"):
            sys.exit("run_bench.py: xvfb-run missing (scripts/setup installs it)")
        os.execvp("xvfb-run", ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24",
                               sys.executable, os.path.abspath(__file__)] + sys.argv[1:])
    try:
        import Xlib  # noqa: F401
    except ImportError:
        sys.exit("run_bench.py: python3-xlib missing (scripts/setup installs it)")

    # A signal ends the run through the finally below, so nothing started is left behind.
    for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(sig, lambda *_: sys.exit(1))
    work = tempfile.mkdtemp(prefix="ks_window_bench_")
    procs = Procs()
    results = {}
    try:
        job = make_job(dxf2nc, work)
        scr = Screen()
        print(f"window bench: {len(os.sched_getaffinity(0))} cores, load {os.getloadavg()[0]:.2f} at start; "
              f"sim {sim}", file=sys.stderr)
        for case in ("baseline", "closed", "silent"):
            for name, d in versions:
                print(f"window bench: {case} / {name} ...", file=sys.stderr, flush=True)
                results[(case, name)] = run_case(scr, procs, work, f"{case}-{name}",
                                                 os.path.join(d, "kestrane"), sim, job, case,
                                                 args.seconds, args.clicks)
        print(f"window bench: load {os.getloadavg()[0]:.2f} at the end", file=sys.stderr)
        print()
        for name, d in versions:
            print(f"{name}: {d}")
        print()
        print_table(results, [n for n, _ in versions], args.seconds, args.clicks)
        print("system info: the 关于系统 button; ✓ within the target, ✗ not; figures from one run.")
    finally:
        procs.stop_all()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
