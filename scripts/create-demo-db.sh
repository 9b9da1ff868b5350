#!/usr/bin/env bash
# Creates the demo database HALVANE.FDB in the given folder (schema + demo data),
# through the embedded engine, unless it is there already. The schema and demo data are
# read from the folder given second: the source's schema/ by default, the installed
# program's data folder when the launcher runs it.
set -euo pipefail
folder=${1:?folder}
data=$(cd "${2:-$(dirname "$0")/../schema}" && pwd)
target="$folder/HALVANE.FDB"
[ -f "$target" ] && exit 0
mkdir -p "$folder"
# The embedded engine's lock folder is the user's own, the one the program uses: another
# user's engine may own the shared default one.
if [ -z "${FIREBIRD_LOCK:-}" ]; then
  if [ -n "${XDG_RUNTIME_DIR:-}" ] && [ -d "$XDG_RUNTIME_DIR" ] && [ -w "$XDG_RUNTIME_DIR" ]; then
    FIREBIRD_LOCK="$XDG_RUNTIME_DIR/halvane-firebird"
  else
    FIREBIRD_LOCK="${XDG_CACHE_HOME:-$HOME/.cache}/halvane/firebird"
  fi
  mkdir -p -m 700 "$FIREBIRD_LOCK" && export FIREBIRD_LOCK || unset FIREBIRD_LOCK
fi
tmp="$folder/.HALVANE.FDB.new"
rm -f "$tmp"
isql-fb -q -ch UTF8 <<SQL
SET BAIL ON;
CREATE DATABASE '$tmp' USER 'SYSDBA' DEFAULT CHARACTER SET WIN1250;
INPUT '$data/schema.sql';
COMMIT;
INPUT '$data/demo.sql';
COMMIT;
SQL
mv "$tmp" "$target"
echo "Utworzono bazę demonstracyjną: $target"
