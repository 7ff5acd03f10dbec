#!/usr/bin/python3
"""Damage kit: makes clean PDF sources and, deterministically from a seed,
damaged copies of them, one file per (source, kind of damage).

    bench/damage_kit.py OUT [--seed N] [--extra-sources DIR] [--all]

OUT/sources/   the clean sources: made here, plus copies of DIR/*.pdf when
               --extra-sources names a folder
OUT/refs/      intact references where the damage starts from a changed
               file (an incremental update that supersedes a page)
OUT/damaged/   <source>__<kind>[_<n>].pdf
OUT/MANIFEST.tsv  file, kind, source, reference (relative to OUT), detail

Each kind is applied to a seeded choice of sources (about 250 files in
all); --all applies every kind to every source it fits (about 480 files),
for a wider look.

Needs python3, ghostscript, groff and qpdf (bench/recovery_bench.sh installs
them). OUT must not be inside a folder of extra sources. Same seed, same
tools: same bytes.
"""
import argparse
import random
import shutil
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from kit import kinds, sources  # noqa: E402

# Files per kind: classic-only kinds, kinds for both families (classic +
# object-stream sources), object-stream-only kinds (sources reused with a
# second seed when there are fewer), and kinds made for the features source.
PER_KIND = {"classic": 7, "both": (6, 2), "objstm": 8, "features": 1}
# The source with an outline, labels, destinations and a form gets the kinds
# that cut its catalog away.
FEATURE_KINDS = ("clean", "catalog_deleted", "xref_deleted", "trailer_deleted", "truncate_95", "garbage_text")


def plan(kind, families, by_family, seed, everything=False):
    """Sources to damage for one kind, in the order to try them (the kind
    may not apply to some), and how many of each family to keep."""
    rng = random.Random("%s:%s" % (seed, kind))
    if kind == "clean" or everything:
        return [(n, 0) for f in sorted(families) for n in by_family[f]], None
    if families == kinds.BOTH:
        classic, objstm = PER_KIND["both"]
        return ([(n, 0) for n in rng.sample(by_family["classic"], len(by_family["classic"]))]
                + [(n, 0) for n in rng.sample(by_family["objstm"], len(by_family["objstm"]))]), \
            {"classic": classic, "objstm": objstm}
    family = next(iter(families))
    names = rng.sample(by_family[family], len(by_family[family]))
    # A kind can be applied twice to a source only where its damage is
    # random (object streams are few); elsewhere a second round would repeat.
    rounds = [(n, r) for r in range(2 if family == "objstm" else 1) for n in names]
    return rounds, {family: PER_KIND[family]}


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("out", type=Path)
    ap.add_argument("--seed", default="13")
    ap.add_argument("--all", action="store_true", help="every kind on every source it fits")
    ap.add_argument("--extra-sources", type=Path, help="a folder whose PDF files are damaged too, as copies")
    args = ap.parse_args()
    out = args.out.resolve()
    extra = args.extra_sources.resolve() if args.extra_sources else None
    if extra and (out == extra or extra in out.parents):
        sys.exit("refusing to write inside the extra sources: %s" % out)
    for sub in ("damaged", "refs"):
        shutil.rmtree(out / sub, ignore_errors=True)
        (out / sub).mkdir(parents=True)
    fams = sources.make_sources(out / "sources", extra, args.seed)
    by_family = {"classic": sorted(n for n, f in fams.items() if f == "classic"),
                 "objstm": sorted(n for n, f in fams.items() if f == "objstm"),
                 "features": sorted(n for n, f in fams.items() if f == "features")}
    rows = []
    for kind, families, fn in kinds.KINDS:
        order, quota = plan(kind, families, by_family, args.seed, args.all)
        kept = {f: 0 for f in ("classic", "objstm", "features")}
        if kind in FEATURE_KINDS and "features" in fams.values() and not args.all:
            order = order + [(n, 0) for n, f in sorted(fams.items()) if f == "features"]
            quota = None if quota is None else dict(quota, features=1)
        for name, round_ in order:
            family = fams[name]
            if quota is not None and kept[family] >= quota.get(family, 0):
                continue
            data = (out / "sources" / (name + ".pdf")).read_bytes()
            rng = random.Random("%s:%s:%s:%d" % (args.seed, kind, name, round_))
            try:
                result = fn(data, rng)
            except kinds.NotApplicable:
                continue
            damaged, detail = result[0], result[1]
            stem = "%s__%s%s" % (name, kind, "_%d" % (round_ + 1) if round_ else "")
            reference = "sources/%s.pdf" % name
            if len(result) == 3:
                reference = "refs/%s.pdf" % stem
                (out / reference).write_bytes(result[2])
            (out / "damaged" / (stem + ".pdf")).write_bytes(damaged)
            rows.append((stem + ".pdf", kind, name, reference, detail))
            kept[family] += 1
    with open(out / "MANIFEST.tsv", "w") as f:
        f.write("file\tkind\tsource\treference\tdetail\n")
        for row in rows:
            f.write("\t".join(row) + "\n")
    print("%d damaged files of %d kinds from %d sources in %s" % (
        len(rows), len({r[1] for r in rows}), len(fams), out / "damaged"))


if __name__ == "__main__":
    main()
