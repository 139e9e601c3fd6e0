#!/usr/bin/env bash
# Builds the release benchmark program and compares the CPU per second of sound of WAV, FLAC
# and Opus recordings with GStreamer's flacenc and opusenc, all recording a private PulseAudio
# daemon's sine source in real time. An argument sets the number of rounds (default 3).
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/deps build test bench
cmake --preset bench >/dev/null
cmake --build --preset bench --target hymnaro_encoder_bench
scripts/with-pulse python3 bench/encoders/encoders_vs_gstreamer.py build/bench/bin/hymnaro_encoder_bench "$@"
