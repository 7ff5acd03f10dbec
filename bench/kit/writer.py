"""A small PDF writer for hand-made sources: base-14 fonts, text pages,
LF or CR LF line ends, Flate or plain content, direct or indirect /Length,
flat or nested page trees, and the incremental updates that redefine objects.
"""
import random
import zlib

WORDS = ("amber basalt cinder delta ember fjord granite harbor island juniper kestrel lagoon meadow "
         "nimbus orchard prairie quarry ridge summit tundra upland valley willow yarrow zephyr "
         "anchor beacon canyon dune estuary forest glacier hollow inlet jetty knoll ledge marsh").split()


def lines_of_text(rng, count, words=(4, 9)):
    return [" ".join(rng.choice(WORDS) for _ in range(rng.randint(*words))).capitalize() for _ in range(count)]


def text_content(lines, font=b"/F1", size=11, top=740):
    ops = [b"BT", b"%s %d Tf" % (font, size), b"%d TL" % (size + 4), b"72 %d Td" % top]
    for line in lines:
        ops.append(b"(%s) Tj T*" % line.encode())
    ops.append(b"ET")
    return b"\n".join(ops) + b"\n"


def drawing_content(rng):
    ops = [b"0.5 w"]
    for _ in range(6):
        x, y, w, h = rng.randint(50, 400), rng.randint(50, 600), rng.randint(20, 150), rng.randint(20, 150)
        ops.append(b"%.2f %.2f %.2f rg %d %d %d %d re f" % (rng.random(), rng.random(), rng.random(), x, y, w, h))
    ops.append(b"72 72 m 540 720 l S")
    return b"\n".join(ops) + b"\n"


class Builder:
    def __init__(self, eol=b"\n", flate=False, indirect_length=False, length_first=False):
        self.eol, self.flate = eol, flate
        self.indirect_length, self.length_first = indirect_length, length_first
        self.objects = {}
        self.order = []

    def reserve(self):
        num = len(self.objects) + 1
        self.objects[num] = None
        return num

    def set(self, num, body):
        self.objects[num] = body
        self.order.append(num)
        return num

    def add(self, body):
        return self.set(self.reserve(), body)

    def stream(self, data, extra=b""):
        """A stream object; with indirect /Length its length object comes
        right after (or right before) the stream, as writers do."""
        entries = extra
        if self.flate:
            data = zlib.compress(data, 9)
            entries += b" /Filter /FlateDecode"
        num = self.reserve()
        if self.indirect_length:
            length = self.reserve()
            length_ref = b"%d 0 R" % length
            if self.length_first:
                self.set(length, b"%d" % len(data))
        else:
            length_ref = b"%d" % len(data)
        self.set(num, b"<< /Length %s%s >>" % (length_ref, entries) + self.eol + b"stream" + self.eol
                 + data + self.eol + b"endstream")
        if self.indirect_length and not self.length_first:
            self.set(length, b"%d" % len(data))
        return num

    def build(self, root, info=None, shuffle_seed=None):
        eol = self.eol
        out = bytearray(b"%PDF-1.4" + eol + b"%\xe2\xe3\xcf\xd3" + eol)
        order = list(self.order)
        if shuffle_seed is not None:
            random.Random(shuffle_seed).shuffle(order)
        offsets = {}
        for num in order:
            offsets[num] = len(out)
            out += b"%d 0 obj" % num + eol + self.objects[num] + eol + b"endobj" + eol
        xref_at = len(out)
        size = max(self.objects) + 1
        out += b"xref" + eol + b"0 %d" % size + eol
        end = b" \n" if eol == b"\n" else b"\r\n"
        out += b"0000000000 65535 f" + end
        for num in range(1, size):
            out += (b"%010d 00000 n" % offsets[num] if num in offsets else b"0000000000 00000 f") + end
        trailer = b"/Size %d /Root %d 0 R" % (size, root)
        if info:
            trailer += b" /Info %d 0 R" % info
        trailer += b" /ID [<%s> <%s>]" % ((b"%032x" % random.Random(size).getrandbits(128),) * 2)
        out += b"trailer" + eol + b"<< " + trailer + b" >>" + eol + b"startxref" + eol + b"%d" % xref_at + eol
        out += b"%%EOF" + eol
        return bytes(out)


def font(builder, base):
    return builder.add(b"<< /Type /Font /Subtype /Type1 /BaseFont /%s /Encoding /WinAnsiEncoding >>" % base)


def page(builder, parent, contents, resources=None, media=True):
    entries = b"/Type /Page /Parent %d 0 R" % parent
    if media:
        entries += b" /MediaBox [0 0 612 792]"
    if resources:
        entries += b" /Resources " + resources
    refs = b" ".join(b"%d 0 R" % c for c in contents)
    entries += b" /Contents " + (refs if len(contents) == 1 else b"[" + refs + b"]")
    return builder.add(b"<< " + entries + b" >>")


def pages_node(kids, count, parent=None, extra=b""):
    entries = b"/Type /Pages /Kids [%s] /Count %d" % (b" ".join(b"%d 0 R" % k for k in kids), count)
    if parent:
        entries += b" /Parent %d 0 R" % parent
    return b"<< " + entries + extra + b" >>"
