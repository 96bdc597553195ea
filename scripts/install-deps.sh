#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that are missing.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config zlib1g-dev libminizip-dev libcli11-dev qt6-base-dev
          libfast-float-dev libfmt-dev
          libgtest-dev libmpfr-dev libbenchmark-dev gpsbabel libxml2-utils libxml2-dev libexpat1-dev
          groff poppler-utils man-db dpkg-dev desktop-file-utils shared-mime-info appstream lintian
          xvfb xauth openbox nodejs file clang libmount-dev universal-ctags
          g++-aarch64-linux-gnu qemu-user zlib1g-dev:arm64 libminizip-dev:arm64 libmount-dev:arm64 libexpat1-dev:arm64
          libstdc++6:arm64)
# npm comes with some builds of nodejs (and then conflicts with the npm package).
command -v npm >/dev/null 2>&1 || packages+=(npm)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  # The arm64 libraries of the cross-build come from the multiarch tree.
  if ! dpkg --print-foreign-architectures | grep -qx arm64; then
    $sudo dpkg --add-architecture arm64
  fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Garmin's official FIT SDK, the FIT oracle of the tests (scripts/fit-sdk-decode.mjs), from npm.
root="$(cd "$(dirname "$0")/.." && pwd)"
sdk="$root/build-deps/fitsdk"
if [ ! -f "$sdk/node_modules/@garmin/fitsdk/src/index.js" ]; then
  mkdir -p "$sdk"
  (cd "$sdk" && npm install --no-audit --no-fund --silent @garmin/fitsdk@21.217.0) ||
    echo "The FIT SDK could not be installed: the tests that compare with it will skip." >&2
fi
