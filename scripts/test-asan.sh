#!/usr/bin/env bash
# Builds with AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/ (no
# benchmarks, light optimisation and line tables only, to keep the build short) and runs
# every test executable there; any report fails the run. Leak checking is off: the leak
# checker of Debian 12's GCC runtime crashes in its own tracer thread ("Tracer caught
# signal 11") at the exit of a process that has used the Firebird client's threads.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build-asan -DHALVANE_ASAN=ON -DHALVANE_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1"
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
for test in build-asan/tests/test_*; do
  [ -f "$test" ] && [ -x "$test" ] || continue
  echo "== $test"
  "$test" -silent
done
