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
# The GDB input of 50 tracks of 2000 points. gpsbabel writes it: it reads only GDB files whose
# creator is MapSource, not the new files this program makes (creator Trakor3).
[ -f tracks50-mapsource.gdb ] || gpsbabel -i gpx -f tracks50.gpx -o gdb,ver=3 -F tracks50-mapsource.gdb

# Best of N runs of user+system time in milliseconds, from the kernel's accounting of the child
# (finer than the 10 ms steps of time(1)).
cpu_ms() {
  local runs=$1; shift
  python3 - "$runs" "$@" <<'PY'
import resource, subprocess, sys
best = None
for _ in range(int(sys.argv[1])):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    subprocess.run(sys.argv[2:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    t = (after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime) * 1000
    best = t if best is None else min(best, t)
print(f"{best:.1f}")
PY
}

printf "%-44s %10s %10s %8s\n" "work" "trakor3" "gpsbabel" "ratio"
row() {
  local label=$1 ours=$2 theirs=$3
  awk -v l="$label" -v a="$ours" -v b="$theirs" 'BEGIN { r = (a > 0) ? b / a : 0; printf "%-44s %8.1f ms %8.1f ms %7.1fx\n", l, a, b, r }'
}

a=$(cpu_ms 5 "$cli" "${opts[@]}" --option 0 ride100k.gpx -o out-plain.gdb)
b=$(cpu_ms 3 gpsbabel -i gpx -f ride100k.gpx -o gdb,ver=3 -F gb-plain.gdb)
row "100000-point GPX to GDB" "$a" "$b"
gdb_ms=$a
a=$(cpu_ms 5 "$cli" "${opts[@]}" --option 0 ride100k.gpx -o out-plain.gpx)
b=$(cpu_ms 3 gpsbabel -i gpx -f ride100k.gpx -o gpx -F gb-plain.gpx)
row "100000-point GPX to GPX" "$a" "$b"
awk -v a="$a" -v g="$gdb_ms" 'BEGIN { printf "  GPX output takes %.2fx the time of GDB output (budget 1.5x)\n", a / g }'

a=$(cpu_ms 5 "$cli" "${opts[@]}" --option 24 --filter 500 ride100k.gpx -o out-thin.gdb)
b=$(cpu_ms 1 gpsbabel -i gpx -f ride100k.gpx -x simplify,count=500 -o gdb,ver=3 -F gb-thin.gdb)
row "100000-point GPX thinned to 500 points" "$a" "$b"

# The GDB of 50 tracks: copied as it is (option 24 without thinning), thinned to 500 points a track,
# and turned into routes; then the other track options on their own.
a=$(cpu_ms 5 "$cli" "${opts[@]}" --option 24 --no-filter --no-split tracks50-mapsource.gdb -o out-gdb-plain.gdb)
b=$(cpu_ms 3 gpsbabel -i gdb -f tracks50-mapsource.gdb -o gdb,ver=3 -F gb-gdb-plain.gdb)
row "GDB 50 x 2000 points, tracks stay tracks" "$a" "$b"
a=$(cpu_ms 5 "$cli" "${opts[@]}" --option 24 --filter 500 --no-split tracks50-mapsource.gdb -o out-gdb-thin.gdb)
b=$(cpu_ms 1 gpsbabel -i gdb -f tracks50-mapsource.gdb -x simplify,count=500 -o gdb,ver=3 -F gb-gdb-thin.gdb)
row "GDB 50 x 2000 points, thinned to 500 a track" "$a" "$b"
a=$(cpu_ms 5 "$cli" "${opts[@]}" --option 21 --no-filter --no-split tracks50-mapsource.gdb -o out-gdb-route.gdb)
b=$(cpu_ms 1 gpsbabel -i gdb -f tracks50-mapsource.gdb -x transform,rte=trk,del -o gdb,ver=3 -F gb-gdb-route.gdb)
row "GDB 50 x 2000 points, tracks to routes" "$a" "$b"
for o in 22 23; do
  a=$(cpu_ms 3 "$cli" "${opts[@]}" --option $o --no-filter --no-split tracks50-mapsource.gdb -o out-$o.gdb)
  printf "%-44s %8.1f ms\n" "GDB 50 x 2000 points, option $o" "$a"
done

files=(batch/*.gpx)
a=$(cpu_ms 3 "$cli" "${opts[@]}" --option 0 "${files[@]}" -o out-batch.gdb)
fargs=()
for f in "${files[@]}"; do fargs+=(-f "$f"); done
b=$(cpu_ms 3 gpsbabel -i gpx "${fargs[@]}" -o gdb,ver=3 -F gb-batch.gdb)
row "batch of 500 GPX files into one GDB" "$a" "$b"
