#!/usr/bin/env bash
# Plants the faults of tests/faults/faults.txt one at a time and records which the default test run
# catches. Works on a copy of this tree (build-faults/src, built incrementally with -j2 in
# build-faults/src/build), so the tree itself is never touched and work can go on meanwhile; each
# planted file is put back byte for byte before the next fault.
#
#   scripts/plant_faults.sh [--out FILE] [--no-sync] [ID...]
#                      plant all faults (or the IDs given); results to FILE (default
#                      build-faults/results.tsv); --no-sync plants in the copy as it stands
#   scripts/plant_faults.sh --check                only check that every fault applies exactly once
#   scripts/plant_faults.sh --report BEFORE AFTER  the two result files as a Markdown table
#
# A result line is: id, caught / missed / no-build, the test programs and cases that failed.
set -euo pipefail
cd "$(dirname "$0")/.."
shopt -u patsub_replacement 2>/dev/null || true
root=$PWD
faults_file=tests/faults/faults.txt
work=${OLVANE_FAULTS_DIR:-$root/build-faults}
src=$work/src
out=$work/results.tsv

ids=() files=() whats=() olds=() news=()
# Blocks of "[id] path", a description line, "- " lines (the text as it stands) and "+ " lines
# (what it becomes); several "- " or "+ " lines make a text of several lines.
load_faults() {
    local line n=-1
    while IFS= read -r line || [ -n "$line" ]; do
        case "$line" in
        '#'* | '') continue ;;
        '['*)
            n=$((n + 1))
            ids[n]=${line%%]*}
            ids[n]=${ids[n]#[}
            files[n]=${line#*] }
            whats[n]="" olds[n]="" news[n]=""
            ;;
        '- '*) olds[n]+=${olds[n]:+$'\n'}${line#- } ;;
        '+ '*) news[n]+=${news[n]:+$'\n'}${line#+ } ;;
        *) whats[n]=$line ;;
        esac
    done <"$faults_file"
}

# The number of times text occurs in the file.
occurrences() {
    local content rest count=0
    content=$(<"$1")
    rest=$content
    while [[ $rest == *"$2"* ]]; do
        count=$((count + 1))
        rest=${rest#*"$2"}
    done
    echo "$count"
}

check_all() {
    local i bad=0 n
    for i in "${!ids[@]}"; do
        n=$(occurrences "${files[i]}" "${olds[i]}")
        if [ "$n" != 1 ] || [ -z "${news[i]}" ]; then
            echo "fault ${ids[i]}: its text occurs $n times in ${files[i]}" >&2
            bad=1
        fi
    done
    return $bad
}

# Replaces the fault's text in the copy (the file's last newline kept as it was).
plant() {
    local file=$src/$1 content
    content=$(
        cat "$file"
        echo x
    )
    content=${content%x}
    printf '%s' "${content/"$2"/"$3"}" >"$file"
}

# Brings the copy up to date with the tree: changed files are copied (with a new time stamp, so that
# they are rebuilt), files gone from the tree are removed.
sync_copy() {
    mkdir -p "$src"
    git ls-files --cached --others --exclude-standard | sort -u >"$work/manifest.new"
    while IFS= read -r f; do
        [ -f "$f" ] || continue
        if ! cmp -s "$f" "$src/$f"; then
            mkdir -p "$src/$(dirname "$f")"
            cp "$f" "$src/$f"
        fi
    done <"$work/manifest.new"
    if [ -f "$work/manifest" ]; then
        comm -23 "$work/manifest" "$work/manifest.new" | while IFS= read -r f; do
            rm -f "$src/$f"
        done
    fi
    mv "$work/manifest.new" "$work/manifest"
}

build() {
    (cd "$src" && cmake --build build -j2) >"$work/build.log" 2>&1
}

# Runs the default test run; prints the test programs and the test cases that failed, fails when
# any did.
run_tests() {
    local status=0
    (cd "$src" && ctest --preset default -j2 --timeout 300 --output-on-failure) \
        >"$work/ctest.log" 2>&1 || status=$?
    {
        sed -n 's/^[[:space:]]*[0-9]* - \([^ ]*\) .*/\1/p' "$work/ctest.log"
        sed -n 's/^\[  FAILED  \] \([^ ]*\.[^ ]*\).*/\1/p' "$work/ctest.log"
    } | sort -u | paste -sd, -
    return $status
}

report() {
    local before=$1 after=$2
    echo "| fault | file | what it does | before | after |"
    echo "|---|---|---|---|---|"
    local i b a
    for i in "${!ids[@]}"; do
        b=$(awk -F'\t' -v id="${ids[i]}" '$1 == id { print $2 }' "$before")
        a=$(awk -F'\t' -v id="${ids[i]}" '$1 == id { print $2 }' "$after")
        echo "| ${ids[i]} | \`${files[i]}\` | ${whats[i]} | ${b:--} | ${a:--} |"
    done
    for f in "$before" "$after"; do
        echo
        echo "$(basename "$f" .tsv): $(grep -c $'\tcaught' "$f") caught of $(wc -l <"$f") planted"
    done
}

load_faults
case "${1:-}" in
--check)
    check_all && echo "${#ids[@]} faults, each applies exactly once"
    exit
    ;;
--report)
    report "$2" "$3"
    exit
    ;;
esac
sync=1
while [ $# -gt 0 ]; do
    case "$1" in
    --out)
        out=$(realpath -m "$2")
        shift 2
        ;;
    --no-sync)
        sync=0
        shift
        ;;
    *) break ;;
    esac
done
check_all

mkdir -p "$work"
((sync)) && sync_copy
if [ ! -f "$src/build/build.ninja" ]; then
    (cd "$src" && cmake --preset default -DOLVANE_BUILD_BENCH=OFF) >"$work/configure.log"
fi
build || {
    echo "the unchanged copy does not build; see $work/build.log" >&2
    exit 1
}
run_tests >/dev/null || {
    echo "the unchanged copy fails its tests; see $work/ctest.log" >&2
    exit 1
}

: >"$out"
for i in "${!ids[@]}"; do
    if [ $# -gt 0 ] && [[ " $* " != *" ${ids[i]} "* ]]; then
        continue
    fi
    file=${files[i]}
    if [ "$(occurrences "$src/$file" "${olds[i]}")" != 1 ]; then
        printf '%s\t%s\t\n' "${ids[i]}" "not-applicable" | tee -a "$out"
        continue
    fi
    cp "$src/$file" "$work/original"
    plant "$file" "${olds[i]}" "${news[i]}"
    if ! build; then
        verdict=no-build failed=""
        cp "$work/build.log" "$work/build-${ids[i]}.log"
    elif failed=$(run_tests); then
        verdict=missed
    else
        verdict=caught
    fi
    cp "$work/original" "$src/$file"  # a new time stamp: the next build compiles it again
    cmp -s "$src/$file" "$work/original" || {
        echo "could not restore $file" >&2
        exit 1
    }
    printf '%s\t%s\t%s\n' "${ids[i]}" "$verdict" "$failed" | tee -a "$out"
done
echo "$(grep -c $'\tcaught' "$out") of $(wc -l <"$out") faults caught; results in $out"
