#!/usr/bin/python3
"""Feature bench: repairs the files of a damage kit folder (made by
bench/damage_kit.py) with tessaly-cli (thorough and --classic), qpdf,
mutool clean and Ghostscript, and counts with qpdf --json what each output
keeps of the document's features: outline items at every level, page-label
ranges, form fields, and pages. Prints the sums per kind of damage and tool
and the files where some other tool keeps more than thorough mode.

    bench/feature_bench.py KIT [--cli build/test/cli/tessaly-cli]
                           [--match h_features] [--tools a,b,...]

Only files whose name contains --match are repaired (all by default).
"""
import argparse
import csv
import json
import subprocess
import sys
import tempfile
from collections import defaultdict
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from recovery_bench import commands  # noqa: E402

FACTS = ("outline", "labels", "fields", "pages")


def count_outlines(items):
    return sum(1 + count_outlines(item.get("kids", [])) for item in items)


def qpdf_json(path, key):
    """qpdf --json's answer for one key, or None: each key alone, since
    qpdf's view of a form stops on some files whose outline it reads."""
    done = subprocess.run(["qpdf", "--json", "--json-key=" + key, str(path)], capture_output=True, timeout=300)
    text = done.stdout.decode("utf-8", "replace")
    try:
        return json.loads(text[text.index("{"):]).get(key)
    except ValueError:
        return None


def features(path):
    """What qpdf --json sees in the file (0 where it reads nothing)."""
    if not path.is_file():
        return dict.fromkeys(FACTS, 0)
    outlines, labels = qpdf_json(path, "outlines"), qpdf_json(path, "pagelabels")
    form, pages = qpdf_json(path, "acroform"), qpdf_json(path, "pages")
    return {"outline": count_outlines(outlines or []), "labels": len(labels or []),
            "fields": len((form or {}).get("fields", [])), "pages": len(pages or [])}


def main():
    root = Path(__file__).resolve().parents[1]
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("kit", type=Path)
    ap.add_argument("--cli", default=str(root / "build/test/cli/tessaly-cli"))
    ap.add_argument("--match", default="")
    ap.add_argument("--tools", default="thorough,default,qpdf,mutool,gs")
    args = ap.parse_args()
    tools = args.tools.split(",")
    cmds = commands(args.cli)
    rows = [r for r in csv.DictReader(open(args.kit / "MANIFEST.tsv"), delimiter="\t") if args.match in r["file"]]
    sums = defaultdict(lambda: defaultdict(lambda: dict.fromkeys(FACTS, 0)))
    counts, behind = defaultdict(int), []
    with tempfile.TemporaryDirectory() as tmp:
        for row in rows:
            src = args.kit / "damaged" / row["file"]
            counts[row["kind"]] += 1
            seen = {}
            for tool in tools:
                out = Path(tmp) / ("%s.pdf" % tool)
                out.unlink(missing_ok=True)
                try:
                    subprocess.run(cmds[tool](str(src), str(out)), capture_output=True, timeout=120)
                except subprocess.TimeoutExpired:
                    pass
                seen[tool] = features(out)
                for fact in FACTS:
                    sums[row["kind"]][tool][fact] += seen[tool][fact]
            if "thorough" in tools:
                for fact in FACTS:
                    best = max(seen[t][fact] for t in tools)
                    if seen["thorough"][fact] < best:
                        behind.append("%s %s: %s" % (row["file"], fact,
                                                     " ".join("%s %d" % (t, seen[t][fact]) for t in tools)))
    kinds = sorted(counts, key=lambda k: (k == "clean", k))
    width = max([len(k) for k in kinds] + [len("all damaged")])
    print("outline items / label ranges / form fields / pages kept")
    print("%-*s %4s  " % (width, "kind", "n") + "".join("%-16s" % t for t in tools))
    total = defaultdict(lambda: dict.fromkeys(FACTS, 0))
    for kind in kinds:
        line = "%-*s %4d  " % (width, kind, counts[kind])
        for tool in tools:
            s = sums[kind][tool]
            line += "%-16s" % "/".join(str(s[f]) for f in FACTS)
            if kind != "clean":
                for f in FACTS:
                    total[tool][f] += s[f]
        print(line)
    print("%-*s %4d  " % (width, "all damaged", sum(counts[k] for k in kinds if k != "clean"))
          + "".join("%-16s" % "/".join(str(total[t][f]) for f in FACTS) for t in tools))
    print("\nwhere another tool keeps more than thorough")
    for line in behind:
        print("  " + line)


if __name__ == "__main__":
    main()
