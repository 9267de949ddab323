#!/usr/bin/env bash
# Builds deckgen and runs every test: the whole suite built by GCC, deckgen-pptx's bounds
# on hostile PostScript, the suite again built by clang under AddressSanitizer and
# UndefinedBehaviorSanitizer, both with warnings as errors, the installation, and a short
# run of each fuzz target.
# Installs the Debian packages it needs when they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."

# Beyond the build: clang for the sanitizer build and the fuzz targets; beamer, TikZ,
# pgfplots and PSTricks, XeTeX and pTeX with their Chinese and Japanese fonts, poppler, LibreOffice Impress and Debian's Python with
# numpy, PIL and lxml for the presentation checks (TeX's own rendering against the
# slides, the OOXML schemas).
bash scripts/install-deps.sh clang libclang-rt-14-dev texlive-latex-recommended texlive-pictures \
  texlive-pstricks texlive-xetex texlive-lang-japanese texlive-lang-chinese fonts-texgyre fonts-noto-cjk \
  poppler-utils libreoffice-impress python3-numpy python3-pil python3-lxml fonts-dejavu-core

# Every test must run: the end-to-end tests skip themselves when a tool is missing,
# which the packages above rule out, so a skip here means a broken set-up.
run_suite() {
  ctest --test-dir "$1" --output-on-failure | tee "$1/ctest.log"
  if grep -q "tests did not run" "$1/ctest.log"; then
    echo "test.sh: some tests were skipped (a tool is missing)" >&2
    exit 1
  fi
}

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDECKGEN_TESTS=ON -DDECKGEN_WERROR=ON \
  -DCMAKE_CXX_COMPILER=g++
cmake --build build -j 2
run_suite build
# deckgen-pptx's memory and time stay bounded on hostile PostScript.
bash fuzz/memory-check.sh --pptx build/deckgen-pptx

# What `cmake --install` puts in place: both programs and their manual pages.
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install build --prefix "$prefix" >/dev/null
for file in bin/deckgen bin/deckgen-pptx share/man/man1/deckgen.1 share/man/man1/deckgen-pptx.1; do
  [ -e "$prefix/$file" ] || { echo "test.sh: cmake --install did not install $file" >&2; exit 1; }
done

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DDECKGEN_SANITIZE=ON -DDECKGEN_WERROR=ON \
  -DCMAKE_CXX_COMPILER=clang++
cmake --build build-sanitize -j 2
run_suite build-sanitize

if [ -f scripts/fuzz-smoke.sh ]; then
  bash scripts/fuzz-smoke.sh
fi
