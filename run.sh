#!/usr/bin/env bash
# Sets everything up, builds the release and repairs SOURCE (default: the
# bundled damaged sample) into DESTINATION, printing the repair log.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DTESSALY_BUILD_TESTS=OFF -DTESSALY_BUILD_BENCH=OFF >/dev/null
cmake --build build/release

source_file=${1:-samples/damaged-sample.pdf}
destination=${2:-build/release/damaged-sample_fixed.pdf}
echo "Repairing $source_file -> $destination"
status=0
# -f: running again replaces the previous result.
build/release/cli/tessaly-cli -f -o "$destination" "$source_file" || status=$?
if [ $status -eq 0 ] && command -v pdfinfo >/dev/null; then
  pages=$(pdfinfo "$destination" 2>/dev/null | sed -n 's/^Pages: *//p')
  echo "Repaired file: $destination (${pages:-?} pages)"
fi
exit $status
