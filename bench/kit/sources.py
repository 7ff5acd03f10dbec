"""Clean sources for the damage kit, each made deterministically: hand-written
PDFs of several layouts, Ghostscript renderings of generated PostScript, groff
man pages, incremental updates, and object-stream rewrites by qpdf. Extra
sources, where a folder of them is named, are taken as they are.
"""
import os
import random
import re
import shutil
import subprocess
from pathlib import Path

from . import pdfbytes
from .writer import Builder, drawing_content, font, lines_of_text, page, pages_node, text_content

EPOCH = {"SOURCE_DATE_EPOCH": "1700000000"}


def hand_lf_plain(rng):
    """5 pages, LF, uncompressed, direct /Length, flat tree, one page without text."""
    b = Builder()
    cat, root = b.reserve(), b.reserve()
    f1, f2 = font(b, b"Helvetica"), font(b, b"Times-Roman")
    res = b"<< /Font << /F1 %d 0 R /F2 %d 0 R >> >>" % (f1, f2)
    kids = []
    for n in range(5):
        data = drawing_content(rng) if n == 2 else text_content(lines_of_text(rng, rng.randint(8, 30)), b"/F%d" % (1 + n % 2))
        kids.append(page(b, root, [b.stream(data)], res))
    b.set(root, pages_node(kids, len(kids)))
    b.set(cat, b"<< /Type /Catalog /Pages %d 0 R >>" % root)
    info = b.add(b"<< /Title (Plain sample) /Producer (damage kit) >>")
    return b.build(cat, info)


def hand_features(rng):
    """6 pages with what a catalog points to besides its pages: a nested
    outline, page labels, named destinations (a /Dests dictionary and a
    name tree), a form of two fields, XMP metadata, a structure tree and
    optional content."""
    b = Builder()
    cat, root, outlines = b.reserve(), b.reserve(), b.reserve()
    f1 = font(b, b"Helvetica")
    layer = b.add(b"<< /Type /OCG /Name (Notes) >>")
    res = b"<< /Font << /F1 %d 0 R >> /Properties << /L1 %d 0 R >> >>" % (f1, layer)
    kids = [page(b, root, [b.stream(text_content(lines_of_text(rng, rng.randint(6, 20))))], res) for _ in range(6)]
    # Two form fields, each its own widget on the first page.
    fields = [b.add(b"<< /FT /Tx /T (field%d) /V (value %d) /DA (/F1 10 Tf 0 g) /Subtype /Widget /Type /Annot"
                    b" /Rect [72 %d 300 %d] /P %d 0 R >>" % (n, n, 600 - 40 * n, 620 - 40 * n, kids[0])) for n in range(2)]
    first = b.objects[kids[0]]
    b.objects[kids[0]] = first[:-3] + b" /Annots [%s] >>" % b" ".join(b"%d 0 R" % f for f in fields)
    b.set(root, pages_node(kids, len(kids)))
    # The outline: three items, the second with two children.
    items = [b.reserve() for _ in range(5)]
    top, children = items[:3], items[3:]

    def item(num, title, parent, target, prev=None, nxt=None, extra=b""):
        entries = b"/Title (%s) /Parent %d 0 R /Dest [%d 0 R /Fit]" % (title, parent, target)
        entries += (b" /Prev %d 0 R" % prev if prev else b"") + (b" /Next %d 0 R" % nxt if nxt else b"")
        b.set(num, b"<< " + entries + extra + b" >>")

    item(top[0], b"Opening", outlines, kids[0], nxt=top[1])
    item(top[1], b"Middle", outlines, kids[2], prev=top[0], nxt=top[2],
         extra=b" /First %d 0 R /Last %d 0 R /Count 2" % (children[0], children[1]))
    item(top[2], b"Closing", outlines, kids[5], prev=top[1])
    item(children[0], b"Middle one", top[1], kids[3], nxt=children[1])
    item(children[1], b"Middle two", top[1], kids[4], prev=children[0])
    b.set(outlines, b"<< /Type /Outlines /First %d 0 R /Last %d 0 R /Count 5 >>" % (top[0], top[2]))
    names = b.add(b"<< /Names [(chapter) [%d 0 R /Fit] (end) [%d 0 R /Fit]] >>" % (kids[1], kids[5]))
    dests = b.add(b"<< /start [%d 0 R /XYZ 0 792 0] >>" % kids[0])
    labels = b.add(b"<< /Nums [0 << /S /r >> 2 << /S /D /St 1 >> 5 << /P (A-) >>] >>")
    form = b.add(b"<< /Fields [%s] /NeedAppearances true /DR << /Font << /F1 %d 0 R >> >> /DA (/F1 10 Tf 0 g) >>"
                 % (b" ".join(b"%d 0 R" % f for f in fields), f1))
    xmp = b'<?xpacket begin="" id="W5M0MpCehiHzreSzNTczkc9d"?><x:xmpmeta xmlns:x="adobe:ns:meta/"/><?xpacket end="r"?>'
    metadata = b.stream(xmp, b" /Type /Metadata /Subtype /XML")
    structure = b.add(b"<< /Type /StructTreeRoot /K [] >>")
    b.set(cat, b"<< /Type /Catalog /Pages %d 0 R /Outlines %d 0 R /PageMode /UseOutlines /PageLabels %d 0 R"
                b" /Names << /Dests %d 0 R >> /Dests %d 0 R /AcroForm %d 0 R /Metadata %d 0 R"
                b" /StructTreeRoot %d 0 R /MarkInfo << /Marked true >>"
                b" /OCProperties << /OCGs [%d 0 R] /D << /Order [%d 0 R] >> >> >>"
                % (root, outlines, labels, names, dests, form, metadata, structure, layer, layer))
    return b.build(cat)


