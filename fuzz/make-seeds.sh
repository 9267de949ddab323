#!/usr/bin/env bash
# Generates the fuzz seed corpora into OUT_DIR/convert and OUT_DIR/tfm:
#   fuzz/make-seeds.sh BUILD_DIR OUT_DIR
# BUILD_DIR holds the built make_seeds program (the fuzz project's build). The TFM seeds
# add TeX's own cmr10, cmmi10 and logo10 when kpsewhich finds them, and the DVI seeds a
# small plain TeX document when tex is installed (its fonts are not among the built-in
# ones, so it exercises the file structure and font definitions only).
set -euo pipefail

build=${1:?usage: make-seeds.sh BUILD_DIR OUT_DIR}
out=${2:?usage: make-seeds.sh BUILD_DIR OUT_DIR}
mkdir -p "$out/convert" "$out/tfm" "$out/paints"
"$build/make_seeds" "$out/convert" "$out/tfm"
# Virtual fonts for the same target: PSNFSS's Times, when kpsewhich finds it; and a
# bitmap font, when one has been made.
for font in ptmr7t zptmcm7m; do
  vf=$(kpsewhich "$font.vf" 2>/dev/null || true)
  if [ -n "$vf" ]; then cp "$vf" "$out/tfm/$font.vf"; fi
done
pk=$(kpsewhich -dpi=600 -no-mktex=pk cmvtti10.pk 2>/dev/null || true)
if [ -n "$pk" ]; then cp "$pk" "$out/tfm/cmvtti10.600pk"; fi

# The interpreter's records: a fill, a stroke, shadings, an image and a transformation;
# and specials.
clip='m 0 0\nl 300 0\nl 300 300\nl 0 300\nh\ne\n'
printf "o 0.5 0\nf 1 1 0 0\n${clip}m 10 10\nc 20 80 30 70 40 60\nl 50 50\nh\nm 5 5\nl 90 5\nl 5 90\ne\nd 0 1 0 0 1 5 6\n" \
  >"$out/paints/fill"
printf "s 0 0 1 2 1 2 10 0 2 3 1\nm 0 0\nl 9 0\nl 9 9\nh\ne\nm 1 1\nl 50 80\ne\nd 1 undefined\n" \
  >"$out/paints/stroke"
printf "g 2 0 0 100 0 1 0 0 1 0 0 0 1 0 1 0 0 50 0 1 0 100 0 0 1\n${clip}m 0 0\nl 9 0\nl 9 9\ne\n" \
  >"$out/paints/axial"
printf "g 3 0 0 0 5 5 10 1 0 0 1 50 50 0 1 0 1 0 0 1 0 0 1\nm 40 40\nl 60 40\nl 60 60\nh\ne\ne\n" \
  >"$out/paints/radial"
printf "i 2 2 8 3 0 0 0 10 0 0 -10 5 25\nx 00ff00ff000000ff00ff00ff\n${clip}i 8 1 1 0 1 0 0 8 0 0 1 0 0\nx a5\n${clip}" \
  >"$out/paints/image"
printf "M 1 0 0.2\nK 1\ng 2 0 0 100 0 1 0 0 1 0 0 0 1 0 0 0 0 1 1 1 1\n${clip}m 0 0\nl 90 0\nl 90 90\ne\nK 1\nf 0 0 0 0\n${clip}m 10 10\nl 20 10\nl 20 20\nh\ne\nk 1\nf 1 1 0 0\n${clip}m 5 5\nl 95 5\nl 50 95\nh\ne\nk 2\nf 0 0 0 1\n${clip}m 0 0\nl 1 1\ne\n" \
  >"$out/paints/soft-mask"
printf 't 10 90 20 90 12 A Helvetica\nt 20 90 30 90 12 ff Times-Roman\nd 0\n' >"$out/paints/glyphs"
printf 'psfile="figure.eps" llx=10 lly=20 urx=30 ury=40 rwi=200 clip' >"$out/paints/psfile"
printf 'ps::[begin] 1 2 moveto' >"$out/paints/literal"
# dvipdfmx's specials: content, a form, objects, an image and a transformation.
printf 'pdf:code q 0.5 w [1 2] 0 d 1 0 0 RG 0 0 m 10 10 l 5 5 20 20 re W n S (x) Tj BT ET Q' \
  >"$out/paints/pdf-code"
printf 'pdf:bxobj @f width 10pt height 5bp depth 1mm' >"$out/paints/pdf-bxobj"
printf 'pdf:put @resources << /ExtGState @g /Shading << /Sh << /ShadingType 2 /Coords [0 0 1 1] /Function << /FunctionType 2 /N 1 >> >> >> /X [1 0 R] >>' \
  >"$out/paints/pdf-put"
printf 'pdf:image bbox 0 0 30 20 clip 1 width 2cm rotate 30 page 2 pagebox cropbox (photo.png) <</Interpolate true>>' \
  >"$out/paints/pdf-image"
printf 'pdf:btrans matrix 1 0 0.5 1 3 4' >"$out/paints/pdf-btrans"
printf 'pdf:pagesize width 10truecm height 5in' >"$out/paints/pdf-pagesize"

if command -v kpsewhich >/dev/null; then
  # TeX's fonts, pTeX's and upTeX's JFM fonts (horizontal and vertical), and the CMaps
  # that map their codes, cut to the length the target reads.
  for font in cmr10 cmmi10 logo10 min10 tmin10 jis upjisr-h upjisr-v; do
    path=$(kpsewhich "$font.tfm" || true)
    [ -n "$path" ] && cp "$path" "$out/tfm/tex-$font.tfm"
  done
  for cmap in H V UniJIS-UTF16-V; do
    path=$(kpsewhich -format=cmap "$cmap" || true)
    [ -n "$path" ] && head -c 2048 "$path" >"$out/tfm/cmap-$cmap"
  done
fi

if command -v tex >/dev/null; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  printf '%s\n' '\special{color push rgb 1 0 0}Hello \special{color pop}\hrule' \
    'world $x^2$\vrule width 1pt\eject Page two\bye' >"$work/plain.tex"
  if (cd "$work" && tex -interaction=batchmode plain.tex >/dev/null 2>&1); then
    cp "$work/plain.dvi" "$out/convert/tex-plain.dvi"
  fi
fi
# XeTeX's XDV (native fonts, glyph runs) and pTeX's DVI (JFM fonts, vertical text).
if command -v xelatex >/dev/null; then
  work=$(mktemp -d)
  printf '%s\n' '\documentclass{article}\usepackage{fontspec}\setmainfont{DejaVuSans.ttf}' \
    '\begin{document}office {\fontspec{DejaVuSans.ttf}[FakeSlant=0.2,Color=FF000080] x}\end{document}' \
    >"$work/x.tex"
  if (cd "$work" && xelatex -no-pdf -interaction=batchmode x.tex >/dev/null 2>&1); then
    cp "$work/x.xdv" "$out/convert/xetex.xdv"
  fi
  rm -rf "$work"
fi
if command -v platex >/dev/null; then
  work=$(mktemp -d)
  printf '%s\n' '\documentclass{jarticle}\usepackage{plext}\begin{document}' \
    '日本語\begin{minipage}<t>{2cm}縦書き、A\end{minipage}\end{document}' >"$work/p.tex"
  if (cd "$work" && platex -interaction=batchmode p.tex >/dev/null 2>&1); then
    cp "$work/p.dvi" "$out/convert/ptex.dvi"
  fi
  rm -rf "$work"
fi
echo "seeds: $(ls "$out/convert" | wc -l) DVI, $(ls "$out/tfm" | wc -l) TFM in $out"
