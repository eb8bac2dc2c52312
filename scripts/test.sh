#!/usr/bin/env bash
# The whole test run: prepares the machine, builds every flavour, runs the host unit tests under
# the sanitizers, the Windows unit and end-to-end tests under Wine, and the fuzz smoke runs.
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
# One wineserver for the whole run instead of one per test program.
"$WINESERVER" -p
# The first program starts Wine's own helper processes, which live as long as the wineserver:
# started here, they hold no output pipe of ctest, which would otherwise wait for them.
"$wine_exe" wineboot >/dev/null 2>&1 </dev/null || true
(cd build/win64 && ctest --output-on-failure) || status=1
exit $status
