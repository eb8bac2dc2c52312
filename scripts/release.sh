#!/usr/bin/env bash
# Builds the release and packs it: scripts/release.sh [win32|win64] [--no-build]
#   win32 (default)  the real 32-bit release   -> build/release/vakro-<version>.zip
#   win64            the same from the x64 build -> build/release-win64/vakro-<version>.zip
#                    (the one this machine can run; the release smoke test unpacks it)
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
fi
case "$flavour" in
  win32) out=build/release ;;
  win64) out=build/release-win64 ;;
esac
archive=$(python3 scripts/make-release.py "build/$flavour" "$out")
echo "release: $archive"
python3 -c 'import sys, zipfile; [print(f"  {i.file_size:>9}  {i.filename}") for i in zipfile.ZipFile(sys.argv[1]).infolist()]' "$archive"
