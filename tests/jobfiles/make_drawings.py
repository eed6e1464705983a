#!/usr/bin/python3
"""Writes drawings for the conversion round trip, each with the holes the
conversion must produce in path order.

usage: make_drawings.py OUTDIR
For every drawing NAME: OUTDIR/NAME.dxf and OUTDIR/NAME.expected, whose first
line is "DMIN DMAX" (the diameter texts) and then one "X Y R" line per hole
(micrometres) in the order of the NC program; and OUTDIR/NAME.check, what the
check after the conversion counts: "OUTSIDE ARCS", the circles in the range
that lie outside +-1000 mm and the arcs taken for holes. Also one set of
holes drawn in millimetres, inches, centimetres and as an imperial drawing
that names no unit: units_mm.dxf, units_in.dxf, units_cm.dxf,
units_imperial.dxf. Exit 3 when ezdxf is missing.
"""
import random
import sys

try:
    import ezdxf
except ImportError:
    sys.exit(3)


def row_key(y):
    q = int(y / 1000)  # toward zero, as C does
    return 999 - q if y >= 0 else 1000 - q


def serpentine(holes):
    """Stable row sort, alternating X direction per row, repeated positions out."""
    by_row = sorted(holes, key=lambda h: row_key(h[1]))
    out, asc, i = [], True, 0
    while i < len(by_row):
        j = i
        while j < len(by_row) and row_key(by_row[j][1]) == row_key(by_row[i][1]):
            j += 1
        row = by_row[i:j]
        # sorted() is stable both ways: ties keep the drawing's order.
        out += sorted(row, key=lambda h: h[0]) if asc else sorted(row, key=lambda h: -h[0])
        asc = not asc
        i = j
    return [h for k, h in enumerate(out) if k == 0 or h[:2] != out[k - 1][:2]]


def make(outdir, name, count, dmin, dmax, origin, seed):
    rng = random.Random(seed)
    doc = ezdxf.new("R2000")
    doc.units = ezdxf.units.MM  # ezdxf declares metres unless told
    if origin is not None:
        doc.header["$UCSORG"] = (origin[0], origin[1], 0.0)
    msp = doc.modelspace()
    ox = int(origin[0] * 1000.0) if origin else 0
    oy = int(origin[1] * 1000.0) if origin else 0
    accepted, seen = [], set()
    circles, outside, arcs = set(), set(), set()

    def offer(x, y, r, mirrored=False, arc=False):
        X = int(x * -1000.0 - ox) if mirrored else int(x * 1000.0 - ox)
        Y = int(y * 1000.0 - oy)
        R = int(r * 1000.0)
        if not (float(dmin) * 500 <= R <= float(dmax) * 500):
            return
        (arcs if arc else circles).add((X, Y, R))
        if not (-1000000 < X < 1000000 and -1000000 < Y < 1000000):
            if not arc:
                outside.add((X, Y, R))
            return
        if (X, Y, R) in seen:
            return
        seen.add((X, Y, R))
        accepted.append((X, Y, R))

    def coord(limit):
        return rng.randint(-limit, limit) / 1000.0 + rng.random() / 1000.0

    previous = None
    for i in range(count):
        kind = rng.random()
        x, y = coord(300000), coord(200000)
        r = rng.choice([0.05, 0.1, 0.25, 0.5, 0.75, 1.0, 1.5, 2.5]) + rng.randint(0, 999) / 1e6
        if kind < 0.05 and previous:          # the same circle again
            x, y, r = previous
        elif kind < 0.10 and previous:        # concentric
            x, y = previous[0], previous[1]
        elif kind < 0.13:                     # beyond one metre
            x = 1000.0 + rng.random() * 50
        elif kind < 0.16:                     # same band and X as the last one
            if previous:
                x = previous[0]
        if kind > 0.95:
            msp.add_circle((x, y), r, dxfattribs={"extrusion": (0, 0, -1)})
            offer(x, y, r, mirrored=True)
        elif kind > 0.90:
            # An arc counts as its full circle; a line before it keeps the
            # scan after the previous radius away from the arc's marker.
            msp.add_line((0, 0), (1, 1))
            msp.add_arc((x, y), r, 15, 75)
            offer(x, y, r, arc=True)
        else:
            msp.add_circle((x, y), r)
            offer(x, y, r)
        if kind > 0.8:
            msp.add_line((x, y), (x + 1, y + 2))
        previous = (x, y, r)
    msp.add_line((0, 0), (5, 5))
    doc.saveas(f"{outdir}/{name}.dxf")
    with open(f"{outdir}/{name}.expected", "w") as f:
        f.write(f"{dmin} {dmax}\n")
        for h in serpentine(accepted):
            f.write(f"{h[0]} {h[1]} {h[2]}\n")
    with open(f"{outdir}/{name}.check", "w") as f:
        f.write(f"{len(outside)} {len((arcs & seen) - circles)}\n")


def units(outdir):
    """Lengths 0.4 um past a whole micrometre, so that every unit converts
    to the same whole micrometres as the millimetre drawing truncates to."""
    rng = random.Random(3)
    holes = [((rng.randint(-200000, 200000) + 0.4) / 1000, (rng.randint(-150000, 150000) + 0.4) / 1000,
              (rng.randint(200, 3000) + 0.4) / 1000) for _ in range(60)]
    origin = (5.0004, -2.4996)
    for name, mm_per_unit, code in (("mm", 1.0, 4), ("in", 25.4, 1), ("cm", 10.0, 5), ("imperial", 25.4, None)):
        doc = ezdxf.new("R2000")
        if code is None:
            del doc.header["$INSUNITS"]
            doc.header["$MEASUREMENT"] = 0
        else:
            doc.header["$INSUNITS"] = code
        doc.header["$UCSORG"] = (origin[0] / mm_per_unit, origin[1] / mm_per_unit, 0.0)
        msp = doc.modelspace()
        for x, y, r in holes:
            msp.add_circle((x / mm_per_unit, y / mm_per_unit), r / mm_per_unit)
            msp.add_line((0, 0), (1, 1))
        doc.saveas(f"{outdir}/units_{name}.dxf")


def main():
    outdir = sys.argv[1]
    make(outdir, "plate", 400, "0.4", "4.0", (5.0, -2.5), 1)
    make(outdir, "dense", 3000, "0", "100", None, 2)
    units(outdir)


if __name__ == "__main__":
    main()
