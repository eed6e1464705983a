#!/usr/bin/python3
"""Writes an NC hole program of HOLES holes (default 14999, the most the
console's hole table takes: a 15,000th would stop the load with a message)
on an 8 mm grid in serpentine rows, centred on the origin, within +-1000 mm.

usage: make_big_job.py OUT.NC [--holes N] [--pitch MM]
"""
import argparse
import math


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("out")
    ap.add_argument("--holes", type=int, default=14999)
    ap.add_argument("--pitch", type=float, default=8.0)
    args = ap.parse_args()
    cols = math.ceil(math.sqrt(args.holes))
    rows = math.ceil(args.holes / cols)
    pitch_um = round(args.pitch * 1000)
    x0 = -(cols - 1) * pitch_um // 2
    y0 = -(rows - 1) * pitch_um // 2
    if max(abs(x0), abs(y0)) > 1000000:
        raise SystemExit("the grid does not fit within +-1000 mm; choose a smaller pitch")
    lines = ["Kestrane NC", "START"]
    n = 0
    for r in range(rows):
        for c in range(cols):
            if n == args.holes:
                break
            col = c if r % 2 == 0 else cols - 1 - c
            n += 1
            lines.append(f"N{n} X{x0 + col * pitch_um} Y{y0 + r * pitch_um} R500")
    lines.append("STOP")
    with open(args.out, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("ascii"))


if __name__ == "__main__":
    main()
