#!/usr/bin/python3
"""Hostile kit: files of a few kilobytes (or megabytes) made to cost a repair
far more than their size: predictor rows wider than their data, object
streams that inflate a thousandfold, one object number packed hundreds of
thousands of times, arrays of integers that the model makes large, pages
that share one content stream full of lost fonts, or of syntax faults.

    bench/hostile_kit.py OUT [--small]

Every file is OUT/hostile-<case>.pdf. The full sizes are the ones the
limits are measured with (bench: every case within 10 s and 512 MB, an
output of at most 8 times the source plus 1 MB); --small makes each case
small enough for the fuzzer's corpus (under 256 KB) with the same shape.
"""
import argparse
import sys
import zlib
from pathlib import Path


def obj(number, body):
    return b"%d 0 obj\n%s\nendobj\n" % (number, body)


def stream(number, dictionary, data):
    return obj(number, b"<< %s /Length %d >>\nstream\n%s\nendstream" % (dictionary, len(data), data))


def objstm(number, entries, extra=b"", filters=1):
    """An object stream of (number, text) entries, deflated `filters` times."""
    header, body = [], bytearray()
    for entry_number, text in entries:
        header.append(b"%d %d" % (entry_number, len(body)))
        body += text + b"\n"
    head = b" ".join(header) + b"\n"
    data = head + bytes(body)
    for _ in range(filters):
        data = zlib.compress(data, 9)
    filter_names = b"[" + b" ".join([b"/FlateDecode"] * filters) + b"]"
    return stream(number, b"/Type /ObjStm /N %d /First %d /Filter %s %s" % (len(entries), len(head), filter_names,
                                                                         extra), data)


def document(bodies, page_count=1, contents=b""):
    """A catalog, a pages node and pages, before the given objects."""
    kids = b" ".join(b"%d 0 R" % (10 + i) for i in range(page_count))
    out = bytearray(b"%PDF-1.5\n")
    out += obj(1, b"<< /Type /Catalog /Pages 2 0 R >>")
    out += obj(2, b"<< /Type /Pages /Kids [%s] /Count %d >>" % (kids, page_count))
    for i in range(page_count):
        out += obj(10 + i, b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792]%s >>" % contents)
    for body in bodies:
        out += body
    return bytes(out)


def predictor_rows(count):
    """Object streams whose predictor row is 1 GiB wide; the data is a few bytes."""
    parms = b"/DecodeParms << /Predictor 12 /Columns 16777216 /Colors 32 /BitsPerComponent 16 >>"
    bodies = [objstm(100 + i, [(500 + i, b"(packed)")], parms) for i in range(count)]
    page = stream(3, b"/Filter /FlateDecode " + parms, zlib.compress(b"\x00BT /F1 12 Tf (x) Tj ET"))
    return document(bodies + [page], contents=b" /Contents 3 0 R")


def inflating_streams(count, inflated):
    """Object streams deflated twice, each inflating to `inflated` bytes."""
    head = b"1000 0\n"
    # Deflated once, as every stream holds the same bytes.
    data = zlib.compress(zlib.compress(head + b"(x)" + b" " * inflated, 9), 9)
    # A /Length that does not hold gives every check of the output a reason
    # to decode the stream again.
    bodies = [obj(100 + i, b"<< /Type /ObjStm /N 1 /First %d /Filter [/FlateDecode /FlateDecode] /Length 1 >>\n"
                  b"stream\n%s\nendstream" % (len(head), data)) for i in range(count)]
    return document(bodies)


def repeated_number(count):
    """One object stream holding `count` entries, all of one object number."""
    return document([objstm(100, [(7, b"1")] * count)])


def integer_arrays(target_size, integers=100000):
    """Object streams of arrays of `integers` integers each, up to about `target_size` bytes."""
    array = b"[" + b"0 " * integers + b"]"
    bodies, size, number, streams = [], 0, 1000, 0
    while size < target_size:
        entries = [(number + i, array) for i in range(100)]
        number += 100
        body = objstm(100 + streams, entries)
        streams += 1
        bodies.append(body)
        size += len(body)
    return document(bodies)


def lost_fonts(pages, fonts):
    """Pages that share one content stream selecting fonts defined nowhere."""
    content = b"".join(b"BT /F%d 12 Tf (x) Tj ET\n" % i for i in range(fonts))
    return document([stream(3, b"/Filter /FlateDecode", zlib.compress(content, 9))], page_count=pages,
                    contents=b" /Contents 3 0 R")


def broken_content(pages, repeats):
    """Pages that share one content stream full of every syntax fault:
    unended strings, open and stray brackets, unknown operators, show
    arrays with names, restores of nothing."""
    content = b"q BT [(a) /N 1] TJ ( 1 2 frob ] >> <zz [ Q Q ET ET\n" * repeats
    return document([stream(3, b"/Filter /FlateDecode", zlib.compress(content, 9))], page_count=pages,
                    contents=b" /Contents 3 0 R")


CASES = {
    # name: (full size, small size)
    "predictor-rows": (lambda: predictor_rows(200), lambda: predictor_rows(20)),
    "inflating-streams": (lambda: inflating_streams(1500, 24 << 20), lambda: inflating_streams(20, 4 << 20)),
    "repeated-number": (lambda: repeated_number(400000), lambda: repeated_number(20000)),
    "integer-arrays": (lambda: integer_arrays(4 << 20), lambda: integer_arrays(200 << 10)),
    "integer-arrays-9mb": (lambda: integer_arrays(9 << 20), None),
    "lost-fonts": (lambda: lost_fonts(10000, 1000), lambda: lost_fonts(2000, 200)),
    "broken-content": (lambda: broken_content(1000, 100000), lambda: broken_content(100, 5000)),
}


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("out", type=Path)
    ap.add_argument("--small", action="store_true", help="sizes for the fuzzer's corpus")
    args = ap.parse_args()
    args.out.mkdir(parents=True, exist_ok=True)
    for name, (full, small) in CASES.items():
        make = small if args.small else full
        if make is None:
            continue
        (args.out / ("hostile-%s.pdf" % name)).write_bytes(make())
    return 0


if __name__ == "__main__":
    sys.exit(main())
