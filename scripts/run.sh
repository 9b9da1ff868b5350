#!/usr/bin/env bash
# Installs what is missing, builds, creates the demo database on first use and starts
# the program on the embedded engine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build
settings="${XDG_DATA_HOME:-$HOME/.local/share}/Tervik/halvane"
bash scripts/create-demo-db.sh "$settings"
exec build/src/halvane
