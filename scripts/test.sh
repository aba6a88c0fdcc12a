#!/usr/bin/env bash
# Sets up, builds and runs every test twice: a normal optimised build and one
# under AddressSanitizer + UndefinedBehaviorSanitizer; then the tests of the
# threaded framework code once more under ThreadSanitizer. Any failure fails
# the run.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash scripts/setup.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export LSAN_OPTIONS=suppressions=$root/tests/support/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

build_and_test() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@"
  cmake --build "$dir" -j "$jobs"
  (cd "$dir" && ctest --output-on-failure -j "$jobs")
}

echo "=== normal build ==="
build_and_test build -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "=== AddressSanitizer + UndefinedBehaviorSanitizer build ==="
build_and_test build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZQ_SANITIZE=ON -DZQ_BUILD_BENCH=OFF
echo "=== ThreadSanitizer build (threaded framework and chart code) ==="
tsan_targets=(framework_tests chart_tests)
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZQ_TSAN=ON -DZQ_BUILD_BENCH=OFF
cmake --build build-tsan -j "$jobs" --target "${tsan_targets[@]}"
(cd build-tsan && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  ctest --output-on-failure -j "$jobs" -R "^($(IFS='|'; echo "${tsan_targets[*]}"))\$")
