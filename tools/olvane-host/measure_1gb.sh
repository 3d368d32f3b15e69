#!/bin/sh
# measure_1gb.sh - peak memory of "olvane-host show" on a 1 GB file whose packet sits at its end.
#
# Usage: tools/olvane-host/measure_1gb.sh [BUILD_DIR] [olvane-host options, e.g. --plugin PATH]
#
# Makes a sparse 1 GiB file in /tmp followed by the sample packet, runs show under /usr/bin/time -v
# and prints the peak resident set size; then the same with a stray packet start at the beginning,
# which the scanner must give up without holding the rest of the file. The files are deleted.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build}
[ $# -gt 0 ] && shift
exe=$build/olvane-host
[ -x "$exe" ] || { echo "measure_1gb.sh: $exe not built" >&2; exit 2; }

file=$(mktemp /tmp/olvane-host-1gb.XXXXXX)
log=$(mktemp /tmp/olvane-host-1gb-time.XXXXXX)
trap 'rm -f "$file" "$log"' EXIT INT TERM

run() {
    label=$1
    shift
    if ! /usr/bin/time -v "$exe" "$@" show "$file" >/dev/null 2>"$log"; then
        grep -v '^\s' "$log" >&2 || true
        echo "measure_1gb.sh: olvane-host show failed" >&2
        exit 1
    fi
    rss=$(sed -n 's/^\s*Maximum resident set size (kbytes): //p' "$log")
    wall=$(sed -n 's/^\s*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$log")
    printf '%-40s peak RSS %6d KiB (%d MiB), %s wall\n' "$label" "$rss" $((rss / 1024)) "$wall"
}

truncate -s 1G "$file"
cat "$root/samples/harbour.xmp" >>"$file"
run "1 GiB, packet at the end:" "$@"

printf '<?xpacket begin="" id="stray"?>' | dd of="$file" conv=notrunc status=none
run "1 GiB, stray packet start first:" "$@"
