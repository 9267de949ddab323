#!/usr/bin/env bash
# deckgen speed benchmark. Not part of the test suite: it prints ratios, it checks
# nothing. Usage (from anywhere):
#
#   bench/run.sh            # 300-page book, 5 runs of each program
#   RUNS=7 PAGES=300 bench/run.sh
#   DECKGEN=/tmp/other/deckgen bench/run.sh   # measure another deckgen binary
#
# It builds deckgen in Release mode in build-bench/, builds the floor program, typesets
# bench/book.tex (300 pages and 10 pages) in a scratch directory, and then measures,
# interleaved in the same run, the median wall time of:
#   - deckgen on the book (whole process: start, font lookups, DVI reading, output);
#   - the floor: the same number of lines of the same lengths, one write() each, into
#     a file on the same disk (bench/floor.cpp; its own timer, writing phase only);
#   - dvisvgm --no-fonts on the same DVI file, all pages, when dvisvgm is installed.
# It also reports characters per second, deckgen's peak resident memory on the book and
# on the 10-page document, the time of the kpsewhich lookups for the book's fonts, and
# deckgen-pptx on the same book (its own runs, after the others) against deckgen, and
# deckgen-pptx on Times text through PSNFSS's virtual font against the raw font beneath it
# (bench/vf.tex), per character.
# Output files go to a scratch directory inside build-bench/ (the repository's disk),
# which is deleted at the end. Set BENCH_TMP to put it elsewhere.
set -euo pipefail

RUNS=${RUNS:-5}
PAGES=${PAGES:-300}
SMALL_PAGES=${SMALL_PAGES:-10}
LOOKUP_REPEATS=${LOOKUP_REPEATS:-20}
VF_PAGES=${VF_PAGES:-100}

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-bench"

for tool in cmake g++ tex kpsewhich dvitype; do
  command -v "$tool" >/dev/null || { echo "bench: $tool is missing (see scripts/install-deps.sh)" >&2; exit 1; }
done
if [ ! -x /usr/bin/time ]; then
  echo "bench: /usr/bin/time is missing: apt-get install -y time" >&2
  exit 1
fi

echo "== building (Release) in $build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DDECKGEN_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target deckgen deckgen-pptx >/dev/null
g++ -std=c++20 -O2 -Wall -Wextra -Werror -o "$build/bench-floor" "$root/bench/floor.cpp"
# DECKGEN=/path/to/deckgen measures another build (a candidate change) instead.
deckgen="${DECKGEN:-$build/deckgen}"
deckgen_pptx="${DECKGEN_PPTX:-$build/deckgen-pptx}"
floor="$build/bench-floor"

