#!/usr/bin/env bash
# check_layers.sh [source dir] - fails when a file includes a header from a layer above its own.
#
# The layers, top to bottom: host, dialog, metadata, rules, zev, platform, include/olvane. A file
# may include from its own layer and those below; a compiler would accept an include that points up,
# so nothing else stops one. tests/, fuzz/ and bench/ sit above every layer (tests beside the code
# follow their folder's rule, but any test may include the tests' shared helper, tests/support/);
# tools/ holds host programs, which see only the public header. Only platform/ may include its
# backends (platform/posix/, platform/win32/), and a backend never includes the other.
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"

find include platform zev rules metadata dialog host tests fuzz bench tools -type f \
    \( -name '*.h' -o -name '*.hpp' -o -name '*.c' -o -name '*.cpp' -o -name '*.inc' \) -print0 \
    2>/dev/null | sort -z |
    xargs -0 grep -HnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"][^">]+/' /dev/null |
    awk '
    BEGIN {
        split("include olvane platform zev rules metadata dialog host tests fuzz bench tools", names, " ")
        split("0 0 1 2 3 4 5 6 7 7 7 7", ranks, " ")
        for (i in names) rank[names[i]] = ranks[i]
    }
    function fail(message) {
        print where ": " message > "/dev/stderr"
        failures++
    }
    {
        split($0, at, ":")
        file = at[1]
        where = at[1] ":" at[2]
        path = $0
        sub(/^[^#]*#[[:space:]]*include[[:space:]]*[<"]/, "", path)
        sub(/[">].*$/, "", path)
        folder = file; sub(/\/.*/, "", folder)
        top = path; sub(/\/.*/, "", top)
        if (!(top in rank)) next  # a system or third-party header
        # The tests shared helper (tests/support/) serves every test, wherever it sits.
        if (path ~ /^tests\/support\// && file ~ /(_test\.|_test_support\.|test_)[^\/]*$/) next
        if (folder == "tools") {
            if (top != "olvane") fail("a host program includes " path " (only olvane/olvane.h)")
            next
        }
        if (rank[top] > rank[folder]) fail(folder "/ includes " path " from a layer above it")
        if (path ~ /^platform\/(posix|win32)\//) {
            backend = path; sub(/^platform\//, "", backend); sub(/\/.*/, "", backend)
            if (folder != "platform") {
                fail(folder "/ includes the platform backend header " path)
            } else if (file ~ /^platform\/(posix|win32)\// && file !~ "^platform/" backend "/") {
                fail("one platform backend includes the other'"'"'s " path)
            }
        }
    }
    END {
        if (failures > 0) {
            print "check_layers: " failures " include(s) point up the layer order" > "/dev/stderr"
            exit 1
        }
        print "check_layers: every include points down the layer order"
    }'
