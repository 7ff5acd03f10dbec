#!/usr/bin/env bash
# The repair mode options, and passwords: where they are read from, what is
# refused before any repair starts, and that a password is never shown.
# With qpdf, real encrypted files are repaired with and without a password.
set -u
cli=$1 corpus=$2
source "$(dirname "$0")/common.sh"

cp "$corpus/gs_text12__endobj_removed.pdf" a.pdf
export SOURCE_DATE_EPOCH=1700000000  # the same dates in every output

# The plain command is the thorough repair; of two mode options the last counts.
"$cli" -q -o plain.pdf a.pdf && "$cli" -q --thorough -o thorough.pdf a.pdf &&
  "$cli" -q --classic -o classic.pdf a.pdf &&
  "$cli" -q --classic --thorough -o last_thorough.pdf a.pdf &&
  "$cli" -q --thorough --classic -o last_classic.pdf a.pdf || fail "a mode run failed"
cmp -s plain.pdf thorough.pdf || fail "the plain command is not the thorough repair"
cmp -s classic.pdf thorough.pdf && fail "--classic gave the thorough output"
cmp -s last_thorough.pdf thorough.pdf || fail "--classic --thorough is not thorough"
cmp -s last_classic.pdf classic.pdf || fail "--thorough --classic is not classic"

help=$("$cli" --help)
for text in "--classic" "--password-file 文件" "其他用户能在进程列表" "默认进行深度修复"; do
  grep -qF -- "$text" <<<"$help" || fail "help lacks $text"
done

# refused EXPECTED ARGS...: exit 2 with the text, before any repair.
refused() {
  local expected=$1 err status
  shift
  err=$(timeout 10 "$@" -o out.pdf a.pdf 2>&1 </dev/null); status=$?
  [ $status -eq 2 ] || fail "$*: exit $status: $err"
  grep -qF -- "$expected" <<<"$err" || fail "$*: $err"
  ! grep -qF "读取并解析" <<<"$err" || fail "$*: a repair started"
  [ ! -e out.pdf ] && [ -z "$(temporaries)" ] || fail "$*: something was written"
}
mkdir folder
mkfifo fifo
: > empty.txt
printf '\r\nsecond line\n' > blank_first_line.txt
head -c 128 /dev/zero | tr '\0' 'p' > long.txt
refused "密码文件“missing.txt”不存在" "$cli" --password-file missing.txt
refused "密码文件“folder”是一个文件夹" "$cli" --password-file folder
refused "密码文件“fifo”不是普通文件" "$cli" --password-file fifo
refused "密码文件“/dev/zero”不是普通文件" "$cli" --password-file /dev/zero
refused "密码文件“empty.txt”的第一行是空的" "$cli" --password-file empty.txt
refused "密码文件“blank_first_line.txt”的第一行是空的" "$cli" --password-file blank_first_line.txt
refused "密码文件“标准输入”的第一行是空的" "$cli" --password-file -
refused "密码超过 127 个字节" "$cli" --password-file long.txt
refused "密码超过 127 个字节" "$cli" --password "$(cat long.txt)"
refused "选项“--password”的参数不能为空" "$cli" --password ""
refused "选项“--password-file”的参数不能为空" "$cli" --password-file=
refused "--password 和 --password-file 不能同时使用" "$cli" --password x --password-file long.txt

# Passwords of any bytes up to 127, NUL included, with LF or CR LF; an
# unencrypted source repairs as always and the password is never printed.
printf 'se\0cr\377t\r\nnext\n' > nul.txt
head -c 127 /dev/zero | tr '\0' 'p' > longest.txt
{ cat longest.txt; printf '\r\n'; } > longest_crlf.txt
for file in nul.txt longest.txt longest_crlf.txt; do
  out=$("$cli" -f --password-file "$file" -o out.pdf a.pdf 2>&1); status=$?
  [ $status -eq 0 ] || fail "--password-file $file: exit $status: $out"
done
out=$(printf 'hunter2\n' | "$cli" -f --password-file - -o out.pdf a.pdf 2>&1); status=$?
[ $status -eq 0 ] || fail "--password-file -: exit $status: $out"
out=$("$cli" -f --password hunter2 -o out.pdf a.pdf 2>&1); status=$?
[ $status -eq 0 ] && ! grep -qF hunter2 <<<"$out" || fail "--password: exit $status: $out"
rm -f out.pdf

if ! command -v qpdf >/dev/null; then
  echo "qpdf missing: encrypted sources not checked"
  finish "cli password"
fi

# encrypted NAME USER OWNER BITS: a copy of the sample, encrypted by qpdf.
encrypted() { qpdf --allow-weak-crypto --encrypt "$2" "$3" "$4" -- "$corpus/h_incremental__clean.pdf" "$1"; }
encrypted aes256.pdf 'user pw' 'owner pw' 256
encrypted rc4.pdf $'\xe9t\xe9' owner 128
printf 'user pw\n' > user.txt
printf 'owner pw\r\n' > owner.txt
printf 'wrong\n' > wrong.txt
printf '\xe9t\xe9\n' > latin1.txt
for case in "aes256 user.txt user pw" "aes256 owner.txt user pw" "rc4 latin1.txt "$'\xe9t\xe9'; do
  read -r name file password <<<"$case"
  out=$("$cli" -f --password-file "$file" -o "$name.out.pdf" "$name.pdf" 2>&1); status=$?
  [ $status -eq 0 ] || fail "$name with $file: exit $status: $out"
  qpdf --password="$password" --check "$name.out.pdf" >/dev/null 2>&1 || fail "$name with $file: unreadable"
  ! grep -qF -- "$password" <<<"$out" || fail "$name with $file: the password was printed"
done
# One password for every file that asks, in workers side by side.
mkdir batch
cp aes256.pdf batch/one.pdf; cp aes256.pdf batch/two.pdf; cp "$corpus/h_incremental__clean.pdf" batch/open.pdf
out=$("$cli" -j 2 --password-file user.txt batch/*.pdf 2>&1); status=$?
[ $status -eq 0 ] || fail "batch with a password: exit $status: $out"
for name in one two; do
  qpdf --password='user pw' --check "batch/${name}_fixed.pdf" >/dev/null 2>&1 || fail "batch: $name unreadable"
done
for mode in --classic --thorough; do
  for args in "" "--password-file wrong.txt"; do
    # shellcheck disable=SC2086
    out=$("$cli" $mode $args -o none.pdf aes256.pdf 2>err.txt); status=$?
    [ $status -eq 1 ] || fail "$mode '$args': exit $status"
    grep -qxF "修复文件“aes256.pdf”失败!" <<<"$out" && [ -s err.txt ] || fail "$mode '$args': $out $(cat err.txt)"
    [ ! -e none.pdf ] && [ -z "$(temporaries)" ] || fail "$mode '$args': a destination was left"
    ! grep -qF "wrong" err.txt || fail "$mode '$args': the password was printed"
  done
done
finish "cli password"
