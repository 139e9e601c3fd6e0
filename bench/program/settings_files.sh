#!/usr/bin/env bash
# Starts the release build of the program with whatever may lie where its settings file
# belongs (a named pipe, a folder, a link to /dev/zero, files of a gigabyte, overlong values)
# and prints how long each start took and how much memory it took at its peak, against a
# start with an ordinary settings file; then how long a shutdown by SIGTERM takes when the
# settings cannot be saved, against one where they can.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/deps build test
cmake --preset bench >/dev/null
cmake --build --preset bench --target hymnaro-recorder-driven
scripts/with-pulse python3 bench/program/settings_files.py build/bench/bin/hymnaro-recorder-driven
