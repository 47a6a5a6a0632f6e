#!/usr/bin/env bash
# Configures and builds the native tests (build/native) and the Windows target (build/win).
#   build.sh [native] [win]     (default: both)
set -euo pipefail
root=$(realpath "$(dirname "$0")/..")
targets=("$@"); [ ${#targets[@]} -gt 0 ] || targets=(native win)
jobs=$(nproc)
for t in "${targets[@]}"; do
  case $t in
  native)
    [ -f "$root/build/native/build.ninja" ] || cmake -S "$root" -B "$root/build/native" -G Ninja -DCMAKE_BUILD_TYPE=Debug
    cmake --build "$root/build/native" -j "$jobs" ;;
  win)
    [ -f "$root/build/win/build.ninja" ] || cmake -S "$root" -B "$root/build/win" -G Ninja \
        --toolchain "$root/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo ${QLN_WIN_CMAKE_ARGS:-}
    cmake --build "$root/build/win" -j "$jobs" ${QLN_WIN_TARGET:+--target "$QLN_WIN_TARGET"} ;;
  esac
done
