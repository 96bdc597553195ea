#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The whole check, as CI runs it: installs what is missing, then
#   1. the normal build (warnings are errors) and every test, each test limited to 120 s, and the
#      programs built as the product is (Release), warnings as errors;
#   2. the same tests under AddressSanitizer and UndefinedBehaviorSanitizer;
#   3. the fuzz targets built with clang, every kept fuzz corpus replayed once through its target
#      (a target with no kept corpus and no seeds fails the step);
#   4. the tests of the threaded parts under ThreadSanitizer (clang, so the view and the threaded
#      code are proved to build with both of Debian's compilers);
#   5. the engine and trakor3-cli cross-built for arm64 and run under qemu-user on the kept
#      real-file conversions;
#   6. the Debian package of the normal build.
# A configure log stays in its build folder (configure.log) and is printed when configuring fails.
# Usage: test-all.sh [step...]   (default: every step, 1 to 6)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)
steps=("$@")
[ ${#steps[@]} -gt 0 ] || steps=(1 2 3 4 5 6)
want() { [[ " ${steps[*]} " == *" $1 "* ]]; }

configure() {
  local dir=$1
  shift
  mkdir -p "$dir"
  if ! cmake -S . -B "$dir" -G Ninja "$@" >"$dir/configure.log" 2>&1; then
    cat "$dir/configure.log" >&2
    echo "test-all: configuring $dir failed; the log is $dir/configure.log" >&2
    return 1
  fi
}

if want 1; then
  configure build-tests -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRAKOR_WERROR=ON
  cmake --build build-tests -j"$jobs"
  (cd build-tests && ctest -j"$jobs" --output-on-failure)
  # The programs as the package and the sample build them (Release, -O3): warnings that only
  # that optimiser finds (-Wrestrict) stop CI too.
  configure build-release -DCMAKE_BUILD_TYPE=Release -DTRAKOR_WERROR=ON -DTRAKOR_BUILD_TESTS=OFF -DTRAKOR_BUILD_BENCH=OFF
  cmake --build build-release -j"$jobs"
fi

if want 2; then
  # No desktop program: Qt's own code is not what we check. Sanitized code runs slower: 300 s a test.
  configure build-asan -DCMAKE_BUILD_TYPE=Debug -DTRAKOR_SANITIZE=ON -DTRAKOR_BUILD_UI=OFF \
    -DTRAKOR_BUILD_BENCH=OFF -DTRAKOR_WERROR=ON -DTRAKOR_TEST_TIMEOUT=300
  cmake --build build-asan -j"$jobs"
  (cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest -j"$jobs" --output-on-failure)
fi

if want 3; then
  CC=clang CXX=clang++ configure build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRAKOR_FUZZ=ON \
    -DTRAKOR_BUILD_TESTS=OFF -DTRAKOR_BUILD_BENCH=OFF -DTRAKOR_BUILD_UI=OFF -DTRAKOR_WERROR=ON
  cmake --build build-fuzz -j"$jobs"
  for target in build-fuzz/fuzz/*_fuzz; do
    name=$(basename "$target")
    inputs=()
    for d in "fuzz/corpus/$name" "fuzz/seeds/$name"; do
      if [ -n "$(find "$d" -type f -print -quit 2>/dev/null)" ]; then inputs+=("$d"); fi
    done
    # A target without a kept input proves nothing here.
    if [ ${#inputs[@]} -eq 0 ]; then
      echo "test-all: $name has no kept corpus or seeds to replay (fuzz/corpus/$name, fuzz/seeds/$name)" >&2
      exit 1
    fi
    echo "== replaying ${inputs[*]}"
    # -runs=0: every input once, no new ones.
    "$target" -runs=0 -timeout=30 -rss_limit_mb=4096 "${inputs[@]}" >"build-fuzz/$name.replay.log" 2>&1 ||
      { tail -n 40 "build-fuzz/$name.replay.log" >&2; echo "test-all: $name failed on its corpus" >&2; exit 1; }
  done
fi

if want 4; then
  CC=clang CXX=clang++ configure build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRAKOR_TSAN=ON \
    -DTRAKOR_BUILD_UI=OFF -DTRAKOR_BUILD_BENCH=OFF -DTRAKOR_WERROR=ON -DTRAKOR_TEST_TIMEOUT=300
  cmake --build build-tsan -j"$jobs" --target platform_tests course_tests export_tests view_qt_tests
  # The piece pipeline and the writers that hand it pieces, write-behind, the locks, the tile loader.
  export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
  build-tsan/platform_tests --gtest_filter='PiecePipeline.*:InstanceLock.*:GuardedMapping.*' --gtest_brief=1
  build-tsan/course_tests --gtest_filter='CourseWriter.*' --gtest_brief=1
  # Not the gpsbabel comparison of every option: the same writes, minutes under the sanitizer.
  build-tsan/export_tests --gtest_filter='Gpx*:-GpxCorpusTest.EveryOptionReadsAsItsGdbResult' --gtest_brief=1
  # Qt and glib are not built with ThreadSanitizer, so it cannot see their locks: the network
  # thread of QNetworkAccessManager handing replies back shows as races inside Qt's own memory
  # and descriptors. Those calls are left out; every access of our own code is still checked.
  TSAN_OPTIONS=$TSAN_OPTIONS:ignore_noninstrumented_modules=1 QT_QPA_PLATFORM=offscreen \
    build-tsan/src/view/view_qt_tests --gtest_filter='TileLoader.*' --gtest_brief=1
fi

if want 5; then
  bash scripts/cross-arm64.sh build-tests
fi

if want 6; then
  # The Debian package from the test build: installed layout, desktop entry, file types, dependencies.
  bash scripts/test-package.sh build-tests
fi
