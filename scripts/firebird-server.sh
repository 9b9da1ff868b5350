#!/usr/bin/env bash
# Makes a Firebird 3 server available on localhost:3050 for the tests of the database
# administration windows: installs firebird3.0-server when missing (as root, no prompt),
# gives SYSDBA the password the tests use, and starts the server when none answers.
# Ends with a non-zero status, saying why, when the server cannot be made to answer.
set -euo pipefail

password="${HALVANE_SYSDBA_PASSWORD:-masterkey}"
security=/var/lib/firebird/3.0/system/security3.fdb

answers() {
  # The service manager over TCP with the tests' password: the server is up and SYSDBA
  # is ours.
  ISC_USER= ISC_PASSWORD= timeout 20 fbsvcmgr localhost:service_mgr user SYSDBA \
    password "$password" info_server_version >/dev/null 2>&1
}

listening() {
  (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null
}

if answers; then
  echo "firebird-server: the server on localhost answers"
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "firebird-server: no Firebird server answers on localhost with the tests' SYSDBA" \
       "password, and installing or starting one needs root" >&2
  exit 1
fi

if ! dpkg-query -W -f='${Status}' firebird3.0-server 2>/dev/null | grep -q "install ok installed"; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends firebird3.0-server
fi

if listening; then
  # A server that came up with a password of its own (a package that started it, a
  # machine set up by hand): stop it, so the password below can be set.
  echo "firebird-server: the server on port 3050 refuses the tests' SYSDBA password;" \
       "stopping it to set the password"
  if command -v systemctl >/dev/null && systemctl is-system-running >/dev/null 2>&1; then
    systemctl stop firebird3.0 || true
  fi
  pkill -u firebird -x fbguard || true
  pkill -u firebird -x firebird || true
  for _ in $(seq 1 20); do
    listening || break
    sleep 1
  done
  if listening; then
    echo "firebird-server: the server on port 3050 could not be stopped; stop it or set" \
         "HALVANE_SYSDBA_PASSWORD" >&2
    exit 1
  fi
fi

# The server is down: set the password in the security database directly (the embedded
# engine, as the server's own user, so the lock files stay the server's).
install -d -o firebird -g firebird -m 0770 /tmp/firebird
install -d -o firebird -g firebird /run/firebird3.0
printf "create or alter user SYSDBA password '%s' using plugin Srp;\ncommit;\n" "$password" |
  runuser -u firebird -- isql-fb -q -user SYSDBA "$security"

if command -v systemctl >/dev/null && systemctl is-system-running >/dev/null 2>&1; then
  systemctl start firebird3.0
else
  runuser -u firebird -- /usr/sbin/fbguard -daemon -forever -pidfile /run/firebird3.0/firebird.pid
fi

for _ in $(seq 1 30); do
  if answers; then
    echo "firebird-server: started, SYSDBA password set"
    exit 0
  fi
  sleep 1
done
echo "firebird-server: the server did not answer on localhost:3050 within 30 s" >&2
exit 1
