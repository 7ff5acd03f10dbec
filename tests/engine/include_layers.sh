#!/usr/bin/env bash
# The engine's rooms, from the bottom up: a source includes only its own
# room and those below it.
set -euo pipefail
engine=${1:?engine folder}
rooms=(base io model decode security parser rebuild writer core)
failures=0
for ((level = 0; level < ${#rooms[@]}; ++level)); do
  room=${rooms[level]}
  for ((above = level + 1; above < ${#rooms[@]}; ++above)); do
    if grep -Hn "^#include \"${rooms[above]}/" "$engine/$room"/* 2>/dev/null; then
      echo "  ^ $room includes ${rooms[above]}, a room above it"
      failures=$((failures + 1))
    fi
  done
done
[ "$failures" -eq 0 ] && echo "every include of the engine points down"
exit $((failures > 0))
