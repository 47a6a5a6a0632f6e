#!/usr/bin/env bash
# Pictures of the main window on each of its three pages at 96, 120, 144 and 192 DPI, made by
# the screenshot test in a Wine session of their own, copied into docs/screenshots.
#   screenshots.sh        (builds first; QLN_WIN_CMAKE_ARGS as for build.sh)
set -euo pipefail
root=$(realpath "$(dirname "$0")/..")
"$root/scripts/build.sh" win
session=$root/build/screenshot-session
trap '"$root/tests/wine/session.sh" stop "$session"' EXIT
"$root/tests/wine/session.sh" start "$session" 96 120 144 192
mkdir -p "$root/docs/screenshots"
for dpi in 96 120 144 192; do
  rm -f "$root/build/win/screenshots/main_${dpi}_"*.png
  QLN_DPI=$dpi "$root/tests/wine/wine-run.sh" "$session" "$root/build/win/win_tests_layout.exe" \
    --gtest_filter=MainWindowSoakTest.ScreenshotsOfTheThreePages
  cp "$root/build/win/screenshots/main_${dpi}_"*.png "$root/docs/screenshots/"
done
ls "$root/docs/screenshots"
