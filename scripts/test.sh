#!/usr/bin/env bash
# Installs what is missing, builds both targets and runs every test (native, and Windows under
# Wine on a headless Xvfb in fresh prefixes), ending with ctest's summary. Extra arguments go
# to ctest (for example -R win96 or --output-on-failure).
set -euo pipefail
root=$(realpath "$(dirname "$0")/..")
"$root/scripts/setup.sh"
"$root/scripts/build.sh" native win

session=$root/build/wine-session
trap '"$root/tests/wine/session.sh" stop "$session"' EXIT
"$root/tests/wine/session.sh" start "$session" 96 120 144 192

# One ctest run over both build trees, so that one summary line closes it.
printf 'subdirs("native" "win")\n' > "$root/build/CTestTestfile.cmake"
cd "$root/build"
ctest --timeout 300 --output-on-failure -j "$(nproc)" "$@"
