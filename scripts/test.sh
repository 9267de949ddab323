#!/usr/bin/env bash
# Builds deckgen and runs every test: the whole suite, the suite again under
# AddressSanitizer and UndefinedBehaviorSanitizer, and a short run of each fuzz target.
# Installs the Debian packages it needs when they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."

# Beyond the build: clang for the fuzz targets; beamer, dvipng, poppler and LibreOffice
# Impress for the presentation checks (TeX's own rendering against the slides).
bash scripts/install-deps.sh clang libclang-rt-14-dev texlive-latex-recommended dvipng \
  poppler-utils libreoffice-impress

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDECKGEN_TESTS=ON
cmake --build build -j 2
ctest --test-dir build --output-on-failure

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DDECKGEN_SANITIZE=ON
cmake --build build-sanitize -j 2
ctest --test-dir build-sanitize --output-on-failure

if [ -f scripts/fuzz-smoke.sh ]; then
  bash scripts/fuzz-smoke.sh
fi
