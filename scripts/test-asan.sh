#!/usr/bin/env bash
# Builds with AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/ and runs
# every test executable there with leak checking.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build-asan -DHALVANE_ASAN=ON
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp QT_QPA_PLATFORM=offscreen
for test in build-asan/tests/test_*; do
  [ -f "$test" ] && [ -x "$test" ] || continue
  echo "== $test"
  "$test" -silent
done
