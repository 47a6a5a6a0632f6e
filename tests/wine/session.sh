#!/usr/bin/env bash
# One Wine test session: a fresh template prefix and one prefix per DPI, each with its own
# persistent wineserver and its own Xvfb display. The pointer and the keyboard focus belong to a
# display, not to a prefix: on one shared display a test that moves the pointer at one DPI
# moved it under a test running at another, whose hover colours and focus then changed.
# Every process started here is recorded by id in $SESSION_DIR/pids so that "stop" ends
# exactly those, also after a failed run. $SESSION_DIR/env names each prefix's display as
# DISPLAY_<dpi> (tests/wine/wine-run.sh picks it by QLN_DPI) and the first one as DISPLAY.
#   session.sh start <session-dir> [dpi...]    (default dpis: 96 120 144 192)
#   session.sh stop  <session-dir>
set -euo pipefail
cmd=${1:?start|stop}; SESSION_DIR=$(realpath -m "${2:?session dir}"); shift 2
here=$(dirname "$(realpath "$0")")

export WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"
export LANG=${QLN_LANG:-zh_CN.UTF-8}
unset LC_ALL LC_MESSAGES

make_template() {
  local pfx=$SESSION_DIR/template
  rm -rf "$pfx"; mkdir -p "$pfx"
  WINEPREFIX=$pfx wineboot -i </dev/null >/dev/null 2>&1
  WINEPREFIX=$pfx wineserver -w
  # Debian's Wine does not find its own fonts; the CJK face is what our users see.
  cp /usr/share/wine/fonts/*.ttf "$pfx/drive_c/windows/Fonts/"
  cp /usr/share/fonts/truetype/wqy/wqy-microhei.ttc "$pfx/drive_c/windows/Fonts/" 2>/dev/null || true
  # The profile's Desktop, Documents ... links lead into the real $HOME: make them plain folders.
  find "$pfx/drive_c/users" -maxdepth 2 -type l | while read -r l; do rm -f "$l"; mkdir -p "$l"; done
  # One shared virtual desktop: captions are drawn and top-level closes are fast.
  python3 "$here/regedit.py" "$pfx/user.reg" 'Software\\Wine\\Explorer' '"Desktop"="Default"'
  python3 "$here/regedit.py" "$pfx/user.reg" 'Software\\Wine\\Explorer\\Desktops' '"Default"="1024x768"'
  # The forms ask for "Microsoft YaHei", as on a Chinese Windows; the free CJK face stands in.
  python3 "$here/regedit.py" "$pfx/user.reg" 'Software\\Wine\\Fonts\\Replacements' '"Microsoft YaHei"="WenQuanYi Micro Hei"'
  tar -C "$pfx" -cf "$SESSION_DIR/template.tar" .
  rm -rf "$pfx"
}

# Starts the Xvfb of one DPI's prefix and sets $display to its name.
start_display() {
  local file=$SESSION_DIR/display-$1
  rm -f "$file"
  Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$file" >/dev/null 2>&1 &
  echo $! >> "$SESSION_DIR/pids"
  for _ in $(seq 100); do [ -s "$file" ] && break; sleep 0.05; done
  display=:$(head -n1 "$file")
}

start_prefix() {
  local dpi=$1 pfx=$SESSION_DIR/prefix-$1
  rm -rf "$pfx"; mkdir -p "$pfx"
  tar -C "$pfx" -xf "$SESSION_DIR/template.tar"
  # The DPI must be in place before the prefix's server starts: one DPI per prefix.
  python3 "$here/regedit.py" "$pfx/user.reg" 'Control Panel\\Desktop' "\"LogPixels\"=dword:$(printf '%08x' "$dpi")"
  WINEPREFIX=$pfx wineserver -p -f </dev/null >/dev/null 2>&1 &
  echo $! >> "$SESSION_DIR/pids"
  # Warm-up: Wine's background processes inherit the first command's stdio and live on.
  WINEPREFIX=$pfx wine wineboot </dev/null >/dev/null 2>&1
}

case $cmd in
start)
  mkdir -p "$SESSION_DIR"; : > "$SESSION_DIR/pids"; rm -f "$SESSION_DIR"/display*
  dpis=("$@"); [ ${#dpis[@]} -gt 0 ] || dpis=(96 120 144 192)
  env_lines=() first=
  for d in "${dpis[@]}"; do
    start_display "$d"
    env_lines+=("DISPLAY_$d=$display"); first=${first:-$display}
  done
  export DISPLAY=$first
  # A fresh template per run; QLN_REUSE_TEMPLATE=1 keeps the last one while developing.
  [ -f "$SESSION_DIR/template.tar" ] && [ -n "${QLN_REUSE_TEMPLATE:-}" ] || make_template
  for line in "${env_lines[@]}"; do
    d=${line%%=*}; d=${d#DISPLAY_}
    DISPLAY=${line#*=} start_prefix "$d"
  done
  printf '%s\n' "DISPLAY=$first" "${env_lines[@]}" > "$SESSION_DIR/env"
  echo "wine session ready: DPI ${dpis[*]} on displays ${env_lines[*]}"
  ;;
stop)
  for pfx in "$SESSION_DIR"/prefix-*; do
    [ -d "$pfx" ] && WINEPREFIX=$pfx timeout 10 wineserver -k 2>/dev/null || true
  done
  if [ -f "$SESSION_DIR/pids" ]; then
    while read -r p; do [ -n "$p" ] && kill "$p" 2>/dev/null || true; done < "$SESSION_DIR/pids"
    sleep 0.3
    while read -r p; do [ -n "$p" ] && kill -9 "$p" 2>/dev/null || true; done < "$SESSION_DIR/pids"
    : > "$SESSION_DIR/pids"
  fi
  rm -f "$SESSION_DIR/env"
  ;;
esac
