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
mkdir -p "$out/convert" "$out/tfm"
"$build/make_seeds" "$out/convert" "$out/tfm"

if command -v kpsewhich >/dev/null; then
  for font in cmr10 cmmi10 logo10; do
    path=$(kpsewhich "$font.tfm" || true)
    [ -n "$path" ] && cp "$path" "$out/tfm/tex-$font.tfm"
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
echo "seeds: $(ls "$out/convert" | wc -l) DVI, $(ls "$out/tfm" | wc -l) TFM in $out"
