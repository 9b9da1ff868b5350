#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, when missing, and
# those given as arguments (scripts/fuzz.sh adds the fuzzer's compiler).
set -euo pipefail
packages=(cmake g++ make pkg-config
          qt6-base-dev qt6-base-dev-tools libgl-dev
          firebird-dev firebird3.0-server-core firebird3.0-utils
          libsimpleini-dev libicu-dev fonts-dejavu-core poppler-utils "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
