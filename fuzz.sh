#!/usr/bin/env bash
# Builds the fuzz targets (clang with libFuzzer, ASan and UBSan) in build-fuzz and
# runs them.
#
#   ./fuzz.sh TARGET SECONDS   fuzz one target for SECONDS
#   ./fuzz.sh --smoke SECONDS  fuzz every target for SECONDS each
#   ./fuzz.sh --list           the targets
#
# A target starts from its seeds in fuzz/TARGET/corpus and the inputs it found
# in earlier runs (build-fuzz/corpus/TARGET). An input that crashes it is saved
# in build-fuzz/crashes/TARGET; copy it to fuzz/TARGET/crashes/ with the fix, so
# that ctest replays it from then on.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh

usage() {
  echo "usage:" >&2
  sed -n '5,7p' "$0" | sed 's/^#//' >&2
  exit 2
}

# seconds SECONDS: fails unless it is a whole number of seconds
seconds() {
  [[ $1 =~ ^[0-9]+$ ]] || { echo "not a number of seconds: '$1'" >&2; exit 2; }
}

targets() {
  find fuzz -mindepth 2 -maxdepth 2 -name corpus -type d | cut -d/ -f2 | sort
}

build_fuzzers() {
  veyra_install_packages "${VEYRA_PACKAGES[@]}" "${VEYRA_FUZZ_PACKAGES[@]}"
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DVEYRA_FUZZ=ON -DVEYRA_BUILD_TESTS=OFF -DVEYRA_BUILD_BENCHMARKS=OFF >/dev/null
  cmake --build build-fuzz --target veyra_fuzzers
}

# fuzz_target TARGET SECONDS
fuzz_target() {
  local target=$1 seconds=$2
  local corpus=build-fuzz/corpus/$target crashes=build-fuzz/crashes/$target
  mkdir -p "$corpus" "$crashes"
  echo "== fuzz_$target for ${seconds}s"
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "build-fuzz/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
    -max_len=4096 -print_final_stats=1 -artifact_prefix="$crashes/" \
    "$corpus" "fuzz/$target/corpus"
}

[ $# -ge 1 ] || usage
case $1 in
  --list)
    targets
    ;;
  --smoke)
    [ $# -eq 2 ] || usage
    seconds "$2"
    build_fuzzers
    for target in $(targets); do
      fuzz_target "$target" "$2"
    done
    ;;
  *)
    [ $# -eq 2 ] || usage
    seconds "$2"
    [ -d "fuzz/$1/corpus" ] || { echo "no fuzz target '$1'; the targets are: $(targets | tr '\n' ' ')" >&2; exit 2; }
    build_fuzzers
    fuzz_target "$1" "$2"
    ;;
esac
