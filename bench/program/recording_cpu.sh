#!/usr/bin/env bash
# Records from a private PulseAudio daemon's sine source with the release build of the program
# and with arecord at the same time, and prints the recorder's CPU time and wake-ups per second
# of sound against arecord's. An argument sets the number of rounds (default 3);
# HYMNARO_BENCH_WINDOW the seconds each round measures (default 20).
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/deps build test
cmake --preset bench >/dev/null
cmake --build --preset bench --target hymnaro-recorder-driven
scripts/with-pulse python3 bench/program/recording_cpu.py \
  build/bench/bin/hymnaro-recorder-driven "${1:-3}"
