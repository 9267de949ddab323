#!/usr/bin/env bash
# Fuzz smoke run for CI: builds the fuzz targets with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer), generates their seed corpora, and runs each target for
# about FUZZ_SECONDS seconds (60 by default), one after the other. Exits non-zero when
# a target reports a finding (crash, sanitizer report, timeout, memory limit); the
# input that caused it is left in BUILD_DIR/artifacts. Without clang it skips.
#   scripts/fuzz-smoke.sh [BUILD_DIR]   (default: build-fuzz in the repository)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-fuzz}
seconds=${FUZZ_SECONDS:-60}

compiler=""
for candidate in clang++ clang++-14; do
  if command -v "$candidate" >/dev/null; then compiler=$candidate; break; fi
done
if [ -z "$compiler" ]; then
  echo "fuzz-smoke: clang++ not found, skipping the fuzz targets"
  exit 0
fi

cmake -S "$root/fuzz" -B "$build" -DCMAKE_CXX_COMPILER="$compiler" >/dev/null
cmake --build "$build" -j2

seeds="$build/seeds"
rm -rf "$seeds"
"$root/fuzz/make-seeds.sh" "$build" "$seeds"

mkdir -p "$build/artifacts"
status=0
run() {
  local target=$1 max_len=$2 seed_set=$3; shift 3
  # New inputs go to a scratch corpus; the generated seeds are only read.
  local corpus="$build/corpus-$target"
  rm -rf "$corpus"
  mkdir -p "$corpus"
  echo "fuzz-smoke: $target for ${seconds}s"
  if ! "$build/$target" -max_total_time="$seconds" -max_len="$max_len" -rss_limit_mb=512 \
      -timeout=10 -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" "$@" \
      "$corpus" "$seeds/$seed_set" >"$build/$target.log" 2>&1; then
    echo "fuzz-smoke: $target found a fault; log follows, input in $build/artifacts" >&2
    tail -n 60 "$build/$target.log" >&2
    status=1
  else
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec)' "$build/$target.log" || true
  fi
}
run fuzz_convert 4096 convert -dict="$root/fuzz/convert.dict"
run fuzz_tfm 2048 tfm
run fuzz_pptx 4096 convert -dict="$root/fuzz/convert.dict"
run fuzz_paints 4096 paints
exit $status
