#!/usr/bin/python3
"""Recovery bench: repairs every file of a damage kit folder (made by
bench/damage_kit.py) with tessaly-cli in classic (--classic) and thorough mode, qpdf,
mutool clean and Ghostscript, judges each output against the clean
reference (kit/judge.py: same-position page text, no extra pages, and for
content syntax faults no error line from pdftoppm) and prints,
per kind of damage and overall, the files fully recovered and the pages
recovered per tool, the total repair time per tool, and what to look at:
kinds where thorough mode trails the best other tool, and any crash,
timeout or qpdf --check stream-length line in our outputs.

    bench/recovery_bench.py KIT [--cli build/release/cli/tessaly-cli]
                            [--timeout 60] [--repeat 3] [--tools a,b,...] [--reprint]

Times are the best of --repeat runs of each repair (the judging is not
timed). Results per file go to KIT/results/results.tsv, outputs to
KIT/results/<tool>/. bench/recovery_bench.sh sets everything up.
"""
import argparse
import csv
import subprocess
import sys
import time
from collections import defaultdict
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from kit import judge, kinds  # noqa: E402

ACCEPTED = {"qpdf": {0, 3}}   # qpdf exits 3 when it wrote a file with warnings


def commands(cli):
    gs = ["gs", "-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=pdfwrite"]
    return {
        "default": lambda i, o: [cli, "--classic", "-q", "-f", "-o", o, i],
        "thorough": lambda i, o: [cli, "--thorough", "-q", "-f", "-o", o, i],
        "qpdf": lambda i, o: ["qpdf", "--decode-level=none", i, o],
        "mutool": lambda i, o: ["mutool", "clean", i, o],
        "gs": lambda i, o: gs + ["-sOutputFile=" + o, i],
    }


