#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the tools use, when any is missing.
#   scripts/deps.sh              what the build and the tests need
#   scripts/deps.sh --testdata   also the tools that make olvane-host's test files (not needed to
#                                build or test: the files are in the repository)
#   scripts/deps.sh --windows    also what the 32-bit Windows build needs (mingw-w64, GoogleTest's
#                                sources, 32-bit wine)
set -euo pipefail
packages=(cmake ninja-build g++ gcc-multilib g++-multilib pkg-config libexpat1-dev qt6-base-dev
          libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev clang libclang-rt-14-dev
          clang-format xvfb xauth dpkg-dev file libexempi-dev libqpdf-dev unzip)
windows=0
for arg in "$@"; do
  case "$arg" in
    --testdata) packages+=(libimage-exiftool-perl ffmpeg qpdf python3) ;;
    --windows) windows=1; packages+=(g++-mingw-w64-i686 googletest wine wine32:i386 fonts-wine) ;;
  esac
done
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  # wine32 is an i386 package: the architecture must be known before the lists are read.
  if ((windows)) && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
