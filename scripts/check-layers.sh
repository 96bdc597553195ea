#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks every include between the folders of src/ against src/layers.txt: a source may include
# headers of its own folder and of the folders its line names. Prints file:line of every other
# include and exits 1. Tests (src/<folder>/tests) are not checked: they may reach any layer.
# Usage: check-layers.sh [source root]   (default: the src/ folder beside this script)
set -euo pipefail
src="${1:-$(cd "$(dirname "$0")/../src" && pwd)}"
table="$src/layers.txt"
[ -f "$table" ] || { echo "check-layers: no table $table" >&2; exit 2; }

declare -A allowed
order=()
status=0
lineno=0
while IFS= read -r line || [ -n "$line" ]; do
  lineno=$((lineno + 1))
  line="${line%%#*}"
  [[ "$line" =~ ^[[:space:]]*$ ]] && continue
  if [[ ! "$line" =~ ^[[:space:]]*([a-z_0-9]+):(.*)$ ]]; then
    echo "$table:$lineno: not a 'folder: folders' line" >&2; exit 2
  fi
  folder="${BASH_REMATCH[1]}"
  deps=" "
  for dep in ${BASH_REMATCH[2]}; do
    # Only folders on earlier lines: the table itself cannot hold a cycle.
    if [ -z "${allowed[$dep]+x}" ]; then
      echo "$table:$lineno: $folder names $dep, which is not on a line above" >&2
      status=1
    fi
    deps+="$dep "
  done
  allowed[$folder]="$deps"
  order+=("$folder")
done < "$table"

# Every folder of src/ with sources must have its line, so a new folder cannot slip past.
for dir in "$src"/*/; do
  name="$(basename "$dir")"
  compgen -G "$dir*.cpp" >/dev/null || compgen -G "$dir*.h" >/dev/null || continue
  if [ -z "${allowed[$name]+x}" ]; then
    echo "$table: folder $name has no line" >&2
    status=1
  fi
done

for folder in "${order[@]}"; do
  shopt -s nullglob
  files=("$src/$folder"/*.cpp "$src/$folder"/*.h)
  shopt -u nullglob
  [ ${#files[@]} -eq 0 ] && continue
  # file:line:#include "target/..." for every quoted include.
  while IFS= read -r hit; do
    file="${hit%%:*}"
    rest="${hit#*:}"
    num="${rest%%:*}"
    target="$(sed -E 's/^[^"]*"([^"]*)".*$/\1/' <<<"${rest#*:}")"
    if [[ "$target" != */* ]]; then
      # A bare name must be a header of the same folder.
      [ -f "$src/$folder/$target" ] && continue
      echo "${file#"$src"/}:$num: include \"$target\" names no folder" >&2
      status=1
      continue
    fi
    dep="${target%%/*}"
    [ "$dep" = "$folder" ] && continue
    if [[ "${allowed[$folder]}" != *" $dep "* ]]; then
      echo "${file#"$src"/}:$num: $folder may not include \"$target\" (see src/layers.txt)" >&2
      status=1
    fi
  done < <(grep -Hn -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "${files[@]}" || true)
done
exit $status
