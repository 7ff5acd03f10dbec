#!/usr/bin/env bash
# Speed and memory side by side: tessaly-cli against qpdf (and mutool) on
# damaged files this script makes itself, medians of several runs, peak
# resident memory from the kernel. `--large` adds the >4 GiB sparse source
# and the 1 GB word (minutes, and a few GB of disk and memory).
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${RUNS:-5}
large=${1:-}

./scripts/setup.sh
for tool in mutool hyperfine; do
  command -v "$tool" >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    mupdf-tools hyperfine >/dev/null
done
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSALY_BUILD_TESTS=OFF >/dev/null
cmake --build build/bench >/dev/null
cli=build/bench/cli/tessaly-cli
work=${BENCH_DIR:-/tmp/tessaly-bench-files}
mkdir -p "$work"
[ -f "$work/stream-heavy.pdf" ] || build/bench/bench/bench_files stream "$work/stream-heavy.pdf" 60
[ -f "$work/object-heavy.pdf" ] || build/bench/bench/bench_files objects "$work/object-heavy.pdf" 200000

# Median wall time (s) and median peak resident memory (KB) of a command.
measure() {
  local times=() memories=()
  for _ in $(seq "$runs"); do
    /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" >/dev/null 2>&1 || true
    read -r t m < <(tail -n 1 "$work/time.txt")
    times+=("$t"); memories+=("$m")
  done
  local mt mm
  mt=$(printf '%s\n' "${times[@]}" | sort -g | sed -n "$(( (runs + 1) / 2 ))p")
  mm=$(printf '%s\n' "${memories[@]}" | sort -g | sed -n "$(( (runs + 1) / 2 ))p")
  echo "$mt $mm"
}

report() {
  local name=$1 file=$2
  local mb
  mb=$(awk -v b="$(stat -c %s "$file")" 'BEGIN { printf "%.1f", b / 1e6 }')
  read -r tt tm < <(measure "$cli" -q -f -o "$work/out-t.pdf" "$file")
  read -r qt qm < <(measure qpdf "$file" "$work/out-q.pdf")
  read -r mt mm < <(measure mutool clean "$file" "$work/out-m.pdf")
  awk -v n="$name" -v mb="$mb" -v tt="$tt" -v tm="$tm" -v qt="$qt" -v qm="$qm" -v mt="$mt" -v mm="$mm" 'BEGIN {
    printf "%s (%s MB), medians of runs:\n", n, mb
    printf "  tessaly-cli  %6.2f s  %7.1f MB/s  peak %6.1f MB\n", tt, mb / tt, tm / 1024
    printf "  qpdf         %6.2f s  %7.1f MB/s  peak %6.1f MB\n", qt, mb / qt, qm / 1024
    printf "  mutool clean %6.2f s  %7.1f MB/s  peak %6.1f MB\n", mt, mb / mt, mm / 1024
    printf "  throughput against qpdf: %.1fx; peak against mutool: %.2fx; peak %.1f MB against 1.3 x source + 40 MB = %.1f MB\n",
           qt / tt, tm / mm, tm / 1024, 1.3 * mb + 40
  }'
}

echo "== targets: stream-heavy >= 250 MB/s, >= 5x qpdf, peak <= 1.3 x source + 40 MB;"
echo "==          object-heavy >= 5x qpdf, peak <= 1.5 x mutool; window <= 1.15 x command line"
report stream-heavy "$work/stream-heavy.pdf"
report object-heavy "$work/object-heavy.pdf"
if [ -x build/bench/bench/gui/gui_bench ]; then
  build/bench/bench/gui/gui_bench "$work/stream-heavy.pdf" 2>/dev/null | tail -n 3
fi

if [ "$large" = "--large" ]; then
  build/bench/bench/bench_files word "$work/word.pdf" 1000
  read -r wt wm < <(RUNS=1 measure "$cli" -q -f -o "$work/out-w.pdf" "$work/word.pdf")
  echo "1 GB word: ${wt} s, peak $((wm / 1024)) MB, pages: $(pdfinfo "$work/out-w.pdf" 2>/dev/null | sed -n 's/^Pages: *//p')"
  rm -f "$work/word.pdf" "$work/out-w.pdf"
  build/bench/bench/bench_files large "$work/large.pdf"
  read -r lt lm < <(RUNS=1 measure "$cli" -q -f -o "$work/out-l.pdf" "$work/large.pdf")
  last=$(grep -a -o '^[0-9]\{10,\} 00000 n' "$work/out-l.pdf" | tail -n 1 | cut -d' ' -f1)
  echo "source of $(stat -c %s "$work/large.pdf") bytes: ${lt} s, peak $((lm / 1024)) MB; last offset $last" \
       "(beyond 2^32: $([ "${last:-0}" -gt 4294967296 ] && echo yes || echo no)); qpdf --check:" \
       "$(qpdf --check "$work/out-l.pdf" 2>&1 | tail -n 1)"
  rm -f "$work/large.pdf" "$work/out-l.pdf"
fi
