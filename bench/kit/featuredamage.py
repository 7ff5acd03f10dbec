"""Damage to what a catalog points to besides its pages: a catalog destroyed
with its outline's root, a catalog that keeps only its pages, a form that
lost its /Fields; and a page tree that lists a page twice. Each kind works
like those of damages.py.
"""
import re

from . import pdfbytes as pb
from .damages import NotApplicable, pages


def referenced(obj, key):
    m = re.search(rb"/%s\s+(\d+)\s+\d+\s+R" % key, obj.dict_bytes)
    return int(m.group(1)) if m else None


def catalog_destroyed(data, rng):
    """The catalog overwritten with text and the outline's root with spaces:
    only the outline's items are left of it."""
    cat = pb.catalog(data)
    outlines = cat and referenced(cat, b"Outlines")
    root = outlines and pb.live_objects(data).get(outlines)
    if root is None:
        raise NotApplicable
    ed = pb.Editor(bytearray(data))
    words = b"lost catalog text overwritten by a stray write "
    fill = bytes(words[(i + rng.randint(0, 3)) % len(words)] for i in range(cat.end - cat.start))
    ed.overwrite(cat.start, fill)
    ed.blank(root.start, root.end)
    return bytes(ed.data), "catalog (object %d) overwritten with text, outline root %d with spaces" % (cat.num, root.num)


def catalog_keys_lost(data, rng):
    """The catalog keeps its /Type and /Pages only (xref intact)."""
    cat = pb.catalog(data)
    pages_root = cat and referenced(cat, b"Pages")
    if pages_root is None or not re.search(rb"/(Outlines|PageLabels|AcroForm)", cat.dict_bytes):
        raise NotApplicable
    start = data.index(b"<<", cat.body_start)
    end = pb.balanced_dict(data, start)
    short = b"<< /Type /Catalog /Pages %d 0 R >>" % pages_root
    ed = pb.Editor(bytearray(data))
    ed.overwrite(start, short + b" " * (end - start - len(short)))
    return bytes(ed.data), "catalog %d keeps only /Type and /Pages" % cat.num


def form_fields_lost(data, rng):
    """The form's dictionary loses its /Fields array (xref intact)."""
    cat = pb.catalog(data)
    form = cat and referenced(cat, b"AcroForm")
    obj = form and pb.live_objects(data).get(form)
    m = obj and re.search(rb"/Fields\s*\[[^\]]*\]", obj.dict_bytes)
    if not m:
        raise NotApplicable
    ed = pb.Editor(bytearray(data))
    ed.blank(obj.body_start + m.start(), obj.body_start + m.end())
    return bytes(ed.data), "form %d lost its /Fields" % form


def kids_list_page_twice(data, rng):
    """A /Kids array lists one of its pages a second time, right after the
    first, and its /Count says so: readers show the page twice. The damaged
    file is its own reference."""
    plist = pages(data)
    parents = {}
    for p in plist:
        m = re.search(rb"/Parent\s+(\d+)", p.dict_bytes)
        if m:
            parents.setdefault(int(m.group(1)), []).append(p)
    objs = pb.live_objects(data)
    choices = [(n, ps) for n, ps in sorted(parents.items()) if n in objs and pb.kids_span(objs[n], data)]
    if not choices:
        raise NotApplicable
    num, listed = rng.choice(choices)
    node, page = objs[num], rng.choice(listed)
    start, end = pb.kids_span(node, data)
    m = re.search(rb"(?<![0-9])%d\s+0\s+R" % page.num, data[start:end])
    if not m:
        raise NotApplicable
    # Every /Count from the node up to the root grows by one; edits from the
    # last byte to the first, so that each lands where it was found.
    edits = [(start + m.end(), start + m.end(), b" %d 0 R" % page.num)]
    seen, up = set(), num
    while up is not None and up in objs and up not in seen:
        seen.add(up)
        obj = objs[up]
        c = re.search(rb"/Count\s+(\d+)", obj.dict_bytes)
        if c:
            edits.append((obj.body_start + c.start(1), obj.body_start + c.end(1), b"%d" % (int(c.group(1)) + 1)))
        p = re.search(rb"/Parent\s+(\d+)", obj.dict_bytes)
        up = int(p.group(1)) if p else None
    ed = pb.Editor(bytearray(data), fix_xref=True)
    for s, e, new in sorted(edits, reverse=True):
        ed.replace(s, e, new)
    damaged = bytes(ed.data)
    return damaged, "page %d listed twice in /Kids of %d" % (page.num, num), damaged
