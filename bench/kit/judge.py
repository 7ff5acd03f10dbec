"""Judges a repaired file against its clean reference with poppler.

A page of the reference is recovered when the output has a page at the same
position whose text (pdftotext, whitespace runs collapsed) equals the
reference page's text; a reference page without text counts when the output
page has no text either and pdftoppm renders it without an error line and
close to the reference page's rendering (a blank page is not a drawing). A file
is fully recovered when every reference page is recovered and the output has
no extra pages (a superseded or doubly listed page that comes back is a fault).
Comparing text keeps a tool that redraws pages (Ghostscript) honest: a
redrawn page whose content stream was corrupt does not match.
"""
import re
import subprocess
import tempfile
import unicodedata

TIMEOUT = 60
# What qpdf --check says when a stream's /Length is wrong or missing.
LENGTH_PROBLEM = re.compile(r"expected endstream|stream length|/Length key")


def run(cmd):
    try:
        return subprocess.run(cmd, capture_output=True, timeout=TIMEOUT)
    except subprocess.TimeoutExpired:
        return None


def page_count(pdf):
    r = run(["pdfinfo", str(pdf)])
    m = r and re.search(rb"^Pages:\s+(\d+)", r.stdout, re.M)
    return int(m.group(1)) if m else 0


# Writers map the same glyph to different characters (a redrawn minus sign,
# a ligature): these are the same text.
LOOKALIKES = str.maketrans({"\u2212": "-", "\u2010": "-", "\u2011": "-", "\u00ad": "-",
                            "\u2018": "'", "\u2019": "'", "\u201c": '"', "\u201d": '"'})


def normal(text):
    return " ".join(unicodedata.normalize("NFKC", text).translate(LOOKALIKES).split())


def page_texts(pdf, pages):
    r = run(["pdftotext", "-q", "-enc", "UTF-8", str(pdf), "-"])
    texts = r.stdout.decode("utf-8", "replace").split("\f") if r and r.returncode == 0 else []
    texts = [normal(t) for t in texts[:pages]]
    return texts + [None] * (pages - len(texts))


def rendering(pdf, page):
    """The page as 18 dpi grey pixels, or None when pdftoppm fails or complains."""
    with tempfile.TemporaryDirectory() as tmp:
        r = run(["pdftoppm", "-r", "18", "-gray", "-singlefile", "-f", str(page), "-l", str(page),
                 str(pdf), tmp + "/p"])
        if r is None or r.returncode != 0 or b"rror" in r.stderr:
            return None
        data = open(tmp + "/p.pgm", "rb").read()
    header = data.split(maxsplit=4)   # P5 width height maxval pixels
    return int(header[1]), int(header[2]), header[4]


def draws_cleanly(pdf):
    """Whether pdftoppm draws every page of the file without an error line."""
    with tempfile.TemporaryDirectory() as tmp:
        r = run(["pdftoppm", "-r", "9", "-gray", str(pdf), tmp + "/p"])
        return r is not None and r.returncode == 0 and b"rror" not in r.stderr


def same_drawing(ref_pdf, ref_page, out, page):
    """A page without text is recovered when it renders cleanly and looks
    like the reference: same size, mean grey difference under 2%."""
    want, got = rendering(ref_pdf, ref_page), rendering(out, page)
    if want is None or got is None or want[:2] != got[:2]:
        return False
    diff = sum(abs(a - b) for a, b in zip(want[2], got[2]))
    return diff <= 0.02 * 255 * len(want[2])


class Reference:
    def __init__(self, pdf):
        self.pdf = pdf
        self.pages = page_count(pdf)
        self.texts = page_texts(pdf, self.pages)


def judge(ref, out):
    """(pages recovered, pages in output, fully recovered)."""
    if not out.exists():
        return 0, 0, False
    pages = page_count(out)
    texts = page_texts(out, pages) if pages else []
    ok = 0
    for i, want in enumerate(ref.texts):
        if i >= pages or texts[i] is None:
            continue
        if want:
            ok += texts[i] == want
        else:
            ok += not texts[i] and same_drawing(ref.pdf, i + 1, out, i + 1)
    return ok, pages, ok == ref.pages and pages == ref.pages


def length_problems(out):
    """qpdf --check lines about stream lengths in a file we wrote."""
    if not out.exists():
        return []
    r = run(["qpdf", "--check", str(out)])
    if r is None:
        return ["qpdf --check timed out"]
    lines = (r.stdout + r.stderr).decode("utf-8", "replace").splitlines()
    return [line for line in lines if LENGTH_PROBLEM.search(line)]
