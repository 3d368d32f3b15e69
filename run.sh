#!/usr/bin/env bash
# Installs what is missing, builds the plug-in and the reference host, and runs the main job: the
# bundled rules applied to the bundled samples.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)"
scripts/main_job.sh
