#!/usr/bin/env bash
# Installs what is missing, builds the installer and starts it under Wine in a demo prefix of
# its own (build/demo), seeded with two SketchUp versions and a stand-in SketchUp. The demo
# build fetches the plugin package from a local update server on 127.0.0.1:18480, which this
# script starts and stops, serving a package built from demo/plugin. Uses $DISPLAY when there
# is one, otherwise a headless Xvfb (a screenshot is written to build/demo/screen.png).
set -euo pipefail
root=$(realpath "$(dirname "$0")/..")
"$root/scripts/setup.sh"
"$root/scripts/build.sh" win

demo=$root/build/demo
export WINEPREFIX=$demo/prefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"
export LANG=${QLN_LANG:-zh_CN.UTF-8}
unset LC_ALL LC_MESSAGES
mkdir -p "$demo"

xvfb_pid=
server_pid=
cleanup() {
  wineserver -k 2>/dev/null || true
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
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
python3 -m http.server 18480 --bind 127.0.0.1 --directory "$root/build/win/demo/www" >/dev/null 2>&1 &
server_pid=$!
echo "run: update server on http://127.0.0.1:18480/update/qln_plugin.rbz"
echo "run: starting Quorlen插件安装器"
wine "$root/build/win/QuorlenInstallerDemo.exe" &
app=$!
if [ -n "$xvfb_pid" ]; then
  sleep 3; import -window root "$demo/screen.png" 2>/dev/null && echo "run: screenshot in $demo/screen.png"
fi
wait $app || true
