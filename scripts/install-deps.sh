#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, the demonstration and the
# package check need (dpkg-dev and file for the package's dependencies, man-db
# for its manual pages, time for the synchronisation benchmark); with --fuzz, also clang and its libFuzzer for the fuzz
# targets (fuzz/).
set -euo pipefail
packages=(cmake g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev libpcre2-dev
          qt6-base-dev libpalm-pdb-perl xvfb xdotool x11-utils imagemagick procps
          dpkg-dev file man-db time)
[ "${1:-}" = "--fuzz" ] && packages+=(clang libclang-rt-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
