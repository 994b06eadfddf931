#!/usr/bin/env bash
# Plays a scenario on database files and on the PostgreSQL server, and passes when both
# pass with the same transcript.
#
#   tests/postgresql/same-transcript.sh VELTRA_PLAY SCENARIO
set -uo pipefail
play=$1
scenario=$2
files=$(mktemp)
server=$(mktemp)
trap 'rm -f "$files" "$server"' EXIT
"$play" "$scenario" >"$files" 2>&1
"$play" --database postgresql "$scenario" >"$server" 2>&1
passed=$?
cat "$server"
# A scenario about files says so and does not run on the server.
if sed -n 2p "$server" | grep -q '^(only on '; then
  exit $passed
fi
if ! diff -u --label files --label postgresql "$files" "$server"; then
  echo "the transcript on PostgreSQL differs from the one on files"
  exit 1
fi
exit $passed
