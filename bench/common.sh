# What the deckgen-pptx benchmarks share, sourced by them: the programs they need, the
# Release build of deckgen-pptx in build-bench/, a scratch folder `work` in it (named
# after $1), and timing with medians.
#   source bench/common.sh NAME TOOL...
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-bench"
for tool in cmake "${@:2}"; do
  command -v "$tool" >/dev/null || { echo "bench: $tool is missing (see scripts/test.sh)" >&2; exit 1; }
done

echo "== building (Release) in $build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DDECKGEN_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target deckgen-pptx >/dev/null
work=$(mktemp -d -p "$build" "$1.XXXXXX")
trap 'rm -rf "$work"' EXIT

now() { date +%s%N; }
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# Runs a command in $work; its wall time in seconds goes to the file $1.
timed() {
  local file=$1 start end; shift
  start=$(now)
  (cd "$work" && "$@" >/dev/null 2>&1)
  end=$(now)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f\n", (b - a) / 1e9 }' >>"$file"
}
