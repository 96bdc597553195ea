#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-builds the engine and trakor3-cli for arm64, then runs the kept real-file conversions with
# that program under qemu-user: the outputs must be the very bytes of the native build's.
# Usage: cross-arm64.sh [native build folder with cli_tests]   (default: build-tests)
set -euo pipefail
cd "$(dirname "$0")/.."
native="${1:-build-tests}"
jobs=$(nproc)
for tool in aarch64-linux-gnu-g++ qemu-aarch64; do
  command -v "$tool" >/dev/null || { echo "cross-arm64: $tool missing (scripts/install-deps.sh)" >&2; exit 2; }
done
mkdir -p build-arm64
if ! cmake -S . -B build-arm64 -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON \
    -DTRAKOR_BUILD_TESTS=OFF -DTRAKOR_BUILD_BENCH=OFF -DTRAKOR_BUILD_UI=OFF >build-arm64/configure.log 2>&1; then
  cat build-arm64/configure.log >&2
  exit 1
fi
cmake --build build-arm64 -j"$jobs" --target trakor_platform trakor_core trakor_gdb trakor_convert \
  trakor_import trakor_export trakor_course trakor_clipboard trakor_app trakor3-cli
file build-arm64/bin/trakor3-cli | grep -q 'ARM aarch64' || { echo "cross-arm64: not an arm64 program" >&2; exit 1; }
# The native test of the kept outputs, its program run by the emulator.
TRAKOR_CLI_UNDER_TEST="qemu-aarch64 $PWD/build-arm64/bin/trakor3-cli" \
  "$native/cli_tests" --gtest_filter='KeptOutputs.*' --gtest_brief=1
