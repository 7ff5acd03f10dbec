#!/usr/bin/env bash
# Speed and memory side by side: tessaly-cli against mutool clean and qpdf on
# files this script makes itself (stream-heavy, object-heavy, 2,000 object
# streams), thorough against default mode, and the desktop program against
# the command line. Every figure is a median of RUNS runs (5 by default), the
# commands of one comparison taken in turn so that a busy machine slows all
# of them alike; results are ratios, since absolute times vary from machine
# to machine. Peak memory is the kernel's maximum resident set size.
# `--large` adds the >4 GiB sparse source and the 1 GB word (minutes, and a
# few GB of disk and memory).
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
# TESSALY_CLI measures another build of the command line against the same files.
cli=${TESSALY_CLI:-build/bench/cli/tessaly-cli}
work=${BENCH_DIR:-/tmp/tessaly-bench-files}
mkdir -p "$work"
[ -f "$work/stream-heavy.pdf" ] || build/bench/bench/bench_files stream "$work/stream-heavy.pdf" 60
[ -f "$work/images.pdf" ] || build/bench/bench/bench_files images "$work/images.pdf" 40
[ -f "$work/object-heavy.pdf" ] || build/bench/bench/bench_files objects "$work/object-heavy.pdf" 200000
[ -f "$work/object-streams.pdf" ] || build/bench/bench/bench_files objstm "$work/object-streams.pdf" 2000

median() { sort -g | sed -n "$(( (runs + 1) / 2 ))p"; }

# The command line of each name, on the current source file.
source_file=""
command_for() {
  case $1 in
    tessaly) argv=("$cli" -q -f --classic -o "$work/out-t.pdf" "$source_file") ;;
    thorough) argv=("$cli" -q -f --thorough -o "$work/out-h.pdf" "$source_file") ;;
    mutool) argv=(mutool clean "$source_file" "$work/out-m.pdf") ;;
    qpdf) argv=(qpdf "$source_file" "$work/out-q.pdf") ;;
  esac
}

# compare NAME... runs each named command once per round, in turn, and sets
# T[name] (median wall, s) and M[name] (median peak, KB).
declare -A T M
compare() {
  local names=("$@") name round
  for name in "${names[@]}"; do : >"$work/$name.times"; done
  for round in $(seq "$runs"); do
    for name in "${names[@]}"; do
      command_for "$name"
      # Every command writes a new file, as a user's first repair does, on a
      # disk with nothing pending: freeing an earlier output, and writing out
      # what an earlier command left unwritten, is no part of any tool's time.
      rm -f "$work"/out-?.pdf
      sync
      # Wall time to the microsecond here; the kernel's peak from time(1).
      local start=$EPOCHREALTIME
      /usr/bin/time -f "%M" -o "$work/time.txt" "${argv[@]}" >/dev/null 2>&1 || true
      local end=$EPOCHREALTIME
      echo "$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }') $(tail -n 1 "$work/time.txt")" \
        >>"$work/$name.times"
    done
  done
  for name in "${names[@]}"; do
    T[$name]=$(cut -d' ' -f1 "$work/$name.times" | median)
    M[$name]=$(cut -d' ' -f2 "$work/$name.times" | median)
  done
}

# verdict VALUE LIMIT at-most|at-least
verdict() {
  awk -v v="$1" -v l="$2" -v how="$3" 'BEGIN {
    ok = (how == "at-most") ? v <= l : v >= l
    print ok ? "met" : "NOT MET"
  }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
line() { printf '  %-44s %8s   target %-8s %s\n' "$1" "$2" "$3" "$4"; }
megabytes() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }

header() {
  local name=$1 file=$2
  source_file=$file
  echo
  echo "$name ($(awk -v b="$(stat -c %s "$file")" 'BEGIN { printf "%.1f", b / 1e6 }') MB)"
}

times_line() {
  local out="  medians:" name
  for name in "$@"; do
    out+=$(printf ' %s %.3f s / %s MB;' "$name" "${T[$name]}" "$(megabytes "${M[$name]}")")
  done
  echo "${out%;}"
}

thorough_line() {
  local r
  r=$(ratio "${T[thorough]}" "${T[tessaly]}")
  line "thorough / default wall" "${r}x" "<= 1.3x" "$(verdict "$r" 1.3 at-most)"
}

echo "== medians of $runs runs, taken in turn; ratios are tessaly-cli against the peer"

header stream-heavy "$work/stream-heavy.pdf"
compare tessaly mutool qpdf thorough
times_line tessaly thorough mutool qpdf
r=$(ratio "${T[tessaly]}" "${T[mutool]}")
line "wall against mutool clean" "${r}x" "<= 1.0x" "$(verdict "$r" 1 at-most)"
r=$(ratio "${T[qpdf]}" "${T[tessaly]}")
line "faster than qpdf" "${r}x" ">= 5x" "$(verdict "$r" 5 at-least)"
budget=$(awk -v b="$(stat -c %s "$source_file")" 'BEGIN { printf "%.0f", (1.1 * b / 1024) + 40 * 1024 }')
r=$(ratio "${M[tessaly]}" "$budget")
line "peak against 1.1 x source + 40 MB ($(megabytes "$budget") MB)" "${r}x" "<= 1.0x" "$(verdict "$r" 1 at-most)"
line "peak (MB)" "$(megabytes "${M[tessaly]}")" "<= 16" "$(verdict "$(megabytes "${M[tessaly]}")" 16 at-most)"
thorough_line

