#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the tools use, when any is missing.
#   scripts/deps.sh              what the build and the tests need
#   scripts/deps.sh --testdata   also the tools that make olvane-host's test files (not needed to
#                                build or test: the files are in the repository)
set -euo pipefail
packages=(cmake ninja-build g++ gcc-multilib g++-multilib pkg-config libexpat1-dev qt6-base-dev
          libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev clang libclang-rt-14-dev
          clang-format xvfb xauth dpkg-dev file libexempi-dev libqpdf-dev)
if [ "${1:-}" = "--testdata" ]; then
  packages+=(libimage-exiftool-perl ffmpeg qpdf python3)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
