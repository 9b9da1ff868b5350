#!/usr/bin/env bash
# Installs what is missing, builds, and makes the Debian package build/halvane_<version>_<arch>.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build
rm -f build/halvane_*.deb
cmake --build build --target package >/dev/null
ls build/halvane_*.deb
