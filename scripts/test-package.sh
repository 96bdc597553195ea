#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package, unpacks it into a temporary root and checks the installed layout:
# programs, language file, user guides, desktop entry, icon and file types, manual pages, shell
# completion, software-centre entry, copyright and changelog, the package's dependencies, what
# lintian says, and that the command-line program runs from the unpacked tree.
# Usage: scripts/test-package.sh [build folder]   (default build-package; an existing
# configured build folder is reused as it is)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-package}
fail() { echo "test-package: $*" >&2; exit 1; }

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRAKOR_BUILD_TESTS=OFF \
    -DTRAKOR_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/trakor3_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/trakor3_*.deb)
deb=${debs[0]}
[ -f "$deb" ] || fail "no package was built"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"

# Dependencies: the package of every shared library the programs load is in Depends.
depends=$(dpkg-deb -f "$deb" Depends)
# Read whole outputs into variables: a reader that stops early (head, awk exit) would kill the
# writer with SIGPIPE, which pipefail turns into a failed run.
libraries=$(ldconfig -p)
# The first package dpkg names as owner of a file, or nothing.
owner() { local out; out=$(dpkg -S "$1" 2>/dev/null) || return 0; out=${out%%$'\n'*}; echo "${out%%:*}"; }
# The programs, and the private ones (the render program of trakor3-cli).
programs=("$root"/usr/bin/* "$root"/usr/libexec/trakor3/*)
for program in "${programs[@]}"; do
  [ -e "$program" ] || continue
  for lib in $(readelf -d "$program" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p'); do
    path=$(awk -v l="$lib" '$1 == l && !found { print $NF; found = 1 }' <<<"$libraries")
    [ -n "$path" ] || fail "$(basename "$program") needs $lib, which is not installed here"
    pkg=$(owner "$(readlink -f "$path")")
    [ -n "$pkg" ] || pkg=$(owner "$path")
    [ -n "$pkg" ] || fail "no Debian package holds $path"
    [[ "$depends" == *"$pkg"* ]] || fail "Depends lacks $pkg (for $lib): $depends"
  done
done

usr="$root/usr"
app=nl.quenby.Trakor3
desktop="$usr/share/applications/$app.desktop"
metainfo="$usr/share/metainfo/$app.metainfo.xml"
doc="$usr/share/doc/trakor3"
for f in bin/trakor3-cli share/trakor3/Trakor3.lng share/applications/$app.desktop \
         share/icons/hicolor/scalable/apps/trakor3.svg share/icons/hicolor/48x48/apps/trakor3.png \
         share/mime/packages/trakor3.xml share/metainfo/$app.metainfo.xml \
         share/bash-completion/completions/trakor3-cli share/man/man1/trakor3-cli.1.gz \
         share/doc/trakor3/copyright share/doc/trakor3/changelog.gz; do
  [ -e "$usr/$f" ] || fail "missing /usr/$f"
done
if command -v groff >/dev/null && command -v gropdf >/dev/null; then
  # One guide per docs/guide-<language>.ms, named as the help suffix of the language file says.
  for source in docs/guide-*.ms; do
    lang=$(basename "$source" .ms); lang=${lang#guide-}
    pdf="$usr/share/trakor3/Trakor3$lang.pdf"
    [ -s "$pdf" ] || fail "missing user guide $pdf"
    [ "$(head -c 5 "$pdf")" = "%PDF-" ] || fail "$pdf is not a PDF file"
  done
fi
cmp -s data/Trakor3.lng "$usr/share/trakor3/Trakor3.lng" || fail "installed language file differs"

# The desktop entry and the file types must be valid for the desktop to offer "Open with Trakor3".
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop" || fail "desktop entry is not valid"
fi
grep -q '^Exec=Trakor3 %F$' "$desktop" || fail "desktop entry does not start Trakor3"
# Name and comment in every language of the language file (each has its "XX$MSG01" entry).
for code in $(grep -oE '^[A-Z]{2}\$MSG01' data/Trakor3.lng | cut -c1-2); do
  lang=${code,,}
  [ "$lang" = en ] && continue
  for key in Name Comment; do
    grep -q "^$key\[$lang\]=." "$desktop" || fail "desktop entry has no $key[$lang]"
  done
done
if command -v xmllint >/dev/null; then
  xmllint --noout "$usr/share/mime/packages/trakor3.xml" || fail "file type list is not well-formed XML"
fi
if command -v update-mime-database >/dev/null; then
  mime="$root/mime"
  mkdir -p "$mime/packages"
  cp /usr/share/mime/packages/freedesktop.org.xml "$usr/share/mime/packages/trakor3.xml" "$mime/packages/"
  # It warns that the folder is not in the XDG search path; only its errors matter.
  log=$(update-mime-database "$mime" 2>&1) || fail "file types do not load: $log"
  for glob in 'application/x-gdb:\*\.gdb' 'application/vnd.garmin.tcx+xml:\*\.tcx' \
              'application/vnd.garmin.tcx+xml:\*\.crs' 'application/vnd.ant.fit:\*\.fit' \
              'application/x-tomtom-itn:\*\.itn' 'application/x-nmea:\*\.nmea'; do
    grep -q "$glob" "$mime/globs2" || fail "file type $glob not registered"
  done
  # Every type the desktop entry names is known to the database.
  types=$(sed -n 's/^MimeType=//p' "$desktop" | tr ';' '\n')
  for t in $types; do
    grep -q "^$t\$" "$mime/types" || fail "desktop entry names unknown type $t"
  done
fi

# Software-centre entry: valid, named after the desktop entry, offering the programs and the types.
grep -q "<id>$app</id>" "$metainfo" || fail "metainfo id is not $app"
grep -q "<launchable type=\"desktop-id\">$app.desktop</launchable>" "$metainfo" || fail "metainfo does not launch $app.desktop"
for program in "$usr"/bin/*; do
  grep -q "<binary>$(basename "$program")</binary>" "$metainfo" || fail "metainfo does not provide $(basename "$program")"
done
for t in $(sed -n 's/^MimeType=//p' "$desktop" | tr ';' '\n'); do
  grep -q "<mediatype>$t</mediatype>" "$metainfo" || fail "metainfo does not provide $t"
done
if command -v appstreamcli >/dev/null; then
  log=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "metainfo is not valid: $log"
  echo "test-package: appstreamcli: ${log##*$'\n'}"
fi

# Manual pages: one per program, formatted without a warning.
for program in "$usr"/bin/*; do
  page="$usr/share/man/man1/$(basename "$program").1.gz"
  [ -f "$page" ] || fail "no manual page for $(basename "$program")"
  if command -v man >/dev/null; then
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) || fail "man cannot show $page"
    [ -z "$warnings" ] || fail "$page: $warnings"
  fi
done
# The completion loads in bash and registers its function.
bash -c "source '$usr/share/bash-completion/completions/trakor3-cli' && complete -p trakor3-cli" >/dev/null ||
  fail "bash completion does not load"

# Copyright in the machine-readable format; the changelog's latest entry is this version.
head -n 1 "$doc/copyright" | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$' ||
  fail "copyright file is not machine-readable"
version=$(dpkg-deb -f "$deb" Version)
zcat "$doc/changelog.gz" | head -n 1 | grep -q "^trakor3 ($version) " || fail "changelog does not begin with $version"
# No maintainer scripts: the triggers of shared-mime-info and desktop-file-utils refresh their
# databases. A script added later must refresh them too.
control=$(mktemp -d)
dpkg-deb -e "$deb" "$control"
for script in postinst postrm; do
  [ -f "$control/$script" ] || continue
  for tool in update-mime-database update-desktop-database; do
    grep -q "$tool" "$control/$script" || { rm -rf "$control"; fail "$script does not run $tool"; }
  done
done
rm -rf "$control"

if command -v lintian >/dev/null; then
  # Errors fail the test; warnings are listed.
  log=$(lintian --allow-root --fail-on error "$deb" 2>&1) || fail "lintian: $log"
  [ -z "$log" ] || echo "test-package: lintian: $log"
else
  echo "test-package: lintian not installed, package not checked by it"
fi

out=$("$usr/bin/trakor3-cli" --help) || fail "trakor3-cli --help failed"
[[ "$out" == *"Usage: trakor3-cli"* ]] || fail "unexpected help text: $out"
# trakor3-cli loads no Qt; --render runs the render program from the private-program folder.
if readelf -d "$usr/bin/trakor3-cli" | grep -q 'libQt'; then fail "trakor3-cli loads Qt"; fi
if [ -x "$usr/libexec/trakor3/trakor3-cli-render" ]; then
  log=$("$usr/bin/trakor3-cli" --render "$root/sample.png" --size 64x64 samples/sample-route.gpx 2>&1) ||
    fail "trakor3-cli --render failed: $log"
  [ "$(head -c 4 "$root/sample.png" | tail -c 3)" = PNG ] || fail "trakor3-cli --render wrote no PNG file"
fi
echo "test-package: $(basename "$deb") installs and runs (Depends: $depends)"
