"""Byte-level and syntax damage. Each kind takes the clean bytes and a
seeded random source and returns (damaged bytes, what was done), or raises
NotApplicable when the source lacks what the kind damages. Kinds that model a
writer's mistake keep classic cross-reference offsets true; kinds that model
corruption in transit or on disk leave them as the damage makes them.
"""
import re

from . import pdfbytes as pb
from .writer import lines_of_text


class NotApplicable(Exception):
    pass


def pick(rng, items, low, high):
    items = list(items)
    if not items:
        raise NotApplicable
    return rng.sample(items, min(len(items), rng.randint(low, high)))


def live(data):
    return list(pb.live_objects(data).values())


def pages(data):
    objs = pb.live_objects(data)
    return [objs[n] for n in pb.page_order(data) if n in objs]


def content_streams(data):
    objs = pb.live_objects(data)
    found = [objs[c] for p in pages(data) for c in pb.contents_of(p, data) if c in objs]
    if not found:   # pages packed in object streams: content streams are the plain top-level streams
        found = [o for o in objs.values() if o.is_stream and not re.search(rb"/(Type|Subtype|Length1|N)\b", o.dict_bytes)]
    return [o for o in found if o.is_stream and o.data_end > o.data_start]


def garbage(rng, text, paren=False):
    n = rng.randint(16, 600)
    if text or paren:
        words = " ".join(lines_of_text(rng, 40, (8, 12)))[:n]
        blob = words.encode()
        if paren:
            cut = rng.randint(0, len(blob))
            blob = b"junk " + blob[:cut] + b" (" + blob[cut:]
        return blob + b"\n"
    return bytes(rng.randrange(256) for _ in range(n)) + b"\n"


def insert_between(data, rng, count, make_blob, before_first=False):
    heads = [o.start for o in pb.scan_objects(data)]
    spots = heads[:1] if before_first else pick(rng, heads[1:], count, count)
    ed = pb.Editor(bytearray(data))
    sizes = []
    for pos in sorted(spots, reverse=True):
        blob = make_blob(rng)
        sizes.append(len(blob))
        ed.insert(pos, blob)
    return bytes(ed.data), "inserted %s bytes at offsets %s (later offsets shift)" % (sizes[::-1], sorted(spots))


def paren_between(data, rng):
    return insert_between(data, rng, rng.randint(1, 3), lambda r: garbage(r, text=True, paren=True))


def paren_before_first(data, rng):
    return insert_between(data, rng, 1, lambda r: garbage(r, text=True, paren=True), before_first=True)


def garbage_binary(data, rng):
    return insert_between(data, rng, 3, lambda r: garbage(r, text=False))


def garbage_text(data, rng):
    return insert_between(data, rng, 3, lambda r: garbage(r, text=True))


def fragment_between(data, rng):
    """Pieces of the file itself (a resumed download, a bad copy), cut
    anywhere and put between objects before the bytes they repeat, so that
    the true definitions still come last."""
    heads = [o.start for o in pb.scan_objects(data)]
    ed = pb.Editor(bytearray(data))
    done = []
    for pos in sorted(pick(rng, heads[1:], 1, 2), reverse=True):
        n = rng.randint(64, 1024)
        start = rng.randint(pos, max(pos, len(data) - n))
        ed.insert(pos, data[start:start + n] + b"\n")
        done.append("%d bytes from %d at %d" % (n, start, pos))
    return bytes(ed.data), "file pieces inserted (%s; later offsets shift)" % ", ".join(done[::-1])


def garbage_after_last(data, rng):
    """Junk between the last object and the cross-reference section."""
    last = max(pb.scan_objects(data), key=lambda o: o.start)
    pos = last.end + len(re.match(rb"[\r\n]*", data[last.end:]).group(0))
    kind = rng.choice(["binary", "text", "paren"])
    blob = garbage(rng, text=kind == "text", paren=kind == "paren")
    ed = pb.Editor(bytearray(data))
    ed.insert(pos, blob)
    return bytes(ed.data), "%d bytes of %s junk after object %d, at %d (later offsets shift)" % (len(blob), kind, last.num, pos)


