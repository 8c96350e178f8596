#!/usr/bin/env bash
# Builds the program and every test with AddressSanitizer and
# UndefinedBehaviorSanitizer (build-asan) and runs every test under them.
# Fails on a failed test and on any sanitizer report, also one from a child
# process whose exit status a test does not look at: reports go to files in
# build-asan/sanitizer-reports, which must stay empty.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXOCAD_SANITIZE=ON
cmake --build build-asan

reports="$PWD/build-asan/sanitizer-reports"
rm -rf "$reports"
mkdir -p "$reports"
export ASAN_OPTIONS="log_path=$reports/asan:exitcode=86:detect_leaks=1:strict_string_checks=1:check_initialization_order=1"
export UBSAN_OPTIONS="log_path=$reports/ubsan:print_stacktrace=1:halt_on_error=1:exitcode=87"
# Memory that system libraries (the software GL driver, fontconfig) keep to
# the end is listed in tests/lsan-suppressions.txt; listing what was
# suppressed would be noise.
export LSAN_OPTIONS="print_suppressions=0:suppressions=$PWD/tests/lsan-suppressions.txt"

# LeakSanitizer stops the world with a tracer that can crash while the
# software GL driver's worker threads start and end ("Tracer caught signal
# 11"), which fails a run whose tests all passed. Mesa's llvmpipe draws on
# the calling thread when told to use no worker threads, and without its
# shader cache it starts no cache thread either; our own memory is checked
# as before.
export LP_NUM_THREADS=0 MESA_SHADER_CACHE_DISABLE=true

status=0
ctest --test-dir build-asan --output-on-failure -j2 || status=1
if [ -n "$(ls -A "$reports")" ]; then
  echo "Sanitizer reports:"
  for report in "$reports"/*; do
    echo "--- $report"
    cat "$report"
  done
  status=1
fi
exit $status
