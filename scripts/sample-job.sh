#!/usr/bin/env bash
# The program's main job on a bundled sample, with the programs built in the given folder.
set -euo pipefail
build=${1:-build}
cli="$build/src/cli/trakor3-cli"
if [ ! -x "$cli" ]; then
  echo "trakor3-cli was not built in $build" >&2
  exit 1
fi
"$cli" --show-setup
