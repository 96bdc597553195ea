#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages the build and the tests need, only those that are missing.
# Usage: install-deps.sh [--list] [sample]
#   sample: only what building the programs and running the bundled sample needs (no test tools,
#           no cross-compiler, no package checks); --list prints the packages wanted and installs nothing.
set -euo pipefail
list=no sample=no
for arg in "$@"; do
  case $arg in
    --list) list=yes ;;
    sample) sample=yes ;;
    *) echo "install-deps: unknown argument $arg" >&2; exit 64 ;;
  esac
done
# The programs, their data and the user guides (groff embeds ghostscript's fonts in the PDFs).
packages=(cmake ninja-build g++ pkg-config zlib1g-dev libminizip-dev libcli11-dev qt6-base-dev libmount-dev libexpat1-dev
          libfast-float-dev libfmt-dev
          groff poppler-utils libgs10-common)
if [ "$sample" = no ]; then
  packages+=(libgtest-dev libmpfr-dev libbenchmark-dev gpsbabel libxml2-utils libxml2-dev
             man-db dpkg-dev desktop-file-utils shared-mime-info appstream lintian
             xvfb xauth openbox nodejs file clang universal-ctags
             g++-aarch64-linux-gnu qemu-user zlib1g-dev:arm64 libminizip-dev:arm64 libmount-dev:arm64 libexpat1-dev:arm64
             libstdc++6:arm64)
  # npm comes with some builds of nodejs (and then conflicts with the npm package).
  command -v npm >/dev/null 2>&1 || packages+=(npm)
fi
if [ "$list" = yes ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  # The arm64 libraries of the cross-build come from the multiarch tree.
  if [[ " ${missing[*]} " == *":arm64 "* ]] && ! dpkg --print-foreign-architectures | grep -qx arm64; then
    $sudo dpkg --add-architecture arm64
  fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

[ "$sample" = no ] || exit 0
# Garmin's official FIT SDK, the FIT oracle of the tests (scripts/fit-sdk-decode.mjs), from npm.
root="$(cd "$(dirname "$0")/.." && pwd)"
sdk="$root/build-deps/fitsdk"
if [ ! -f "$sdk/node_modules/@garmin/fitsdk/src/index.js" ]; then
  mkdir -p "$sdk"
  (cd "$sdk" && npm install --no-audit --no-fund --silent @garmin/fitsdk@21.217.0) ||
    echo "The FIT SDK could not be installed: the tests that compare with it will skip." >&2
fi