def hand_crlf_flate_nested(rng):
    """6 pages, CR LF, Flate, /Length in objects after each stream, nested
    tree with /Resources and /MediaBox inherited from the root."""
    b = Builder(eol=b"\r\n", flate=True, indirect_length=True)
    cat, root, left, right = b.reserve(), b.reserve(), b.reserve(), b.reserve()
    f1, f2 = font(b, b"Helvetica"), font(b, b"Courier")
    pages = {left: [], right: [], root: []}
    for n, parent in enumerate([left, left, right, right, right, root]):
        lines = lines_of_text(rng, rng.randint(10, 40))
        pages[parent].append(page(b, parent, [b.stream(text_content(lines, b"/F%d" % (1 + n % 2)))], media=False))
    b.set(left, pages_node(pages[left], 2, root))
    b.set(right, pages_node(pages[right], 3, root))
    res = b" /Resources << /Font << /F1 %d 0 R /F2 %d 0 R >> >> /MediaBox [0 0 595 842]" % (f1, f2)
    b.set(root, pages_node([left, right] + pages[root], 6, extra=res))
    b.set(cat, b"<< /Type /Catalog /Pages %d 0 R /PageMode /UseNone >>" % root)
    return b.build(cat)


def hand_lf_indirect_shuffled(rng):
    """4 pages, LF, uncompressed, /Length objects before their streams,
    objects in shuffled order, one page with two content streams."""
    b = Builder(indirect_length=True, length_first=True)
    cat, root = b.reserve(), b.reserve()
    f1 = font(b, b"Times-Bold")
    res = b"<< /Font << /F1 %d 0 R >> >>" % f1
    kids = []
    for n in range(4):
        streams = [b.stream(text_content(lines_of_text(rng, rng.randint(6, 20)), top=740 - 300 * k))
                   for k in range(2 if n == 1 else 1)]
        kids.append(page(b, root, streams, res))
    b.set(root, pages_node(kids, 4))
    b.set(cat, b"<< /Type /Catalog /Pages %d 0 R >>" % root)
    return b.build(cat, shuffle_seed=rng.randint(0, 1 << 30))


def hand_incremental(rng):
    """3 pages, CR LF, then two updates: page 2's content and the Info
    dictionary redefined, then a fourth page added to a redefined root."""
    b = Builder(eol=b"\r\n")
    cat, root = b.reserve(), b.reserve()
    f1 = font(b, b"Helvetica")
    res = b"<< /Font << /F1 %d 0 R >> >>" % f1
    kids, contents = [], []
    for _ in range(3):
        contents.append(b.stream(text_content(lines_of_text(rng, rng.randint(8, 25)))))
        kids.append(page(b, root, [contents[-1]], res))
    b.set(root, pages_node(kids, 3))
    b.set(cat, b"<< /Type /Catalog /Pages %d 0 R >>" % root)
    info = b.add(b"<< /Title (First version) >>")
    data = b.build(cat, info)
    body = text_content(lines_of_text(rng, 12))
    data = pdfbytes.append_update(data, [
        (contents[1], 0, b"<< /Length %d >>\r\nstream\r\n" % len(body) + body + b"\r\nendstream"),
        (info, 0, b"<< /Title (Second version) >>")])
    size = int(pdfbytes.trailer_value(data, b"Size"))
    body = text_content(lines_of_text(rng, 15))
    new_page = b"<< /Type /Page /Parent %d 0 R /MediaBox [0 0 612 792] /Resources %s /Contents %d 0 R >>" % (root, res, size + 1)
    return pdfbytes.append_update(data, [
        (size, 0, new_page),
        (size + 1, 0, b"<< /Length %d >>\r\nstream\r\n" % len(body) + body + b"\r\nendstream"),
        (root, 0, pages_node(kids + [size], 4))])


