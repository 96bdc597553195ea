#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a while on both cores.
# Usage: fuzz/run.sh [seconds per target] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}
shift || true
build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B $build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRAKOR_FUZZ=ON \
  -DTRAKOR_BUILD_TESTS=OFF -DTRAKOR_BUILD_BENCH=OFF -DTRAKOR_BUILD_UI=OFF >/dev/null
cmake --build $build -j"$(nproc)"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in fuzz/*_fuzz.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi
shared=../shared/corpus
mkdir -p $build/findings
for t in "${targets[@]}"; do
  kept=fuzz/corpus/$t
  work=$build/work/$t
  mkdir -p "$kept" "$work"
  seeds=("$work" "$kept")
  [ -d "$shared" ] && seeds+=("$shared")
  [ -d "fuzz/seeds/$t" ] && seeds+=("fuzz/seeds/$t")
  echo "== $t: ${seconds}s"
  "$build/fuzz/$t" -max_total_time="$seconds" -jobs=2 -workers=2 -max_len=262144 -timeout=10 -rss_limit_mb=4096 \
    -artifact_prefix=$build/findings/$t- -print_final_stats=1 "${seeds[@]}" >"$build/$t.log" 2>&1 || true
  grep -h -E "stat::number_of_executed_units|ERROR|SUMMARY" $build/$t.log fuzz-*.log 2>/dev/null | sort | uniq -c | head -20 || true
  rm -f fuzz-*.log
  # Keep a minimal corpus that covers what this run found, not the shared files themselves.
  tmp=$(mktemp -d)
  "$build/fuzz/$t" -merge=1 -max_len=262144 "$tmp" "$kept" "$work" >/dev/null 2>&1 || true
  rm -rf "$kept" && mv "$tmp" "$kept"
done
ls $build/findings
