#!/usr/bin/env bash
# Builds the release and packs it: scripts/release.sh [win32|win64] [--no-build]
#   win32 (default)  the real 32-bit release, with the x64 hook companion of the win64 build
#                    -> build/release/vakro-<version>.zip
#   win64            the same from the x64 build -> build/release-win64/vakro-<version>.zip
#                    (the one every machine of this kind runs; its release test unpacks it)
#   --no-build       pack what build/<flavour> holds, without building first
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"

flavour=win32
build=1
for arg in "$@"; do
  case "$arg" in
    win32|win64) flavour=$arg ;;
    --no-build) build=0 ;;
    *) echo "usage: release.sh [win32|win64] [--no-build]" >&2; exit 2 ;;
  esac
done

if [ $build = 1 ]; then
  scripts/setup.sh
  scripts/build.sh "$flavour"
  # The 32-bit release carries the x64 hook companion.
  if [ "$flavour" = win32 ]; then scripts/build.sh win64; fi
fi
case "$flavour" in
  win32) out=build/release ;;
  win64) out=build/release-win64 ;;
esac
archive=$(python3 scripts/make-release.py "build/$flavour" "$out")
echo "release: $archive"
python3 -c 'import sys, zipfile; [print(f"  {i.file_size:>9}  {i.filename}") for i in zipfile.ZipFile(sys.argv[1]).infolist()]' "$archive"
