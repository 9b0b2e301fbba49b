#!/usr/bin/env bash
# The test command: installs what is missing, builds, and runs every test,
# once in a normal build and once under AddressSanitizer and
# UndefinedBehaviorSanitizer; then builds the Debian package and tries it
# installed, as a user would.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

export QT_QPA_PLATFORM=offscreen

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2
(cd build && ctest --output-on-failure --timeout 300)

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCORVANE_SANITIZE=ON
cmake --build build-asan -j2
# Qt keeps some allocations until exit on purpose; leaks are not what this build hunts.
(cd build-asan && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure --timeout 600)

scripts/package-check.sh build
