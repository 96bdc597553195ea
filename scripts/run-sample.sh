#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and runs the program's main job on a bundled sample.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh sample
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRAKOR_BUILD_TESTS=OFF -DTRAKOR_BUILD_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)"
bash scripts/sample-job.sh build

# The desktop program: started when there is a display to show it on.
ui="build/bin/Trakor3"
if [ -x "$ui" ]; then
  if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    echo "Starting the desktop program: $ui"
    exec "$ui"
  fi
  echo "No display found (neither DISPLAY nor WAYLAND_DISPLAY is set)."
  echo "Start the desktop program on a desktop with:  $ui"
  echo "Add the argument C to open the clipboard menu at once."
fi
