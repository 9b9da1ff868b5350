#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# The administration tests back up, restore and connect through a real server too.
bash scripts/firebird-server.sh
bash scripts/build.sh build
ctest --test-dir build --output-on-failure
# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
bash scripts/test-asan.sh
# Each fuzz target once over its seeds (clang, libFuzzer).
bash scripts/fuzz.sh
