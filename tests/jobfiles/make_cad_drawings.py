#!/usr/bin/python3
"""Writes drawings as CAD programs write them, with what each reader must
make of them.

usage: make_cad_drawings.py OUTDIR
Drawings: r12 (the older layout, no subclass markers), r2018 (subclass
markers), librecad (R2000 with group 30 left out of the entity section, as
LibreCAD writes when Z is 0). Each holds direct circles, a mirrored circle
(extrusion 0,0,-1), a tilted one, arcs, circles beyond +-1000 mm and blocks
placed by INSERTs with base points, scale, mirroring, rotation, column and
row arrays, nesting, an extruded insert and a non-uniform scale (which makes
ellipses, not holes). For each NAME:
  NAME.dxf
  NAME.full   "DMIN DMAX", then "X Y R" per hole of the full reader's program
              in program order: ezdxf's circles with inserts exploded by
              ezdxf, truncated to micrometres, through the written filter
              and ordering
  NAME.check  what the check after the written reader counts: six numbers
              missed (older layout, other layout, in a block, outside the
              window, after a format error, other), then two added (arcs,
              other)
Exit 3 when ezdxf is missing.
"""
import random
import re
import sys

try:
    import ezdxf
except ImportError:
    sys.exit(3)

sys.dont_write_bytecode = True  # nothing written into the source tree
from make_drawings import serpentine  # noqa: E402 (beside this script)

DMIN, DMAX = "0.4", "6"
ORIGIN = (5.0, -2.5)


def to_um(x, y, r):
    return (int(x * 1000.0 - int(ORIGIN[0] * 1000)), int(y * 1000.0 - int(ORIGIN[1] * 1000)), int(r * 1000.0))


def in_range(t):
    return t[2] > 0 and float(DMIN) * 500 <= t[2] <= float(DMAX) * 500


def inside(t):
    return -1000000 < t[0] < 1000000 and -1000000 < t[1] < 1000000


def build(version):
    """The drawing, and its direct circles as a word scanner reads them:
    object coordinates, X mirrored only for the extrusion (0, 0, -1)."""
    rng = random.Random(11)
    doc = ezdxf.new(version)
    doc.units = ezdxf.units.MM  # ezdxf declares metres unless told
    doc.header["$UCSORG"] = (ORIGIN[0], ORIGIN[1], 0.0)
    msp = doc.modelspace()
    scanned = set()

    def circle(x, y, r, **attribs):
        msp.add_circle((x, y), r, dxfattribs=attribs)
        scanned.add(to_um(-x if attribs.get("extrusion") == (0, 0, -1) else x, y, r))

    # The first record is a plain circle: where a reader that takes one
    # layout stops, if it stops.
    for i in range(40):
        x = rng.randint(-400000, 400000) / 1000.0  # drawn to the micrometre
        y = rng.randint(-300000, 300000) / 1000.0
        circle(x, y, rng.choice([0.25, 0.5, 0.75, 1.25, 2.5]))
        if i % 10 == 9:
            msp.add_line((x, y), (x + 3, y + 1))
    circle(12.345, -6.789, 1.5, extrusion=(0, 0, -1))
    circle(1300.0, 20.0, 1.0)   # beyond the window
    circle(-7.5, 1500.25, 0.5)  # beyond the window
    msp.add_line((0, 0), (1, 1))
    circle(33.3333, 44.4444, 0.6, extrusion=(0.6, 0.0, 0.8))  # tilted
    # Arcs, each after a line, so that a word scanner reads each one.
    for i in range(6):
        msp.add_line((0, 0), (2, 2))
        msp.add_arc((rng.uniform(-90, 90), rng.uniform(-90, 90)), 1.0 + i * 0.25, 10, 80)
    msp.add_line((0, 0), (4, 4))

    # Insertion points and radii in blocks carry a fraction of a micrometre,
    # so that no placed value lies on a whole micrometre, where two correct
    # computations may truncate apart.
    screw = doc.blocks.new("SCREW", base_point=(1.0, 2.0))
    screw.add_circle((1.0, 2.0), 0.5002)
    screw.add_circle((4.123, 2.0), 0.3002)
    plate = doc.blocks.new("Plate")  # referred to as "PLATE": names match without case
    plate.add_circle((0.0, 0.0), 1.0002)
    plate.add_blockref("SCREW", (10.5003, 0.2501), dxfattribs={"rotation": 30, "xscale": 2, "yscale": 2})
    msp.add_blockref("SCREW", (100.1114, 50.2224))
    msp.add_blockref("SCREW", (-100.5004, 20.7504), dxfattribs={"rotation": 45.0, "xscale": 1.5, "yscale": 1.5})
    msp.add_blockref("PLATE", (200.0004, -100.0004), dxfattribs={"rotation": 90})
    grid = msp.add_blockref("SCREW", (0.0004, -200.0004), dxfattribs={"rotation": 180})
    grid.dxf.column_count, grid.dxf.row_count = 4, 3
    grid.dxf.column_spacing, grid.dxf.row_spacing = 10.0, 7.5
    msp.add_blockref("SCREW", (50.0004, 50.0004), dxfattribs={"xscale": -1, "yscale": 1})
    msp.add_blockref("SCREW", (60.0004, 70.0004), dxfattribs={"extrusion": (0, 0, -1)})
    msp.add_blockref("SCREW", (300.0004, 300.0004), dxfattribs={"xscale": 2, "yscale": 1})  # ellipses
    msp.add_blockref("SCREW", (1200.0004, 0.0004))  # beyond the window
    msp.add_line((0, 0), (5, 5))
    return doc, scanned