def postscript(rng, pages):
    fonts = ["Times-Roman", "Helvetica", "Courier", "Times-Italic"]
    out = ["%!PS-Adobe-3.0", "%%Pages: %d" % pages]
    for n in range(pages):
        out.append("/%s findfont 11 scalefont setfont" % fonts[n % len(fonts)])
        y = 740
        for line in lines_of_text(rng, rng.randint(15, 45)):
            out.append("72 %d moveto (%s) show" % (y, line))
            y -= 15
        out.append("0.8 setgray 400 60 120 40 rectfill 0 setgray showpage")
    return "\n".join(out) + "\n"


def run(cmd, **kw):
    return subprocess.run(cmd, check=True, capture_output=True, env={**os.environ, **EPOCH}, **kw)


def ghostscript(rng, pages, tmp):
    ps = tmp / ("gs%d.ps" % pages)
    ps.write_text(postscript(rng, pages))
    pdf = tmp / ("gs%d.pdf" % pages)
    run(["gs", "-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=pdfwrite", "-sOutputFile=%s" % pdf, str(ps)])
    data = pdf.read_bytes()
    # Ghostscript puts a fresh document id in the metadata and the trailer;
    # fixed ids of the same length keep the kit's output reproducible.
    data = re.sub(rb"uuid:[0-9a-f-]{36}", b"uuid:00000000-0000-0000-0000-000000000000", data)
    fixed = lambda m: re.sub(rb"<[0-9A-F]+>", lambda h: b"<" + b"7" * (len(h.group(0)) - 2) + b">", m.group(0))
    return re.sub(rb"/ID ?\[<[0-9A-F]+> ?<[0-9A-F]+>\]", fixed, data)


def man_page(rng, sections):
    out = [".TH KITTOOL 1 2024-01-01 \"kit 1.0\" \"User Commands\"", ".SH NAME", "kittool \\- sample command"]
    out += [".SH SYNOPSIS", ".B kittool", "[\\fIOPTION\\fR]... \\fIFILE\\fR..."]
    for s in range(sections):
        out.append(".SH %s" % " ".join(lines_of_text(rng, 1, (1, 2))[0].upper().split()))
        for _ in range(rng.randint(2, 4)):
            out.append(".PP")
            out += lines_of_text(rng, rng.randint(3, 8), (6, 12))
        for k in range(rng.randint(2, 6)):
            out += [".TP", "\\fB\\-\\-%s\\fR" % rng.choice(lines_of_text(rng, 1, (1, 1))).lower()]
            out += lines_of_text(rng, rng.randint(1, 4), (5, 10))
    return "\n".join(out) + "\n"


def groff(rng, sections, tmp):
    src = tmp / ("man%d.1" % sections)
    src.write_text(man_page(rng, sections))
    return run(["groff", "-man", "-Tpdf", str(src)]).stdout


def object_streams(data, tmp, name, compress=True):
    src, dst = tmp / (name + ".in.pdf"), tmp / (name + ".os.pdf")
    src.write_bytes(data)
    cmd = ["qpdf", "--object-streams=generate", "--deterministic-id", str(src), str(dst)]
    if not compress:
        cmd.insert(1, "--compress-streams=n")
    subprocess.run(cmd, check=False, capture_output=True)
    return dst.read_bytes()


def make_sources(out, extra, seed):
    """Writes out/<name>.pdf for every source; returns {name: family}."""
    out.mkdir(parents=True, exist_ok=True)
    tmp = out / "tmp"
    tmp.mkdir(exist_ok=True)
    rng = lambda tag: random.Random("%s:%s" % (seed, tag))
    made = {
        "h_lf_plain": hand_lf_plain(rng("lf")),
        "h_crlf_flate_nested": hand_crlf_flate_nested(rng("crlf")),
        "h_lf_indirect_shuffled": hand_lf_indirect_shuffled(rng("ind")),
        "h_incremental": hand_incremental(rng("inc")),
        "h_features": hand_features(rng("features")),
        "gs_text8": ghostscript(rng("gs8"), 8, tmp),
        "gs_text12": ghostscript(rng("gs12"), 12, tmp),
        "groff_short": groff(rng("man3"), 3, tmp),
        "groff_long": groff(rng("man9"), 9, tmp),
    }
    made["os_h_crlf"] = object_streams(made["h_crlf_flate_nested"], tmp, "crlf")
    made["os_h_plain"] = object_streams(made["h_lf_plain"], tmp, "plain", compress=False)
    made["os_gs_text8"] = object_streams(made["gs_text8"], tmp, "gs8")
    made["os_groff_long"] = object_streams(made["groff_long"], tmp, "groff")
    for name, data in made.items():
        (out / (name + ".pdf")).write_bytes(data)
    if extra and extra.is_dir():
        for pdf in sorted(extra.glob("*.pdf")):
            shutil.copyfile(pdf, out / pdf.name)
            made[pdf.stem] = pdf.read_bytes()
    shutil.rmtree(tmp)
    families = {name: ("objstm" if b"/ObjStm" in data else "classic") for name, data in made.items()}
    # Damaged by kinds of its own, so that the other sources' choices stay.
    families["h_features"] = "features"
    return families
