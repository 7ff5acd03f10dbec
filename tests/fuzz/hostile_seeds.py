#!/usr/bin/env python3
"""Writes the fuzz seeds of the hostile cases into a folder: a Flate stream
without "endstream" whose zlib data runs past its /Length; encrypted sources
(RC4 R3, AES R4, AES R6, made by qpdf) with a wrong /Length, with their
"endstream" lost, with an indirect /O; linearized encrypted sources whose
main trailer names the root but not the handler, also behind leading junk;
a /Kids entry that names its own ancestor.

Usage: hostile_seeds.py FOLDER [QPDF]
"""
import os
import re
import subprocess
import sys
import tempfile
import zlib

CONTENT = b"BT /F1 18 Tf 20 100 Td (Every word of the sealed page, to its last one) Tj ET"
ENCRYPTIONS = {"r3": ["128"], "r4": ["128", "--use-aes=y"], "r6": ["256"]}


def with_xref(objects, trailer=b""):
    pdf = b"%PDF-1.4\n"
    offsets = []
    for number, body in enumerate(objects, 1):
        offsets.append(len(pdf))
        pdf += b"%d 0 obj\n%s\nendobj\n" % (number, body)
    xref = len(pdf)
    pdf += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    pdf += b"".join(b"%010d 00000 n \n" % offset for offset in offsets)
    pdf += b"trailer\n<< /Size %d /Root 1 0 R%s >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, trailer, xref)
    return pdf


def one_page(content_object):
    return with_xref([
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 400 200] /Contents 4 0 R"
        b" /Resources << /Font << /F1 5 0 R >> >> >>",
        content_object,
        b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    ])


def shorten_length(pdf, by):
    match = re.search(rb"/Length (\d+) /Filter /FlateDecode", pdf)
    shorter = b"%d" % (int(match.group(1)) - by)
    return pdf[:match.start(1)] + shorter.ljust(len(match.group(1))) + pdf[match.end(1):]


def main():
    folder = sys.argv[1]
    qpdf = sys.argv[2] if len(sys.argv) > 2 else "qpdf"
    os.makedirs(folder, exist_ok=True)
    seeds = {}

    deflated = zlib.compress(CONTENT)
    seeds["hostile-no-endstream.pdf"] = one_page(
        b"<< /Length %d /Filter /FlateDecode >>\nstream\n%s" % (len(deflated) - 6, deflated))
    seeds["hostile-kids-loop.pdf"] = (
        b"%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
        b"2 0 obj << /Type /Pages /Kids [4 0 R] /Count 1 >> endobj\n"
        b"4 0 obj << /Type /Pages /Parent 2 0 R /Kids [3 0 R 2 0 R] /Count 1 >> endobj\n"
        b"3 0 obj << /Type /Page /Parent 4 0 R /MediaBox [0 0 200 50] >> endobj\n"
        b"trailer << /Root 1 0 R >>\n%%EOF\n")

    with tempfile.TemporaryDirectory() as scratch:
        clean = os.path.join(scratch, "clean.pdf")
        with open(clean, "wb") as out:
            out.write(one_page(b"<< /Length %d >>\nstream\n%s\nendstream" % (len(CONTENT), CONTENT)))

        def encrypted(name, options, extra=()):
            target = os.path.join(scratch, "encrypted.pdf")
            subprocess.run([qpdf, "--allow-weak-crypto", *extra, "--encrypt", "", "owner", *options, "--", clean,
                            target], check=True)
            with open(target, "rb") as made:
                return made.read()

        for name, options in ENCRYPTIONS.items():
            source = encrypted(name, options)
            wrong = shorten_length(source, 20)
            seeds["hostile-%s-wrong-length.pdf" % name] = wrong
            end = wrong.index(b"endstream", wrong.index(b"/FlateDecode"))
            seeds["hostile-%s-endstream-lost.pdf" % name] = wrong[:end] + b" " * 24 + wrong[end + 9:]
            owner = re.search(rb"/O (<[0-9a-fA-F]+>)", source)
            indirect = source[:owner.start()] + b"/O 99 0 R" + source[owner.end():]
            xref = indirect.rindex(b"\nxref") + 1
            seeds["hostile-%s-indirect-owner.pdf" % name] = (
                indirect[:xref] + b"99 0 obj " + owner.group(1) + b" endobj\n" + indirect[xref:])
            if name == "r4":
                continue
            for streams in ("disable", "generate"):
                linearized = encrypted(name, options, ("--linearize", "--object-streams=" + streams))
                size = linearized.rindex(b"/Size ")
                root = re.search(rb"/Root \d+ \d+ R", linearized)
                linearized = linearized[:size] + root.group(0) + b" " + linearized[size:]
                seeds["hostile-%s-linearized-%s.pdf" % (name, streams)] = linearized
                seeds["hostile-%s-linearized-%s-junk.pdf" % (name, streams)] = b"junk before the header\n" + linearized

    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
