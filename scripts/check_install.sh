#!/usr/bin/env bash
# Installs the default build into a temporary prefix and builds a host against it twice (CMake package,
# pkg-config); checks the SONAME, the export list and that nothing points back at the build tree; then
# builds the Debian package, installs it and runs the reference host from it.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$PWD/build
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" >/dev/null
lib=$(find "$prefix" -name 'libolvane.so.*.*' | head -1)
readelf -d "$lib" | grep -q 'SONAME.*libolvane.so.0' || { echo "no SONAME on $lib"; exit 1; }
scripts/check_exports.sh "$lib"
if grep -rIl "$build" "$prefix" >/dev/null; then
  echo "installed files point back at the build tree:"; grep -rIl "$build" "$prefix"; exit 1
fi
for f in "$prefix"/bin/* "$lib"; do
  if readelf -d "$f" 2>/dev/null | grep -E 'RPATH|RUNPATH' | grep -q "$build"; then
    echo "$f has an RPATH into the build tree"; exit 1
  fi
done

for mode in OFF ON; do
  cmake -S tests/consumer -B "$work/consumer-$mode" -G Ninja -DUSE_PKG_CONFIG=$mode \
        -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
  PKG_CONFIG_PATH="$(dirname "$(find "$prefix" -name olvane.pc)")" \
    cmake --build "$work/consumer-$mode" >/dev/null
  LD_LIBRARY_PATH="$(dirname "$lib")" "$work/consumer-$mode/consumer"
done

if [ "${OLVANE_CHECK_DEB:-1}" = 1 ]; then
  (cd "$build" && cpack -G DEB >/dev/null)
  deb=$(ls "$build"/olvane_*.deb | head -1)
  echo "built $(basename "$deb")"
  if [ "$(id -u)" -eq 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
    olvane-host --help >/dev/null
    olvane-host show tests/data/xmp/real_01_basic.xmp | head -5
    DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq olvane >/dev/null
  else
    echo "not root: the package was built but not installed"
  fi
fi
echo "install checks passed"
