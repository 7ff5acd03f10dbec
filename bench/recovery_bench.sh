#!/usr/bin/env bash
# Recovery comparison: makes the damage kit (bench/damage_kit.py) and repairs
# every damaged file with tessaly-cli (--classic and --thorough), qpdf,
# mutool clean and Ghostscript, then prints files fully recovered and pages
# recovered per kind of damage and tool, and the time per tool; then what
# each tool keeps of the features source's outline, labels and form
# (bench/feature_bench.py).
#
#   bench/recovery_bench.sh [--cli PATH] [other options of bench/recovery_bench.py]
#
# KIT_DIR (default build/recovery-kit) holds the sources, the damaged files
# and the results; SEED (default 13) picks the damage; EXTRA_SOURCES names a
# folder of further clean PDF files to damage as well. Without --cli the
# release command line is built in build/release first.
set -euo pipefail
cd "$(dirname "$0")/.."
kit=${KIT_DIR:-build/recovery-kit}
seed=${SEED:-13}

missing=()
# groff-base alone has groff but not its PDF device (gropdf).
for pair in python3:python3 qpdf:qpdf pdfinfo:poppler-utils mutool:mupdf-tools gs:ghostscript gropdf:groff; do
  [ -x "/usr/bin/${pair%%:*}" ] || missing+=("${pair#*:}")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [[ " $* " != *" --cli"* ]]; then
  cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DTESSALY_BUILD_TESTS=OFF -DTESSALY_BUILD_BENCH=OFF >/dev/null
  cmake --build build/release -j2 --target tessaly-cli >/dev/null
fi

/usr/bin/python3 bench/damage_kit.py "$kit" --seed "$seed" ${EXTRA_SOURCES:+--extra-sources "$EXTRA_SOURCES"}
/usr/bin/python3 bench/recovery_bench.py "$kit" "$@"
cli=build/release/cli/tessaly-cli
args=("$@")
for i in "${!args[@]}"; do
  [ "${args[$i]}" = "--cli" ] && cli=${args[$((i + 1))]}
done
/usr/bin/python3 bench/feature_bench.py "$kit" --cli "$cli" --match h_features
