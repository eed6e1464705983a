#!/usr/bin/python3
"""Writes the English catalogue i18n/kestrane_en.ts as a plain C++ table for
the programs built without Qt (the Windows console, kestrane-dxf2nc and
kestrane-link): one row per finished translation, sorted by context and
source text byte for byte, so that a lookup is a binary search.

usage: ts_table.py TS_FILE OUT_CPP
"""
import sys
import xml.etree.ElementTree as ET


def text_of(elem):
    # lupdate writes a CR as <byte value="xd"/>.
    out = elem.text or ""
    for child in elem:
        if child.tag == "byte":
            out += chr(int(child.get("value").lstrip("x"), 16))
        out += child.tail or ""
    return out


def c_string(text):
    # Every byte that is not plain printable ASCII as an octal escape: no
    # hex escape can swallow the digit after it, and the source file stays
    # ASCII whatever the compiler's input character set.
    out = []
    for b in text.encode("utf-8"):
        ch = chr(b)
        if ch in '"\\?':
            out.append("\\" + ch)
        elif 0x20 <= b < 0x7F:
            out.append(ch)
        else:
            out.append("\\%03o" % b)
    return '"' + "".join(out) + '"'


def rows(path):
    found = {}
    for ctx in ET.parse(path).getroot().iter("context"):
        name = ctx.findtext("name")
        for msg in ctx.iter("message"):
            tr = msg.find("translation")
            # Texts the code no longer has are not shipped; an unfinished
            # text with English already written is, as lrelease does.
            if tr is None or tr.get("type") in ("obsolete", "vanished"):
                continue
            english = text_of(tr)
            if english:
                found[(name, text_of(msg.find("source")))] = english
    return sorted(found.items(), key=lambda item: (item[0][0].encode(), item[0][1].encode()))


def main():
    ts, out = sys.argv[1], sys.argv[2]
    lines = [
        "// Made by i18n/ts_table.py from i18n/kestrane_en.ts; edit that file, not this.",
        '#include "i18n/plain_catalogue.h"',
        "",
        "namespace ks::i18n {",
        "",
        "const CatalogueRow kEnglishRows[] = {",
    ]
    table = rows(ts)
    for (context, source), english in table:
        lines.append("    {%s, %s, %s}," % (c_string(context), c_string(source), c_string(english)))
    lines += ["};", "", "const size_t kEnglishRowCount = %d;" % len(table), "", "}  // namespace ks::i18n", ""]
    with open(out, "w", encoding="ascii", newline="\n") as f:
        f.write("\n".join(lines))


if __name__ == "__main__":
    main()
