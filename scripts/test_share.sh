#!/usr/bin/env bash
# The size of the test suite against the code it tests: non-blank, non-comment lines of C and C++.
# Test code is every *_test.* file, everything under tests/ and fuzz/, and the test-only support files
# and fakes beside the code; code is every other C or C++ file outside bench/. Fails above 0.33.
#   scripts/test_share.sh          prints both counts and the ratio
#   scripts/test_share.sh -v       also prints each file with its count and side
set -euo pipefail
cd "$(dirname "$0")/.."
max=0.33

# Test-only files that sit beside the code they serve (paths relative to the repository).
is_test() {
    case "$1" in
    tests/* | fuzz/* | */tests/* | */test/*) return 0 ;;
    *_test.c | *_test.cc | *_test.cpp | *_test.h | *_tests.cpp | *_fuzzer.cpp) return 0 ;;
    *test_support* | *test_util* | *test_peer* | */test_*.* | */fake_*.*) return 0 ;;
    # The Windows editor's tests: the operator that works the dialog and holds it to the template.
    dialog/win32_operator.*) return 0 ;;
    platform/win32/msxml_slots_system.cpp) return 0 ;;  # the MSXML test's slot table
    esac
    return 1
}

# Tracked and new (not ignored) files, so that work in progress counts too.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    files=$(git ls-files --cached --others --exclude-standard | sort -u)
else
    files=$(find . -path ./build\* -prune -o -type f -print | sed 's|^\./||' | sort)
fi
sources=$(grep -E '\.(c|cc|cpp|h|hpp)$' <<<"$files" | grep -v '^bench/' || true)

# Lines left once comments are removed; strings and character literals are skipped so that a "//"
# inside one does not start a comment.
count_lines() {
    awk '
    {
        out = ""; i = 1; n = length($0)
        while (i <= n) {
            c = substr($0, i, 1); two = substr($0, i, 2)
            if (inblock) {
                if (two == "*/") { inblock = 0; i += 2 } else i++
                continue
            }
            if (two == "/*") { inblock = 1; i += 2; continue }
            if (two == "//") break
            if (c == "\"" || c == "\x27") {
                q = c; out = out c; i++
                while (i <= n && substr($0, i, 1) != q) {
                    if (substr($0, i, 1) == "\\") { out = out "\\"; i++ }
                    out = out substr($0, i, 1); i++
                }
                out = out q; i++
                continue
            }
            out = out c; i++
        }
        if (out ~ /[^ \t\r]/) lines++
    }
    END { print lines + 0 }' "$1"
}

verbose=0
[ "${1:-}" = "-v" ] && verbose=1
test_lines=0
code_lines=0
while IFS= read -r f; do
    [ -n "$f" ] && [ -f "$f" ] || continue
    n=$(count_lines "$f")
    if is_test "$f"; then
        test_lines=$((test_lines + n))
        side=test
    else
        code_lines=$((code_lines + n))
        side=code
    fi
    ((verbose)) && printf '%6d  %-4s  %s\n' "$n" "$side" "$f"
done <<<"$sources"

ratio=$(awk -v t="$test_lines" -v c="$code_lines" 'BEGIN { printf "%.3f", c ? t / c : 0 }')
echo "test code: $test_lines lines; code: $code_lines lines; share: $ratio"
if awk -v r="$ratio" -v m="$max" 'BEGIN { exit !(r > m) }'; then
    echo "the tests are more than $max of the code"
    exit 1
fi
