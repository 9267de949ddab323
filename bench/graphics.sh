#!/usr/bin/env bash
# deckgen-pptx graphics benchmark. Not part of the test suite: it prints times, it checks
# nothing. Usage (from anywhere):
#
#   bench/graphics.sh             # 100 beamer frames with blocks and a TikZ picture each
#   RUNS=5 FRAMES=100 bench/graphics.sh
#
# It builds deckgen-pptx in Release mode in build-bench/, writes and typesets with latex a
# beamer talk (Madrid theme) of FRAMES frames, each with blocks and a TikZ picture, and
# measures, interleaved in the same run, the median wall time per slide of
# deckgen-pptx, of dvips and ps2pdf, and of dvisvgm (when installed) on the same DVI file;
# deckgen-pptx making a slide of each frame (its overlays as builds) against a slide of
# each page (--one-slide-per-page); then the same talk typeset for dvipdfmx, deckgen-pptx
# against dvipdfmx. Each frame has three steps (an item list that comes item by item).
set -euo pipefail

RUNS=${RUNS:-3}
FRAMES=${FRAMES:-100}
source "$(dirname "${BASH_SOURCE[0]}")/common.sh" graphics latex dvips ps2pdf gs

echo "== typesetting a talk of $FRAMES frames in $work"
talk() {  # the class's options
  printf '%s\n' "\\documentclass[$1]{beamer}" '\usetheme{Madrid}' '\usepackage{tikz}' \
    '\setbeamertemplate{navigation symbols}{}' '\begin{document}'
  for ((frame = 1; frame <= FRAMES; frame++)); do
    printf '%s\n' "\\begin{frame}{Frame $frame}" '\begin{columns}' '\column{.5\textwidth}' \
      "\\begin{block}{A block}Its body, with \$x^{$frame}\$.\\end{block}" \
      '\begin{itemize}[<+->]\item One.\item Two.\item Three.\end{itemize}' \
      '\begin{alertblock}{An alert}Something to watch.\end{alertblock}' \
      '\column{.5\textwidth}' '\begin{tikzpicture}[scale=.6]' \
      '\draw[->,thick] (0,0) -- (3,1);' '\fill[orange] (0,1.5) rectangle (1.5,2.5);' \
      '\draw[dashed,blue] (2,2) circle (.6);' \
      '\shade[left color=yellow,right color=red] (0,-1.5) rectangle (3,-.5);' \
      "\\node[rotate=30,draw] at (1.5,3.2) {node $frame};" '\end{tikzpicture}' \
      '\end{columns}' '\end{frame}'
  done
  printf '%s\n' '\end{document}'
}
talk "" >"$work/talk.tex"
talk dvipdfmx >"$work/talkx.tex"
for name in talk talkx; do
  for _ in 1 2; do
    (cd "$work" && latex -interaction=batchmode $name.tex >/dev/null) || {
      echo "bench: latex failed, see $work/$name.log" >&2; exit 1; }
  done
done
dvi="$work/talk.dvi"
slides=$(dvitype "$dvi" | grep -c 'beginning of page' || true)

dvips_ps2pdf() { dvips -q -o talk.ps talk.dvi && ps2pdf talk.ps talk.pdf; }

echo "== measuring, $RUNS runs of each, interleaved"
programs="deckgen-pptx dvips+ps2pdf"
command -v dvisvgm >/dev/null && programs+=" dvisvgm"
for ((i = 1; i <= RUNS; i++)); do
  timed "$work/t-deckgen-pptx" "$build/deckgen-pptx" talk.dvi talk.pptx
  timed "$work/t-per-page" "$build/deckgen-pptx" --one-slide-per-page talk.dvi pages.pptx
  timed "$work/t-dvips+ps2pdf" dvips_ps2pdf
  command -v dvisvgm >/dev/null && timed "$work/t-dvisvgm" dvisvgm -p 1- -o '%p.svg' talk.dvi
  timed "$work/t-deckgen-pptx-x" "$build/deckgen-pptx" talkx.dvi talkx.pptx
  timed "$work/t-dvipdfmx" dvipdfmx -q -o talkx.pdf talkx.dvi
done
echo "== results: $slides slides, median of $RUNS runs"
for program in $programs; do
  total=$(median <"$work/t-$program")
  awk -v p="$program" -v t="$total" -v n="$slides" \
    'BEGIN { printf "%-14s %7.3f s  %6.1f ms per slide\n", p, t, 1000 * t / n }'
done
command -v dvisvgm >/dev/null || echo "dvisvgm        not installed"
awk -v f="$(median <"$work/t-deckgen-pptx")" -v p="$(median <"$work/t-per-page")" \
  'BEGIN { printf "by frames / one slide per page %.2f (target <= 1.3)\n", f / p }'
echo "== the talk for dvipdfmx"
for program in deckgen-pptx-x dvipdfmx; do
  total=$(median <"$work/t-$program")
  awk -v p="${program%-x}" -v t="$total" -v n="$slides" \
    'BEGIN { printf "%-14s %7.3f s  %6.1f ms per slide\n", p, t, 1000 * t / n }'
done
awk -v a="$(median <"$work/t-deckgen-pptx-x")" -v b="$(median <"$work/t-dvipdfmx")" \
  'BEGIN { printf "deckgen-pptx / dvipdfmx %.2f\n", a / b }'
