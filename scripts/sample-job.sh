#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The program's main job on a bundled sample, with the programs built in the given folder:
# the hand-made sample ride (GPX) becomes a MapSource GDB file and a TCX course.
set -euo pipefail
build=${1:-build}
cli="$build/bin/trakor3-cli"
if [ ! -x "$cli" ]; then
  echo "trakor3-cli was not built in $build" >&2
  exit 1
fi
here="$(cd "$(dirname "$0")/.." && pwd)"
out="$build/sample-output"
mkdir -p "$out"
echo "== Set-up of this run"
"$cli" --show-setup
echo "== Sample ride to GDB (option 0)"
"$cli" --option 0 "$here/samples/sample-route.gpx" -o "$out/sample-route.gdb"
ls -l "$out/sample-route.gdb"
echo "== Sample ride to a TCX course (option 0)"
"$cli" --option 0 "$here/samples/sample-route.gpx" -o "$out/sample-route.tcx"
ls -l "$out/sample-route.tcx"
