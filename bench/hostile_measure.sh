#!/usr/bin/env bash
# Measures the hostile kit's full-size cases with tessaly-cli in both modes:
# seconds, peak memory, output bytes against the bound of 8 times the
# source plus 1 MB.
#     bench/hostile_measure.sh [BUILD_DIR] [OUT]
# With KEEP set, the files already in OUT are measured as they are.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/test}
out=${2:-build/hostile}
[ -n "${KEEP:-}" ] || /usr/bin/python3 bench/hostile_kit.py "$out"
printf '%-32s %-10s %8s %10s %12s %12s %s\n' case mode seconds peak_kb source output within
for file in "$out"/hostile-*.pdf; do
  size=$(stat -c %s "$file")
  for mode in --classic --thorough; do
    result="$out/result${mode}.pdf"
    rm -f "$result"
    /usr/bin/time -f '%e %M' -o "$out/time" "$build/cli/tessaly-cli" -q -f "$mode" -o "$result" "$file" \
      >/dev/null 2>"$out/stderr" || true
    read -r seconds peak <"$out/time"
    written=$(stat -c %s "$result" 2>/dev/null || echo 0)
    bound=$((8 * size + 1048576))
    within=$([ "$written" -le "$bound" ] && echo yes || echo NO)
    printf '%-32s %-10s %8s %10s %12s %12s %s\n' "$(basename "$file" .pdf)" "$mode" "$seconds" "$peak" "$size" \
      "$written" "$within"
  done
done
