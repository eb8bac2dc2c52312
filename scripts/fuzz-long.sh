#!/usr/bin/env bash
# Long fuzz runs: every libFuzzer target of build/fuzz (AddressSanitizer and UBSan) for SECONDS
# each (default 600), one after another, from the seed corpus in fuzz/corpus. New inputs and
# any crash go to build/fuzz/long/; the seed corpus is only read.
#     scripts/fuzz-long.sh [SECONDS]
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
cd "$repo"
[ -d build/fuzz/fuzz ] || scripts/build.sh fuzz
status=0
for target in build/fuzz/fuzz/*_fuzz; do
  [ -f "$target" ] && [ -x "$target" ] || continue
  name=$(basename "$target")
  work=build/fuzz/long/$name
  mkdir -p "$work/corpus"
  echo "== $name for $seconds s"
  if "$target" -max_total_time="$seconds" -max_len=65536 -print_final_stats=1 \
       -artifact_prefix="$work/" "$work/corpus" "fuzz/corpus/$name" >"$work/log.txt" 2>&1; then
    echo "   no findings: $(grep -E '^stat::number_of_executed_units' "$work/log.txt" | awk '{print $2}') inputs"
  else
    echo "   FINDING: see $work/log.txt"; status=1
  fi
done
exit $status
