#!/usr/bin/env bash
# Builds everything and runs every test: the plain build (GUI tests offscreen), then the non-GUI
# layers again under AddressSanitizer and UndefinedBehaviorSanitizer. Benchmarks are built, not run.
# The accessibility test (ctest label "a11y") runs in the plain build under Xvfb and AT-SPI.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
cmake --preset dev >/dev/null
cmake --build --preset dev
ctest --preset dev
# The Debian package of that build: validators, and both executables run from the unpacked tree.
scripts/package-test.sh "$root/build/dev"
cmake --preset asan >/dev/null
cmake --build --preset asan
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --preset asan
