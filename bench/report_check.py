#!/usr/bin/python3
"""Report check: repairs every PDF file of the folders given with the
engine's report (tests/e2e/report_driver) and counts, per fact, the files
where the report disagrees with the independent judges.

    bench/report_check.py DRIVER FOLDER... [--default] [--verbose]

pages         pdfinfo's Pages of the output (0 when nothing or no page was written)
outline_items qpdf --json's outlines of the output, counted at every level
page_labels   qpdf --json's page labels of the output
encryption    qpdf --show-encryption of the output (none / kept), or of the
              source when nothing was written (not-opened)
damaged       the folder's MANIFEST.tsv kind where it has one (clean: false;
              any other kind: true), else qpdf --check of the source (intact
              only with exit 0 and no warning)
loss          an output with fewer pages than pages_claimed lists a loss
"""
import argparse
import json
import subprocess
import sys
import tempfile
from pathlib import Path


def run(cmd, stdout_only=False):
    done = subprocess.run(cmd, capture_output=True, timeout=300)
    err = "" if stdout_only else done.stderr.decode("utf-8", "replace")
    return done.returncode, done.stdout.decode("utf-8", "replace") + err


def parse_report(text):
    facts, losses = {}, []
    for line in text.splitlines():
        key, sep, value = line.partition("=")
        if not sep:
            continue
        if key == "loss":
            losses.append(value)
        else:
            facts[key] = value
    return facts, losses


def judged_pages(out):
    status, text = run(["pdfinfo", str(out)])
    for line in text.splitlines():
        if line.startswith("Pages:"):
            return int(line.split()[1])
    return 0 if "Invalid page count 0" in text or status != 0 else None


def count_outlines(items):
    return sum(1 + count_outlines(item.get("kids", [])) for item in items)


def judged_json(out):
    status, text = run(["qpdf", "--json", str(out)], stdout_only=True)
    try:
        data = json.loads(text[text.index("{"):])
    except ValueError:
        return None, None
    return count_outlines(data.get("outlines", [])), len(data.get("pagelabels", []))


def judged_encryption(out, source, written):
    if not written:
        # Nothing written: only a source that qpdf finds encrypted and cannot
        # open either is judged; anything else stands as reported.
        status, text = run(["qpdf", "--show-encryption", str(source)])
        if "File is not encrypted" in text:
            return "none"
        return "not-opened" if "password" in text else None
    status, text = run(["qpdf", "--show-encryption", str(out)])
    return "none" if "File is not encrypted" in text else "kept"


def manifest_kinds(folder):
    kinds = {}
    # The kit keeps its manifest beside its damaged/ folder.
    manifest = next((m for m in (folder / "MANIFEST.tsv", folder.parent / "MANIFEST.tsv") if m.is_file()), None)
    if manifest is None:
        return kinds
    lines = manifest.read_text(encoding="utf-8").splitlines()
    columns = lines[0].split("\t")
    for line in lines[1:]:
        row = dict(zip(columns, line.split("\t")))
        kinds[row.get("file", "")] = row.get("kind", "")
    return kinds


# Kit kinds that leave a sound file: an intact incremental update, a
# delimiter glued to a keyword.
INTACT_KINDS = {"clean", "superseded_generation", "glued_dict_stream"}


def judged_damage(source, kinds):
    kind = kinds.get(source.name)
    if kind:
        return kind not in INTACT_KINDS
    status, text = run(["qpdf", "--check", str(source)])
    return not (status == 0 and "WARNING" not in text)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("driver", type=Path)
    ap.add_argument("folders", type=Path, nargs="+")
    ap.add_argument("--default", action="store_true", help="the engine's default mode instead of thorough recovery")
    ap.add_argument("--verbose", action="store_true", help="name every disagreement")
    args = ap.parse_args()
    facts = ["pages", "outline_items", "page_labels", "encryption", "damaged", "loss"]
    wrong = {fact: [] for fact in facts}
    unjudged = {fact: 0 for fact in facts}
    files = 0
    with tempfile.TemporaryDirectory() as tmp:
        out = Path(tmp) / "out.pdf"
        for folder in args.folders:
            kinds = manifest_kinds(folder)
            for source in sorted(folder.glob("*.pdf")):
                files += 1
                out.unlink(missing_ok=True)
                status, text = run([str(args.driver), str(source), str(out)] + (["--default"] if args.default else []))
                written = status == 1 and out.is_file()
                report, losses = parse_report(text)
                if not report:
                    wrong["pages"].append((source, "no report"))
                    continue
                pages = int(report["pages"])
                seen = {}
                seen["pages"] = judged_pages(out) if written else 0
                seen["outline_items"], seen["page_labels"] = judged_json(out) if written else (0, 0)
                seen["encryption"] = judged_encryption(out, source, written)
                seen["damaged"] = judged_damage(source, kinds)
                mine = {"pages": pages, "outline_items": int(report["outline_items"]),
                        "page_labels": int(report["page_labels"]), "encryption": report["encryption"],
                        "damaged": report["damaged"] == "true"}
                if not written:  # nothing to judge but what the engine could not open
                    seen["pages"] = mine["pages"]
                    seen["outline_items"], seen["page_labels"] = mine["outline_items"], mine["page_labels"]
                for fact in facts[:-1]:
                    if seen[fact] is None:  # the judge gave no answer
                        unjudged[fact] += 1
                        continue
                    if seen[fact] != mine[fact]:
                        wrong[fact].append((source, "report %s, judge %s" % (mine[fact], seen[fact])))
                claimed = report["pages_claimed"]
                if claimed != "null" and pages < int(claimed) and not losses:
                    wrong["loss"].append((source, "%d of %s pages and no loss" % (pages, claimed)))
    print("%d files, %s mode" % (files, "default" if args.default else "thorough"))
    for fact in facts:
        print("%-14s %3d disagreeing%s" % (fact, len(wrong[fact]),
                                            ", %d the judge did not answer" % unjudged[fact] if unjudged[fact] else ""))
        if args.verbose:
            for source, why in wrong[fact]:
                print("    %s: %s" % (source, why))
    return 0


if __name__ == "__main__":
    sys.exit(main())