def placed(doc):
    """Every model space circle as (triple, in_block), inserts exploded by ezdxf."""
    out = []

    def walk(entities, in_block):
        for e in entities:
            kind = e.dxftype()
            if kind == "INSERT":
                walk(e.multi_insert() if e.mcount > 1 else e.virtual_entities(), True)
            elif kind == "CIRCLE":
                c = e.ocs().to_wcs(e.dxf.center)
                out.append((to_um(c.x, c.y, e.dxf.radius), in_block))

    walk(doc.modelspace(), False)
    return out


def arcs_as_holes(doc):
    return {to_um(a.dxf.center.x, a.dxf.center.y, a.dxf.radius) for a in doc.modelspace().query("ARC")}


def expected_check(circles, scanned, older, after_first):
    """missed[6], added[2] for a drawing whose direct circles a word scanner
    reads all (scanned: what it makes of them, arcs included), none (older),
    or only the first record, where it stops with a format error
    (after_first)."""
    missed, added = [0] * 6, [0, 0]
    seen = set()
    for index, (t, in_block) in enumerate(circles):
        if not in_range(t) or t in seen:
            continue
        seen.add(t)
        if t in scanned and inside(t):
            continue
        if not inside(t):
            missed[3] += 1
        elif in_block:
            missed[2] += 1
        elif older:
            missed[0] += 1
        elif after_first:
            missed[1 if index == 0 else 4] += 1
        else:
            missed[5] += 1
    for t in scanned:
        if in_range(t) and inside(t) and t not in seen:
            added[0 if t in scanned_arcs else 1] += 1
    return missed + added


def write(outdir, name, doc, text, check):
    with open(f"{outdir}/{name}.dxf", "w", newline="\n") as f:
        f.write(text)
    circles = placed(doc)
    accepted, seen = [], set()
    for t, _ in circles:
        if in_range(t) and inside(t) and t not in seen:
            seen.add(t)
            accepted.append(t)
    with open(f"{outdir}/{name}.full", "w") as f:
        f.write(f"{DMIN} {DMAX}\n")
        for h in serpentine(accepted):
            f.write("%d %d %d\n" % h)
    with open(f"{outdir}/{name}.check", "w") as f:
        f.write(" ".join(str(n) for n in check) + "\n")


def text_of(doc):
    import io
    stream = io.StringIO()
    doc.write(stream)
    return stream.getvalue()


scanned_arcs = set()


def main():
    outdir = sys.argv[1]
    r12, _ = build("R12")
    write(outdir, "r12", r12, text_of(r12), expected_check(placed(r12), set(), True, False))
    r2018, scanned = build("R2018")
    scanned_arcs.update(arcs_as_holes(r2018))
    write(outdir, "r2018", r2018, text_of(r2018), expected_check(placed(r2018), scanned | scanned_arcs, False, False))
    libre, _ = build("R2000")
    text = text_of(libre)
    start = text.index("\nENTITIES\n")
    end = text.index("\nENDSEC\n", start)
    entities = re.sub(r"\n 30\n0\.0\n", "\n", text[start:end])
    write(outdir, "librecad", libre, text[:start] + entities + text[end:],
          expected_check(placed(libre), set(), False, True))


if __name__ == "__main__":
    main()
