#!/usr/bin/python3
"""Times kestrane-dxf2nc on a ~35 MB drawing against `grep -c AcDbCircle`
and `wc -w` on the same file, in the same run, and prints the ratios and
the peak memory of each (from /usr/bin/time -v); the tool runs with the
written reader (which the check by the full reader follows) and with
--reader full. Then, from ks_dxf_reader_bench beside the tool's build, the
steps alone: the written reader's run, the check's extra cost and the full
reader's run, against their targets (0.5 s each for the check and the full
reader).

usage: run_bench.py [--dxf2nc PATH] [--steps PATH] [--keep DIR] [--runs N]
"""
import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))


# Output goes to a pipe, not /dev/null: GNU grep stops at the first match
# when its output is /dev/null.
def best_time(cmd, runs):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        done = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        times.append(time.perf_counter() - start)
        if done.returncode not in (0, 1):
            sys.exit(f"{cmd[0]} failed with {done.returncode}")
    return min(times), statistics.median(times)


def peak_kb(cmd):
    if not os.path.exists("/usr/bin/time"):
        return None
    done = subprocess.run(["/usr/bin/time", "-v"] + cmd, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, text=True)
    m = re.search(r"Maximum resident set size \(kbytes\): (\d+)", done.stderr)
    return int(m.group(1)) if m else None


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--dxf2nc", default=os.path.join(ROOT, "build/default/programs/kestrane-dxf2nc"))
    ap.add_argument("--steps", default=os.path.join(ROOT, "build/default/bench/dxf/ks_dxf_reader_bench"))
    ap.add_argument("--keep", help="folder for the drawing and the programs (kept)")
    ap.add_argument("--runs", type=int, default=7)
    args = ap.parse_args()
    if not os.path.exists(args.dxf2nc):
        sys.exit(f"no {args.dxf2nc}: build first (cmake --build --preset default)")

    work = args.keep or tempfile.mkdtemp(prefix="ks_dxf_bench_")
    os.makedirs(work, exist_ok=True)
    dxf = os.path.join(work, "big.dxf")
    if not os.path.exists(dxf):
        subprocess.run([sys.executable, os.path.join(HERE, "make_big_drawing.py"), dxf], check=True)
    size_mb = os.path.getsize(dxf) / 1e6
    with open(dxf, "rb") as f:  # into the page cache, for all three alike
        while f.read(1 << 20):
            pass
    out = os.path.join(work, "nc")
    os.makedirs(out, exist_ok=True)

    convert = [args.dxf2nc, "--min", "0.9", "--max", "5.1", "--out", out, dxf]
    convert_full = convert[:1] + ["--reader", "full"] + convert[1:]
    grep = ["grep", "-c", "AcDbCircle", dxf]
    wc = ["wc", "-w", dxf]

    circles = subprocess.run(grep, capture_output=True, text=True).stdout.strip()
    first = subprocess.run(convert, capture_output=True, text=True)
    program = first.stdout.strip()
    with open(program, "rb") as f:
        holes = sum(1 for line in f if line.startswith(b"N"))
    print(f"drawing: {size_mb:.1f} MB, {circles} circle markers; program {os.path.basename(program)}: "
          f"{holes} holes; messages: {first.stderr.strip() or 'none'}")

    results = {}
    for name, cmd in (("kestrane-dxf2nc", convert), ("... --reader full", convert_full), ("grep -c", grep),
                      ("wc -w", wc)):
        best, median = best_time(cmd, args.runs)
        results[name] = (best, median, peak_kb(cmd))
        for f in os.listdir(out):  # keep the numbering from running out
            os.remove(os.path.join(out, f))
    base = results["grep -c"][0]
    print(f"{'command':16} {'best s':>8} {'median s':>9} {'/ grep -c':>10} {'MB/s':>8} {'peak RSS':>10}")
    for name, (best, median, peak) in results.items():
        peak_text = f"{peak / 1024:.1f} MB" if peak else "n/a"
        print(f"{name:16} {best:8.4f} {median:9.4f} {best / base:10.2f} {size_mb / best:8.0f} {peak_text:>10}")
    print("(the tool's time holds the check that follows the written reader; the steps below part them)")

    if os.path.exists(args.steps):
        done = subprocess.run([args.steps, dxf, out, "0.9", "5.1", str(args.runs)], capture_output=True, text=True,
                              check=True)
        steps = dict((k, float(v)) for k, v in (line.split() for line in done.stdout.splitlines()))
        print(f"\nsteps in process, best of {args.runs} ({os.path.basename(args.steps)}):")
        print(f"{'step':36} {'s':>8} {'/ grep -c':>10}  target")
        for key, label, target, ratio in (("written", "written reader (read, order, write)", None, 1.5),
                                          ("check", "check after it (extra)", 0.5, None),
                                          ("full", "full reader (read, order, write)", 0.5, None)):
            if target is not None:
                verdict = f"<= {target} s: " + ("ok" if steps[key] <= target else "SLOWER THAN TARGET")
            else:
                verdict = f"<= {ratio} x grep -c: " + ("ok" if steps[key] <= ratio * base else "SLOWER THAN TARGET")
            print(f"{label:36} {steps[key]:8.4f} {steps[key] / base:10.2f}  {verdict}")
    else:
        print(f"\nno {args.steps}: the steps alone are not timed (build the default preset with benchmarks)")
    if not args.keep:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
