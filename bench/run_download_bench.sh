#!/usr/bin/env bash
# Runs download_bench under Wine against the loopback test server.
#   run_download_bench.sh <session-dir> <build-dir> [megabytes] [rounds]
# The session is one started with tests/wine/session.sh; the server is ended by its id on exit.
set -euo pipefail
session=$(realpath "${1:?session dir}"); build=$(realpath "${2:?build dir}"); shift 2
here=$(dirname "$(realpath "$0")")
work=$(mktemp -d)
server=
cleanup() { [ -n "$server" ] && kill "$server" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
python3 "$here/../tests/tools/http_test_server.py" --port-file "$work/ports" --lifetime 900 &
server=$!
for _ in $(seq 100); do [ -s "$work/ports" ] && break; sleep 0.05; done
read -r _ port _ < "$work/ports"
"$here/../tests/wine/wine-run.sh" "$session" "$build/download_bench.exe" "$port" "$@"
