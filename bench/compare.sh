#!/usr/bin/env bash
# Runs trakor3-cli and gpsbabel side by side on the same work and prints process times and ratios.
# Usage: bench/compare.sh [build folder]   (default: build; needs gpsbabel and python3)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$here/build}" && pwd)"
cli="$build/src/cli/trakor3-cli"
[ -x "$cli" ] || { echo "no trakor3-cli in $build" >&2; exit 1; }
command -v gpsbabel >/dev/null || { echo "gpsbabel is not installed" >&2; exit 1; }
work="$build/bench-compare"
mkdir -p "$work"
cd "$work"
[ -f ride100k.gpx ] || python3 "$here/bench/make_inputs.py" .
ini="$work/bench.ini"   # a settings file of its own, so the user's settings stay untouched
rm -f "$ini"; : >"$ini"
opts=(--ini "$ini" --set "Removal Distance=0" --set "Filtertype=1" --cancel)
# The GDB input of 50 tracks of 2000 points, made by the program itself.
[ -f tracks50.gdb ] || "$cli" "${opts[@]}" --option 0 tracks50.gpx -o tracks50.gdb >/dev/null

# Best of N runs of user+system time in milliseconds.
cpu_ms() {
  local runs=$1; shift
  local best=""
  for _ in $(seq "$runs"); do
    local t
    /usr/bin/time -o "$work/time.txt" -f "%U %S" "$@" >/dev/null 2>&1 || true
    t=$(tail -1 "$work/time.txt" | awk '{printf "%d", ($1+$2)*1000}')
    if [ -z "$best" ] || [ "$t" -lt "$best" ]; then best=$t; fi
  done
  echo "$best"
}

printf "%-44s %10s %10s %8s\n" "work" "trakor3" "gpsbabel" "ratio"
row() {
  local label=$1 ours=$2 theirs=$3
  awk -v l="$label" -v a="$ours" -v b="$theirs" 'BEGIN { r = (a > 0) ? b / a : 0; printf "%-44s %8d ms %8d ms %7.1fx\n", l, a, b, r }'
}

a=$(cpu_ms 5 "$cli" "${opts[@]}" --option 0 ride100k.gpx -o out-plain.gdb)
b=$(cpu_ms 3 gpsbabel -i gpx -f ride100k.gpx -o gdb,ver=3 -F gb-plain.gdb)
row "100000-point GPX to GDB" "$a" "$b"

a=$(cpu_ms 5 "$cli" "${opts[@]}" --option 24 --filter 500 ride100k.gpx -o out-thin.gdb)
b=$(cpu_ms 1 gpsbabel -i gpx -f ride100k.gpx -x simplify,count=500 -o gdb,ver=3 -F gb-thin.gdb)
row "100000-point GPX thinned to 500 points" "$a" "$b"

for o in 21 22 23 24; do
  a=$(cpu_ms 3 "$cli" "${opts[@]}" --option $o --filter 500 tracks50.gdb -o out-$o.gdb)
  echo "GDB 50 x 2000 points, option $o: $a ms"
done

files=(batch/*.gpx)
a=$(cpu_ms 3 "$cli" "${opts[@]}" --option 0 "${files[@]}" -o out-batch.gdb)
fargs=()
for f in "${files[@]}"; do fargs+=(-f "$f"); done
b=$(cpu_ms 3 gpsbabel -i gpx "${fargs[@]}" -o gdb,ver=3 -F gb-batch.gdb)
row "batch of 500 GPX files into one GDB" "$a" "$b"
