#!/usr/bin/env bash
# Builds the release benchmark program and compares the capture chain with arecord:
# unpaced from the file-plugin fixture, then CPU per second of sound from a private
# PulseAudio daemon's sine source.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/deps build test
cmake --preset bench >/dev/null
cmake --build --preset bench --target hymnaro_capture_bench
scripts/with-pulse python3 bench/media/capture_vs_arecord.py build/bench/bin/hymnaro_capture_bench both
