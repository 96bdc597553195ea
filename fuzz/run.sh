#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the fuzz targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer) and runs each
# for a while, as many targets at once as there are cores (FUZZ_PARALLEL overrides), then keeps a
# merged corpus per target under fuzz/corpus and prints executions and findings per target.
# The working corpora (everything a run found) stay in fuzz/work, outside git; the kept corpora are
# a libFuzzer merge (-merge=1) of them and the kept corpora, together at most 8 MB.
# Usage: fuzz/run.sh [seconds per target, 0: only merge the corpora again] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}
shift || true
build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B $build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRAKOR_FUZZ=ON \
  -DTRAKOR_BUILD_TESTS=OFF -DTRAKOR_BUILD_BENCH=OFF -DTRAKOR_BUILD_UI=OFF >/dev/null
cmake --build $build -j2
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in fuzz/*_fuzz.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi
shared=../shared/corpus
# Largest input that is kept for its hit counts alone (see runTarget).
smallMax=${FUZZ_SMALL_MAX:-8192}
mkdir -p $build/findings

# The shared files of the type a target reads. Reader targets take the option from the first
# byte, so their seeds get one (option 11) in front; the others see the files through links.
sharedSeeds() {
  local t=$1 exts="" prefix=0
  case $t in
    gpx_reader_fuzz) exts="gpx"; prefix=1 ;;
    tcx_reader_fuzz) exts="tcx crs"; prefix=1 ;;
    fit_reader_fuzz) exts="fit"; prefix=1 ;;
    kml_reader_fuzz) exts="kml"; prefix=1 ;;
    itn_reader_fuzz) exts="itn"; prefix=1 ;;
    nmea_reader_fuzz) exts="nmea nma log"; prefix=1 ;;
    gdb_import_reader_fuzz|via_points_fuzz|gdb_pass_fuzz) exts="gdb"; prefix=1 ;;
    kmz_fuzz) exts="kmz" ;;
    garmin_device_fuzz)
      # The description files of the shared device folders.
      local d=$build/seeds/$t
      rm -rf "$d" && mkdir -p "$d"
      for f in ../shared/devices/*/*/GarminDevice.xml; do
        [ -f "$f" ] && ln -s "$(realpath "$f")" "$d/$(basename "$(dirname "$(dirname "$f")")").xml"
      done
      echo "$d"; return ;;
    # Without the shared files beside the clone a target runs on its own seeds.
    *) if [ -d "$shared" ]; then echo "$shared"; fi; return 0 ;;
  esac
  [ -d "$shared" ] || return 0
  local dir=$build/seeds/$t
  rm -rf "$dir" && mkdir -p "$dir"
  for e in $exts; do
    for f in "$shared"/*."$e"; do
      [ -f "$f" ] || continue
      if [ $prefix = 1 ]; then { printf '\001'; cat "$f"; } >"$dir/$(basename "$f")"
      else ln -s "$(realpath "$f")" "$dir/$(basename "$f")"; fi
    done
  done
  echo "$dir"
}
# Removes kept inputs that are a shared file as it stands or behind one option byte.
dropSharedCopies() {
  [ -d "$shared" ] || return 0
  local sums f
  sums=$(for f in "$shared"/*; do sha1sum <"$f"; tail -c +2 "$f" | sha1sum; done | cut -d' ' -f1)
  for f in "$1"/*; do
    [ -f "$f" ] || continue
    if grep -qx "$(sha1sum <"$f" | cut -d' ' -f1)" <<<"$sums" ||
       grep -qx "$(tail -c +2 "$f" | sha1sum | cut -d' ' -f1)" <<<"$sums"; then rm -f "$f"; fi
  done
}

# One target: fuzz, then keep a minimal corpus that covers what this run found (not the shared
# files themselves), and write one summary line.
runTarget() {
  local t=$1 kept=fuzz/corpus/$1 work=fuzz/work/$1 seedDir tmp small all
  mkdir -p "$kept" "$work"
  local seeds=("$work" "$kept")
  seedDir=$(sharedSeeds "$t")
  [ -n "$seedDir" ] && seeds+=("$seedDir")
  [ -d "fuzz/seeds/$t" ] && seeds+=("fuzz/seeds/$t")
  rm -f $build/findings/"$t"-*
  : >"$build/$t.log"
  if [ "$seconds" -gt 0 ]; then
    "$build/fuzz/$t" -max_total_time="$seconds" -max_len=262144 -timeout=10 -rss_limit_mb=4096 \
      -artifact_prefix=$build/findings/$t- -print_final_stats=1 "${seeds[@]}" >"$build/$t.log" 2>&1 || true
  fi
  # The kept corpus: first, of the inputs up to 32 KB, those that reach code that smaller ones do
  # not (edges only, without hit counts); then the inputs up to $smallMax bytes that add hit counts
  # too. Larger inputs are mostly the shared files with a few bytes changed, which come back as
  # seeds anyway. The merge takes the smallest inputs first.
  all=$(mktemp -d)
  small=$(mktemp -d)
  tmp=$(mktemp -d)
  find "$kept" "$work" -type f -size -32769c -exec cp -t "$all" {} + 2>/dev/null || true
  dropSharedCopies "$all"
  find "$all" -type f -size -$((smallMax + 1))c -exec cp -t "$small" {} +
  local merge=("$build/fuzz/$t" -merge=1 -max_len=262144 -timeout=10 -rss_limit_mb=4096)
  { "${merge[@]}" -use_counters=0 "$tmp" "$all" && "${merge[@]}" "$tmp" "$small"; } >"$build/$t.merge.log" 2>&1 || true
  rm -rf "$all" "$small"
  rm -rf "$kept" && mv "$tmp" "$kept" && chmod 755 "$kept"
  local runs findings
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/$t.log" | tail -n 1)
  findings=$(find $build/findings -name "$t-*" | wc -l)
  printf '%-26s %10s executions in %ss, %s findings, %s corpus files\n' "$t" "${runs:-?}" "$seconds" \
    "$findings" "$(find "$kept" -type f | wc -l)" | tee "$build/$t.summary"
  grep -h -E "^(==[0-9]+==ERROR|SUMMARY)" "$build/$t.log" | head -n 5 || true
}

parallel=${FUZZ_PARALLEL:-$(nproc)}
for t in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do wait -n || true; done
  echo "== $t: ${seconds}s"
  runTarget "$t" &
done
wait
echo "== summary"
for t in "${targets[@]}"; do cat "$build/$t.summary"; done | tee $build/summary.txt
total=$(find fuzz/corpus -type f -printf '%s\n' | awk '{s += $1} END {print s + 0}')
echo "kept corpora: $total bytes"
[ "$total" -le $((8 * 1024 * 1024)) ] || echo "warning: the kept corpora exceed 8 MB"
ls $build/findings
