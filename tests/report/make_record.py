#!/usr/bin/python3
"""Writes a job record as the console keeps it (records/<job>.csv) for a
long made-up job: holes on a serpentine grid, drilling seconds that grow as
the electrode wears with a spread and a few slow holes, Z travel that
follows them, pauses of every reason, a lost link and a few skips, and the
job end. The same seed gives the same file.

usage: make_record.py OUT.csv [--holes N] [--seed S]
"""
import argparse
import datetime
import math
import random

HEADER = "time,hole,x_mm,y_mm,drill_s,z_start_mm,z_end_mm,event,reason\r\n"
ZONE = datetime.timezone(datetime.timedelta(hours=8))


def stamp(t):
    return datetime.datetime.fromtimestamp(int(t), ZONE).isoformat()


def mm(v):
    return f"{v:.3f}"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("out")
    ap.add_argument("--holes", type=int, default=15000)
    ap.add_argument("--seed", type=int, default=29)
    args = ap.parse_args()
    rnd = random.Random(args.seed)
    n = args.holes
    cols = max(1, math.ceil(math.sqrt(n * 1.5)))
    pitch = 2.0
    # Pauses at chosen holes: (hole, reason, seconds).
    pauses = {}
    for k in range(1, 9):
        pauses[max(1, n * k // 9)] = ("button", rnd.uniform(180, 900))
    for k in (1, 3, 5):
        pauses[max(1, n * k // 7 + 3)] = ("controller-request", rnd.uniform(60, 150))
    pauses[max(1, n // 2 + 11)] = ("lost-link", rnd.uniform(200, 300))
    pauses[max(1, n * 2 // 3 + 5)] = ("pause-hole", rnd.uniform(400, 700))
    pauses[max(1, n // 4 + 7)] = ("arrival-check", rnd.uniform(30, 90))
    skips = {max(1, n * k // 6 + 2) for k in range(1, 6)}

    t = datetime.datetime(2026, 12, 9, 7, 30, tzinfo=ZONE).timestamp()
    z = 0.0
    lines = [HEADER]
    for hole in range(1, n + 1):
        row, col = divmod(hole - 1, cols)
        if row % 2:
            col = cols - 1 - col
        x, y = (col - cols / 2) * pitch, row * pitch
        t += rnd.uniform(0.8, 1.2) + 1.0  # the move and the settling second
        if hole in skips:
            lines.append(f"{stamp(t)},{hole},{mm(x)},{mm(y)},,,,skipped,\r\n")
            continue
        s = 3.0 + 0.6 * hole / n + rnd.gauss(0, 0.25)
        if rnd.random() < 0.01:
            s *= rnd.uniform(2.0, 3.0)  # a blocked flushing hole
        s = round(max(0.5, s), 1)
        travel = s * 0.3 * rnd.uniform(0.9, 1.1)
        t += s
        lines.append(f"{stamp(t)},{hole},{mm(x)},{mm(y)},{s:.1f},{mm(z)},{mm(z - travel)},drilled,\r\n")
        z -= travel
        if z < -30:
            z = 0.0  # a new electrode
        if hole in pauses:
            reason, seconds = pauses[hole]
            lines.append(f"{stamp(t)},{hole},{mm(x)},{mm(y)},,,,paused,{reason}\r\n")
            t += seconds
    lines.append(f"{stamp(t)},0,,,,,,job-end,\r\n")
    with open(args.out, "w", newline="") as f:
        f.writelines(lines)


if __name__ == "__main__":
    main()
