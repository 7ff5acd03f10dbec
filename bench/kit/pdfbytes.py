"""Byte-level view of a PDF file for the damage kit.

Damage has to land on real structure (an object's `endobj`, a page's
dictionary, a content stream's data), so this module finds that structure by
scanning the bytes the way a file's author laid them out: object headers at
the start of a line, classic cross-reference tables, trailers. It never
decodes anything and needs nothing beyond the standard library.

Edits that insert or remove bytes can keep classic cross-reference tables
true (`Editor.fix_xref`), so a damage kind can choose whether its file still
has valid offsets or also stale ones.
"""
import re
from dataclasses import dataclass, field

HEADER = re.compile(rb"(?m)^(\d+)[ \t\r\n]+(\d+)[ \t\r\n]+obj(?![A-Za-z])")
XREF_TABLE = re.compile(rb"(?m)^xref[ \t]*\r?\n")
XREF_ENTRY = re.compile(rb"(\d{10}) (\d{5}) ([nf])")
STARTXREF = re.compile(rb"startxref[ \t\r\n]+(\d+)")
PREV = re.compile(rb"/Prev[ \t\r\n]+(\d+)")
REF = re.compile(rb"(\d+)\s+(\d+)\s+R")


@dataclass
class PdfObject:
    num: int
    gen: int
    start: int          # first byte of "N G obj"
    body_start: int     # first byte after "obj"
    end: int            # one past "endobj" (or the end of the region when it is missing)
    data_start: int = -1  # stream data, when the object is a stream
    data_end: int = -1
    dict_bytes: bytes = b""
    has_endobj: bool = True

    @property
    def is_stream(self):
        return self.data_start >= 0


def balanced_dict(data, pos):
    """End (one past ">>") of the dictionary that opens at pos, or -1."""
    depth, i, n = 0, pos, len(data)
    while i < n - 1:
        two = data[i:i + 2]
        if two == b"<<":
            depth += 1
            i += 2
            continue
        if two == b">>":
            depth -= 1
            i += 2
            if depth == 0:
                return i
            continue
        if data[i:i + 1] == b"(":   # literal strings may hold brackets
            i = skip_string(data, i)
            continue
        i += 1
    return -1


def skip_string(data, pos):
    depth, i = 0, pos
    while i < len(data):
        c = data[i]
        if c == 0x5C:
            i += 2
            continue
        if c == 0x28:
            depth += 1
        elif c == 0x29:
            depth -= 1
            if depth == 0:
                return i + 1
        i += 1
    return i


def scan_objects(data):
    """Every "N G obj" ... "endobj" at a line start, in file order."""
    heads = list(HEADER.finditer(data))
    result = []
    for k, m in enumerate(heads):
        bound = heads[k + 1].start() if k + 1 < len(heads) else len(data)
        obj = PdfObject(int(m.group(1)), int(m.group(2)), m.start(), m.end(), bound)
        region = data[m.end():bound]
        stream = re.search(rb"stream(\r\n|\n|\r)", region)
        endobj = region.rfind(b"endobj")
        if stream and (endobj < 0 or stream.start() < endobj) and region.find(b"endstream") > stream.start():
            obj.data_start = m.end() + stream.end()
            es = data.rfind(b"endstream", obj.data_start, bound)
            de = es
            if data[de - 2:de] == b"\r\n":
                de -= 2
            elif data[de - 1:de] in (b"\n", b"\r"):
                de -= 1
            obj.data_end = max(de, obj.data_start)
            obj.dict_bytes = region[:stream.start()]
        else:
            obj.dict_bytes = region[:endobj] if endobj >= 0 else region
        if endobj >= 0:
            obj.end = m.end() + endobj + len(b"endobj")
        else:
            obj.has_endobj = False
        result.append(obj)
    return result


def live_objects(data):
    """The last definition of each object number (what an update leaves live)."""
    live = {}
    for obj in scan_objects(data):
        live[obj.num] = obj
    return live


def obj_type(obj):
    m = re.search(rb"/Type\s*/([A-Za-z]+)", obj.dict_bytes)
    return m.group(1).decode() if m else ""


def trailer_dicts(data):
    """Spans (start of "trailer", end of its dictionary) of every classic trailer."""
    spans = []
    for m in re.finditer(rb"trailer[ \t\r\n]*<<", data):
        end = balanced_dict(data, m.end() - 2)
        if end > 0:
            spans.append((m.start(), end))
    return spans


def xref_tables(data):
    """Spans of classic cross-reference tables, from "xref" up to "trailer"."""
    spans = []
    for m in XREF_TABLE.finditer(data):
        t = data.find(b"trailer", m.end())
        spans.append((m.start(), t if t >= 0 else len(data)))
    return spans


