#!/usr/bin/env bash
# Builds deckgen and deckgen-pptx, typesets example/example.tex and converts it into a
# PowerPoint web archive (.mht) and an Office Open XML presentation (.pptx).
# Run from the repository root: bash scripts/example.sh
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DDECKGEN_TESTS=OFF
make -C build -j2 deckgen deckgen-pptx

mkdir -p example/out
cp example/example.tex example/out/
(cd example/out && latex -interaction=nonstopmode -halt-on-error example.tex >/dev/null) || {
  echo "latex failed; see example/out/example.log" >&2
  exit 1
}
build/deckgen example/out/example.dvi example/out/example.mht
build/deckgen-pptx example/out/example.dvi example/out/example.pptx
echo "Wrote $(pwd)/example/out/example.mht"
echo "Wrote $(pwd)/example/out/example.pptx"
