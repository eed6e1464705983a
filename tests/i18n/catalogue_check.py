#!/usr/bin/python3
"""The English catalogue against the code: reads the code's marked texts
afresh with lupdate (as scripts/update-translations does, into a scratch
file) and checks that every one of them has an English translation in
i18n/kestrane_en.ts that is not empty, holds no Chinese character, and has
the same %1..%9 placeholders and the same line breaks as its source.

usage: catalogue_check.py REPO LUPDATE
"""
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

# The catalogue's texts are read as the build reads them for its table
# (and no byte code is left in the source tree).
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "i18n"))
from ts_table import text_of  # noqa: E402

CJK = re.compile(r"[\u3000-\u303f\u4e00-\u9fff\uff00-\uffef]")
PLACEHOLDER = re.compile(r"%[1-9]")


def messages(path):
    out = {}
    for ctx in ET.parse(path).getroot().iter("context"):
        name = ctx.findtext("name")
        for msg in ctx.iter("message"):
            tr = msg.find("translation")
            unfinished = tr is None or tr.get("type") in ("unfinished", "obsolete", "vanished")
            out[(name, text_of(msg.find("source")))] = None if unfinished else text_of(tr)
    return out


def main():
    repo, lupdate = sys.argv[1], sys.argv[2]
    committed = messages(os.path.join(repo, "i18n", "kestrane_en.ts"))
    with tempfile.TemporaryDirectory() as tmp:
        fresh_ts = os.path.join(tmp, "fresh.ts")
        subprocess.run([lupdate, "-tr-function-alias", "QT_TRANSLATE_NOOP+=KS_TEXT", "-extensions", "cpp,h",
                        "-locations", "none", "-source-language", "zh_CN", "-target-language", "en",
                        "app", "panels", "link", "jobfiles", "res", "programs", "ui", "platform", "report",
                        "-ts", fresh_ts], cwd=repo, check=True, stdout=subprocess.DEVNULL)
        fresh = messages(fresh_ts)
    problems = []
    for (ctx, source) in sorted(fresh):
        shown = f"{ctx}: {source!r}"
        if (ctx, source) not in committed:
            problems.append(f"{shown} is not in the catalogue (run scripts/update-translations)")
            continue
        tr = committed[(ctx, source)]
        if not tr:
            problems.append(f"{shown} has no English text")
        elif CJK.search(tr):
            problems.append(f"{shown}: the English text {tr!r} has Chinese in it")
        elif sorted(PLACEHOLDER.findall(tr)) != sorted(PLACEHOLDER.findall(source)):
            problems.append(f"{shown}: the English text {tr!r} has other placeholders")
        elif tr.count("\n") != source.count("\n") or tr.endswith("\r\n") != source.endswith("\r\n"):
            problems.append(f"{shown}: the English text {tr!r} breaks its lines otherwise")
    stale = sorted(set(committed) - set(fresh))
    for ctx, source in stale:
        problems.append(f"{ctx}: {source!r} is no longer in the code (run scripts/update-translations)")
    for p in problems:
        print(p)
    print(f"{len(fresh)} texts, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
