#!/usr/bin/env bash
# Sets everything up and runs every test: the normal build, then the same suite
# built with AddressSanitizer and UndefinedBehaviorSanitizer, then a short run of
# every fuzz target.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh

veyra_install_packages "${VEYRA_PACKAGES[@]}"
veyra_try_install_packages "${VEYRA_DESKTOP_PACKAGES[@]}" "${VEYRA_BLACKBOX_PACKAGES[@]}"

jobs=$(nproc)

veyra_build build
ctest --test-dir build --output-on-failure -j "$jobs"

veyra_build build-asan -DVEYRA_SANITIZE=ON -DVEYRA_BUILD_BENCHMARKS=OFF -DCMAKE_BUILD_TYPE=Debug
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

./fuzz.sh --smoke 10
