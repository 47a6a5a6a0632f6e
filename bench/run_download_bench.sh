#!/usr/bin/env bash
# Runs download_bench under Wine against the loopback test server.
#   run_download_bench.sh [build-dir] [megabytes] [rounds]     (defaults: build/win 50 5)
# Runs in a Wine session of its own (bench/session.sh); the server is ended by its id on exit.
# Prints its ratio line last.
set -euo pipefail
here=$(dirname "$(realpath "$0")")
build=$(realpath "${1:-$here/../build/win}"); shift $(( $# > 0 ? 1 : 0 ))
. "$here/session.sh"
work=$(mktemp -d)
server=
bench_cleanups+=('[ -n "$server" ] && kill "$server" 2>/dev/null' 'rm -rf "$work"')
bench_session download "$build"
python3 "$here/../tests/tools/http_test_server.py" --port-file "$work/ports" --lifetime 900 &
server=$!
for _ in $(seq 100); do [ -s "$work/ports" ] && break; sleep 0.05; done
read -r _ port _ < "$work/ports"
QLN_DPI=96 "$here/../tests/wine/wine-run.sh" "$session" "$build/download_bench.exe" "$port" "$@"
