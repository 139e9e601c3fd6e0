#!/usr/bin/env bash
# What the recording's status costs: the release build of the program records from a private
# PulseAudio daemon's sine source with its status panel, the same with the panel hidden (its
# timer stopped), and arecord beside them in the same run; prints the CPU each spends per
# second of sound over the same stretch of recording, and the ratios (goals: the panel at most
# 10% more than without it; the whole recorder at most 1.5 times arecord).
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/deps build test
cmake --preset bench >/dev/null
cmake --build --preset bench --target hymnaro-recorder-driven
scripts/with-pulse python3 bench/program/status_panel.py \
  build/bench/bin/hymnaro-recorder-driven "${1:-20}"
