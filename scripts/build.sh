#!/usr/bin/env bash
# Configures and builds one flavour into build/<flavour>:
#   win32  the release: 32-bit vakro.exe and NodraLib.dll (i686 mingw)
#   win64  the same sources for x64 Windows, which the tests run under 64-bit Wine
#   host   the code without windows, host g++ with AddressSanitizer and UBSan
#   fuzz   libFuzzer targets (clang)      bench  Google Benchmark programs (optimised)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
flavour=${1:?usage: build.sh win32|win64|host|fuzz|bench}
out="$repo/build/$flavour"
jobs=$(nproc)

case "$flavour" in
  win32) args=(-DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release -DVAKRO_TESTS=OFF) ;;
  win64) args=(-DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-x86_64.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  host)  args=(-DCMAKE_BUILD_TYPE=Debug -DVAKRO_SANITIZE=ON) ;;
  fuzz)  args=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug
               -DVAKRO_SANITIZE=ON -DVAKRO_FUZZ=ON -DVAKRO_TESTS=OFF) ;;
  bench) args=(-DCMAKE_BUILD_TYPE=Release -DVAKRO_SANITIZE=OFF -DVAKRO_BENCH=ON -DVAKRO_TESTS=OFF) ;;
  *) echo "build.sh: unknown flavour $flavour" >&2; exit 2 ;;
esac

# The folder is configured again whenever the flavour's options differ from those it was
# configured with (kept in a stamp file); from a fresh cache then, so that dropped options go too.
stamp="$out/build-options.txt"
options=$(printf '%s\n' "${args[@]}")
if [ ! -f "$out/CMakeCache.txt" ] || [ "$options" != "$(cat "$stamp" 2>/dev/null)" ]; then
  fresh=()
  [ -f "$stamp" ] && fresh=(--fresh)
  cmake "${fresh[@]}" -S "$repo" -B "$out" -G "Unix Makefiles" "${args[@]}" >/dev/null
  printf '%s\n' "$options" >"$stamp"
fi
cmake --build "$out" -j "$jobs" -- --no-print-directory >"$out/build.log" 2>&1 || { cat "$out/build.log"; exit 1; }
