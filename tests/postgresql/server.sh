#!/usr/bin/env bash
# A PostgreSQL server of the tests' own: initdb into a folder as an unprivileged user (the
# postgres account when run as root), listening on a Unix socket in that folder and on
# 127.0.0.1 at a free port, written to FOLDER/port.
#
#   tests/postgresql/server.sh start FOLDER     # a new server (the folder is made afresh)
#   tests/postgresql/server.sh stop FOLDER      # stops it (also a half-started one), removes FOLDER
#   tests/postgresql/server.sh halt FOLDER      # stops it, keeping its data
#   tests/postgresql/server.sh resume FOLDER    # starts a halted server again
#   tests/postgresql/server.sh restart FOLDER   # an immediate restart, as after a crash
#
# VELTRA_SERVER_OPTIONS adds server settings (-c name=value ...).
#
# The superuser is "veltra" (trust authentication); a role "leitor" may log in and read
# only what it is granted; a role "senha" must give the password "certa".
set -euo pipefail
action=$1
folder=$2
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
[ -n "$bin" ] || { echo "postgresql server: no PostgreSQL server installed (postgresql-15)"; exit 1; }
as_server() {
  if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}
# A port between 20000 and 59999 that nothing on 127.0.0.1 answers on.
free_port() {
  local port
  while :; do
    port=$((20000 + RANDOM % 40000))
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
  done
}
pg_start() {
  as_server "$bin/pg_ctl" -D "$folder/data" -l "$folder/server.log" -w -t 30 \
    -o "-k $folder -c listen_addresses=127.0.0.1 -p $(cat "$folder/port") -c fsync=off -c max_connections=120 ${VELTRA_SERVER_OPTIONS:-}" \
    start >/dev/null || { cat "$folder/server.log"; exit 1; }
}
case $action in
start)
  rm -rf "$folder"
  mkdir -p "$folder"
  free_port >"$folder/port"
  [ "$(id -u)" = 0 ] && chown postgres "$folder"
  as_server "$bin/initdb" -D "$folder/data" -U veltra --auth=trust -E UTF8 --no-locale \
    >"$folder/initdb.log" 2>&1 || { cat "$folder/initdb.log"; exit 1; }
  hba="$folder/data/pg_hba.conf"
  as_server sh -c "{ printf 'local all senha scram-sha-256\nhost all senha 127.0.0.1/32 scram-sha-256\n'; cat '$hba'; } >'$hba.new' && mv '$hba.new' '$hba'"
  pg_start
  "$bin/psql" -h "$folder" -p "$(cat "$folder/port")" -U veltra -d postgres -q \
    -c "CREATE ROLE leitor LOGIN" -c "CREATE ROLE senha LOGIN PASSWORD 'certa'" >/dev/null
  echo "$folder"
  ;;
stop)
  if [ -f "$folder/data/postmaster.pid" ]; then
    as_server "$bin/pg_ctl" -D "$folder/data" -m immediate -w -t 30 stop >/dev/null || true
  fi
  rm -rf "$folder"
  ;;
halt)
  as_server "$bin/pg_ctl" -D "$folder/data" -m fast -w -t 30 stop >/dev/null
  ;;
resume)
  pg_start
  ;;
restart)
  as_server "$bin/pg_ctl" -D "$folder/data" -m immediate -w -t 30 stop >/dev/null
  pg_start
  ;;
*)
  echo "usage: server.sh start|stop|halt|resume|restart FOLDER"
  exit 2
  ;;
esac
