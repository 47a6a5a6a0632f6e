#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian 12 machine, as root.
# Safe to run again: every step checks first and does nothing when already done.
set -euo pipefail

PKGS=(wine wine64 fonts-wine fonts-wqy-microhei xvfb imagemagick librsvg2-bin
      g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools libz-mingw-w64-dev
      googletest cmake ninja-build g++ clang libclang-rt-14-dev openssl locales python3
      dpkg-dev ca-certificates zip)

missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Source packages come from the same mirrors as the machine's own binary entries: the deb-src
# entry is derived from its apt configuration, never written with a host of ours. The script
# rewrites the file only when the derived entry differs (tests/setup checks it on sample folders).
APT_DIR=/etc/apt
src=$(python3 "$(dirname "$(realpath "$0")")/derive_deb_src.py" --write "$APT_DIR" \
        "$APT_DIR/sources.list.d/quorlen-src.sources")
case $src in written|removed) apt-get update -qq ;; esac

# zh_CN.UTF-8 gives Wine the ANSI code page 936 that our users have.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf8$'; then
  sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi

# minizip's unzip side comes from Debian's zlib source package; unpacked outside the repo.
MZ_DIR=${QLN_DEPS_DIR:-/opt/quorlen-deps}/minizip
if [ ! -f "$MZ_DIR/unzip.c" ]; then
  tmp=$(mktemp -d)
  # A mirror may list a source version it does not carry (a security update's sources, say):
  # try each version apt knows, newest first, until one downloads.
  for v in $(apt-cache showsrc zlib | sed -n 's/^Version: //p' | sort -ru); do
    ( cd "$tmp" && apt-get source --download-only "zlib=$v" >/dev/null 2>&1 ) && break
  done
  orig=$(ls "$tmp"/zlib_*.orig.tar.* 2>/dev/null | head -n1)
  if [ -z "$orig" ]; then
    echo "setup: no zlib source package could be downloaded from the machine's apt sources" >&2
    exit 1
  fi
  mkdir -p "$MZ_DIR"
  tar -xf "$orig" -C "$tmp"
  cp "$tmp"/zlib-*/contrib/minizip/{unzip.c,unzip.h,ioapi.c,ioapi.h,crypt.h,miniunz.c} "$MZ_DIR"/
  rm -rf "$tmp"
fi
echo "setup: ready (minizip in $MZ_DIR)"
