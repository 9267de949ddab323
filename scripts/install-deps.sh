#!/usr/bin/env bash
# Installs the Debian packages that deckgen's build, tests and example need, when they
# are missing. Run as root, or as a user who may use sudo.
set -euo pipefail

packages=(g++ cmake make pkgconf libgtest-dev libzip-dev libdeflate-dev libfreetype-dev
          libunistring-dev libpolyclipping-dev libpng-dev liblcms2-dev libpotrace-dev ghostscript python3
          texlive-binaries texlive-base texlive-latex-base texlive-fonts-recommended lmodern
          cm-super "$@")
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
