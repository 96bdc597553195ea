#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs trakor3-cli and gpsbabel side by side on the same work, with `cat` of each input as the
# floor, and prints median wall and process times, peak memory and ratios.
# Usage: bench/compare.sh [build folder] [runs]   (default: build, 7; needs gpsbabel and python3)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$here/build}" && pwd)"
runs="${2:-7}"
cli="$build/bin/trakor3-cli"
[ -x "$cli" ] || { echo "no trakor3-cli in $build" >&2; exit 1; }
command -v gpsbabel >/dev/null || { echo "gpsbabel is not installed" >&2; exit 1; }
work="$build/bench-compare"
mkdir -p "$work"
cd "$work"
[ -f ride200k-4.gpx ] && [ -f batch/ride1999.gpx ] || { rm -rf batch; python3 "$here/bench/make_inputs.py" .; }
# The same ride in the other input formats, written by gpsbabel.
[ -f ride100k.tcx ] || gpsbabel -i gpx -f ride100k.gpx -o gtrnctr -F ride100k.tcx
[ -f ride100k.fit ] || gpsbabel -i gpx -f ride100k.gpx -o garmin_fit -F ride100k.fit
[ -f ride100k.kml ] || gpsbabel -i gpx -f ride100k.gpx -o kml,points=0,labels=0 -F ride100k.kml
[ -f ride100k.nmea ] || gpsbabel -i gpx -f ride100k.gpx -o nmea -F ride100k.nmea
# The GDB input of 50 tracks of 2000 points. gpsbabel writes it: it reads only GDB files whose
# creator is MapSource, not the new files this program makes (creator Trakor3).
[ -f tracks50-mapsource.gdb ] || gpsbabel -i gpx -f tracks50.gpx -o gdb,ver=3 -F tracks50-mapsource.gdb
ini="$work/bench.ini"   # a settings file of its own, so the user's settings stay untouched
rm -f "$ini"; : >"$ini"
opts=(--ini "$ini" --set "Removal Distance=0" --set "Filtertype=1" --cancel)
cp_opts=(--set "Course Points=1" --set "Turn Warnings=1")

m() { python3 "$here/bench/measure.py" "$1" -- "${@:2}"; }
printf "%-46s %22s %22s %22s %9s %9s\n" "work (median of $runs; wall / process ms, peak MiB)" \
  "trakor3-cli" "gpsbabel" "cat (floor)" "vs peer" "vs floor"
row() {  # label, our figures, peer figures or "-", floor figures or "-"
  awk -v l="$1" -v a="$2" -v b="$3" -v c="$4" 'BEGIN {
    split(a, x, " "); n = split(b, y, " "); k = split(c, z, " ")
    fa = sprintf("%7.1f / %7.1f %5.1f", x[1], x[2], x[3] / 1024)
    fb = n > 1 ? sprintf("%7.1f / %7.1f %5.1f", y[1], y[2], y[3] / 1024) : "-"
    fc = k > 1 ? sprintf("%7.1f / %7.1f %5.1f", z[1], z[2], z[3] / 1024) : "-"
    rp = n > 1 && x[1] > 0 ? sprintf("%8.1fx", y[1] / x[1]) : "-"
    rf = k > 1 && z[1] > 0 ? sprintf("%8.1fx", x[1] / z[1]) : "-"
    printf "%-46s %22s %22s %22s %9s %9s\n", l, fa, fb, fc, rp, rf }'
}

as_gdb="$(m "$runs" "$cli" "${opts[@]}" --option 0 ride100k.gpx -o out-plain.gdb)"
row "100000-point GPX to GDB" "$as_gdb" \
  "$(m "$runs" gpsbabel -i gpx -f ride100k.gpx -o gdb,ver=3 -F gb-plain.gdb)" "$(m "$runs" cat ride100k.gpx)"