def repair(cmd, out, timeout, repeat):
    """(status, best wall time): ok, failed (exit code), crash (signal) or timeout."""
    best, status = None, "ok"
    for _ in range(repeat):
        out.unlink(missing_ok=True)
        start = time.perf_counter()
        try:
            r = subprocess.run(cmd, capture_output=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            return "timeout", float(timeout)
        took = time.perf_counter() - start
        best = took if best is None else min(best, took)
        if r.returncode < 0:
            return "crash (signal %d)" % -r.returncode, best
        status = "ok" if r.returncode in ACCEPTED.get(cmd[0], {0}) else "exit %d" % r.returncode
    return status, best


def bench(kit, tools, cli, timeout, repeat):
    rows = list(csv.DictReader(open(kit / "MANIFEST.tsv"), delimiter="\t"))
    refs, results = {}, []
    cmds = commands(cli)
    for tool in tools:
        (kit / "results" / tool).mkdir(parents=True, exist_ok=True)
    for n, row in enumerate(rows, 1):
        src = kit / "damaged" / row["file"]
        ref = refs.setdefault(row["reference"], judge.Reference(kit / row["reference"]))
        for tool in tools:
            out = kit / "results" / tool / row["file"]
            status, took = repair(cmds[tool](str(src), str(out)), out, timeout, repeat)
            ok, pages, full = judge.judge(ref, out)
            if full and row["kind"] in kinds.DRAWN_WITHOUT_ERRORS:
                full = judge.draws_cleanly(out)
            problems = judge.length_problems(out) if tool in ("default", "thorough") else []
            results.append(dict(file=row["file"], kind=row["kind"], tool=tool, status=status, time=took,
                                ref_pages=ref.pages, out_pages=pages, pages_ok=ok, full=full,
                                length_problems=" | ".join(problems)))
        if sys.stderr.isatty():
            print("\r%d/%d" % (n, len(rows)), end="", file=sys.stderr, flush=True)
    if sys.stderr.isatty():
        print(file=sys.stderr)
    return results


def read_tsv(path):
    results = list(csv.DictReader(open(path), delimiter="\t"))
    for r in results:
        r.update(time=float(r["time"]), ref_pages=int(r["ref_pages"]), out_pages=int(r["out_pages"]),
                 pages_ok=int(r["pages_ok"]), full=r["full"] == "True")
    return results


def write_tsv(results, path):
    with open(path, "w", newline="") as f:
        w = csv.DictWriter(f, fieldnames=list(results[0]), delimiter="\t")
        w.writeheader()
        w.writerows(results)


def pct(a, b):
    return "%3.0f%%" % (100.0 * a / b) if b else "   -"


def tables(results, tools):
    by = defaultdict(lambda: defaultdict(list))
    for r in results:
        by[r["kind"]][r["tool"]].append(r)
    kinds = sorted(by, key=lambda k: (k == "clean", k))
    width = max(len(k) for k in kinds + ["all damaged (no clean)"])
    for title, cell in (("files fully recovered", lambda rs: (sum(r["full"] for r in rs), len(rs))),
                        ("pages recovered", lambda rs: (sum(r["pages_ok"] for r in rs), sum(r["ref_pages"] for r in rs)))):
        print("\n%s" % title)
        print("%-*s %4s  " % (width, "kind", "n") + "".join("%-15s" % t for t in tools))
        total = defaultdict(lambda: [0, 0])
        for kind in kinds:
            line = "%-*s %4d  " % (width, kind, len(by[kind][tools[0]]))
            for tool in tools:
                a, b = cell(by[kind][tool])
                line += "%-15s" % ("%d/%d %s" % (a, b, pct(a, b)))
                if kind != "clean":
                    total[tool][0] += a
                    total[tool][1] += b
            print(line)
        n = sum(len(by[k][tools[0]]) for k in kinds if k != "clean")
        print("%-*s %4d  " % (width, "all damaged (no clean)", n)
              + "".join("%-15s" % ("%d/%d %s" % (a, b, pct(a, b))) for a, b in (total[t] for t in tools)))
    return by, kinds


def summary(results, tools, by, kinds):
    files = defaultdict(dict)
    for r in results:
        files[r["file"]][r["tool"]] = r
    damaged = [t for t in files.values() if t[tools[0]]["kind"] != "clean"]
    print("best of all tools per damaged file (what some tool shows can be recovered): %d/%d files, %d/%d pages" % (
        sum(any(t[x]["full"] for x in tools) for t in damaged), len(damaged),
        sum(max(t[x]["pages_ok"] for x in tools) for t in damaged), sum(t[tools[0]]["ref_pages"] for t in damaged)))
    print("\ntotal repair time (s, best of runs per file)")
    times = {t: sum(r["time"] for r in results if r["tool"] == t) for t in tools}
    print("  " + "  ".join("%s %.2f" % (t, times[t]) for t in tools))
    if times.get("default"):
        print("  thorough / default: %.2f" % (times.get("thorough", 0) / times["default"]))
    if "thorough" in tools:
        print("\nkinds where thorough fully recovers fewer files than the best other tool")
        for kind in kinds:
            full = {t: sum(r["full"] for r in by[kind][t]) for t in tools}
            best = max(full[t] for t in tools if t != "thorough")
            if full["thorough"] < best:
                leaders = [t for t in tools if t != "thorough" and full[t] == best]
                wins = sorted({r["file"] for t in leaders for r in by[kind][t] if r["full"]}
                               - {r["file"] for r in by[kind]["thorough"] if r["full"]})
                print("  %s: thorough %d, %s %d; files: %s" % (kind, full["thorough"], "/".join(leaders), best, " ".join(wins)))
        print("\nfiles where another tool recovers more pages than thorough (pages recovered/pages in output)")
        for name, t in sorted(files.items()):
            if max(t[x]["pages_ok"] for x in tools) > t["thorough"]["pages_ok"]:
                print("  %s (%d pages): %s" % (name, t["thorough"]["ref_pages"], " ".join(
                    "%s %d/%d" % (x, t[x]["pages_ok"], t[x]["out_pages"]) for x in tools)))
    print("\nour outputs: crashes, timeouts, failures and qpdf --check stream-length lines")
    for r in results:
        if r["tool"] in ("default", "thorough") and (r["status"] != "ok" or r["length_problems"]):
            print("  %s %s: %s %s" % (r["tool"], r["file"], r["status"], r["length_problems"]))


def main():
    root = Path(__file__).resolve().parents[1]
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("kit", type=Path)
    ap.add_argument("--cli", default=str(root / "build/release/cli/tessaly-cli"))
    ap.add_argument("--timeout", type=float, default=60)
    ap.add_argument("--repeat", type=int, default=3)
    ap.add_argument("--tools", default="default,thorough,qpdf,mutool,gs")
    ap.add_argument("--reprint", action="store_true", help="print the tables of the last run again")
    args = ap.parse_args()
    tools = args.tools.split(",")
    saved = args.kit / "results" / "results.tsv"
    if args.reprint:
        results = read_tsv(saved)
    else:
        results = bench(args.kit.resolve(), tools, args.cli, args.timeout, args.repeat)
        write_tsv(results, saved)
    by, kinds = tables(results, tools)
    summary(results, tools, by, kinds)


if __name__ == "__main__":
    main()
