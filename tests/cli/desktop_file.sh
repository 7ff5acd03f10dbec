#!/usr/bin/env bash
# The desktop entry passes the freedesktop.org validator and says what the
# menu and the file managers need.
set -u
desktop=$1
if ! command -v desktop-file-validate >/dev/null; then
  echo "desktop-file-validate is not installed (scripts/setup.sh installs it)"
  exit 77
fi
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate hints: $out"
for line in "Exec=tessaly %f" "MimeType=application/pdf;" "Icon=tessaly" "Name=Tessaly" \
            "Name[zh_CN]=Tessaly PDF 修复" "Comment[zh_CN]=修复损坏的 PDF 文件"; do
  grep -qxF "$line" "$desktop" || fail "missing line: $line"
done
if [ $failures -eq 0 ]; then echo "desktop file: all passed"; fi
exit $((failures > 0))