mkdir -p "${BENCH_TMP:-$build}"
work=$(mktemp -d -p "${BENCH_TMP:-$build}" bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
out="$work/out"
mkdir -p "$out"

echo "== typesetting bench/book.tex ($PAGES and $SMALL_PAGES pages) in $work"
(cd "$work" &&
  tex -interaction=batchmode -jobname=book "\\def\\benchpages{$PAGES}\\input $root/bench/book.tex" >/dev/null &&
  tex -interaction=batchmode -jobname=small "\\def\\benchpages{$SMALL_PAGES}\\input $root/bench/book.tex" >/dev/null) || {
  echo "bench: tex failed, see $work/*.log" >&2
  cat "$work"/*.log >&2
  exit 1
}
book="$work/book.dvi"
small="$work/small.dvi"

now() { date +%s%N; }
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.4f\n", (b - a) / 1e9 }'; }
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.4f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# Removes the previous output and flushes dirty pages, so that no run pays for the
# write-back or the truncation of another one.
settle() { rm -rf "$out"/*; sync; }

# One run of deckgen: wall time to stdout, peak RSS (KiB) appended to $2.
run_deckgen() {
  local dvi=$1 rss=$2 start end
  settle
  start=$(now)
  /usr/bin/time -f %M -o "$work/rss" "$deckgen" "$dvi" "$out/deck.mht"
  end=$(now)
  cat "$work/rss" >>"$rss"
  seconds "$start" "$end"
}

# The reference output for the floor, kept outside $out.
"$deckgen" "$book" "$work/reference.mht"
lines=$(wc -l <"$work/reference.mht")
bytes=$(stat -c %s "$work/reference.mht")
chars=$(grep -c '^<div v:shape=3D' "$work/reference.mht" || true)

have_dvisvgm=0
if command -v dvisvgm >/dev/null; then
  have_dvisvgm=1
  # Warm-up: dvisvgm may build caches on its first run.
  dvisvgm --no-fonts -p 1- -o "$out/%p.svg" "$book" >/dev/null 2>&1
fi

echo "== measuring, $RUNS runs of each, interleaved"
: >"$work/t_deckgen"; : >"$work/t_floor"; : >"$work/t_dvisvgm"; : >"$work/rss_book"; : >"$work/rss_small"
for ((i = 1; i <= RUNS; i++)); do
  # Alternate the order so that neither program always runs right after the other.
  if ((i % 2)); then order="deckgen floor"; else order="floor deckgen"; fi
  for which in $order; do
    if [ "$which" = deckgen ]; then
      run_deckgen "$book" "$work/rss_book" >>"$work/t_deckgen"
    else
      settle
      "$floor" "$work/reference.mht" "$out/floor.mht" | awk '{ print $1 }' >>"$work/t_floor"
    fi
  done
  if ((have_dvisvgm)); then
    settle
    start=$(now)
    dvisvgm --no-fonts -p 1- -o "$out/%p.svg" "$book" >/dev/null 2>&1
    end=$(now)
    seconds "$start" "$end" >>"$work/t_dvisvgm"
  fi
  run_deckgen "$small" "$work/rss_small" >/dev/null
  line="   run $i: deckgen $(tail -1 "$work/t_deckgen") s, floor $(tail -1 "$work/t_floor") s"
  ((have_dvisvgm)) && line+=", dvisvgm $(tail -1 "$work/t_dvisvgm") s"
  echo "$line"
done
settle

echo "== deckgen-pptx on the same book, $RUNS runs, with the text layer and without"
: >"$work/t_pptx"; : >"$work/rss_pptx"; : >"$work/t_bare"
for ((i = 1; i <= RUNS; i++)); do
  settle
  start=$(now)
  /usr/bin/time -f %M -o "$work/rss" "$deckgen_pptx" "$book" "$out/deck.pptx" 2>/dev/null
  end=$(now)
  cat "$work/rss" >>"$work/rss_pptx"
  seconds "$start" "$end" >>"$work/t_pptx"
  pptx_bytes=$(stat -c %s "$out/deck.pptx")  # before the next run clears it
  settle
  start=$(now)
  "$deckgen_pptx" --no-text-layer "$book" "$out/bare.pptx" 2>/dev/null
  end=$(now)
  seconds "$start" "$end" >>"$work/t_bare"
  bare_bytes=$(stat -c %s "$out/bare.pptx")
  echo "   run $i: deckgen-pptx $(tail -1 "$work/t_pptx") s, without the text layer $(tail -1 "$work/t_bare") s"
done
settle

echo "== deckgen-pptx on text in a virtual font (ptmr7t) and in its raw font (ptmr8r), $RUNS runs"
for font in ptmr7t ptmr8r; do
  (cd "$work" && tex -interaction=batchmode -jobname="$font" \
    "\\def\\benchfont{$font}\\def\\benchpages{$VF_PAGES}\\input $root/bench/vf.tex" >/dev/null)
  : >"$work/t_$font"
done
for ((i = 1; i <= RUNS; i++)); do
  for font in ptmr7t ptmr8r; do
    settle
    start=$(now)
    "$deckgen_pptx" "$work/$font.dvi" "$out/$font.pptx" 2>/dev/null
    end=$(now)
    seconds "$start" "$end" >>"$work/t_$font"
  done
  echo "   run $i: virtual $(tail -1 "$work/t_ptmr7t") s, raw $(tail -1 "$work/t_ptmr8r") s"
done
vf_chars() { dvitype -output-level=2 "$work/$1.dvi" | grep -c '^[0-9]*: set' || true; }
chars_virtual=$(vf_chars ptmr7t)
chars_raw=$(vf_chars ptmr8r)
settle

echo "== kpsewhich lookups ($LOOKUP_REPEATS runs per font)"
fonts=$(dvitype -output-level=0 "$book" | sed -n 's/^Font [0-9]*: \([^-]*\)---.*/\1/p' | sort -u)
nfonts=$(echo "$fonts" | wc -w)
start=$(now)
for ((i = 1; i <= LOOKUP_REPEATS; i++)); do
  for font in $fonts; do kpsewhich "$font.tfm" >/dev/null; done
done
end=$(now)
lookup=$(awk -v a="$start" -v b="$end" -v n="$LOOKUP_REPEATS" 'BEGIN { printf "%.4f", (b - a) / 1e9 / n }')
# deckgen looks the postamble's fonts up with one kpsewhich for all of them.
tfms=$(for font in $fonts; do printf '%s.tfm ' "$font"; done)
start=$(now)
for ((i = 1; i <= LOOKUP_REPEATS; i++)); do kpsewhich $tfms >/dev/null; done
end=$(now)
batch=$(awk -v a="$start" -v b="$end" -v n="$LOOKUP_REPEATS" 'BEGIN { printf "%.4f", (b - a) / 1e9 / n }')

t_deckgen=$(median <"$work/t_deckgen")
t_floor=$(median <"$work/t_floor")
rss_book=$(median <"$work/rss_book")
rss_small=$(median <"$work/rss_small")
pages_small=$(dvitype -output-level=0 "$small" | grep -c 'beginning of page' || true)
pages_book=$(dvitype -output-level=0 "$book" | grep -c 'beginning of page' || true)

echo
echo "== results (medians of $RUNS runs)"
printf 'book                 %s pages, %s characters, %s fonts, DVI %s bytes\n' \
  "$pages_book" "$chars" "$nfonts" "$(stat -c %s "$book")"
printf 'output               %s lines, %s bytes\n' "$lines" "$bytes"
printf 'deckgen              %s s\n' "$t_deckgen"
printf 'floor                %s s   (same lines, one write() each)\n' "$t_floor"
awk -v d="$t_deckgen" -v f="$t_floor" 'BEGIN { printf "deckgen / floor      %.3f   (target <= 1.15)\n", d / f }'
awk -v d="$t_deckgen" -v c="$chars" 'BEGIN { printf "characters / s       %.0f\n", c / d }'
if ((have_dvisvgm)); then
  t_dvisvgm=$(median <"$work/t_dvisvgm")
  printf 'dvisvgm --no-fonts   %s s\n' "$t_dvisvgm"
  awk -v d="$t_deckgen" -v s="$t_dvisvgm" 'BEGIN { printf "deckgen / dvisvgm    %.3f   (target < 1)\n", d / s }'
else
  echo "dvisvgm              not installed, skipped"
fi
printf 'peak RSS             %s KiB on %s pages, %s KiB on %s pages\n' "$rss_small" "$pages_small" "$rss_book" "$pages_book"
t_pptx=$(median <"$work/t_pptx")
printf 'deckgen-pptx         %s s, %s bytes, peak RSS %s KiB\n' "$t_pptx" "$pptx_bytes" "$(median <"$work/rss_pptx")"
awk -v p="$t_pptx" -v d="$t_deckgen" 'BEGIN { printf "deckgen-pptx / deckgen %.3f (target < 1)\n", p / d }'
t_bare=$(median <"$work/t_bare")
awk -v p="$t_pptx" -v b="$t_bare" -v pb="$pptx_bytes" -v bb="$bare_bytes" 'BEGIN {
  printf "text layer: time %.3f, size %.3f of the slides without it (target <= 1.15 each)\n", p / b, pb / bb }'
awk -v v="$(median <"$work/t_ptmr7t")" -v r="$(median <"$work/t_ptmr8r")" -v cv="$chars_virtual" \
  -v cr="$chars_raw" 'BEGIN { printf "virtual font         %.3f s for %d characters, raw font %.3f s for %d: %.3f per character (target <= 1.10)\n", v, cv, r, cr, (v / cv) / (r / cr) }'
awk -v l="$lookup" -v b="$batch" -v d="$t_deckgen" -v n="$nfonts" \
  'BEGIN { printf "kpsewhich lookups    %.4f s for the %d fonts in one kpsewhich, as deckgen does (%.1f%% of deckgen); %.4f s one by one (%.1f ms each)\n", b, n, 100 * b / d, l, 1000 * l / n }'
