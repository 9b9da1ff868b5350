#!/usr/bin/env bash
# The installed program: installed into a temporary prefix and started there with an empty
# data folder, its launcher makes the demo database, the program connects to it and ends
# on SIGTERM with status 0, with nothing written into the installed folders. As root the
# same with the Debian package installed by apt from /usr/bin, which is removed again.
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
work=$(realpath "$(mktemp -d)")
installed_by_test=false
user_made_by_test=""

cleanup() {
  [ -z "$user_made_by_test" ] || userdel "$user_made_by_test" || true
  if $installed_by_test; then
    apt-get remove -y -qq --purge -o DPkg::Lock::Timeout=600 halvane >/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# An attached database is a file the process holds open (the embedded engine).
holds_file() {
  local fd
  for fd in /proc/"$1"/fd/*; do
    [ "$(readlink "$fd" 2>/dev/null)" = "$2" ] && return 0
  done
  return 1
}

# The packages installed on the machine, with their versions.
installed_packages() {
  dpkg-query -W -f='${Status} ${Package} ${Version}\n' | grep -v ' not-installed ' | sort
}

# What a folder holds, to see that running the program wrote nothing there.
contents() {
  find "$@" -printf '%p %s %T@\n' | sort
}

# Starts the launcher with a data folder of its own (as the given user, with a home of
# its own, when one is given), waits for the connection to the demo database it made, and
# ends the program with SIGTERM.
run_launcher() {
  local launcher=$1 name=$2 user=${3:-}
  local data="$work/$name-data"
  local settings="$data/Tervik/halvane"
  local log="$work/$name.log"
  mkdir "$data"
  if [ -n "$user" ]; then
    mkdir "$work/$name-home"
    chown "$user:" "$data" "$work/$name-home"
    setpriv --reuid="$user" --regid="$(id -g "$user")" --init-groups \
      env -u XDG_RUNTIME_DIR HOME="$work/$name-home" QT_QPA_PLATFORM=offscreen \
      XDG_DATA_HOME="$data" "$launcher" >"$log" 2>&1 &
  else
    QT_QPA_PLATFORM=offscreen XDG_DATA_HOME="$data" "$launcher" >"$log" 2>&1 &
  fi
  local pid=$!
  local connected=false
  for _ in $(seq 1 900); do
    if holds_file "$pid" "$settings/HALVANE.FDB"; then
      connected=true
      break
    fi
    kill -0 "$pid" 2>/dev/null || { cat "$log" >&2; fail "$name: ended before connecting"; }
    sleep 0.1
  done
  $connected || { kill -KILL "$pid"; cat "$log" >&2; fail "$name: no connection in 90 s"; }
  [ -f "$settings/HALVANE.FDB" ] || fail "$name: no demo database in $settings"
  sleep 1  # the lists are loaded; the program stays up
  kill -0 "$pid" 2>/dev/null || { cat "$log" >&2; fail "$name: ended by itself"; }
  holds_file "$pid" "$settings/HALVANE.FDB" || fail "$name: let the database go by itself"
  kill -TERM "$pid"
  for _ in $(seq 1 150); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid"
    fail "$name: still running 15 s after SIGTERM"
  fi
  local status=0
  wait "$pid" || status=$?
  [ "$status" -eq 0 ] || { cat "$log" >&2; fail "$name: exit status $status after SIGTERM"; }
  # Its normal way out wrote the settings, into the settings folder.
  grep -q '^LastBackupDir=' "$settings/Halvane.ini" || fail "$name: no settings written"
  echo "$name: connected to $settings/HALVANE.FDB, ended with status 0 on SIGTERM"
}

# Into a temporary prefix.
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/halvane libexec/halvane/halvane libexec/halvane/create-demo-db \
            share/halvane/schema.sql share/halvane/demo.sql \
            share/applications/com.example.tervik.halvane.desktop \
            share/metainfo/com.example.tervik.halvane.metainfo.xml \
            share/icons/hicolor/scalable/apps/com.example.tervik.halvane.svg \
            share/icons/hicolor/48x48/apps/com.example.tervik.halvane.png \
            share/icons/hicolor/256x256/apps/com.example.tervik.halvane.png \
            share/man/man1/halvane.1.gz share/doc/halvane/copyright share/doc/halvane/changelog.gz; do
  [ -s "$prefix/$file" ] || fail "not installed: $file"
done
before=$(contents "$prefix")
run_launcher "$prefix/bin/halvane" prefix
[ "$(contents "$prefix")" = "$before" ] || fail "the program wrote into its installed folders"

if [ "$(id -u)" -ne 0 ]; then
  echo "not root: the Debian package is not installed"
  exit 0
fi

# A desk user who is not in group firebird, on a computer where the Firebird server is
# installed and running: its lock folder /tmp/firebird is closed to that user. The first
# start makes the demo database in the user's folder and the program works on it.
dpkg-query -W -f='${Status}' firebird3.0-server 2>/dev/null | grep -q "install ok installed" ||
  fail "the Firebird server (firebird3.0-server) is needed for the desk user's start"
desk_user=halvane-recepcja
if ! id "$desk_user" >/dev/null 2>&1; then
  useradd --no-create-home --shell /usr/sbin/nologin "$desk_user"
  user_made_by_test=$desk_user
fi
! id -nG "$desk_user" | grep -qw firebird || fail "$desk_user is in group firebird"
chmod 755 "$work"
run_launcher "$prefix/bin/halvane" desk-user "$desk_user"

# The Debian package, installed and removed by apt; the machine's packages stay as they were.
if dpkg-query -W -f='${Status}' halvane 2>/dev/null | grep -q "install ok installed"; then
  fail "halvane is installed on this machine already; remove it to run this test"
fi
packages_before=$(installed_packages)
rm -f "$build"/halvane_*.deb
cmake --build "$build" --target package >/dev/null
deb=$(ls "$build"/halvane_*.deb)
export DEBIAN_FRONTEND=noninteractive
installed_by_test=true
apt-get install -y -qq -o DPkg::Lock::Timeout=600 "$deb" >/dev/null
[ "$(command -v halvane)" = /usr/bin/halvane ] || fail "no /usr/bin/halvane after installing"
before=$(contents /usr/libexec/halvane /usr/share/halvane)
run_launcher halvane package
[ "$(contents /usr/libexec/halvane /usr/share/halvane)" = "$before" ] ||
  fail "the installed program wrote into its own folders"
apt-get remove -y -qq --purge -o DPkg::Lock::Timeout=600 halvane >/dev/null
installed_by_test=false
[ ! -e /usr/bin/halvane ] && [ ! -e /usr/libexec/halvane ] || fail "files left after removal"
[ "$(installed_packages)" = "$packages_before" ] ||
  fail "the machine's packages changed"
echo "package: $(basename "$deb") installed, run from /usr/bin and removed"
