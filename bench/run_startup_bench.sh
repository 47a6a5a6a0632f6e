#!/usr/bin/env bash
# Times the installer's start-up against a bare window program carrying the same manifest and
# against the installer's first view built by hand (bench/startup_bench.cpp,
# bench/hand_built_window.cpp): from process start to the main window shown and closed, the three
# run in rounds in turning order, medians of the rounds. Runs in a Wine session of its own
# (bench/session.sh), seeded with the demo's two SketchUp versions so that the installer's scans
# find something. Prints its ratio line last.
#   run_startup_bench.sh [--trace] [build-dir] [rounds]      (defaults: build/win 10)
# --trace builds and runs the instrumented installer (src/app/startup_trace.h) and the two
# yardsticks with marks of their own, and prints the median time between marks before the ratio.
set -euo pipefail
here=$(dirname "$(realpath "$0")")
trace=; [ "${1:-}" = --trace ] && { trace=1; shift; }
build=$(realpath "${1:-$here/../build/win}"); rounds=${2:-10}
. "$here/session.sh"
installer=QuorlenInstaller bare=bare_window hand=hand_built_window
if [ -n "$trace" ]; then
  cmake --build "$build" --target QuorlenInstallerTrace bare_window_trace hand_built_window_trace >/dev/null
  installer=QuorlenInstallerTrace bare=bare_window_trace hand=hand_built_window_trace
fi
bench_session startup "$build"
WINEPREFIX=$session/prefix-96 WINEDEBUG=-all "$here/../tests/wine/seed-demo.sh" "$build" >/dev/null 2>&1
winpath() { echo "Z:${1//\//\\}"; }
out=$session/startup.txt marks=$session/marks.txt
rm -f "$marks"
QLN_STARTUP_TRACE_FILE=$(winpath "$marks") QLN_DPI=96 "$here/../tests/wine/wine-run.sh" "$session" \
  "$build/startup_bench.exe" "$(winpath "$build/$installer.exe")" "$(winpath "$build/$bare.exe")" "$rounds" \
  "$(winpath "$build/$hand.exe")" > "$out"
if [ -n "$trace" ]; then
  python3 - "$marks" <<'PY'
import re, statistics, sys
runs = [r for r in open(sys.argv[1], encoding="utf-8").read().split("--\n") if r.strip()]
kinds = (("installer", lambda r: "Status1" in r), ("hand-built", lambda r: "page controls" in r),
         ("bare window", lambda r: "CreateWindow" in r and "page controls" not in r))
for title, kind in kinds:
    steps = {}
    for run in filter(kind, runs):
        for n, line in enumerate(run.splitlines()):
            m = re.match(r"\s*([\d.]+) ms  (.*)", line)
            if m:
                steps.setdefault((n, m.group(2)), []).append(float(m.group(1)))
    print(f"{title}: median of {len(next(iter(steps.values()), []))} runs between marks")
    for (_, step), times in sorted(steps.items()):
        print(f"  {statistics.median(times):8.1f} ms  {step}")
PY
fi
cat "$out"
