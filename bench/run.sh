#!/usr/bin/env bash
# Builds the benchmarks (default preset), generates the packets of 100 to 100,000 properties into
# the build tree, runs the benchmarks and the peak-memory probe, and writes bench/RESULTS.md.
#
#   bench/run.sh             # 9 repetitions per benchmark, interleaved, medians reported
#   OLVANE_BENCH_REPETITIONS=15 bench/run.sh
#
# The repetitions of all benchmarks run in a random order, not one benchmark's after another: on
# a shared machine the load changes over minutes, and a ratio of two medians taken minutes apart
# measures the load as much as the code.
set -euo pipefail
cd "$(dirname "$0")/.."
reps=${OLVANE_BENCH_REPETITIONS:-9}
samples=tests/data/xmp
packets=build/bench/packets
out=bench/RESULTS.md

scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j2 --target olvane_bench olvane_peak_memory olvane_editor_bench
mkdir -p "$packets"
python3 bench/make_packets.py "$packets"

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
raw=$(mktemp)
trap 'rm -f "$raw"' EXIT
build/bench/olvane_bench --samples="$samples" --generated="$packets" \
  --benchmark_repetitions="$reps" --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true | tee "$raw"
editor=$(build/bench/olvane_editor_bench "$packets/synth_n1000.xmp" 5000 5 2>/dev/null)
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

memory_rows=""
verdict="-"
for f in "$samples"/real_*.xmp "$packets"/synth_n*.xmp; do
  name=$(basename "$f" .xmp)
  read -r bytes peak ratio kept < <(build/bench/olvane_peak_memory "$f")
  memory_rows+="| $name | $bytes | $((peak / 1024)) KiB | $ratio | $((kept / 1024)) KiB |"$'\n'
  if [ "$name" = synth_n100000 ]; then
    verdict=$(awk -v r="$ratio" 'BEGIN { print (r <= 4 ? "met" : "**not met**") }')
    memory_target="| peak memory of SetMetaData, 100,000 properties ≤ 4 × packet size | $ratio × | $verdict |"
  fi
done

{
  echo "# Benchmark results"
  echo
  echo "Written by \`bench/run.sh\` (the one command to reproduce them); how the packet path was"
  echo "profiled and what was changed is in [PROFILE.md](PROFILE.md)."
  echo
  echo "## Machine"
  echo
  echo "- CPU: $(lscpu | sed -n 's/^Model name: *//p' | head -1), $(nproc) cores"
  echo "- memory: $(awk '/MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)"
  echo "- system: $(uname -sr), $(. /etc/os-release && echo "$PRETTY_NAME")"
  echo "- compiler: $(g++ --version | head -1); build: preset \`default\` (RelWithDebInfo, -O2)"
  echo "- expat $(pkg-config --modversion expat), exempi $(pkg-config --modversion exempi-2.0 2>/dev/null || echo 'absent'), Google Benchmark $(pkg-config --modversion benchmark 2>/dev/null || echo '?')"
  echo "- commit: $(git rev-parse --short HEAD)$(git diff --quiet HEAD -- . ':!bench/RESULTS.md' || echo ' (with local changes)'), $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "- load average (1, 5, 15 min) before the run: $load_before; after: $load_after. The machine is"
  echo "  shared, so every figure is the median CPU time of $reps repetitions (3 for exempi on the"
  echo "  packets above 1 MiB), the repetitions of all benchmarks run in a random order."
  echo
  echo "## Summary"
  sed -n '/^### Packets/,$p' "$raw"
  echo
  echo "### Peak memory (one SetMetaData in a fresh process)"
  echo
  echo "Peak resident set during the call above the resident set just before it, and what the stored"
  echo "source still holds (resident) after the call."
  echo
  echo "| packet | bytes | peak increase | peak / bytes | resident after |"
  echo "|---|---:|---:|---:|---:|"
  printf '%s' "$memory_rows"
  echo
  echo "| target | measured | verdict |"
  echo "|---|---|---|"
  echo "${memory_target:-| peak memory, 100,000 properties | not measured | - |}"
  echo
  echo "### The editor (Qt view offscreen, source read from synth_n1000, median of 5 runs)"
  echo
  echo "Opening: from SetRulesDialog until the dialog is shown and has handled its first events;"
  echo "closing: from there until SetRulesDialog returns (Cancel and OK in turn)."
  echo
  echo "| rules | opening | closing | runs |"
  echo "|---|---:|---:|---:|"
  grep -v '^TARGET' <<<"$editor"
  echo
  echo "| target | measured | verdict |"
  echo "|---|---|---|"
  sed -n 's/^TARGET //p' <<<"$editor"
  echo
  echo "## Raw output"
  echo
  echo '```'
  sed -n '1,/^### Packets/p' "$raw" | sed '$d'
  echo '```'
} >"$out"
echo "wrote $out"
