#!/usr/bin/env bash
# olvane-host.exe (the 32-bit Windows build, under wine) prints what olvane-host (Linux) prints for
# show and apply on the bundled samples, in table and JSON form, with the same exit statuses.
# Windows ends lines with CR LF; that is the only difference allowed.
set -euo pipefail
cd "$(dirname "$0")/.."
linux=${1:-build/olvane-host}
windows=${2:-build-win32/olvane-host.exe}
runs=(
  "show samples/harbour.xmp"
  "show samples/harbour.jpg"
  "show --json samples/harbour.xmp samples/harbour.jpg"
  "apply --rules samples/rules.xml --template title=Title --template tool=Tool --template author=Author=Jane_Example samples/harbour.xmp samples/harbour.jpg"
  "apply --json --rules samples/rules.xml --template title=Title samples/harbour.xmp"
  "show samples/no-such-file.xmp"
)
status=0
for run in "${runs[@]}"; do
  # shellcheck disable=SC2086
  set +e
  expected=$("$linux" $run 2>&1); expected_status=$?
  got=$(scripts/wine-run.sh "$windows" $run 2>&1 | tr -d '\r'); got_status=${PIPESTATUS[0]}
  set -e
  if [ "$expected" != "$got" ] || [ "$expected_status" != "$got_status" ]; then
    echo "differs: olvane-host $run (exit $expected_status, Windows $got_status)"
    diff <(echo "$expected") <(echo "$got") || true
    status=1
  fi
done
[ $status -eq 0 ] && echo "olvane-host.exe prints what olvane-host prints (${#runs[@]} runs)"
exit $status
