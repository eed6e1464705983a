#!/usr/bin/python3
"""The console's CPU share and memory, idle and machining, before and after.

For each build folder given ("before", "after") and each of two jobs, the
sample drawing (samples/plate.dxf through kestrane-dxf2nc --min 0.3 --max 7)
and a generated job of 14,999 holes (make_big_job.py: the hole table's
limit), starts the console from a fresh program folder of its own
(KSConfig.ini and COM1, kestrane-sim behind it) under one virtual X server
and measures:

  start to window   the main window mapped, and its hole map painted
  idle              CPU share of the console over SECONDS, no run
  machining         CPU share over SECONDS while the job runs (start
                    clicked; the holes the simulator drilled meanwhile)
  RSS               resident memory after the idle stretch, and its peak

The CPU share is the console's user + system time over wall time, in
percent of one core (the X server and the simulator are not counted).

Then, with --shots DIR, a screenshot of the main window of each build and
job, idle and after a restart at hole 25 (holes 1 to 25 done), and the
number of pixels that differ between before and after, for the whole
window and for the map alone.

Where a build folder also holds bench/cpu/ks_bigjob_bench (built with
KS_BUILD_BENCH), its split of loading the big job (load, list, first
frame) is printed too.

usage: run_bench.py [--before BUILD] [--after BUILD] [--seconds S]
                    [--drill-ms MS] [--shots DIR] [--keep DIR]
BUILD is a CMake build folder (programs/ below it), e.g. build/default.
The targets are printed beside the figures; nothing here fails on a missed
target.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
INNER = "KS_CPU_BENCH_INNER"

START_BUTTON = (949, 678)          # "停止/启动" in the 1020 x 700 main window
MAP = (3, 30, 735, 617)            # the hole map frame in the window
TARGETS = {"idle": 2.0, "machining": 3.0, "rss": 120.0}
TICK = os.sysconf("SC_CLK_TCK")


class Screen:
    def __init__(self):
        from Xlib import X, display
        from Xlib.ext import xtest
        self.X, self.xtest = X, xtest
        self.d = display.Display()
        self.root = self.d.screen().root
        self.NET_WM_NAME = self.d.intern_atom("_NET_WM_NAME")
        self.UTF8_STRING = self.d.intern_atom("UTF8_STRING")

    def find_main(self):
        for w in self.root.query_tree().children:
            try:
                p = w.get_full_property(self.NET_WM_NAME, self.UTF8_STRING)
                attrs = w.get_attributes()
            except Exception:  # gone meanwhile
                continue
            if p and "加工文件" in p.value.decode("utf-8", "replace") and attrs.map_state == self.X.IsViewable:
                return w
        return None

    def origin(self, w):
        t = w.translate_coords(self.root, 0, 0)
        return -t.x, -t.y

    def distinct_colours(self, x, y, w, h):
        img = self.root.get_image(x, y, w, h, self.X.ZPixmap, 0xFFFFFFFF)
        px = memoryview(img.data).cast("I")
        return len(set(px[::7]))

    def click(self, x, y):
        X, xt = self.X, self.xtest
        xt.fake_input(self.d, X.MotionNotify, x=x, y=y, root=self.root.id)
        xt.fake_input(self.d, X.ButtonPress, 1)
        xt.fake_input(self.d, X.ButtonRelease, 1)
        self.d.sync()


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK  # utime, stime


def memory_mb(pid):
    out = {}
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            key, _, value = line.partition(":")
            if key in ("VmRSS", "VmHWM"):
                out[key] = int(value.split()[0]) / 1024
    return out.get("VmRSS"), out.get("VmHWM")


def cpu_share(pid, seconds):
    c0, t0 = cpu_seconds(pid), time.monotonic()
    time.sleep(seconds)
    c1, t1 = cpu_seconds(pid), time.monotonic()
    return 100.0 * (c1 - c0) / (t1 - t0)


def wait_for(cond, seconds, step=0.05):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        r = cond()
        if r:
            return r
        time.sleep(step)
    return cond()


def program_folder(work, name, kestrane, job, hole):
    folder = os.path.join(work, name)
    os.makedirs(folder)
    shutil.copy2(kestrane, os.path.join(folder, "kestrane"))
    lines = ["[FileParam Info]", f"DirNCPath={job}", "Com=1", "Speed=1", "LockMotor=0",
             f"Hole={hole}", "ViewType=1", "ViewScale=160"]
    with open(os.path.join(folder, "KSConfig.ini"), "wb") as f:
        f.write("".join(l + "\r\n" for l in lines).encode("utf-8"))
    return folder


class Console:
    """kestrane-sim and the console from a program folder of their own."""

    def __init__(self, scr, work, name, build, job, hole, drill_ms):
        programs = os.path.join(build, "programs")
        self.folder = program_folder(work, name, os.path.join(programs, "kestrane"), job, hole)
        self.sim_log = os.path.join(self.folder, "sim.log")
        self.log = open(os.path.join(self.folder, "run.log"), "wb")
        com1 = os.path.join(self.folder, "COM1")
        # 300 mm/s at the settings' speed level: the way to the first hole
        # of the big job takes seconds, not the whole stretch.
        self.sim = subprocess.Popen([os.path.join(programs, "kestrane-sim"), "--link", com1,
                                     "--drill-ms", str(drill_ms), "--speed-scale", "6000",
                                     "--log", self.sim_log], stdout=self.log, stderr=subprocess.STDOUT)
        if not wait_for(lambda: os.path.islink(com1), 10):
            raise RuntimeError(f"{name}: kestrane-sim made no COM1")
        self.t0 = time.monotonic()
        self.proc = subprocess.Popen([os.path.join(self.folder, "kestrane")], stdout=self.log,
                                     stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
        self.window = wait_for(scr.find_main, 60)
        self.mapped = time.monotonic() - self.t0 if self.window else None
        self.painted = None
        if self.window:
            x, y = scr.origin(self.window)
            self.x, self.y = x, y
            if wait_for(lambda: scr.distinct_colours(x + MAP[0], y + MAP[1], MAP[2], MAP[3]) >= 3, 60, 0.02):
                self.painted = time.monotonic() - self.t0

    def sim_commands(self, name):
        try:
            with open(self.sim_log, encoding="utf-8", errors="replace") as f:
                return sum(1 for line in f if len(line.split()) > 2 and line.split()[2] == name)
        except OSError:
            return 0

    def stop(self):
        for p in (self.proc, self.sim):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()
        self.log.close()


def shoot(console, path):
    g = f"1020x700+{console.x}+{console.y}"
    subprocess.run(["import", "-window", "root", "-crop", g, "+repage", path], check=True)


def differing_pixels(a, b, crop=None):
    """Pixels that differ between two pictures (ImageMagick's absolute error)."""
    cmd = ["compare", "-metric", "AE"]
    if crop:
        w, h, x, y = crop
        a, b = f"{a}[{w}x{h}+{x}+{y}]", f"{b}[{w}x{h}+{x}+{y}]"
    done = subprocess.run(cmd + [a, b, "null:"], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    try:
        return int(float(done.stderr.split()[0]))
    except (ValueError, IndexError):
        return None


def measure(scr, work, label, build, job, seconds, drill_ms):
    c = Console(scr, work, label, build, job, 0, drill_ms)
    r = {"mapped": c.mapped, "painted": c.painted}
    try:
        if c.window is None or c.proc.poll() is not None:
            r["failed"] = "no main window"
            return r
        time.sleep(5)  # start-up done, the first status ticks
        r["idle"] = cpu_share(c.proc.pid, seconds)
        r["rss"], _ = memory_mb(c.proc.pid)
        moves = c.sim_commands("move")
        for _ in range(3):  # a click lost to a busy start-up is clicked again
            scr.click(c.x + START_BUTTON[0], c.y + START_BUTTON[1])
            if wait_for(lambda: c.sim_commands("move") > moves, 5):
                break
        else:
            r["failed"] = "the job did not start"
            return r
        time.sleep(3)
        drills = c.sim_commands("drill")
        r["machining"] = cpu_share(c.proc.pid, seconds)
        r["drilled"] = c.sim_commands("drill") - drills
        _, r["peak"] = memory_mb(c.proc.pid)
        if c.proc.poll() is not None:
            r["failed"] = f"console ended ({c.proc.returncode})"
        return r
    finally:
        c.stop()


def shots(scr, work, label, build, job, out, drill_ms):
    """Idle pictures: at the start of the job, and resumed at hole 25."""
    paths = []
    for hole in (0, 25):
        c = Console(scr, work, f"{label}-shot{hole}", build, job, hole, drill_ms)
        try:
            time.sleep(4)
            path = os.path.join(out, f"{label}-hole{hole}.png")
            shoot(c, path)
            paths.append(path)
        finally:
            c.stop()
    return paths


def fmt(v, unit, digits=1):
    return "—" if v is None else f"{v:.{digits}f} {unit}"


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--before", help="build folder of the console before the change")
    ap.add_argument("--after", help="build folder after it (default build/default)")
    ap.add_argument("--seconds", type=float, default=30.0, help="each measured stretch (30)")
    ap.add_argument("--drill-ms", type=int, default=1500, help="simulated drilling time per hole (1500)")
    ap.add_argument("--shots", help="folder for the screenshots and their comparison")
    ap.add_argument("--keep", help="working folder (kept)")
    args = ap.parse_args()

    if not os.environ.get(INNER):
        os.environ[INNER] = "1"
        cmd = ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", sys.executable] + sys.argv
        sys.exit(subprocess.call(cmd))

    if not args.before and not args.after:
        args.after = os.path.join(ROOT, "build", "default")
    builds = [(n, os.path.abspath(d)) for n, d in (("before", args.before), ("after", args.after)) if d]
    for name, d in builds:
        for exe in ("kestrane", "kestrane-sim", "kestrane-dxf2nc"):
            if not os.access(os.path.join(d, "programs", exe), os.X_OK):
                sys.exit(f"run_bench.py: no {d}/programs/{exe} ({name}); build it first")

    work = args.keep or tempfile.mkdtemp(prefix="ks_cpu_bench_")
    os.makedirs(work, exist_ok=True)
    dxf2nc = os.path.join(builds[-1][1], "programs", "kestrane-dxf2nc")
    sample = subprocess.run([dxf2nc, "--min", "0.3", "--max", "7", "--out", work,
                             os.path.join(ROOT, "samples", "plate.dxf")],
                            check=True, stdout=subprocess.PIPE, text=True).stdout.strip().splitlines()[-1]
    big = os.path.join(work, "big15k.NC")
    subprocess.run([sys.executable, os.path.join(HERE, "make_big_job.py"), big], check=True)
    jobs = []
    for name, path in (("sample", sample), ("15k", big)):
        with open(path, "rb") as f:
            holes = sum(1 for line in f if line.startswith(b"N"))
        jobs.append((name, path, holes))

    scr = Screen()
    results = {}
    for job, path, holes in jobs:
        for build, folder in builds:
            label = f"{job}-{build}"
            print(f"measuring {label} ({holes} holes) ...", file=sys.stderr, flush=True)
            results[(job, build)] = measure(scr, work, label, folder, path, args.seconds, args.drill_ms)

    print(f"\nconsole CPU share (% of one core) and memory; {args.seconds:.0f} s stretches, "
          f"kestrane-sim --drill-ms {args.drill_ms}, Xvfb")
    names = [b for b, _ in builds]
    w0, w = 34, 22
    head = "".ljust(w0) + "".join(n.ljust(w) for n in names) + ("after/before".ljust(14) if len(names) == 2 else "") + "target"
    for job, path, holes in jobs:
        print()
        print(f"{job} job: {os.path.basename(path)}, {holes} holes")
        print(head)
        rows = [("mapped", "start to main window", "s", None, 2),
                ("painted", "start to map painted", "s", None, 2),
                ("idle", "CPU idle", "%", "idle", 2),
                ("machining", "CPU machining", "%", "machining", 2),
                ("drilled", "  holes drilled meanwhile", "", None, 0),
                ("rss", "RSS idle", "MB", "rss", 1),
                ("peak", "RSS peak", "MB", "rss", 1)]
        for key, text, unit, target, digits in rows:
            vals = [results[(job, b)].get(key) for b in names]
            line = ("  " + text).ljust(w0) + "".join(fmt(v, unit, digits).ljust(w) for v in vals)
            if len(vals) == 2:
                line += (f"{vals[1] / vals[0]:.2f}" if vals[0] and vals[1] is not None else "").ljust(14)
            if target and job == "15k":
                line += f"≤ {TARGETS[target]:g} {unit}"
            print(line)
        for b in names:
            if results[(job, b)].get("failed"):
                print(f"  {b}: {results[(job, b)]['failed']}")

    for build, folder in builds:
        split = os.path.join(folder, "bench", "cpu", "ks_bigjob_bench")
        if os.access(split, os.X_OK):
            print(f"\n{build}: loading the big job in process (ks_bigjob_bench)")
            done = subprocess.run([split, big, "--rounds", "5"], stdout=subprocess.PIPE,
                                  stderr=subprocess.DEVNULL, text=True)
            print(done.stdout.rstrip())

    if args.shots:
        out = os.path.abspath(args.shots)
        os.makedirs(out, exist_ok=True)
        pictures = {}
        for job, path, _ in jobs:
            for build, folder in builds:
                pictures[(job, build)] = shots(scr, work, f"{job}-{build}", folder, path, out, args.drill_ms)
        print(f"\nscreenshots in {out}")
        if len(builds) == 2:
            print("pixels differing between before and after (whole window / hole map):")
            for job, _, _ in jobs:
                for a, b in zip(pictures[(job, "before")], pictures[(job, "after")]):
                    whole = differing_pixels(a, b)
                    mapped = differing_pixels(a, b, MAP[2:] + MAP[:2])
                    print(f"  {os.path.basename(b).replace('-after', '')}: {whole} / {mapped}")

    if not args.keep:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
