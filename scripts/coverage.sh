#!/usr/bin/env bash
# Line coverage of the library (platform, zev, rules, metadata, dialog, host; tests, test support
# and fakes left out) by the default test run: builds the coverage preset (gcov), runs the tests
# and prints gcovr's summary. Needs gcovr (installed when missing).
#   scripts/coverage.sh            build-coverage/, summary on standard output
#   scripts/coverage.sh --files    one line per source file as well
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v gcovr >/dev/null; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends gcovr
fi
cmake --preset coverage >/dev/null
cmake --build --preset coverage -j2
find build-coverage -name '*.gcda' -delete
ctest --preset coverage -j2 >build-coverage/ctest.log || {
    tail -30 build-coverage/ctest.log
    exit 1
}
# gcc sometimes writes a negative branch count, which gcovr would refuse whole.
report=(--print-summary --gcov-ignore-parse-errors)
[ "${1:-}" = "--files" ] || report+=(--txt /dev/null)
gcovr -r . build-coverage --filter '(platform|zev|rules|metadata|dialog|host|include)/' \
    --exclude '.*_test\.(c|cc|cpp|h)$' --exclude '.*(test_support|test_util|test_peer|/test_|/fake_).*' \
    "${report[@]}"
