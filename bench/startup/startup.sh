#!/usr/bin/env bash
# Builds the release benchmark programs and times the recorder's start to an exposed main
# window against a bare Qt Widgets window of the same size, beside a private PulseAudio daemon
# (as on a desktop, the sound server answers). An argument sets the number of starts each.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/deps build test bench
cmake --preset bench >/dev/null
cmake --build --preset bench --target hymnaro-recorder-startup hymnaro_bare_window
scripts/with-pulse python3 bench/startup/startup.py build/bench/bin "$@"
