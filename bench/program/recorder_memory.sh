#!/usr/bin/env bash
# Records for two minutes (or the seconds given) from a private PulseAudio daemon's sine source
# with the release build of the program and prints its resident memory every 10 s, then the
# first and last figures and their ratio: a recorder that keeps nothing per second of sound
# stays flat (a ratio close to 1).
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/deps build test
cmake --preset bench >/dev/null
cmake --build --preset bench --target hymnaro-recorder-driven
scripts/with-pulse python3 bench/program/recorder_memory.py \
  build/bench/bin/hymnaro-recorder-driven "${1:-120}"
