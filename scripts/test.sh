#!/usr/bin/env bash
# The whole test run: prepares the machine, builds every flavour, runs the host unit tests under
# the sanitizers, the Windows unit and end-to-end tests under Wine, and the fuzz smoke runs;
# where the machine runs 32-bit code, the end-to-end suites again against the 32-bit release.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"

scripts/setup.sh
source scripts/wine-env.sh
source scripts/xvfb.sh

for flavour in host win64 win32 fuzz; do
  echo "== build $flavour"
  scripts/build.sh "$flavour"
done

cleanup() {
  "$WINESERVER" -k 2>/dev/null || true
  stop_xvfb
}
trap cleanup EXIT

status=0
echo "== host unit tests (AddressSanitizer, UBSan)"
(cd build/host && ctest --output-on-failure) || status=1
echo "== fuzz smoke runs"
(cd build/fuzz && ctest --output-on-failure) || status=1

echo "== Windows tests under Wine"
start_xvfb
# One Wine session for the whole run instead of one per test program: a hidden witness window
# keeps it (and its desktop) up until the end.
anchor_log=build/win64/anchor.log
rm -f "$anchor_log"
"$wine_exe" build/win64/tools/witness.exe --log "$anchor_log" --hidden --title anchor >/dev/null 2>&1 &
for _ in $(seq 600); do grep -q " ready" "$anchor_log" 2>/dev/null && break; sleep 0.1; done
(cd build/win64 && ctest --output-on-failure) || status=1

if why=$(scripts/probe-i386.sh) && [ -x "$wine32_exe" ]; then
  echo "== end-to-end tests of the 32-bit release under 32-bit Wine"
  (cd build/win32 && ctest -L e2e --output-on-failure) || status=1
else
  [ -x "$wine32_exe" ] || why="32-bit Wine is not installed (scripts/setup.sh installs it where it can run)"
  echo "== 32-bit release tests skipped: $why"
fi
exit $status
