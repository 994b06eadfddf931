#!/usr/bin/env bash
# Runs a command against the tests' PostgreSQL server in FOLDER (see server.sh), with
# libpq's environment naming it.
#
#   tests/postgresql/with-server.sh FOLDER COMMAND...
set -euo pipefail
folder=$1
shift
[ -f "$folder/port" ] || { echo "no PostgreSQL test server in $folder (server.sh start)"; exit 1; }
export VELTRA_TEST_SERVER=$folder PGHOST=$folder PGPORT=$(cat "$folder/port") PGUSER=veltra
exec "$@"
