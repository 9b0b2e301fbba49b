#!/usr/bin/env bash
# Installs the Debian packages that are missing: by default those the build,
# the tests, the demonstration and the package check need (dpkg-dev and file
# for the package's dependencies, man-db for its manual pages, time for the
# synchronisation benchmark); with --program only those that build and run
# the programs (the main job); with --fuzz also clang and its libFuzzer for
# the fuzz targets (fuzz/).
set -euo pipefail
program=(cmake g++ make pkg-config libpcre2-dev qt6-base-dev procps)
packages=("${program[@]}" libgtest-dev libgmock-dev libbenchmark-dev libpalm-pdb-perl xvfb
          xdotool x11-utils imagemagick dpkg-dev file man-db time)
case "${1:-}" in
  --program) packages=("${program[@]}") ;;
  --fuzz) packages+=(clang libclang-rt-dev) ;;
esac
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
