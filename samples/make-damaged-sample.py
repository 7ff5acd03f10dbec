#!/usr/bin/env python3
"""Writes samples/damaged-sample.pdf: a two-page document damaged the way
broken downloads and crashed writers leave files. Its cross-reference table
is overwritten with NUL bytes, the catalog's /Pages names an object that no
longer exists, one page lost its /Parent, and the file ends in the middle of
an object whose remains a repair must drop."""
import pathlib

def content(text, y):
    ops = f"BT /F1 24 Tf 72 {y} Td ({text}) Tj ET\n".encode()
    return b"<< /Length %d >>\nstream\n" % len(ops) + ops + b"endstream"

objects = {
    1: b"<< /Type /Catalog /Pages 9 0 R >>",
    3: b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << /Font << /F1 6 0 R >> >> >>",
    4: content("Tessaly repaired page one", 700),
    5: b"<< /Type /Page /MediaBox [0 0 612 792] /Contents 7 0 R /Resources << /Font << /F1 6 0 R >> >> >>",
    6: b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    7: content("Page two survived the crash", 650),
}
out = bytearray(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
for number, body in objects.items():
    out += b"%d 0 obj\n" % number + body + b"\nendobj\n"
xref = b"xref\n0 8\n" + b"0000000000 65535 f \n" * 8
out += b"\0" * len(xref)
out += b"8 0 obj\n<< /Type /Annot /Subtype /Text /Contents (cut off by the cras"
path = pathlib.Path(__file__).with_name("damaged-sample.pdf")
path.write_bytes(bytes(out))
