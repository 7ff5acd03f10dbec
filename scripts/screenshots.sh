#!/usr/bin/env bash
# Saves a PNG of every page of the main window, and of the preview window,
# into docs/screenshots/, drawn by the real windows under a virtual X display.
# The repair page shows the log of a repair of the bundled sample down to its
# page count, the batch page a batch over copies of it with one failed item,
# the preview the repaired sample's pages; every option is at its default.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/screenshots
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSALY_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target gui_screenshots -j2
mkdir -p docs/screenshots
# 96 dots per inch and Qt's 9-point default font: the window at its design
# size.
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" \
  "$build/tests/gui/gui_screenshots" docs/screenshots samples/damaged-sample.pdf
ls docs/screenshots
