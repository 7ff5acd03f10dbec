#!/usr/bin/python3
"""Finds Flate streams that a written /Length cuts: data whose zlib stream
does not end within /Length bytes but does end before "endstream".

    bench/flate_check.py FILE...

Prints one line per cut stream and a summary; exits 1 when any is cut.
"""
import re
import sys
import zlib

STREAM = re.compile(rb">>\s*stream(\r\n|\n|\r)")
LENGTH = re.compile(rb"/Length\s+(\d+)(\s+\d+\s+R)?")


def ends(data):
    for wbits in (47, -15):
        inflater = zlib.decompressobj(wbits)
        try:
            inflater.decompress(data)
        except zlib.error:
            continue
        if inflater.eof:
            return True
    return False


def dictionary_before(pdf, at):
    start = pdf.rfind(b"obj", 0, at)
    return pdf[start:at] if start >= 0 else b""


def resolve(pdf, number):
    found = re.search(rb"(?<!\d)%d\s+0\s+obj\s*(\d+)" % number, pdf)
    return int(found.group(1)) if found else None


def cut_streams(pdf):
    cut = []
    for match in STREAM.finditer(pdf):
        head = dictionary_before(pdf, match.start())
        if b"/FlateDecode" not in head and b"/Fl " not in head:
            continue
        found = LENGTH.search(head)
        if not found:
            continue
        length = resolve(pdf, int(found.group(1))) if found.group(2) else int(found.group(1))
        if length is None:
            continue
        begin = match.end()
        end = pdf.find(b"endstream", begin)
        if end < 0:
            continue
        if not ends(pdf[begin:begin + length]) and ends(pdf[begin:end]):
            cut.append(begin)
    return cut


def main():
    total = 0
    for name in sys.argv[1:]:
        with open(name, "rb") as f:
            pdf = f.read()
        for offset in cut_streams(pdf):
            print("%s: Flate stream at %d cut by its /Length" % (name, offset))
            total += 1
    print("%d files, %d cut Flate streams" % (len(sys.argv) - 1, total))
    return 1 if total else 0


if __name__ == "__main__":
    sys.exit(main())
