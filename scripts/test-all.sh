#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: once in a normal build and
# once with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)

cmake -S . -B build-tests -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-tests -j"$jobs"
(cd build-tests && ctest -j"$jobs" --output-on-failure --timeout 900)

# The same tests under the sanitizers (no desktop program: Qt's own code is not what we check).
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTRAKOR_SANITIZE=ON -DTRAKOR_BUILD_UI=OFF \
  -DTRAKOR_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j"$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest -j"$jobs" --output-on-failure --timeout 1800)

# The Debian package from the test build: installed layout, desktop entry, file types, dependencies.
bash scripts/test-package.sh build-tests
