#!/usr/bin/env bash
# Installs what is missing, builds the installer and starts it under Wine in a demo prefix of
# its own (build/demo), seeded with two SketchUp versions. Uses $DISPLAY when there is one,
# otherwise a headless Xvfb (a screenshot is written to build/demo/screen.png).
set -euo pipefail
root=$(realpath "$(dirname "$0")/..")
"$root/scripts/setup.sh"
QLN_WIN_TARGET= "$root/scripts/build.sh" win

demo=$root/build/demo
export WINEPREFIX=$demo/prefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"
export LANG=${QLN_LANG:-zh_CN.UTF-8}
unset LC_ALL LC_MESSAGES
mkdir -p "$demo"

xvfb_pid=
cleanup() {
  wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$demo/display" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$demo/display" ] && break; sleep 0.05; done
  export DISPLAY=:$(head -n1 "$demo/display")
  echo "run: no display, using a headless Xvfb at $DISPLAY"
fi

"$root/tests/wine/seed-demo.sh" "$root/build/win"
echo "run: starting Quorlen插件安装器"
wine "$root/build/win/QuorlenInstaller.exe" &
app=$!
if [ -n "$xvfb_pid" ]; then
  sleep 3; import -window root "$demo/screen.png" 2>/dev/null && echo "run: screenshot in $demo/screen.png"
fi
wait $app || true
