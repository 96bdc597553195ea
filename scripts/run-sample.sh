#!/usr/bin/env bash
# Installs what is missing, builds, and runs the program's main job on a bundled sample.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRAKOR_BUILD_TESTS=OFF -DTRAKOR_BUILD_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)"
exec bash scripts/sample-job.sh build
