#!/usr/bin/env bash
# Creates the demo database HALVANE.FDB in the given folder (schema + demo data),
# through the embedded engine, unless it is there already.
set -euo pipefail
cd "$(dirname "$0")/.."
folder=${1:?folder}
target="$folder/HALVANE.FDB"
[ -f "$target" ] && exit 0
mkdir -p "$folder"
tmp="$folder/.HALVANE.FDB.new"
rm -f "$tmp"
isql-fb -q -ch UTF8 <<SQL
SET BAIL ON;
CREATE DATABASE '$tmp' USER 'SYSDBA' DEFAULT CHARACTER SET WIN1250;
INPUT '$PWD/schema/schema.sql';
COMMIT;
INPUT '$PWD/schema/demo.sql';
COMMIT;
SQL
mv "$tmp" "$target"
echo "Demo database created: $target"