# The GPX writer's budget is 1.5x the GDB run: here the GDB run stands in the floor column.
row "same GPX to GPX (floor: our GDB run)" "$(m "$runs" "$cli" "${opts[@]}" --option 0 ride100k.gpx -o out-plain.gpx)" \
  "$(m "$runs" gpsbabel -i gpx -f ride100k.gpx -o gpx -F gb-plain.gpx)" "$as_gdb"
row "same GPX to TCX course" "$(m "$runs" "$cli" "${opts[@]}" --option 0 ride100k.gpx -o out-course.tcx)" \
  "$(m "$runs" gpsbabel -i gpx -f ride100k.gpx -o gtrnctr,course=1 -F gb-course.tcx)" "-"
row "same, course points and turn warnings" \
  "$(m "$runs" "$cli" "${opts[@]}" "${cp_opts[@]}" --option 0 ride100k.gpx -o out-course-cp.tcx)" \
  "$(m "$runs" gpsbabel -i gpx -f ride100k.gpx -o gtrnctr,course=1 -F gb-course.tcx)" "-"
row "200000-point GPX in 4 tracks to GDB" "$(m "$runs" "$cli" "${opts[@]}" --option 0 ride200k-4.gpx -o out-4.gdb)" \
  "$(m "$runs" gpsbabel -i gpx -f ride200k-4.gpx -o gdb,ver=3 -F gb-4.gdb)" "$(m "$runs" cat ride200k-4.gpx)"
for t in tcx fit kml nmea; do
  row "100000-point ${t^^} to GDB" "$(m "$runs" "$cli" "${opts[@]}" --option 0 ride100k.$t -o out-$t.gdb)" "-" \
    "$(m "$runs" cat ride100k.$t)"
done
files=(batch/*.gpx)
fargs=()
for f in "${files[@]}"; do fargs+=(-f "$f"); done
row "batch of ${#files[@]} GPX files into one GDB" "$(m 3 "$cli" "${opts[@]}" --option 0 "${files[@]}" -o out-batch.gdb)" \
  "$(m 3 gpsbabel -i gpx "${fargs[@]}" -o gdb,ver=3 -F gb-batch.gdb)" "$(m 3 cat "${files[@]}")"

# The thinning and track conversions (the peer's simplify is slow: one run each).
row "100000-point GPX thinned to 500 points" "$(m 5 "$cli" "${opts[@]}" --option 24 --filter 500 ride100k.gpx -o out-thin.gdb)" \
  "$(m 1 gpsbabel -i gpx -f ride100k.gpx -x simplify,count=500 -o gdb,ver=3 -F gb-thin.gdb)" "-"
row "GDB 50 x 2000 points, tracks stay tracks" \
  "$(m 5 "$cli" "${opts[@]}" --option 24 --no-filter --no-split tracks50-mapsource.gdb -o out-gdb-plain.gdb)" \
  "$(m 3 gpsbabel -i gdb -f tracks50-mapsource.gdb -o gdb,ver=3 -F gb-gdb-plain.gdb)" "$(m 5 cat tracks50-mapsource.gdb)"
row "GDB 50 x 2000 points, thinned to 500 a track" \
  "$(m 5 "$cli" "${opts[@]}" --option 24 --filter 500 --no-split tracks50-mapsource.gdb -o out-gdb-thin.gdb)" \
  "$(m 1 gpsbabel -i gdb -f tracks50-mapsource.gdb -x simplify,count=500 -o gdb,ver=3 -F gb-gdb-thin.gdb)" "-"
if [ "${BENCH_SLOW:-0}" = 1 ]; then  # the peer needs minutes for this one
  row "GDB 50 x 2000 points, tracks to routes" \
    "$(m 3 "$cli" "${opts[@]}" --option 21 --no-filter --no-split tracks50-mapsource.gdb -o out-gdb-route.gdb)" \
    "$(m 1 gpsbabel -i gdb -f tracks50-mapsource.gdb -x transform,rte=trk,del -o gdb,ver=3 -F gb-gdb-route.gdb)" "-"
fi
