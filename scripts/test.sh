#!/usr/bin/env bash
# The test command: installs the build packages that are missing, builds,
# and runs every test, once in a normal build and once under
# AddressSanitizer and UndefinedBehaviorSanitizer; then checks the Debian
# package (scripts/package-check.sh). It changes nothing else on the machine:
# the package is installed into the system and removed again only in CI
# (CI=true) or when asked for with --install.
#
#   scripts/test.sh [--install]
set -euo pipefail
cd "$(dirname "$0")/.."
install=()
# Everything the tests need, whatever an earlier configuration (the main job's) chose.
options=(-DCORVANE_TESTS=ON -DCORVANE_BENCH=ON -DCORVANE_WERROR=OFF)
if [ "${CI:-}" = "true" ]; then
  install=(--install)
  options+=(-DCORVANE_WERROR=ON)  # a warning fails the build
fi
for a in "$@"; do
  case "$a" in
    --install) install=(--install) ;;
    *) echo "usage: scripts/test.sh [--install]" >&2; exit 2 ;;
  esac
done
scripts/install-deps.sh

export QT_QPA_PLATFORM=offscreen

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}"
cmake --build build -j2
(cd build && ctest --output-on-failure --timeout 300 -LE package)

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCORVANE_SANITIZE=ON "${options[@]}"
cmake --build build-asan -j2
# Qt keeps some allocations until exit on purpose; leaks are not what this build hunts.
(cd build-asan && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure --timeout 600 -LE package)

scripts/package-check.sh build "${install[@]}"