def endobj_removed(data, rng):
    objs = live(data)
    last = max(o.start for o in objs)
    wanted = {o.num for o in pages(data)} | {o.num for o in content_streams(data)}
    chosen = pick(rng, [o for o in objs if o.num in wanted and o.has_endobj and o.start != last], 1, 2)
    ed = pb.Editor(bytearray(data))
    for o in chosen:
        ed.blank(o.end - 6, o.end)
    return bytes(ed.data), "endobj of objects %s overwritten with spaces" % sorted(o.num for o in chosen)


def endstream_removed(data, rng):
    (o,) = pick(rng, content_streams(data), 1, 1)
    es = data.find(b"endstream", o.data_end)
    ed = pb.Editor(bytearray(data))
    ed.blank(es, es + 9)
    return bytes(ed.data), "endstream of object %d overwritten with spaces" % o.num


def glue(data, pattern, make, what):
    out, count = re.subn(pattern, make, data)
    if not count:
        raise NotApplicable
    return out, "%d times %s (whitespace moved, offsets kept)" % (count, what)


def glued_num_endobj(data, rng):
    return glue(data, rb"(?m)(^\d+[ \t\r\n]+\d+[ \t\r\n]+obj[ \t\r\n]+\d+)([ \t\r\n]+)endobj",
                lambda m: m.group(1) + b"endobj" + m.group(2), '"N 0 obj 59endobj"')


def glued_endstream_endobj(data, rng):
    return glue(data, rb"endstream([ \t\r\n]+)endobj", lambda m: b"endstreamendobj" + m.group(1), '"endstreamendobj"')


def glued_dict_stream(data, rng):
    return glue(data, rb">>([ \t\r\n]+)stream(\r\n|\n)", lambda m: b" " * len(m.group(1)) + b">>stream" + m.group(2),
                '">>stream"')


def double_dict_open(data, rng):
    chosen = pick(rng, pages(data), 1, 2)
    ed = pb.Editor(bytearray(data), fix_xref=True)
    for o in sorted(chosen, key=lambda o: -o.start):
        ed.insert(data.index(b"<<", o.body_start) + 2, b" <<")
    return bytes(ed.data), "page objects %s open with '<< <<' (xref offsets kept true)" % sorted(o.num for o in chosen)


def truncate(pct):
    def cut(data, rng):
        keep = len(data) * pct // 100
        return data[:keep], "kept %d of %d bytes" % (keep, len(data))
    return cut


def zero_sector(data, rng):
    sector = 4096 if len(data) >= 16384 else 1024
    first, last = len(data) // 4 // sector, (3 * len(data) // 4) // sector
    at = rng.randint(first, max(first, last - 1)) * sector
    ed = pb.Editor(bytearray(data))
    ed.blank(at, min(at + sector, len(data)), b"\0")
    return bytes(ed.data), "%d bytes at %d set to NUL" % (sector, at)


def flip(data, rng, obj, count, tail=0.0):
    """XORs count bytes of a stream's data, all in its last (1 - tail) part."""
    ed = pb.Editor(bytearray(data))
    first = obj.data_start + int((obj.data_end - obj.data_start) * tail)
    spots = sorted(rng.randrange(first, obj.data_end) for _ in range(count))
    for s in spots:
        ed.data[s] ^= rng.randint(1, 255)
    return bytes(ed.data), "%d bytes XOR-ed in stream %d at %s" % (count, obj.num, spots)


def content_byteflips(data, rng):
    (o,) = pick(rng, content_streams(data), 1, 1)
    return flip(data, rng, o, 8)


def xref_deleted(data, rng):
    spans = pb.xref_tables(data)
    if not spans:
        raise NotApplicable
    ed = pb.Editor(bytearray(data))
    for start, end in reversed(spans):
        ed.remove(start, end)
    return bytes(ed.data), "%d xref tables removed (offsets after them shift)" % len(spans)


