#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, when missing, and
# those given as arguments (scripts/fuzz.sh adds the fuzzer's compiler).
set -euo pipefail
# qt6-svg-dev draws the icon's PNGs; dpkg-dev and file find the package's dependencies;
# qt6-translations-l10n holds Qt's Polish texts.
packages=(cmake g++ make pkg-config
          qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev qt6-translations-l10n
          firebird-dev firebird3.0-server-core firebird3.0-utils
          libsimpleini-dev libicu-dev libcurl4-openssl-dev libssl-dev fonts-dejavu-core poppler-utils dpkg-dev file
          python3-aiosmtpd openssl libqrencode-dev zbar-tools "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
