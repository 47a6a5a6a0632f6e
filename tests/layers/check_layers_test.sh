#!/usr/bin/env bash
# The layering check itself: it passes on the tree as it is, and fails, naming the file and the
# line, on an include planted upward, one planted sideways between the pages, and a Windows
# header planted into a portable file.
set -uo pipefail
repo=$(realpath "$(dirname "$0")/../..")
check=$repo/tests/layers/check_layers.py
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fresh_copy() {
  rm -rf "$work/tree"; mkdir -p "$work/tree"
  cp -r "$repo/src" "$work/tree/src"
  cp "$repo/CMakeLists.txt" "$work/tree/"
}

# plant <file under src> <line to add after the first include> <expected text in the output>
expect_caught() {
  local file=$1 line=$2 expected=$3
  fresh_copy
  local target=$work/tree/src/$file
  local at
  at=$(grep -n '^#include' "$target" | head -n1 | cut -d: -f1)
  sed -i "${at}a $line" "$target"
  local planted_line=$((at + 1))
  out=$(python3 "$check" "$work/tree/src"); rc=$?
  if [ $rc -ne 1 ] || ! grep -qF "src/$file:$planted_line: " <<<"$out" || ! grep -qF "$expected" <<<"$out"; then
    echo "FAIL: planting '$line' in $file was not reported at line $planted_line as '$expected' (exit $rc):"
    echo "$out"
    failures=$((failures + 1))
  fi
}

fresh_copy
if ! out=$(python3 "$check" "$work/tree/src"); then
  echo "FAIL: the tree as it is breaks the layers:"; echo "$out"; failures=$((failures + 1))
fi

expect_caught forms/draw/canvas.cpp '#include "app/main_form.h"' 'runs upward'
expect_caught discovery/discovery.cpp '#include "plugin/plugin_page.h"' 'runs upward'
expect_caught plugin/plugin_page.cpp '#include "pages/window_page.h"' 'runs sideways between pages'
expect_caught pages/utilities_page.cpp '#include "plugin/plugin_page.h"' 'runs sideways between pages'
expect_caught plugin/url.cpp '#include <windows.h>' 'portable file includes the Windows header'
expect_caught forms/layout/font_spec.cpp '#include "forms/draw/canvas.h"' 'portable file includes'
expect_caught ui/version_lists.cpp '#include "plugin/plugin_page.h"' 'runs upward'
expect_caught base/owned.h '#include "forms/draw/canvas.h"' 'runs upward'

[ $failures -eq 0 ] && echo "layering check: every planted include was caught"
exit $((failures > 0))