def trailer_deleted(data, rng):
    spans = pb.trailer_dicts(data)
    if not spans:
        raise NotApplicable
    ed = pb.Editor(bytearray(data))
    for start, end in reversed(spans):
        ed.remove(start, end)
    return bytes(ed.data), "%d trailers removed, startxref kept" % len(spans)


def blank_object(data, obj, what):
    if obj is None:
        raise NotApplicable
    ed = pb.Editor(bytearray(data))
    ed.blank(obj.start, obj.end)
    return bytes(ed.data), "%s (object %d) overwritten with spaces" % (what, obj.num)


def catalog_deleted(data, rng):
    return blank_object(data, pb.catalog(data), "catalog")


def pages_root_deleted(data, rng):
    cat = pb.catalog(data)
    m = cat and re.search(rb"/Pages\s+(\d+)", cat.dict_bytes)
    return blank_object(data, m and pb.live_objects(data).get(int(m.group(1))), "page-tree root")


def length_value(data, obj):
    m = re.search(rb"/Length[ \t\r\n]+(\d+)(?:[ \t\r\n]+(\d+)[ \t\r\n]+R)?", obj.dict_bytes)
    if not m:
        raise NotApplicable
    return m


def length_wrong(data, rng):
    ed = pb.Editor(bytearray(data))
    done = []
    for o in pick(rng, content_streams(data), 1, 2):
        m = length_value(data, o)
        if m.group(2):   # indirect: change the length object's value
            target = pb.live_objects(data).get(int(m.group(1)))
            vm = target and re.search(rb"\d+", data[target.body_start:target.end])
            if not vm:
                continue
            at, old = target.body_start + vm.start(), vm.group(0)
        else:
            at, old = o.body_start + m.start(1), m.group(1)
        new = old
        while new == old:
            new = b"%d" % rng.randint(10 ** (len(old) - 1) if len(old) > 1 else 0, 10 ** len(old) - 1)
        ed.overwrite(at, new)
        done.append("%d: %s -> %s" % (o.num, old.decode(), new.decode()))
    if not done:
        raise NotApplicable
    return bytes(ed.data), "/Length of content streams changed, same digit count (%s)" % ", ".join(done)


def length_missing(data, rng):
    ed = pb.Editor(bytearray(data))
    chosen = pick(rng, content_streams(data), 1, 2)
    for o in chosen:
        m = length_value(data, o)
        ed.blank(o.body_start + m.start(), o.body_start + m.end())
    return bytes(ed.data), "/Length entry of content streams %s overwritten with spaces" % sorted(o.num for o in chosen)


def typed(data, name):
    found = [o for o in live(data) if pb.obj_type(o) == name and o.is_stream]
    if not found:
        raise NotApplicable
    return found


def objstm_xref_deleted(data, rng):
    ed = pb.Editor(bytearray(data))
    found = typed(data, "XRef")
    for o in sorted(found, key=lambda o: -o.start):
        ed.remove(o.start, o.end)
    return bytes(ed.data), "xref streams %s removed, startxref kept" % [o.num for o in found]


# Object-stream damage stays in the stream's last part, so that what comes
# before it still decodes and a tool that keeps a partly decoded stream shows it.
def objstm_flipped(data, rng):
    o = rng.choice(typed(data, "ObjStm"))
    return flip(data, rng, o, rng.randint(1, 4), tail=0.6)


def objstm_truncated(data, rng):
    o = rng.choice(typed(data, "ObjStm"))
    cut = o.data_start + int((o.data_end - o.data_start) * rng.uniform(0.6, 0.95))
    ed = pb.Editor(bytearray(data))
    ed.remove(cut, o.data_end)
    return bytes(ed.data), "object stream %d loses its last %d data bytes (later offsets shift)" % (o.num, o.data_end - cut)


def clean(data, rng):
    return data, "undamaged copy"
