#!/usr/bin/env bash
# Builds the fuzz programs with clang and runs each for a while on its committed corpus.
# Usage: tests/fuzz/run.sh <build folder> <seconds per target> [targets run at once] [target...]
# New inputs go to <build folder>/fuzz-corpus/<target>, crashes, leaks, timeouts and
# oversized allocations to <build folder>/fuzz-artifacts/<target>/; the committed corpus is
# only read. Exits non-zero when any target finds something.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:?build folder}
seconds=${2:?seconds per target}
jobs=${3:-1}
shift $(( $# < 3 ? $# : 3 ))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(recipe snapshots culling preset jpeg tiff png)

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DVANTREL_FUZZ=ON -DVANTREL_SANITIZE=ON -DVANTREL_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzzers -j "$(nproc)"

build=$(cd "$build" && pwd)
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

run_one() {
  local target=$1 work="$build/fuzz-corpus/$1" artifacts="$build/fuzz-artifacts/$1/"
  mkdir -p "$work" "$artifacts"
  "$build/tests/fuzz/fuzz_$target" "$work" "tests/fuzz/corpus/$target" \
    -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 -malloc_limit_mb=2048 \
    -artifact_prefix="$artifacts" -print_final_stats=1 >"$build/fuzz-$target.log" 2>&1
}
export -f run_one
export build seconds

status=0
printf '%s\n' "${targets[@]}" | xargs -P "$jobs" -I{} bash -c 'run_one {}' || status=1

for target in "${targets[@]}"; do
  log="$build/fuzz-$target.log"
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
  if grep -qE '^==[0-9]+==ERROR|^SUMMARY: |deadly signal|Test unit written' "$log"; then
    echo "fuzz_$target: FOUND A FAILURE after ${runs:-?} runs (see $log)"
    grep -E 'ERROR|SUMMARY|what\(\)|Test unit written' "$log" | head -5
    status=1
  else
    echo "fuzz_$target: ${runs:-?} runs in ${seconds} s, nothing found"
  fi
done
exit $status
