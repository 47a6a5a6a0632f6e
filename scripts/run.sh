#!/usr/bin/env bash
# Installs what is missing, builds the installer and starts it under Wine in a demo prefix of
# its own (build/demo), seeded with two SketchUp versions and a stand-in SketchUp. The demo
# build fetches the plugin package from a local update server on the build's demo host
# (QLN_DEMO_UPDATE_HOST, default 127.0.0.1:18480), which this script starts and stops, serving
# a package built from demo/plugin.
#
# With a $DISPLAY the installer is yours until you close it. Without one the demo walks the road
# by itself on a headless Xvfb (tests/tools/demo_driver.cpp): it presses the install button,
# waits for the result message, takes a screenshot of it (build/demo/screen.png), prints what
# happened and exits with the result (0 when the plugin was installed).
set -euo pipefail
root=$(realpath "$(dirname "$0")/..")
"$root/scripts/setup.sh"
"$root/scripts/build.sh" win

win=$root/build/win
demo=$root/build/demo
host=$(sed -n 's/^QLN_DEMO_UPDATE_HOST:[A-Z]*=//p' "$win/CMakeCache.txt")
host=${host:-127.0.0.1:18480}
port=${host##*:}; address=${host%:*}
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
headless=
if [ -z "${DISPLAY:-}" ]; then
  headless=1
  rm -f "$demo/display"
  Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$demo/display" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$demo/display" ] && break; sleep 0.05; done
  export DISPLAY=:$(head -n1 "$demo/display")
  echo "run: no display, using a headless Xvfb at $DISPLAY; the demo walks by itself"
fi

"$root/tests/wine/seed-demo.sh" "$win"
python3 -m http.server "$port" --bind "$address" --directory "$win/demo/www" >/dev/null 2>&1 &
server_pid=$!
for _ in $(seq 100); do
  (exec 3<>"/dev/tcp/$address/$port") 2>/dev/null && break
  kill -0 "$server_pid" 2>/dev/null || { echo "run: the update server could not listen on $host" >&2; exit 1; }
  sleep 0.05
done
echo "run: update server on http://$host/update/qln_plugin.rbz"

if [ -z "$headless" ]; then
  echo "run: starting Quorlen插件安装器"
  wine "$win/QuorlenInstallerDemo.exe" || true
  exit 0
fi

# Headless: the driver presses the button and stops at the result message until the screenshot
# is taken (it waits for the go file), then closes the installer. Each of its waits is bounded.
winpath() { echo "Z:${1//\//\\}"; }
log=$demo/driver.log go=$demo/screenshot-taken
rm -f "$go" "$demo/screen.png"
: > "$log"
# What an earlier run installed goes first, so that what is reported is this run's doing.
find "$WINEPREFIX/drive_c" -path '*/Plugins/qln_demo*' -prune -exec rm -rf {} + 2>/dev/null || true
wine "$win/demo_driver.exe" "$(winpath "$win/QuorlenInstallerDemo.exe")" "$(winpath "$go")" >"$log" 2>&1 &
driver=$!
shown= printed=0
report() {  # the driver's new lines, as they come
  local lines; lines=$(wc -l < "$log")
  [ "$lines" -gt "$printed" ] && sed -n "$((printed + 1)),${lines}p" "$log" | grep -v '^demo: result shown' | sed 's/^demo: /run: /'
  printed=$lines
}
while kill -0 "$driver" 2>/dev/null; do
  report || true
  if [ -z "$shown" ] && grep -q '^demo: result shown' "$log"; then
    shown=1
    report || true
    import -window root -crop 1024x768+0+0 "$demo/screen.png" 2>/dev/null && echo "run: screenshot of the result in $demo/screen.png"
    touch "$go"
  fi
  sleep 0.2
done
status=0
wait "$driver" || status=$?
report || true
find "$WINEPREFIX/drive_c" -path '*/Plugins/qln_demo.rb' 2>/dev/null | while read -r f; do
  echo "run: installed ${f#"$WINEPREFIX/drive_c/"} and $(find "$(dirname "$f")/qln_demo" -type f | wc -l) file(s) in qln_demo/"
done
if [ "$status" -eq 0 ]; then echo "run: the plugin was installed"; else echo "run: the installation did not succeed (exit $status)"; fi
exit "$status"
