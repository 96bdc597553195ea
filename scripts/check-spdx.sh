#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every source file names its licence in its first line (a script's after its #! line):
#   // SPDX-License-Identifier: GPL-3.0-or-later     (C++, JavaScript)
#   # SPDX-License-Identifier: GPL-3.0-or-later      (CMake, shell)
# The fixtures of the checks' own tests are left as they are: their line numbers are what they test.
# Usage: check-spdx.sh [--fix]   (--fix adds the line where it is missing)
set -uo pipefail
cd "$(dirname "$0")/.."
fix=no
[ "${1:-}" = --fix ] && fix=yes
tag="SPDX-License-Identifier: GPL-3.0-or-later"
missing=0
while IFS= read -r -d '' file; do
  case $file in
    *.cpp | *.h | *.mjs | *.js) line="// $tag" ;;
    *) line="# $tag" ;;
  esac
  at=1
  head -n 1 "$file" | grep -q '^#!' && at=2
  [ "$(sed -n "${at}p" "$file")" = "$line" ] && continue
  if [ "$fix" = yes ]; then
    if [ "$at" = 2 ]; then sed -i "1a $line" "$file"; else sed -i "1i $line" "$file"; fi
  else
    echo "$file:$at: not \"$line\""
    missing=$((missing + 1))
  fi
done < <(find src fuzz bench scripts cmake docs data CMakeLists.txt \
           \( -path scripts/layers-fixture -o -path scripts/function-length-fixture -o -path fuzz/corpus \
              -o -path fuzz/seeds \) -prune -o \
           -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.mjs' -o -name '*.js' -o -name '*.sh' \
                      -o -name CMakeLists.txt -o -name '*.cmake' \) -print0)
[ "$missing" -eq 0 ] || { echo "check-spdx: $missing files without their licence line (scripts/check-spdx.sh --fix adds it)"; exit 1; }