# Memory flat in the size of the source: a peak that grows with the images
# means stream data is held in memory.
header "389 MB of images" "$work/images.pdf"
compare tessaly mutool thorough
times_line tessaly thorough mutool
r=$(ratio "${T[tessaly]}" "${T[mutool]}")
line "wall against mutool clean" "${r}x" "<= 1.0x" "$(verdict "$r" 1 at-most)"
for name in tessaly thorough; do
  line "peak of $name (MB)" "$(megabytes "${M[$name]}")" "<= 64" "$(verdict "$(megabytes "${M[$name]}")" 64 at-most)"
done

# The same images encrypted: their data is decrypted and encrypted again as
# it is copied, never held.
for cipher in "aes 256" "rc4 128"; do
  name=${cipher%% *}
  [ -f "$work/images-$name.pdf" ] || qpdf --allow-weak-crypto --encrypt "" owner ${cipher#* } -- \
    "$work/images.pdf" "$work/images-$name.pdf" 2>/dev/null || [ -f "$work/images-$name.pdf" ]
  header "389 MB of images, encrypted (${cipher})" "$work/images-$name.pdf"
  compare tessaly mutool thorough
  times_line tessaly thorough mutool
  for run in tessaly thorough; do
    line "peak of $run (MB)" "$(megabytes "${M[$run]}")" "<= 64" "$(verdict "$(megabytes "${M[$run]}")" 64 at-most)"
  done
done

header object-heavy "$work/object-heavy.pdf"
compare tessaly mutool thorough
times_line tessaly thorough mutool
r=$(ratio "${T[tessaly]}" "${T[mutool]}")
line "wall against mutool clean" "${r}x" "<= 0.3x" "$(verdict "$r" 0.3 at-most)"
r=$(ratio "${M[tessaly]}" "${M[mutool]}")
line "peak against mutool clean's" "${r}x" "<= 0.8x" "$(verdict "$r" 0.8 at-most)"
thorough_line

header "2,000 object streams" "$work/object-streams.pdf"
compare tessaly mutool thorough
times_line tessaly thorough mutool
r=$(ratio "${T[tessaly]}" "${T[mutool]}")
line "wall against mutool clean" "${r}x" "<= 1.0x" "$(verdict "$r" 1 at-most)"
thorough_line

if [ -x build/bench/bench/gui/gui_bench ]; then
  echo
  echo "desktop program against the command line (stream-heavy)"
  TESSALY_BENCH_ROUNDS=$runs build/bench/bench/gui/gui_bench "$work/stream-heavy.pdf" 2>/dev/null |
    sed -n 's/^ratio window\/cli: \([0-9.]*\).*/\1/p' | {
      read -r r || r=0
      line "window / tessaly-cli wall" "${r}x" "<= 1.05x" "$(verdict "$r" 1.05 at-most)"
    }
fi

if [ "$large" = "--large" ]; then
  echo
  build/bench/bench/bench_files word "$work/word.pdf" 1000
  /usr/bin/time -f "%e %M" -o "$work/time.txt" "$cli" -q -f -o "$work/out-w.pdf" "$work/word.pdf" >/dev/null 2>&1 || true
  read -r wt wm < <(tail -n 1 "$work/time.txt")
  echo "1 GB word: ${wt} s, peak $((wm / 1024)) MB, pages: $(pdfinfo "$work/out-w.pdf" 2>/dev/null | sed -n 's/^Pages: *//p')"
  rm -f "$work/word.pdf" "$work/out-w.pdf"
  build/bench/bench/bench_files large "$work/large.pdf"
  /usr/bin/time -f "%e %M" -o "$work/time.txt" "$cli" -q -f -o "$work/out-l.pdf" "$work/large.pdf" >/dev/null 2>&1 || true
  read -r lt lm < <(tail -n 1 "$work/time.txt")
  last=$(grep -a -o '^[0-9]\{10,\} 00000 n' "$work/out-l.pdf" | tail -n 1 | cut -d' ' -f1)
  echo "source of $(stat -c %s "$work/large.pdf") bytes: ${lt} s, peak $((lm / 1024)) MB; last offset $last" \
       "(beyond 2^32: $([ "${last:-0}" -gt 4294967296 ] && echo yes || echo no)); qpdf --check:" \
       "$(qpdf --check "$work/out-l.pdf" 2>&1 | tail -n 1)"
  rm -f "$work/large.pdf" "$work/out-l.pdf"
fi
