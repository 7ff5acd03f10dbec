#!/usr/bin/env bash
# Saves a PNG of every page of the main window into docs/screenshots/, drawn
# by the real window under a virtual X display. The repair page shows the log
# of a repair of the bundled sample, the batch page a batch over copies of it;
# every option is at its default.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/screenshots
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSALY_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target gui_screenshots -j2
mkdir -p docs/screenshots
# 96 dots per inch: the size the window's fixed pixel layout is made for.
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" \
  "$build/tests/gui/gui_screenshots" docs/screenshots samples/damaged-sample.pdf
ls docs/screenshots
