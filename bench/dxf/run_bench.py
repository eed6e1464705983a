#!/usr/bin/python3
"""Times kestrane-dxf2nc on a ~31 MB drawing against `grep -c AcDbCircle`
and `wc -w` on the same file, in the same run, and prints the ratios and
the peak memory of each (from /usr/bin/time -v); the tool runs with the
written reader (checked by the full reader in the same read of the file)
and with --reader full, against their targets: the default run at most
1.5 times and --reader full at most 1.3 times grep -c. Then, from
ks_dxf_reader_bench beside the tool's build, the steps in process: the
written reader's passes alone, what the check adds to them and the full
reader's run.

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
# when its output is /dev/null. The commands take turns, so that a machine
# that gets busier or quieter during the run weighs on all of them alike.
def best_times(cmds, runs, out):
    times = {name: [] for name in cmds}
    for _ in range(runs):
        for name, cmd in cmds.items():
            start = time.perf_counter()
            done = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            times[name].append(time.perf_counter() - start)
            if done.returncode not in (0, 1):
                sys.exit(f"{cmd[0]} failed with {done.returncode}")
        for f in os.listdir(out):  # keep the numbering from running out
            os.remove(os.path.join(out, f))
    return {name: (min(t), statistics.median(t)) for name, t in times.items()}


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

    cmds = {"kestrane-dxf2nc": convert, "... --reader full": convert_full, "grep -c": grep, "wc -w": wc}
    results = {name: times + (peak_kb(cmds[name]),) for name, times in best_times(cmds, args.runs, out).items()}
    for f in os.listdir(out):
        os.remove(os.path.join(out, f))
    base = results["grep -c"][0]
    print(f"{'command':16} {'best s':>8} {'median s':>9} {'/ grep -c':>10} {'MB/s':>8} {'peak RSS':>10}")
    for name, (best, median, peak) in results.items():
        peak_text = f"{peak / 1024:.1f} MB" if peak else "n/a"
        print(f"{name:16} {best:8.4f} {median:9.4f} {best / base:10.2f} {size_mb / best:8.0f} {peak_text:>10}")
    for name, target in (("kestrane-dxf2nc", 1.5), ("... --reader full", 1.3)):
        ratio = results[name][0] / base
        print(f"{name:18} {ratio:5.2f} x grep -c (target <= {target}): " + ("ok" if ratio <= target else "SLOWER THAN TARGET"))

    if os.path.exists(args.steps):
        done = subprocess.run([args.steps, dxf, out, "0.9", "5.1", str(args.runs)], capture_output=True, text=True,
                              check=True)
        steps = dict((k, float(v)) for k, v in (line.split() for line in done.stdout.splitlines()))
        print(f"\nsteps in process, best of {args.runs} ({os.path.basename(args.steps)}):")
        print(f"{'step':42} {'s':>8} {'/ grep -c':>10}")
        for key, label in (("written", "written reader alone (read, order, write)"),
                           ("check", "check in the same read (extra)"),
                           ("full", "full reader (read, order, write)")):
            print(f"{label:42} {steps[key]:8.4f} {steps[key] / base:10.2f}")
    else:
        print(f"\nno {args.steps}: the steps alone are not timed (build the default preset with benchmarks)")
    if not args.keep:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
