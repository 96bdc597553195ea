#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the built user guides. Every guide exists and holds, in its own words, as many chapters
# and window pictures as the English one, and every chapter heading of its source is in its text.
# When the build drew the pictures, each guide shows its own language's: the pictures' fonts are
# among the guide's fonts, their words are in its text, and a non-English picture has none of the
# English window texts. Every font of a guide is embedded.
# Usage: check-guides.sh DOCS_FOLDER BUILD_FOLDER PICTURE_FOLDER|none   (exit 77: cannot check here)
set -uo pipefail
docs=$1 build=$2 pictures=${3:-none}
[ "$pictures" = none ] && pictures=
for tool in pdftotext pdffonts pdfinfo python3; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool (poppler-utils) is not installed"; exit 77; }
done
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Chapter headings of a guide source: the line after each .NH, with the escapes it uses made plain.
headings() {
  awk 'after { print; after = 0 } /^\.NH/ { after = 1 }' "$1" |
    sed -e 's/\\f\[[A-Z]*\]//g' -e 's/\\\[lq\]/“/g' -e 's/\\\[rq\]/”/g' -e 's/\\-/-/g'
}
# Text for comparing: one line, spaces collapsed, letters without their accents and quotes plain.
# groff draws some letters as a letter and an accent (Polish ę is e and ˛), and ' as ’.
plain() {
  tr '\n\f' '  ' | tr -s ' ' | python3 -c '
import sys, unicodedata
text = unicodedata.normalize("NFD", sys.stdin.read()).replace("\u2019", "\x27")
sys.stdout.write("".join(c for c in text if unicodedata.category(c) != "Mn" and c not in "\u02db\u00b4\u02d9"))'
}
flat_text() { pdftotext -q -enc UTF-8 "$1" - | plain; }
# Font names of a PDF without the subset tag (ABCDEF+DejaVuSans -> DejaVuSans).
fonts() { pdffonts "$1" 2>/dev/null | tail -n +3 | awk '{ print $1 }' | sed 's/^[A-Z]\{6\}+//' | sort -u; }

english_chapters=$(headings "$docs/guide-en.ms" | wc -l)
english_shots=$(grep -c '^\.SHOT' "$docs/guide-en.ms")
for chapter in "Map view" "Command line" "GPS devices" "Output"; do
  headings "$docs/guide-en.ms" | grep -qx "$chapter" || fail "the English guide has no chapter \"$chapter\""
done
[ "$english_shots" -eq 2 ] || fail "the English guide places $english_shots pictures, not the main window and the map view"

for source in "$docs"/guide-*.ms; do
  lang=$(basename "$source" .ms); lang=${lang#guide-}
  pdf="$build/Trakor3$lang.pdf"
  [ -s "$pdf" ] || { fail "$pdf was not built"; continue; }
  pages=$(pdfinfo "$pdf" | awk '/^Pages:/ { print $2 }')
  text=$(flat_text "$pdf")
  chapters=$(headings "$source" | wc -l)
  [ "$chapters" -eq "$english_chapters" ] || fail "$lang: $chapters chapters, the English guide has $english_chapters"
  while IFS= read -r heading; do
    grep -qF -- "$heading" <<<"$text" || fail "$lang: chapter \"$heading\" is not in the PDF's text"
  done < <(headings "$source" | tr '\n' '|' | plain | tr '|' '\n' | sed 's/^ //; s/ $//')
  shots=$(grep -c '^\.SHOT' "$source")
  [ "$shots" -eq "$english_shots" ] || fail "$lang: $shots pictures, the English guide has $english_shots"
  grep -q "^\.SHOT main-$lang " "$source" && grep -q "^\.SHOT map-$lang " "$source" ||
    fail "$lang: the guide does not place its own language's pictures"
  # Every font travels in the file: a reader without Times or the URW fonts sees the same letters.
  unembedded=$(pdffonts "$pdf" 2>/dev/null | tail -n +3 | awk '$(NF-4) != "yes" { print $1 }' | sort -u | tr '\n' ' ')
  [ -z "$unembedded" ] || fail "$lang: fonts not embedded: $unembedded"
  echo "$lang: $pages pages, $chapters chapters, $shots pictures"

  [ -n "$pictures" ] || continue
  guide_fonts=$(fonts "$pdf")
  for window in main map; do
    picture="$pictures/$window-$lang.pdf"
    [ -s "$picture" ] || { fail "$picture was not drawn"; continue; }
    while IFS= read -r font; do
      grep -qxF "$font" <<<"$guide_fonts" || fail "$lang: font $font of $window-$lang.pdf is not in the guide: picture missing"
    done < <(fonts "$picture")
    picture_text=$(flat_text "$picture")
    missing=$(tr ' ' '\n' <<<"$picture_text" | sort -u | while IFS= read -r word; do
      [ -z "$word" ] || grep -qF -- "$word" <<<"$text" || { echo "$word"; break; }
    done)
    [ -z "$missing" ] || fail "$lang: \"$missing\" of $window-$lang.pdf is not in the guide's text"
    if [ "$lang" != en ]; then
      # Whole words only: "Convertir" is French. Route and Track are German and French words too.
      for english in "Browse..." "Save as..." "Convert" "Preferences" "Show result" "Fit all" "Background map" \
                     "Map settings..." "Routes and tracks" "Close"; do
        pdftotext -q -enc UTF-8 "$picture" - | grep -qwF -- "$english" && fail "$lang: English \"$english\" in $window-$lang.pdf"
      done
    fi
  done
done
[ "$failures" -eq 0 ] && echo "all guides checked" || echo "$failures failures"
[ "$failures" -eq 0 ]
