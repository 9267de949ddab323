#!/usr/bin/env bash
# deckgen-pptx on XeTeX's XDV files. Not part of the test suite: it prints times, it
# checks nothing. Usage (from anywhere):
#
#   bench/xetex.sh                # a book of 20 chapters, about 200 pages
#   RUNS=5 CHAPTERS=40 bench/xetex.sh
#
# It builds deckgen-pptx in Release mode in build-bench/, writes and typesets with
# xelatex -no-pdf a book in OpenType fonts (TeX Gyre Pagella with ligatures and old-style
# figures, DejaVu Sans, Latin Modern Math through unicode-math, and a Chinese paragraph
# in each chapter through xeCJK's Fandol fonts), and measures, interleaved in the same
# run, the median wall time of deckgen-pptx and of xdvipdfmx on the same XDV file.
set -euo pipefail

RUNS=${RUNS:-3}
CHAPTERS=${CHAPTERS:-20}
source "$(dirname "${BASH_SOURCE[0]}")/common.sh" xetex xelatex xdvipdfmx

echo "== typesetting a book of $CHAPTERS chapters in $work"
{
  printf '%s\n' '\documentclass{book}' '\usepackage{unicode-math}' '\usepackage{xeCJK}' \
    '\setmainfont{TeX Gyre Pagella}[Numbers=OldStyle]' '\setsansfont{DejaVu Sans}' \
    '\setmathfont{latinmodern-math.otf}' '\setCJKmainfont{FandolSong-Regular.otf}' \
    '\begin{document}'
  for ((chapter = 1; chapter <= CHAPTERS; chapter++)); do
    printf '%s\n' "\\chapter{Chapter $chapter: official affairs}"
    for ((section = 1; section <= 4; section++)); do
      printf '%s\n' "\\section{Section $section}"
      for ((paragraph = 1; paragraph <= 6; paragraph++)); do
        printf '%s\n' "The office staff affirm that fluffy waffles of $chapter.$section are efficient;" \
          'naïve cafés serve \emph{œuvres} with \textbf{bold} claims and \textsf{sans serif notes},' \
          "while \$\\int_0^{$paragraph} e^{-x^2}\\,dx \\le \\sqrt{\\pi}\$ holds for every 1234 figures." \
          '中文段落：排版质量很高，标点符号和汉字混排。' ''
      done
    done
  done
  printf '%s\n' '\end{document}'
} >"$work/book.tex"
(cd "$work" && xelatex -no-pdf -interaction=batchmode book.tex >/dev/null) || {
  echo "bench: xelatex failed, see $work/book.log" >&2; exit 1; }
pages=$(grep -o 'Output written on book.xdv ([0-9]* pages' "$work/book.log" | grep -o '[0-9]* pages' | cut -d' ' -f1)


echo "== measuring, $RUNS runs of each, interleaved"
for ((i = 1; i <= RUNS; i++)); do
  timed "$work/t-deckgen-pptx" "$build/deckgen-pptx" book.xdv book.pptx
  timed "$work/t-xdvipdfmx" xdvipdfmx -q -o book.pdf book.xdv
done
echo "== results: $pages pages, median of $RUNS runs"
for program in deckgen-pptx xdvipdfmx; do
  total=$(median <"$work/t-$program")
  awk -v p="$program" -v t="$total" -v n="$pages" \
    'BEGIN { printf "%-14s %7.3f s  %6.1f ms per page\n", p, t, 1000 * t / n }'
done
awk -v a="$(median <"$work/t-deckgen-pptx")" -v b="$(median <"$work/t-xdvipdfmx")" \
  'BEGIN { printf "deckgen-pptx / xdvipdfmx %.2f\n", a / b }'
