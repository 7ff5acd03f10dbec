#!/usr/bin/env bash
# Exit statuses and error texts of tessaly-cli for missing sources, for a
# destination that is the source itself, usage errors, names with control
# characters and a standard output that cannot be written.
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

# Usage errors name the option as written; empty destinations are refused.
while IFS='|' read -r expected args; do
  # shellcheck disable=SC2086
  err=$("$cli" $args 2>&1 >/dev/null); status=$?
  [ $status -eq 2 ] && grep -qF "$expected" <<<"$err" || fail "'$args': exit $status: $err"
done <<'CASES'
未知选项“-x”|-x a.pdf
未知选项“-x”|a.pdf -qx
未知选项“--bogus”|--bogus=1 a.pdf
选项“--force”不带参数|--force=yes a.pdf
选项“-o”需要一个参数|a.pdf -qo
选项“--output”需要一个参数|a.pdf --output
CASES
for option in -o --output= -d --output-dir=; do
  if [ "${option: -1}" = "=" ]; then set -- "$option"; else set -- "$option" ""; fi
  err=$("$cli" "$@" a.pdf 2>&1 >/dev/null); status=$?
  [ $status -eq 2 ] && grep -qF "的参数不能为空" <<<"$err" || fail "empty $option: exit $status: $err"
done

# Control characters in a name reach the terminal escaped.
name=$'bad\e]0;title\a\nname.pdf'
out=$("$cli" -o out.pdf "$name" 2>&1)
grep -qF 'bad\x1b]0;title\x07\nname.pdf' <<<"$out" || fail "name not escaped: $out"
! grep -q $'\e' <<<"$out" || fail "an escape character reached the output"

# Standard output that cannot be written fails the run.
cp a.pdf b.pdf
"$cli" -f -o b_out.pdf b.pdf >/dev/full 2>err.txt; status=$?
[ $status -eq 1 ] && grep -qF "不能写入标准输出" err.txt || fail "/dev/full: exit $status: $(cat err.txt)"
"$cli" --version >/dev/full 2>/dev/null && fail "--version to /dev/full: exit 0"

if [ $failures -eq 0 ]; then echo "cli basics: all passed"; fi
exit $((failures > 0))
