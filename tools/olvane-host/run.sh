#!/bin/sh
# run.sh - applies the sample rules to the sample packet and JPEG with olvane-host, as a host would.
#
# Usage: tools/olvane-host/run.sh [olvane-host apply options]   (BUILD_DIR overrides build/)
# Builds olvane-host and the plug-in first when they are missing.
set -eu

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-$root/build}
if [ ! -x "$build/olvane-host" ]; then
    (cd "$root" && cmake --preset default >/dev/null && cmake --build "$build" -j2 --target olvane-host olvane)
fi

# The program looks for the plug-in beside itself; name it when the build put it elsewhere.
if [ ! -e "$build/libolvane.so" ] && [ -e "$build/host/libolvane.so" ]; then
    set -- --plugin "$build/host/libolvane.so" "$@"
fi

cd "$root"
echo "\$ olvane-host apply --rules samples/rules.xml --template title=Title --template tool=Tool \\"
echo "      --template 'author=Author=Jane Example' samples/harbour.xmp samples/harbour.jpg"
status=0
"$build/olvane-host" apply "$@" --rules samples/rules.xml --template title=Title \
    --template tool=Tool --template 'author=Author=Jane Example' \
    samples/harbour.xmp samples/harbour.jpg || status=$?
echo "exit status: $status"
exit "$status"
