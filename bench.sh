#!/usr/bin/env bash
# Installs what is missing, builds in Release mode into build-bench/ and runs the benchmarks:
# the Google Benchmark report, then a short table of the figures and their ratios to the
# baselines measured in the same run, then the start of the whole program under Xvfb (time to
# its window, memory) beside a plain Qt window.
# The computer player's decision times take many minutes and run only with --computer (alone,
# or with the others: --all). Further arguments go to the benchmark program (for example
# --benchmark_filter=Click).
set -euo pipefail
WW_ROOT="$(cd "$(dirname "$0")" && pwd)"
. "$WW_ROOT/setup.sh"
WW_EXTRA_PACKAGES="$ww_bench_packages ${WW_EXTRA_PACKAGES:-}" ww_install_missing
dir="${WW_BENCH_DIR:-$WW_ROOT/build-bench}"
ww_build "$dir" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DWW_BUILD_BENCHMARKS=ON

filter="--benchmark_filter=-Computer|MakePlayer"
args=()
for a in "$@"; do
  case "$a" in
  --computer) filter="--benchmark_filter=Computer|MakePlayer" ;;
  --all) filter="" ;;
  *) args+=("$a") ;;
  esac
done

echo "Processor: $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1), $(nproc) cores"
# Repetitions interleaved at random, so that a busy moment of a shared machine falls on the
# game and its baseline alike; the table shows the medians.
QT_QPA_PLATFORM=offscreen "$dir/bench/wurfwummel_bench" --benchmark_repetitions=5 \
  --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true \
  --benchmark_min_time=0.2 ${filter:+"$filter"} ${args[@]+"${args[@]}"}
"$WW_ROOT/bench/startup.sh" "$dir"
