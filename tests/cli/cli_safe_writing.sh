#!/usr/bin/env bash
# Exit statuses, and what a repair does to the destination: a failed run
# leaves an existing destination as it was and no temporary file behind.
set -u
cli=$1 corpus=$2
source "$(dirname "$0")/common.sh"

"$cli" --help >/dev/null; [ $? -eq 0 ] || fail "--help"
[ "$("$cli" --version)" = "tessaly-cli 1.0.0.0" ] || fail "--version: $("$cli" --version)"
for usage in "-o" "--jobs 0 a.pdf" "--pdf-version 1.7 a.pdf" "-x a.pdf" "-o x.pdf a.pdf b.pdf"; do
  # shellcheck disable=SC2086
  "$cli" $usage >/dev/null 2>&1; status=$?
  [ $status -eq 2 ] || fail "usage error '$usage': exit $status"
done

cp "$corpus/gs_text8__length_wrong.pdf" good.pdf
"$cli" good.pdf >/dev/null 2>&1; status=$?
[ $status -eq 0 ] && [ -s good_fixed.pdf ] || fail "repair: exit $status"
qpdf --check good_fixed.pdf >/dev/null 2>&1; qstatus=$?
# 3: warnings only; anything else is an error, or no qpdf at all.
[ $qstatus -eq 0 ] || [ $qstatus -eq 3 ] || fail "qpdf --check of the repaired file: exit $qstatus"
[ "$(head -c 8 good_fixed.pdf)" = "%PDF-1.4" ] || fail "default version"

# Nothing complete in the source: the engine answers 0.
printf '%%PDF-1.4\nno objects here\n' > empty.pdf
echo "older contents" > empty_fixed.pdf
err=$("$cli" -f empty.pdf 2>&1 >/dev/null); status=$?
[ $status -eq 1 ] || fail "failed repair: exit $status"
[ "$(cat empty_fixed.pdf)" = "older contents" ] || fail "failed repair touched the destination"
[ -z "$(temporaries)" ] || fail "temporary file left: $(temporaries)"

# An existing destination needs --force.
echo "older contents" > good_fixed.pdf
err=$("$cli" good.pdf 2>&1 >/dev/null); status=$?
[ $status -eq 1 ] || fail "existing destination: exit $status"
grep -qF "目标文件“good_fixed.pdf”已经存在" <<<"$err" || fail "existing destination text: $err"
[ "$(cat good_fixed.pdf)" = "older contents" ] || fail "existing destination replaced"
"$cli" -q -f --pdf-version 1.6 good.pdf; status=$?
# The source's header (1.7) is out of range: the version option decides.
[ $status -eq 0 ] && [ "$(head -c 8 good_fixed.pdf)" = "%PDF-1.6" ] || fail "--force: exit $status"

# A destination folder that does not exist: refused with the engine's text.
err=$("$cli" -o nowhere/out.pdf good.pdf 2>&1 >/dev/null); status=$?
[ $status -eq 1 ] || fail "missing folder: exit $status"
grep -qF "错误 4: 不能创建文件。nowhere/out.pdf 未找到。" <<<"$err" || fail "missing folder text: $err"

# Two runs into one destination at once: exactly one of them writes it.
for _ in 1 2 3; do
  rm -f race.pdf
  "$cli" -q -o race.pdf good.pdf 2>/dev/null & first=$!
  "$cli" -q -o race.pdf good.pdf 2>/dev/null & second=$!
  wait $first; first=$?
  wait $second; second=$?
  [ $((first + second)) -eq 1 ] || fail "two runs into race.pdf: exits $first and $second"
done

[ -z "$(temporaries)" ] || fail "temporary file left: $(temporaries)"
finish "cli safe writing"
