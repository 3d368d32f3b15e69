#!/usr/bin/env bash
# The main job: the reference host applies the bundled rules to the bundled samples.
set -euo pipefail
cd "$(dirname "$0")/.."
exec tools/olvane-host/run.sh
