#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang 14 (build-fuzz) and
# runs each from its seed corpus for FUZZ_SECONDS seconds (default 60).
# New inputs the fuzzer finds go to build-fuzz/fuzz-work/<area>; an input
# that makes a target fail is kept in build-fuzz/artifacts/.
#   tools/run-fuzzers.sh                  every target
#   tools/run-fuzzers.sh bmp_reader       only the named ones
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${FUZZ_SECONDS:-60}"
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
  mkdir -p "$work"
  echo "== fuzzing $area for $seconds s"
  if "build-fuzz/tests/fuzz/${area}_fuzz" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
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
