#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the tools use, when any is missing.
set -euo pipefail
packages=(cmake ninja-build g++ gcc-multilib g++-multilib pkg-config libexpat1-dev qt6-base-dev
          libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev clang libclang-rt-14-dev
          clang-format xvfb xauth dpkg-dev file libexempi-dev)
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
