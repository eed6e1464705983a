#!/usr/bin/python3
"""The figures of a clean one-run job record, worked out here with Python's
csv and statistics modules, apart from kestrane-report's own code: the
tests hold the tool's figures against these.

usage: record_figures.py RECORD.csv   (prints "name value" lines)
"""
import csv
import datetime
import statistics
import sys

GAP = 30  # drillings this close make one stretch of the timeline


def read(path):
    with open(path, newline="") as f:
        rows = [r for r in csv.DictReader(f)]
    for r in rows:
        r["t"] = int(datetime.datetime.fromisoformat(r["time"]).timestamp())
        r["d"] = float(r["drill_s"]) if r["drill_s"] else None
        # whole seconds before the line, halves rounded up
        r["begins"] = r["t"] - int(r["d"] + 0.5) if r["d"] is not None else r["t"]
    return rows


def figures(rows):
    first = {}
    for r in rows:
        if r["event"] == "drilled" and r["hole"] not in first:
            first[r["hole"]] = r
    timed = sorted(r["d"] for r in first.values() if r["d"] is not None)
    start = min(r["begins"] for r in rows)
    end = max(r["t"] for r in rows)
    total = end - start
    pauses, stretches, paused = {}, 0, None
    last_end = None
    for r in rows:
        ev = r["event"]
        if paused is not None and ev in ("drilled", "visited", "paused", "reset", "job-end"):
            reason, since = paused
            pauses[reason] = pauses.get(reason, 0) + max(0, r["begins"] - since)
            paused, last_end = None, None
        if ev == "drilled" and r["d"] is not None:
            if last_end is None or not (0 <= r["begins"] - last_end <= GAP):
                stretches += 1
            last_end = r["t"]
        if ev == "paused":
            paused = (r["reason"] or "unknown", r["t"])
    if paused is not None:
        pauses[paused[0]] = pauses.get(paused[0], 0) + max(0, end - paused[1])
    travel = [abs(float(r["z_end_mm"]) - float(r["z_start_mm"]))
              for r in rows if r["event"] == "drilled" and r["z_start_mm"] and r["z_end_mm"]]
    with_z = [r for r in first.values() if r["z_start_mm"] and r["z_end_mm"]]
    skipped = {r["hole"] for r in rows if r["event"] == "skipped"} - set(first)
    out = {
        "drilled": len(first),
        "skipped": len(skipped),
        "visited": len({r["hole"] for r in rows if r["event"] == "visited"}),
        "timed": len(timed),
        "placed": sum(1 for r in first.values() if r["x_mm"] and r["y_mm"]),
        "with_z": len(with_z),
        "total_s": total,
        "drilling_s": sum(r["d"] for r in rows if r["event"] == "drilled" and r["d"] is not None),
        "paused_s": sum(pauses.values()),
        "link_lost_s": pauses.get("lost-link", 0),
        "pause_reasons": len(pauses),
        "timeline_spans": stretches + sum(1 for r in rows if r["event"] == "paused"),
        "electrode_mm": sum(travel),
    }
    if total > 0:
        out["holes_per_hour"] = len(first) * 3600 / total
    if timed:
        out["median_s"] = statistics.median(timed)
        out["p95_s"] = statistics.quantiles(timed, n=20, method="inclusive")[18] if len(timed) > 1 else timed[0]
        out["max_s"] = timed[-1]
    return out


if __name__ == "__main__":
    for name, value in figures(read(sys.argv[1])).items():
        print(name, value)
