#!/usr/bin/env bash
# Several files, two at a time: a status per file, the summary, the log
# lines prefixed with their source, and the exit status.
set -u
cli=$1 corpus=$2
source "$(dirname "$0")/common.sh"

mkdir in out
for name in gs_text8__length_wrong h_crlf_flate_nested__truncate_50 groff_short__xref_deleted; do
  cp "$corpus/$name.pdf" in/
done
printf '%%PDF-1.4\nno objects here\n' > in/empty.pdf

out=$("$cli" -j 2 -d out in/*.pdf 2>err.txt); status=$?
[ $status -eq 1 ] || fail "batch with a failure: exit $status"
for name in gs_text8__length_wrong h_crlf_flate_nested__truncate_50 groff_short__xref_deleted; do
  grep -qxF "[完成] in/$name.pdf -> out/${name}_fixed.pdf" <<<"$out" || fail "status of $name: $out"
  [ -s "out/${name}_fixed.pdf" ] || fail "out/${name}_fixed.pdf missing"
  grep -qxF "in/$name.pdf: 读取并解析来源文件..." err.txt || fail "log of $name not prefixed"
done
grep -qxF "[失败] in/empty.pdf -> out/empty_fixed.pdf" <<<"$out" || fail "status of empty.pdf: $out"
[ ! -e out/empty_fixed.pdf ] || fail "a failed repair left its destination"
[ "$(tail -n 1 <<<"$out")" = "已修复 3 个文件" ] || fail "summary: $out"

# Not a terminal: no progress lines, nothing drawn in place.
! grep -q $'\r\|\e' err.txt || fail "progress written to a file"

# Default destinations beside the sources; all repaired gives 0.
rm in/empty.pdf
"$cli" -q --jobs=2 in/*.pdf; status=$?
[ $status -eq 0 ] || fail "batch: exit $status"
[ "$(ls in/*_fixed.pdf | wc -l)" -eq 3 ] || fail "default destinations: $(ls in)"
[ -z "$(temporaries)" ] || fail "temporary file left: $(temporaries)"
# The extension is what follows the last "." after the last "/".
mkdir old.files
cp in/gs_text8__length_wrong.pdf old.files/scan
cp in/gs_text8__length_wrong.pdf a.tar.gz
out=$("$cli" old.files/scan a.tar.gz 2>&1); status=$?
[ $status -eq 0 ] && [ -s old.files/scan_fixed ] && [ -s a.tar_fixed.gz ] ||
  fail "default names: exit $status: $(ls . old.files)"

# Quiet: nothing at all when everything goes well.
out=$("$cli" -q -f -j 2 old.files/scan a.tar.gz 2>&1); status=$?
[ $status -eq 0 ] && [ -z "$out" ] || fail "quiet: exit $status: $out"
finish "cli batch"
