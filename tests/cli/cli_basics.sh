#!/usr/bin/env bash
# Exit statuses and error texts of tessaly-cli for missing sources and for a
# destination that is the source itself.
set -u
cli=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

err=$("$cli" -o out.pdf missing.pdf 2>&1 >/dev/null); status=$?
[ $status -eq 1 ] || fail "missing source: exit $status"
grep -qF "错误 1: 不能打开文件进行修复。missing.pdf 未找到。" <<<"$err" || fail "missing source text: $err"
[ ! -e out.pdf ] || fail "missing source created the destination"

printf '%%PDF-1.4\n1 0 obj\n<< /Type /Catalog >>\nendobj\n' > a.pdf
before=$(sha256sum < a.pdf)
expected="错误 4: 不能创建文件。在访问 a.pdf 时发生分配妨碍。"
err=$("$cli" -o a.pdf a.pdf 2>&1 >/dev/null); status=$?
[ $status -eq 1 ] || fail "same file: exit $status"
grep -qF "$expected" <<<"$err" || fail "same file text: $err"
ln -s a.pdf link.pdf; ln a.pdf hard.pdf; mkdir sub
for dest in link.pdf hard.pdf "$work/a.pdf" sub/../a.pdf; do
  err=$("$cli" -f -o "$dest" a.pdf 2>&1 >/dev/null); status=$?
  [ $status -eq 1 ] || fail "same file as $dest: exit $status"
  grep -qF "发生分配妨碍" <<<"$err" || fail "same file as $dest: $err"
done
[ "$(sha256sum < a.pdf)" = "$before" ] || fail "the source was changed"

"$cli" >/dev/null 2>&1; status=$?
[ $status -eq 2 ] || fail "no arguments: exit $status"

if [ $failures -eq 0 ]; then echo "cli basics: all passed"; fi
exit $((failures > 0))
