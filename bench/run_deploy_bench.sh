#!/usr/bin/env bash
# The unattended installation against the page's, in a Wine session of its own; then, once each,
# an unattended run that finds the plugin current (the server answers 304) against a full
# unattended installation of the same package.
#   run_deploy_bench.sh <build-dir> [rounds]
# Starts a session in <build-dir>/../deploy-bench-session, seeds two SketchUp versions, serves the
# demo package on the demo build's loopback port, runs deploy_bench, and stops everything it
# started (by id) on exit.
set -euo pipefail
build=$(realpath "${1:?build dir}"); shift
here=$(dirname "$(realpath "$0")")
root=$here/..
session=$(realpath -m "$build/../deploy-bench-session")
work=$(mktemp -d)
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null || true
  "$root/tests/wine/session.sh" stop "$session" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
QLN_REUSE_TEMPLATE=1 "$root/tests/wine/session.sh" start "$session" 96 >/dev/null
# shellcheck disable=SC1091
. "$session/env"
export DISPLAY WINEPREFIX=$session/prefix-96 WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d" LANG=${QLN_LANG:-zh_CN.UTF-8}
unset LC_ALL LC_MESSAGES
"$root/tests/wine/seed-demo.sh" "$build"
host=$(sed -n 's/^QLN_DEMO_UPDATE_HOST:STRING=//p' "$build/CMakeCache.txt")
python3 "$root/tests/tools/http_test_server.py" --port-file "$work/ports" --lifetime 900 \
  --http-port "${host##*:}" --package "$build/demo/www/update/qln_plugin.rbz" &
server=$!
for _ in $(seq 100); do [ -s "$work/ports" ] && break; sleep 0.05; done
exe=$(wine winepath -w "$build/QuorlenInstallerDemo.exe" 2>/dev/null)
wine "$build/deploy_bench.exe" "$exe" "$@"

# The same package served with validators, answering 304 to a request that names them.
kill "$server" 2>/dev/null || true
wait "$server" 2>/dev/null || true
rm -f "$work/ports"
python3 "$root/tests/tools/http_test_server.py" --port-file "$work/ports" --lifetime 900 \
  --http-port "${host##*:}" --update-mode conditional --package "$build/demo/www/update/qln_plugin.rbz" &
server=$!
for _ in $(seq 100); do [ -s "$work/ports" ] && break; sleep 0.05; done
# The record of the first version's per-user Plugins folder (the demo user name is ASCII).
user=$(ls "$WINEPREFIX/drive_c/users" | grep -v -x Public | head -n1)
record="C:\\users\\$user\\AppData\\Roaming\\SketchUp\\SketchUp 2021\\SketchUp\\Plugins.qln-record"
wine "$build/deploy_bench.exe" "$exe" --current "$record"
