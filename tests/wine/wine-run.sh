#!/usr/bin/env bash
# Runs a Windows program in the current Wine test session (tests/wine/session.sh).
#   wine-run.sh <session-dir> program.exe [args...]
# The prefix is chosen by QLN_DPI (default 96); the session must have been started with it.
set -euo pipefail
session=$1; shift
if [ ! -f "$session/env" ]; then
  echo "wine-run: no Wine session in $session (start it with tests/wine/session.sh or scripts/test.sh)" >&2
  exit 2
fi
# shellcheck disable=SC1091
. "$session/env"
# Each prefix has a display of its own (tests/wine/session.sh).
display_of_dpi=DISPLAY_${QLN_DPI:-96}
DISPLAY=${!display_of_dpi:-$DISPLAY}
export DISPLAY
export WINEPREFIX=$session/prefix-${QLN_DPI:-96} WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"
export LANG=${QLN_LANG:-zh_CN.UTF-8}
unset LC_ALL LC_MESSAGES
exec wine "$@"
