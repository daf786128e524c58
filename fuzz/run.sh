#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer (ASan + UBSan) into build-fuzz/ and runs each
# for the given number of seconds (default 60): ./fuzz/run.sh [seconds] [target...]
# New inputs go to build-fuzz/corpus-<target>; a crash is saved as build-fuzz/crash-<target>-*
# and should be copied to fuzz/regressions/<target>/ once mended, where the test suite runs it;
# until then it waits in fuzz/pending/<target>/, which neither the suite nor this script reads.
set -euo pipefail
WW_ROOT="$(cd "$(dirname "$0")/.." && pwd)"
. "$WW_ROOT/setup.sh"
WW_EXTRA_PACKAGES="$ww_fuzz_packages" ww_install_missing
seconds="${1:-60}"
shift || true
targets="${*:-scores settings png record netmsg}"
dir="${WW_FUZZ_BUILD_DIR:-$WW_ROOT/build-fuzz}"
CC=clang CXX=clang++ cmake -S "$WW_ROOT" -B "$dir" -DWW_FUZZ=ON -DBUILD_TESTING=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
for t in $targets; do
  cmake --build "$dir" --target "fuzz_$t" -j "$(nproc)"
done
export ASAN_OPTIONS="detect_leaks=1:${ASAN_OPTIONS:-}"
status=0
for t in $targets; do
  mkdir -p "$dir/corpus-$t"
  log="$dir/fuzz-$t.log"
  # A record is SQLite pages: even a small one is a few of them.
  len=8192
  [ "$t" = record ] && len=65536
  if ! "$dir/fuzz/fuzz_$t" -max_total_time="$seconds" -max_len="${WW_FUZZ_MAX_LEN:-$len}" -timeout=10 \
      -print_final_stats=1 -artifact_prefix="$dir/crash-$t-" \
      "$dir/corpus-$t" "$WW_ROOT/fuzz/corpus/$t" "$WW_ROOT/fuzz/regressions/$t" >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "fuzz_$t: FAULT FOUND (see $log)"
    status=1
    continue
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  echo "fuzz_$t: $runs runs in ${seconds} s, $speed per second"
done
exit $status
