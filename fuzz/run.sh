#!/usr/bin/env bash
# Builds the fuzz targets (preset fuzz, clang) and runs each for SECONDS (default 60), seeded from
# fuzz/corpus/ and the packets of tests/data/xmp. Exits non-zero on the first finding (crash, broken
# invariant, leak, timeout, out of memory). Working corpora, logs and findings go to fuzz-out/.
#   fuzz/run.sh [seconds] [packet|packet_paths|rules|host_misuse|packet_choice ...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(packet packet_paths rules host_misuse packet_choice)
fi
samples=tests/data/xmp

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc)"

out=fuzz-out
mkdir -p "$out"
for t in "${targets[@]}"; do
  dir=$out/$t
  mkdir -p "$dir/corpus" "$dir/findings"
  options=(-max_total_time="$seconds" -timeout=30 -close_fd_mask=1 -print_final_stats=1
           -artifact_prefix="$dir/findings/")
  case $t in
    packet | packet_paths)
      cp fuzz/corpus/packet/* "$dir/corpus/"
      cp "$samples"/*.xmp "$dir/corpus/"
      options+=(-max_len=24576 -dict=fuzz/dict/xmp.dict)
      ;;
    rules)
      # The seeds are kept as UTF-8 text; the target reads UTF-16LE.
      for f in fuzz/corpus/rules/*; do
        iconv -f UTF-8 -t UTF-16LE "$f" >"$dir/corpus/$(basename "$f").utf16"
      done
      options+=(-max_len=8192 -dict=fuzz/dict/rules.dict)
      ;;
    host_misuse)
      cp fuzz/corpus/host/* "$dir/corpus/"
      options+=(-max_len=4096)
      ;;
    packet_choice)
      # olvane-host's test files: one of each container, whole.
      cp tools/olvane-host/testdata/*.* samples/harbour.jpg "$dir/corpus/"
      rm -f "$dir/corpus/README.md"
      options+=(-max_len=16384)
      ;;
    *)
      echo "unknown target $t" >&2
      exit 2
      ;;
  esac
  echo "== $t: ${seconds}s"
  status=0
  build-fuzz/fuzz/${t}_fuzzer "${options[@]}" "$dir/corpus" >"$dir/log.txt" 2>&1 || status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log.txt" | tail -1)
  echo "$t: ${execs:-0} executions in ${seconds}s, corpus $(ls "$dir/corpus" | wc -l) inputs"
  if [ "$status" -ne 0 ]; then
    echo "== $t: FINDING (exit $status); the input is in $dir/findings/, the log in $dir/log.txt"
    grep -E "ERROR|invariant broken|SUMMARY|Test unit written" "$dir/log.txt" | head -20 || true
    exit 1
  fi
done
echo "== fuzzing: no finding"
