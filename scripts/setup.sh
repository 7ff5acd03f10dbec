#!/usr/bin/env bash
# Installs every build and test dependency from Debian's archive, once:
# packages already present are left alone, and the package lists are
# refreshed only when something is missing. The damage kit, which makes the
# tests' catalogue of damaged files, needs python3, ghostscript and groff
# (groff-base lacks its PDF device).
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config flex bison zlib1g-dev libssl-dev libidn-dev
  qt6-base-dev qt6-qpa-plugins qt6-translations-l10n libgl-dev fonts-wqy-microhei
  libpoppler-qt6-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qpdf poppler-utils clang libclang-rt-14-dev strace
  python3 ghostscript groff
  xvfb xauth desktop-file-utils dpkg-dev file
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
