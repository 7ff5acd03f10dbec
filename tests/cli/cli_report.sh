#!/usr/bin/env bash
# The report after every file: the summary line, --json as JSON Lines that
# Python parses, and --check with its exit statuses, writing no file. Page
# counts are held against pdfinfo.
set -u
cli=$1 corpus=$2
source "$(dirname "$0")/common.sh"

mkdir in
for name in groff_short__clean groff_short__xref_deleted h_crlf_flate_nested__truncate_50 h_incremental__garbage_text; do
  cp "$corpus/$name.pdf" in/
done
: > in/empty.pdf
printf 'just some text, no PDF at all\n' > in/text.pdf
pdf_pages() { pdfinfo "$1" 2>/dev/null | awk '/^Pages:/ { print $2 }'; }
# field FILE KEY: the value of KEY in the JSON line of FILE's source.
field() {
  python3 -c 'import json, sys
for line in open(sys.argv[1]):
    record = json.loads(line)
    if record["source"] == sys.argv[2]:
        value = record.get(sys.argv[3], "<absent>")
        print(json.dumps(value) if not isinstance(value, str) else value)' "$1" "$2" "$3"
}

# A repair ends with the summary line; -q hides it.
out=$("$cli" -o out.pdf in/h_crlf_flate_nested__truncate_50.pdf 2>/dev/null); status=$?
[ $status -eq 0 ] || fail "repair: exit $status"
pages=$(pdf_pages out.pdf)
[ -n "$pages" ] || fail "pdfinfo reads no pages of out.pdf"
grep -q "^结果：恢复 $pages 页" <<<"$out" || fail "summary line with $pages pages missing: $out"
out=$("$cli" -q -f -o out.pdf in/h_crlf_flate_nested__truncate_50.pdf 2>&1)
[ -z "$out" ] || fail "-q printed: $out"

# --json: one parsable line per source on standard output, also with -j 2;
# the human texts go to standard error.
mkdir json
"$cli" --json -j 2 -d json in/*.pdf > lines.jsonl 2> human.txt; status=$?
[ $status -eq 1 ] || fail "--json batch with failures: exit $status"
[ "$(wc -l < lines.jsonl)" -eq 6 ] || fail "--json lines: $(cat lines.jsonl)"
python3 -c 'import json, sys; [json.loads(line) for line in open(sys.argv[1])]' lines.jsonl ||
  fail "JSON lines do not parse"
grep -q "^\[完成\] in/groff_short__clean.pdf" human.txt || fail "statuses not on standard error"
for name in groff_short__clean groff_short__xref_deleted h_crlf_flate_nested__truncate_50 h_incremental__garbage_text; do
  source=in/$name.pdf
  [ "$(field lines.jsonl "$source" result)" = repaired ] || fail "$name: result $(field lines.jsonl "$source" result)"
  [ "$(field lines.jsonl "$source" pages)" = "$(pdf_pages "json/${name}_fixed.pdf")" ] ||
    fail "$name: pages $(field lines.jsonl "$source" pages), pdfinfo $(pdf_pages "json/${name}_fixed.pdf")"
  [ "$(field lines.jsonl "$source" mode)" = thorough ] || fail "$name: mode"
done
[ "$(field lines.jsonl in/groff_short__clean.pdf damaged)" = false ] || fail "the clean source reported damaged"
[ "$(field lines.jsonl in/groff_short__xref_deleted.pdf damaged)" = true ] ||
  fail "a source without its cross-reference table reported intact"
for name in empty text; do
  [ "$(field lines.jsonl "in/$name.pdf" result)" = failed ] || fail "$name.pdf: result"
  [ -n "$(field lines.jsonl "in/$name.pdf" error)" ] || fail "$name.pdf: no error"
done

# --check writes nothing, and its exit status sorts the sources.
before=$(ls -A in)
check() { "$cli" --check "$@" > check.txt 2>&1; echo $?; }
[ "$(check in/groff_short__clean.pdf)" = 0 ] || fail "--check intact: $(cat check.txt)"
[ "$(check in/groff_short__xref_deleted.pdf)" = 4 ] || fail "--check damaged: $(cat check.txt)"
[ "$(check in/empty.pdf)" = 1 ] || fail "--check empty: $(cat check.txt)"
[ "$(check --json in/groff_short__clean.pdf in/h_crlf_flate_nested__truncate_50.pdf)" = 4 ] || fail "--check two: $(cat check.txt)"
[ "$(check -o x.pdf in/empty.pdf)" = 2 ] || fail "--check with -o: $(cat check.txt)"
# Nothing is written, so a source named like another's destination is checked.
cp in/groff_short__clean.pdf in/groff_short__clean_fixed.pdf
[ "$(check in/groff_short__clean.pdf in/groff_short__clean_fixed.pdf)" = 0 ] || fail "--check pair: $(cat check.txt)"
rm in/groff_short__clean_fixed.pdf
[ "$before" = "$(ls -A in)" ] && [ ! -e in/groff_short__clean_fixed.pdf ] || fail "--check wrote into the folder"
[ -z "$(temporaries)" ] || fail "temporary file left: $(temporaries)"

finish "report"
