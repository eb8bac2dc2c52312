#!/usr/bin/env bash
# Every benchmark in one run, one after another, so that their ratios share the machine's
# state: the host benchmarks of the data files and the key decision, the hook's cost under
# Wine, key latency, chord to program start, start-up and memory at rest.
#     bench/run-all.sh
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
[ -x build/bench/bench/data_bench ] || scripts/build.sh bench
[ -x build/win64/bench/hook_cost_bench.exe ] || scripts/build.sh win64
export VAKRO_BUILD_DIR=$repo/build/win64

echo "== machine: $(nproc) cores, $(uname -r), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "== data files (host, Release)"
build/bench/bench/data_bench --benchmark_min_time=0.5 2>/dev/null | sed -n "/^Benchmark/,\$p"
echo "== key decision (host, Release)"
build/bench/bench/engine_bench --benchmark_min_time=0.5 2>/dev/null | sed -n "/^Benchmark/,\$p"
echo "== hook cost per key event (Wine)"
(source scripts/wine-env.sh && source scripts/xvfb.sh && start_xvfb >/dev/null &&
 scripts/wine-run.sh build/win64/bench/hook_cost_bench.exe; status=$?; "$WINESERVER" -k; stop_xvfb; exit $status)
echo "== key latency"
python3 bench/key_latency.py 200 2
echo "== chord to program start"
python3 bench/chord_launch.py 20
echo "== start-up"
python3 bench/startup.py 10
echo "== memory at rest"
python3 bench/memory.py 3 0,1000,10000 --breakdown