def trailer_value(data, key):
    """A key of the last trailer (classic, or an xref stream's dictionary)."""
    for start, end in reversed(trailer_dicts(data)):
        m = re.search(rb"/" + key + rb"[ \t\r\n]*(\[[^\]]*\]|\d+ \d+ R|\d+)", data[start:end])
        if m:
            return m.group(1)
    for obj in reversed(scan_objects(data)):
        if obj_type(obj) == "XRef":
            m = re.search(rb"/" + key + rb"[ \t\r\n]*(\[[^\]]*\]|\d+ \d+ R|\d+)", obj.dict_bytes)
            if m:
                return m.group(1)
    return None


def eol_of(data):
    return b"\r\n" if b"\r\n" in data[:200] else b"\n"


def catalog(data):
    root = trailer_value(data, b"Root")
    live = live_objects(data)
    if root:
        num = int(root.split()[0])
        if num in live:
            return live[num]
    return next((o for o in live.values() if obj_type(o) == "Catalog"), None)


def refs_in(value):
    return [int(m.group(1)) for m in REF.finditer(value)]


def kids_span(obj, data):
    """Absolute span of the inside of a Pages node's /Kids array."""
    m = re.search(rb"/Kids\s*\[", obj.dict_bytes)
    if not m:
        return None
    start = obj.body_start + m.end()
    return start, data.index(b"]", start)


def page_order(data):
    """Live page objects in page-tree order (object numbers)."""
    live = live_objects(data)
    cat = catalog(data)
    if cat is None:
        return []
    m = re.search(rb"/Pages\s+(\d+)\s+\d+\s+R", cat.dict_bytes)
    pages, seen = [], set()

    def walk(num):
        if num in seen or num not in live:
            return
        seen.add(num)
        node = live[num]
        if obj_type(node) == "Pages":
            span = kids_span(node, data)
            for kid in refs_in(data[span[0]:span[1]]) if span else []:
                walk(kid)
        else:
            pages.append(num)
    if m:
        walk(int(m.group(1)))
    return pages


def contents_of(page, data):
    m = re.search(rb"/Contents\s*(\[[^\]]*\]|\d+\s+\d+\s+R)", page.dict_bytes)
    return refs_in(m.group(1)) if m else []


@dataclass
class Editor:
    """Collects edits on a copy of the bytes; insertions and removals can keep
    classic cross-reference offsets, /Prev and startxref true."""
    data: bytearray
    fix_xref: bool = False
    log: list = field(default_factory=list)

    def overwrite(self, pos, new):
        self.data[pos:pos + len(new)] = new

    def blank(self, start, end, fill=b" "):
        self.data[start:end] = fill * (end - start)

    def replace(self, start, end, new):
        self.data[start:end] = new
        if self.fix_xref and len(new) != end - start:
            self._shift(start + min(len(new), end - start), len(new) - (end - start))

    def insert(self, pos, new):
        self.replace(pos, pos, new)

    def remove(self, start, end):
        self.replace(start, end, b"")

    def _shift(self, pos, delta):
        for start, end in xref_tables(bytes(self.data)):
            for m in XREF_ENTRY.finditer(self.data, start, end):
                off = int(m.group(1))
                if m.group(3) == b"n" and off >= pos:
                    self.data[m.start(1):m.end(1)] = b"%010d" % (off + delta)
        # Variable-width numbers last to first, so that a change of digit
        # count shifts only what follows it (handled by the recursion).
        spots = [(m.start(1), m.end(1)) for rx in (STARTXREF, PREV) for m in rx.finditer(self.data)]
        for s, e in sorted(spots, reverse=True):
            off = int(self.data[s:e])
            if off >= pos:
                text = b"%d" % (off + delta)
                self.data[s:e] = text
                if len(text) != e - s:
                    self._shift(e, len(text) - (e - s))


def append_update(data, objects, eol=None):
    """An incremental update: objects is a list of (num, gen, body bytes)."""
    eol = eol or eol_of(data)
    out = bytearray(data)
    if not out.endswith((b"\n", b"\r")):
        out += eol
    offsets = {}
    for num, gen, body in objects:
        offsets[num] = (len(out), gen)
        out += b"%d %d obj" % (num, gen) + eol + body + eol + b"endobj" + eol
    xref_at = len(out)
    out += b"xref" + eol
    for num in sorted(offsets):
        off, gen = offsets[num]
        out += b"%d 1" % num + eol + b"%010d %05d n" % (off, gen) + (b" \n" if eol == b"\n" else b"\r\n")
    size = max(int(trailer_value(data, b"Size") or 0), max(offsets) + 1)
    trailer = b"/Size %d /Root %s" % (size, trailer_value(data, b"Root"))
    for key in (b"Info", b"ID"):
        value = trailer_value(data, key)
        if value:
            trailer += b" /" + key + b" " + value
    prev = STARTXREF.findall(data)
    trailer += b" /Prev %s" % prev[-1]
    out += b"trailer" + eol + b"<< " + trailer + b" >>" + eol
    out += b"startxref" + eol + b"%d" % xref_at + eol + b"%%EOF" + eol
    return bytes(out)
