#!/usr/bin/python3
"""Writes a large DXF R2000 text drawing for the conversion benchmark:
LINES line entities with CIRCLES acceptable circles (diameter 1 to 5 mm)
spread among them, plus some circles too small for the range.

usage: make_big_drawing.py OUT.dxf [LINES] [CIRCLES]
A plain writer rather than ezdxf: the file is ~35 MB and should take
seconds, not minutes, to write.
"""
import random
import sys


def main():
    out = sys.argv[1]
    lines = int(sys.argv[2]) if len(sys.argv) > 2 else 200000
    circles = int(sys.argv[3]) if len(sys.argv) > 3 else 10001
    small = circles // 5
    rng = random.Random(7)
    parts = []
    w = parts.append
    w("  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1015\n")
    w("  9\n$UCSORG\n 10\n0.0\n 20\n0.0\n 30\n0.0\n")
    w("  9\n$UCSXDIR\n 10\n1.0\n 20\n0.0\n 30\n0.0\n")
    w("  9\n$UCSYDIR\n 10\n0.0\n 20\n1.0\n 30\n0.0\n")
    w("  0\nENDSEC\n")
    w("  0\nSECTION\n  2\nTABLES\n  0\nTABLE\n  2\nLAYER\n  5\n2\n330\n0\n100\nAcDbSymbolTable\n 70\n1\n"
      "  0\nLAYER\n  5\n10\n330\n2\n100\nAcDbSymbolTableRecord\n100\nAcDbLayerTableRecord\n  2\n0\n"
      " 70\n0\n 62\n7\n  6\nCONTINUOUS\n  0\nENDTAB\n  0\nENDSEC\n")
    w("  0\nSECTION\n  2\nENTITIES\n")
    handle = 0x100
    total_circles = circles + small
    # Positions of the circles among the lines, evenly spread to the end.
    every = max(1, lines // max(1, total_circles))
    placed = 0
    used = set()
    kinds = [True] * circles + [False] * small
    rng.shuffle(kinds)
    for i in range(lines):
        handle += 1
        x1, y1 = rng.uniform(-400, 400), rng.uniform(-300, 300)
        w(f"  0\nLINE\n  5\n{handle:X}\n330\n1F\n100\nAcDbEntity\n  8\nOUTLINE\n100\nAcDbLine\n"
          f" 10\n{x1:.8f}\n 20\n{y1:.8f}\n 30\n0.0\n 11\n{x1 + rng.uniform(-5, 5):.8f}\n"
          f" 21\n{y1 + rng.uniform(-5, 5):.8f}\n 31\n0.0\n")
        if i % every == every - 1 and placed < total_circles:
            acceptable = kinds[placed]
            placed += 1
            while True:
                cx, cy = rng.randint(-400000, 400000), rng.randint(-300000, 300000)
                if (cx, cy) not in used:
                    used.add((cx, cy))
                    break
            r = rng.choice([0.5, 0.75, 1.0, 1.25, 2.5]) if acceptable else 0.1
            handle += 1
            w(f"  0\nCIRCLE\n  5\n{handle:X}\n330\n1F\n100\nAcDbEntity\n  8\nHOLES\n100\nAcDbCircle\n"
              f" 10\n{cx / 1000:.4f}\n 20\n{cy / 1000:.4f}\n 30\n0.0\n 40\n{r}\n")
    while placed < total_circles:  # rounding leftovers at the end
        acceptable = kinds[placed]
        placed += 1
        handle += 1
        w(f"  0\nCIRCLE\n  5\n{handle:X}\n330\n1F\n100\nAcDbEntity\n  8\nHOLES\n100\nAcDbCircle\n"
          f" 10\n{placed / 10:.4f}\n 20\n-350.0\n 30\n0.0\n 40\n{1.0 if acceptable else 0.1}\n")
    w("  0\nENDSEC\n  0\nSECTION\n  2\nOBJECTS\n  0\nDICTIONARY\n  5\nC\n330\n0\n100\nAcDbDictionary\n"
      "  0\nENDSEC\n  0\nEOF\n")
    with open(out, "w", newline="\n") as f:
        f.write("".join(parts))


if __name__ == "__main__":
    main()
