#!/usr/bin/env bash
# The session's prefixes run side by side under ctest, so each must have a pointer of its own
# (tests/wine/session.sh gives each its own display): a test that moves the pointer at one DPI
# must not move it under a test at another, whose hover colours and focus would change. A probe
# in the first prefix puts its pointer at (321, 123) and holds; a probe in the second puts its
# own at (100, 100); the first must still find its pointer at (321, 123).
#   check_pointer_apart.sh <session-dir> <build-dir> <dpi> <other-dpi>
set -uo pipefail
session=$(realpath "$1"); build=$(realpath "$2"); dpi=$3 other=$4
run=$(dirname "$(realpath "$0")")/wine-run.sh
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
winpath() { echo "Z:${1//\//\\}"; }
probe=$(winpath "$build/pointer_probe.exe")

QLN_DPI=$dpi "$run" "$session" "$probe" 321 123 "$(winpath "$work/ready")" "$(winpath "$work/go")" \
  >"$work/held.txt" 2>"$work/held.err" &
holder=$!
for _ in $(seq 600); do [ -e "$work/ready" ] && break; kill -0 $holder 2>/dev/null || break; sleep 0.1; done
[ -e "$work/ready" ] || { echo "FAIL: the probe at $dpi DPI did not place its pointer"; cat "$work/held.err"; exit 1; }
QLN_DPI=$other "$run" "$session" "$probe" 100 100 >"$work/other.txt" 2>&1 ||
  { echo "FAIL: the probe at $other DPI could not place its pointer"; cat "$work/other.txt"; kill $holder; exit 1; }
touch "$work/go"
wait $holder
held=$(tr -d '\r' <"$work/held.txt")
moved=$(tr -d '\r' <"$work/other.txt")
echo "pointer at $dpi DPI: $held (placed at 321 123); at $other DPI: $moved (placed at 100 100)"
[ "$moved" = "100 100" ] || { echo "FAIL: the probe at $other DPI did not move its pointer"; exit 1; }
[ "$held" = "321 123" ] || { echo "FAIL: moving the pointer at $other DPI moved it at $dpi DPI"; exit 1; }
echo "ok"
