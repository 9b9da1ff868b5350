#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ into build-fuzz/ (clang, libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs each once over its seeds in fuzz/corpus/<target>/.
# With a count (scripts/fuzz.sh 1000000) each target runs that many inputs. Inputs the
# fuzzer finds go to build-fuzz/corpus/<target>/, never into the seeds; a crash, hang or
# sanitizer report stops the script, its input kept in build-fuzz/crashes/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-0}
[[ $runs =~ ^[0-9]+$ ]] || { echo "usage: $0 [inputs per target]" >&2; exit 2; }
# clang and its libFuzzer runtime are needed by this build only.
bash scripts/install-deps.sh clang libclang-rt-14-dev
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DHALVANE_FUZZ=ON >/dev/null
nice -n 10 cmake --build build-fuzz -j2 --target fuzz
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
# The file readers' targets write every input to a file: on a memory file system when there
# is one, so that a long run does not wear the disk.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi
for source in fuzz/*Fuzz.cpp; do
  target=$(basename "$source" .cpp)
  mkdir -p "build-fuzz/corpus/$target" "build-fuzz/crashes/$target" build-fuzz/logs
  log=build-fuzz/logs/$target.log
  start=$(date +%s.%N)
  if ! nice -n 10 "build-fuzz/fuzz/$target" -runs="$runs" -timeout=10 -print_final_stats=1 \
      -artifact_prefix="build-fuzz/crashes/$target/" \
      "build-fuzz/corpus/$target" "fuzz/corpus/$target" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "$target FAILED; input kept in build-fuzz/crashes/$target/, log in $log" >&2
    exit 1
  fi
  inputs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  # libFuzzer's own figure counts whole seconds only.
  awk -v target="$target" -v inputs="$inputs" -v start="$start" -v end="$(date +%s.%N)" \
      'BEGIN { printf "%s: %d inputs in %.1f s, %.0f per second\n", target, inputs,
               end - start, inputs / (end - start) }'
done
