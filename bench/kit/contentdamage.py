"""Syntax faults inside a page's content stream, as writers with bugs make
them: a string that never ends, arrays and dictionaries left open or closed
twice, operators without their operands or with operands of the wrong
type, unknown operators, garbage bytes, and a show array holding more than
numbers and strings. The stream is written back decoded (its /Filter
dropped) with a true /Length, and classic cross-reference offsets stay
true: only the content is damaged. Each fault leaves the page's text as it
was, so that a repair that drops just the broken pieces keeps every word.
"""
import re
import zlib

from . import pdfbytes as pb
from .damages import NotApplicable, content_streams, pick

# An operator that ends a line: a place between two operations.
BOUNDARY = re.compile(rb"(?:^|(?<=[\s\]\)>]))(?:Tj|TJ|Td|TD|Tf|T\*|TL|BT|ET|cm|re|f|S|q|Q|rg|RG|g|G|l|m|Tm|w)(?=\r?\n)")


def decoded(data, obj):
    raw = data[obj.data_start:obj.data_end]
    filters = re.findall(rb"/(\w+)", re.search(rb"/Filter\s*(\[[^\]]*\]|/\w+)", obj.dict_bytes).group(1)) \
        if b"/Filter" in obj.dict_bytes else []
    if filters == [] and b"/DecodeParms" not in obj.dict_bytes:
        return raw
    if filters == [b"FlateDecode"] and b"/DecodeParms" not in obj.dict_bytes:
        try:
            return zlib.decompressobj().decompress(raw)
        except zlib.error:
            raise NotApplicable
    raise NotApplicable


def with_content(data, obj, content):
    """The file with the stream object's body replaced: the new content
    unfiltered, its length direct."""
    eol = pb.eol_of(data)
    extra = re.sub(rb"/(Length|Filter|DecodeParms)\s*(\d+\s+\d+\s+R|\[[^\]]*\]|<<[^>]*>>|/\w+|\d+)", b"",
                   obj.dict_bytes.strip()[2:-2])
    body = (b" << /Length %d " % len(content) + extra.strip() + b" >>" + eol + b"stream" + eol + content + eol
            + b"endstream" + eol + b"endobj")
    ed = pb.Editor(bytearray(data), fix_xref=True)
    ed.replace(obj.body_start, obj.end, body)
    return bytes(ed.data)


def fault_at_boundaries(data, rng, count, make, what):
    """Inserts make(rng) after `count` operations of one text stream."""
    streams = []
    for o in content_streams(data):
        try:
            content = decoded(data, o)
        except NotApplicable:
            continue
        if re.search(rb"T[jJ]", content) and b"BI" not in content and BOUNDARY.search(content):
            streams.append((o, content))
    ((o, content),) = pick(rng, streams, 1, 1)
    spots = sorted(rng.sample([m.end() for m in BOUNDARY.finditer(content)],
                              min(count, len(BOUNDARY.findall(content)))))
    pieces, at, inserted = [], 0, []
    for spot in spots:
        blob = make(rng)
        pieces += [content[at:spot], b" " + blob]
        inserted.append(blob)
        at = spot
    pieces.append(content[at:])
    shown = b" | ".join(inserted)
    shown = shown.decode() if shown.isascii() and shown.decode().isprintable() else "%d bytes" % len(shown)
    return with_content(data, o, b"".join(pieces)), "stream %d: %s (%s) inserted after operators" % (
        o.num, what, shown[:200])


def content_unended_string(data, rng):
    return fault_at_boundaries(data, rng, 1, lambda r: r.choice([b"(", b"(unended words", b"<4142 zz"]),
                               "a string that does not end")


def content_unbalanced(data, rng):
    return fault_at_boundaries(data, rng, 2, lambda r: r.choice([b"[", b"]", b"<<", b">>", b"<< /K [1 2", b"] ]"]),
                               "open or extra brackets")


def content_operands(data, rng):
    return fault_at_boundaries(data, rng, 2, lambda r: r.choice([b"0 0 RG", b"/F9 Tf", b"(x) 1 1 rg", b"1 cm",
                                                                 b"(2) w", b"Tj", b"(a) (b) Td"]),
                               "operators with too few or wrong operands")


def content_unknown_operator(data, rng):
    return fault_at_boundaries(data, rng, 2, lambda r: r.choice([b"frob", b"1 2 xq", b"Tjj", b"ET2", b"/A zz"]),
                               "unknown operators")


def garbage_bytes(rng):
    # Bytes that start no string or comment, so that only they are broken.
    blob = bytes(rng.randrange(256) for _ in range(rng.randint(4, 40)))
    return blob.translate(bytes.maketrans(b"()\\%", b"{}?#")).replace(b"\r", b" ").replace(b"\n", b" ")


def content_garbage(data, rng):
    return fault_at_boundaries(data, rng, 2, garbage_bytes, "garbage bytes")


def content_show_array(data, rng):
    """A show array holding a name, a boolean or an array; a "Tj" becomes
    such an array first where the stream has no "TJ"."""
    streams = []
    for o in content_streams(data):
        try:
            content = decoded(data, o)
        except NotApplicable:
            continue
        if re.search(rb"\]\s*TJ|\)\s*Tj", content):
            streams.append((o, content))
    ((o, content),) = pick(rng, streams, 1, 1)
    bad = rng.choice([b"/Oops", b"true", b"[3]", b"null"])
    arrays = list(re.finditer(rb"\[([^\[\]]*)\]\s*TJ", content))
    if arrays:
        m = rng.choice(arrays)
        inside = m.group(1)
        cut = inside.find(b")") + 1 if b")" in inside else 0
        new = content[:m.start(1)] + inside[:cut] + b" " + bad + b" " + inside[cut:] + content[m.end(1):]
    else:
        m = rng.choice(list(re.finditer(rb"(\((?:[^()\\]|\\.)*\))(\s*)Tj", content)))
        new = content[:m.start()] + b"[" + m.group(1) + b" " + bad + b"]" + m.group(2) + b"TJ" + content[m.end():]
    return with_content(data, o, new), "stream %d: %s put in a show array" % (o.num, bad.decode())
