#!/usr/bin/env bash
# Makes a fresh Debian machine ready to build and test vakro: packages, then the Wine prefix.
# Quiet and quick when everything is already in place.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
packages=(cmake g++-mingw-w64-i686 wine xvfb xdotool imagemagick
          fonts-ipafont-gothic fonts-ipafont-mincho pulseaudio googletest
          libbenchmark-dev fonts-wine clang libclang-rt-14-dev g++-mingw-w64-x86-64 wine64 locales psmisc
          fp-utils x11vnc gdb)

# Where the machine runs 32-bit x86 code, 32-bit Wine too, so the release build itself is tested.
if "$here/probe-i386.sh" >/dev/null; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "setup: adding the i386 architecture"
    dpkg --add-architecture i386
  fi
  packages+=(wine32:i386)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Japanese locale, so Wine's ANSI code page is 932.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$'; then
  sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi

# The mingw compilers in their posix threading flavour.
for tool in i686-w64-mingw32-g++ i686-w64-mingw32-gcc x86_64-w64-mingw32-g++ x86_64-w64-mingw32-gcc; do
  [ -x "/usr/bin/$tool-posix" ] || { echo "setup: $tool-posix missing" >&2; exit 1; }
done

"$here/wine-prefix.sh" "${1:-}"
