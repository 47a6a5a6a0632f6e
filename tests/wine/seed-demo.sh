#!/usr/bin/env bash
# Seeds $WINEPREFIX (created when missing) with two SketchUp versions as SketchUp's own setup
# leaves them: registry install locations ending in a backslash, program folders holding our
# stand-in SketchUp.exe, and the per-user "SketchUp 20xx\SketchUp" folders that SketchUp makes
# on its first start (the installer finds the versions through those).
#   seed-demo.sh <build/win folder>
set -euo pipefail
win=$1
here=$(dirname "$(realpath "$0")")
: "${WINEPREFIX:?}"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i </dev/null >/dev/null 2>&1; wineserver -w
  cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  cp /usr/share/fonts/truetype/wqy/wqy-microhei.ttc "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  find "$WINEPREFIX/drive_c/users" -maxdepth 2 -type l | while read -r l; do rm -f "$l"; mkdir -p "$l"; done
  python3 "$here/regedit.py" "$WINEPREFIX/user.reg" 'Software\\Wine\\Explorer' '"Desktop"="Default"'
  python3 "$here/regedit.py" "$WINEPREFIX/user.reg" 'Software\\Wine\\Explorer\\Desktops' '"Default"="1024x768"'
  python3 "$here/regedit.py" "$WINEPREFIX/user.reg" 'Software\\Wine\\Fonts\\Replacements' '"Microsoft YaHei"="WenQuanYi Micro Hei"'
fi
user=$(ls "$WINEPREFIX/drive_c/users" | grep -v -x Public | head -n1)
for year in 2021 2023; do
  dir="$WINEPREFIX/drive_c/Program Files/SketchUp/SketchUp $year"
  mkdir -p "$dir" "$WINEPREFIX/drive_c/users/$user/AppData/Roaming/SketchUp/SketchUp $year/SketchUp"
  cp "$win/standin_sketchup.exe" "$dir/SketchUp.exe"
  wine reg add "HKLM\\SOFTWARE\\SketchUp\\SketchUp $year\\InstallLocation" /ve /t REG_SZ \
      /d "C:\\Program Files\\SketchUp\\SketchUp $year\\" /f >/dev/null 2>&1
done
