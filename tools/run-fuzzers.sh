#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang 14 (build-fuzz) and
# runs each from its seed corpus for a fixed number of inputs from a fixed
# seed, so that a run finds the same thing on every machine (CI must not fail
# by chance); FUZZ_SECONDS (default 60) caps each target's time. FUZZ_SEED
# and FUZZ_RUNS_SCALE (a factor on the inputs) let a developer explore.
# New inputs the fuzzer finds go to build-fuzz/fuzz-work/<area>, emptied at
# each run so that every run starts where CI starts; an input
# that makes a target fail is kept in build-fuzz/artifacts/.
#   tools/run-fuzzers.sh                  every target
#   tools/run-fuzzers.sh bmp_reader       only the named ones
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${FUZZ_SECONDS:-60}"
seed="${FUZZ_SEED:-1}"
scale="${FUZZ_RUNS_SCALE:-1}"
# Inputs per target: about half a minute each on a 2-core machine.
declare -A runs=([bmp_reader]=25000 [command_line]=1000000 [document_save]=30000 [documents]=200000
                 [parts_collection]=400000 [piece_file]=200000 [script_compiler]=15000)
tools/install-deps.sh
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXOCAD_FUZZ=ON
cmake --build build-fuzz --target fuzz_targets
export ASAN_SYMBOLIZER_PATH=/usr/bin/llvm-symbolizer-14

areas=("$@")
if [ ${#areas[@]} -eq 0 ]; then
  for target in build-fuzz/tests/fuzz/*_fuzz; do areas+=("$(basename "$target" _fuzz)"); done
fi
mkdir -p build-fuzz/artifacts
passed=0
failed=0
for area in "${areas[@]}"; do
  work="build-fuzz/fuzz-work/$area"
  log="build-fuzz/fuzz-work/$area.log"
  rm -rf "$work"
  mkdir -p "$work"
  count=$(( ${runs[$area]:-20000} * scale ))
  echo "== fuzzing $area: $count inputs from seed $seed, $seconds s at most"
  if "build-fuzz/tests/fuzz/${area}_fuzz" -seed="$seed" -runs="$count" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
      -rss_limit_mb=2048 -dict="tests/fuzz/dict/$area.dict" -artifact_prefix="build-fuzz/artifacts/$area-" \
      -print_final_stats=1 "$work" "tests/fuzz/corpus/$area" >"$log" 2>&1; then
    grep -E "^#[0-9]+.*DONE" "$log" || true
    grep -E "^stat::(number_of_executed_units|average_exec_per_sec)" "$log" || true
    passed=$((passed + 1))
  else
    tail -n 80 "$log"
    failed=$((failed + 1))
  fi
done
echo "fuzzing: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
