#!/bin/sh
# measure_1gb.sh - peak memory of "olvane-host show" on 1 GiB files whose packet sits at the end.
#
# Usage: tools/olvane-host/measure_1gb.sh [BUILD_DIR] [olvane-host options, e.g. --plugin PATH]
#
# Makes a sparse 1 GiB file in /tmp followed by the sample packet and runs show on it under
# /usr/bin/time -v, printing the peak resident set size: scanned as a file and as a pipe on standard
# input (copied to a temporary file first); with a stray packet start at the beginning, which the
# scanner must give up without holding the rest of the file; and as an MP4 whose 1 GiB media box
# comes before the XMP box, which the format reader must jump over. The files are deleted.
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

report() {
    label=$1
    rss=$(sed -n 's/^\s*Maximum resident set size (kbytes): //p' "$log")
    wall=$(sed -n 's/^\s*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$log")
    printf '%-42s peak RSS %6d KiB (%d MiB), %s wall\n' "$label" "$rss" $((rss / 1024)) "$wall"
}

fail() {
    grep -v '^\s' "$log" >&2 || true
    echo "measure_1gb.sh: olvane-host show failed" >&2
    exit 1
}

run() {
    label=$1
    shift
    /usr/bin/time -v "$exe" "$@" show "$file" >/dev/null 2>"$log" || fail
    report "$label"
}

truncate -s 1G "$file"
cat "$root/samples/harbour.xmp" >>"$file"
run "1 GiB, packet at the end:" "$@"

cat "$file" | { /usr/bin/time -v "$exe" "$@" show - >/dev/null 2>"$log" || fail; }
report "1 GiB through a pipe, packet at the end:"

printf '<?xpacket begin="" id="stray"?>' | dd of="$file" conv=notrunc status=none
run "1 GiB, stray packet start first:" "$@"

# ftyp, then an mdat box of 1 GiB (size 1: a 64-bit size follows), then moov/udta/XMP_.
be32() {
    printf "$(printf '\\%03o\\%03o\\%03o\\%03o' $(($1 >> 24 & 255)) $(($1 >> 16 & 255)) \
        $(($1 >> 8 & 255)) $(($1 & 255)))"
}
packet=$(wc -c <"$root/samples/harbour.xmp")
{
    be32 16 && printf 'ftypqt  ' && be32 0
    be32 1 && printf 'mdat' && be32 0 && be32 $((16 + (1 << 30)))
} >"$file"
truncate -s $((32 + (1 << 30))) "$file"
{
    be32 $((packet + 24)) && printf 'moov'
    be32 $((packet + 16)) && printf 'udta'
    be32 $((packet + 8)) && printf 'XMP_'
    cat "$root/samples/harbour.xmp"
} >>"$file"
run "1 GiB MP4, XMP box after the media:" "$@"
"$exe" "$@" show "$file" | grep -q "QuickTime XMP_ box" || { echo "measure_1gb.sh: the MP4's box was not read" >&2; exit 1; }
