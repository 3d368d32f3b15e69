#!/usr/bin/env bash
# The main job: the reference host applies the bundled rules to the bundled samples.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -x build/olvane-host ] && [ -d samples ]; then
  exec samples/run-samples.sh build/olvane-host
fi
exec build/tests/demo_host build/libolvane.so
