"""Damage to the page tree and to object generations: pages listed by two
/Pages nodes, pages that lost their /Type, and pages superseded by an
incremental update. Each kind works like those of damages.py.
"""
import re

from . import pdfbytes as pb
from .damages import NotApplicable, pick, pages
from .writer import lines_of_text


def page_type_lost(data, rng):
    chosen = pick(rng, [o for o in pages(data) if re.search(rb"/Type\s*/Page(?![A-Za-z])", o.dict_bytes)], 1, 2)
    ed = pb.Editor(bytearray(data))
    done = []
    for o in chosen:
        m = re.search(rb"/Type\s*/Page(?![A-Za-z])", o.dict_bytes)
        start, end = o.body_start + m.start(), o.body_start + m.end()
        if rng.random() < 0.5:
            ed.blank(start, end)
            done.append("%d: /Type removed" % o.num)
        else:
            ed.overwrite(end - 4, b"Form")
            done.append("%d: /Type /Form" % o.num)
    return bytes(ed.data), "page objects lose their /Type (%s; xref intact)" % ", ".join(done)


def body_of(obj, data):
    return data[obj.body_start:obj.end - 6].strip()


def pages_listed_twice(data, rng):
    objs = pb.live_objects(data)
    nodes = [o for o in objs.values() if pb.obj_type(o) == "Pages" and pb.kids_span(o, data)]
    plist = pages(data)
    parent = lambda p: int(re.search(rb"/Parent\s+(\d+)", p.dict_bytes).group(1))
    if len(nodes) >= 2:
        node = rng.choice(nodes)
        (p,) = pick(rng, [p for p in plist if parent(p) != node.num], 1, 1)
        ed = pb.Editor(bytearray(data), fix_xref=True)
        ed.insert(pb.kids_span(node, data)[1], b" %d 0 R" % p.num)
        out = bytes(ed.data)
        # What readers show of the damaged file is what a repair keeps.
        return out, "page %d also listed in /Kids of /Pages node %d (xref offsets kept true)" % (p.num, node.num), out
    if len(nodes) != 1 or len(plist) < 2:
        raise NotApplicable
    root = nodes[0]
    (p,) = pick(rng, plist[1:], 1, 1)
    extra = int(pb.trailer_value(data, b"Size"))
    body = body_of(root, data)
    count = int(re.search(rb"/Count\s+(\d+)", body).group(1))
    body = re.sub(rb"/Count\s+\d+", b"/Count %d" % (count + 1), body)
    body = re.sub(rb"(/Kids\s*\[[^\]]*)\]", lambda m: m.group(1) + b" %d 0 R]" % extra, body)
    node = b"<< /Type /Pages /Kids [%d 0 R] /Count 1 /Parent %d 0 R >>" % (p.num, root.num)
    out = pb.append_update(data, [(extra, 0, node), (root.num, 0, body)])
    return out, "update: new /Pages node %d lists page %d again, root %d redefined" % (extra, p.num, root.num), out


def replaced_by_new_page(data, rng, objs, p, parent, size):
    """Update: page p 0 gives way to a new page p 1 at the same place."""
    text = b"BT /F1 14 Tf 72 700 Td (%s) Tj ET\n" % b" ".join(w.encode() for w in lines_of_text(rng, 3))
    eol = pb.eol_of(data)
    stream = b"<< /Length %d >>" % len(text) + eol + b"stream" + eol + text + eol + b"endstream"
    page = (b"<< /Type /Page /Parent %d 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 %d 0 R >> >> "
            b"/Contents %d 0 R >>" % (parent.num, size, size + 1))
    body = re.sub(rb"(?<!\d)%d\s+0\s+R" % p.num, b"%d 1 R" % p.num, body_of(parent, data))
    return [(size, 0, b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"), (size + 1, 0, stream),
            (p.num, 1, page), (parent.num, 0, body)], "page %d 0 replaced by a new page %d 1" % (p.num, p.num)


def reused_for_a_font(data, rng, objs, p, parent, size):
    """Update: page p 0 leaves the tree (every /Count on its way up drops by
    one) and its number comes back as generation 1 of a font."""
    objects, node = [], parent
    while node is not None:
        body = body_of(node, data)
        if node is parent:
            body = re.sub(rb"(?<!\d)%d\s+0\s+R" % p.num, b"", body)
        body = re.sub(rb"/Count\s+(\d+)", lambda m: b"/Count %d" % (int(m.group(1)) - 1), body)
        objects.append((node.num, 0, body))
        up = re.search(rb"/Parent\s+(\d+)", node.dict_bytes)
        node = objs.get(int(up.group(1))) if up else None
    objects.append((p.num, 1, b"<< /Type /Font /Subtype /Type1 /BaseFont /Courier >>"))
    return objects, "page %d 0 removed, its number reused by a font %d 1" % (p.num, p.num)


def superseded(data, rng, zero_xref):
    """Returns (damaged, detail, reference): the reference is the intact update."""
    if b"/ObjStm" in data:
        raise NotApplicable
    objs = pb.live_objects(data)
    (p,) = pick(rng, pages(data)[1:], 1, 1)
    parent = objs[int(re.search(rb"/Parent\s+(\d+)", p.dict_bytes).group(1))]
    size = int(pb.trailer_value(data, b"Size"))
    change = rng.choice([replaced_by_new_page, reused_for_a_font])
    objects, detail = change(data, rng, objs, p, parent, size)
    ref = pb.append_update(data, objects)
    detail = "update: " + detail + " (node %d)" % parent.num
    if zero_xref:
        ed = pb.Editor(bytearray(ref))
        for start, end in pb.xref_tables(ref):
            ed.blank(start, end, b"\0")
        return bytes(ed.data), detail + "; every xref table zeroed", ref
    return ref, detail + "; xref intact", ref


def superseded_generation(data, rng):
    return superseded(data, rng, False)


def superseded_xref_zeroed(data, rng):
    return superseded(data, rng, True)
