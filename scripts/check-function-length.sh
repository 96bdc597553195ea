#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a function in src/ runs over the limit (default 150 lines, from its first to its last
# line): prints file:line, the function and its length for each. Function bodies are found by
# Universal Ctags (Debian package universal-ctags), lambdas counted in the function around them.
# Usage: check-function-length.sh [source root] [limit]   (default: the src/ folder beside this script)
set -euo pipefail
src="${1:-$(cd "$(dirname "$0")/../src" && pwd)}"
limit="${2:-150}"
command -v ctags >/dev/null || { echo "check-function-length: ctags (universal-ctags) is not installed" >&2; exit 2; }
ctags --version 2>/dev/null | grep -q "Universal Ctags" ||
  { echo "check-function-length: ctags is not Universal Ctags" >&2; exit 2; }

mapfile -d '' files < <(find "$src" \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)
[ ${#files[@]} -gt 0 ] || { echo "check-function-length: no sources below $src" >&2; exit 2; }
# One line per function definition: first line, last line, name, file.
tags="$(ctags -x --languages=C++ --map-C++=+.h --kinds-C++=f --fields=+ne \
          --_xformat='%n %{end} %N %F' -o - "${files[@]}")"
[ -n "$tags" ] || { echo "check-function-length: ctags found no functions" >&2; exit 2; }
awk -v limit="$limit" -v root="$src/" '
  $1 ~ /^[0-9]+$/ && $2 ~ /^[0-9]+$/ && $3 !~ /^__anon/ {
    length_ = $2 - $1 + 1
    if (length_ > limit) {
      file = $4
      if (index(file, root) == 1) file = substr(file, length(root) + 1)
      printf "%s:%d: %s is %d lines (at most %d)\n", file, $1, $3, length_, limit
      bad = 1
    }
  }
  END { exit bad }' <<<"$tags" >&2
