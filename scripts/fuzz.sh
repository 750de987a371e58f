#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with Clang into build-fuzz/ (or
# $TESSIVAR_FUZZ_BUILD_DIR) and runs them all side by side for the seconds given
# (15 by default), each on a copy of its seed corpus so that the repository is
# not written. Fails when a fuzzer crashes, times out or breaks an invariant;
# the input that did it is kept in the build folder's crashes/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${TESSIVAR_FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${1:-15}

# -O1 with line tables only: much quicker to build, and stack traces keep their lines.
cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_CXX_FLAGS="-O1 -gline-tables-only" \
  -DCMAKE_CXX_COMPILER=clang++ -DTESSIVAR_BUILD_FUZZERS=ON -DTESSIVAR_WERROR="${TESSIVAR_WERROR:-OFF}"
cmake --build "$build_dir" --parallel "$(nproc)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
crashes="$build_dir/crashes"
mkdir -p "$crashes"
export UBSAN_OPTIONS=print_stacktrace=1
# The fuzzers' files go to tmpfs where there is one: the writers beside the
# readers sync every file and folder, which on a disk nearly halves the runs.
if [[ -d /dev/shm && -w /dev/shm ]]; then export TMPDIR=/dev/shm; fi

# Each seed folder is named after its fuzzer; tests/fuzz/<fuzzer>.options, when
# there is one, holds that fuzzer's own options on one line.
declare -A pids
for seeds in "$root"/tests/fuzz/corpus/*/; do
  name=$(basename "$seeds")
  cp -r "$seeds" "$work/$name"
  options=()
  if [[ -f "$root/tests/fuzz/$name.options" ]]; then read -r -a options <"$root/tests/fuzz/$name.options"; fi
  "$build_dir/tests/fuzz/$name" "${options[@]}" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$crashes/$name-" "$work/$name" >"$work/$name.log" 2>&1 &
  pids[$name]=$!
done

passed=0 failed=0
for name in $(printf '%s\n' "${!pids[@]}" | sort); do
  if wait "${pids[$name]}"; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$name.log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/$name.log")
    echo "fuzz: $name: ${runs:-?} runs, ${rate:-?}/s, no fault"
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "fuzz: $name FAILED; its input is in $crashes" >&2
    tail -n 60 "$work/$name.log" >&2
  fi
done
echo "fuzz: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
