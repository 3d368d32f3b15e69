#!/usr/bin/env bash
# Everything ./run.sh does, then every test of the default build.
set -euo pipefail
cd "$(dirname "$0")"
./run.sh
ctest --preset default -j"$(nproc)"
