#!/usr/bin/env bash
# Runs one Windows program under Wine in the test prefix and returns its exit code.
source "$(dirname "$0")/wine-env.sh"
exec "$wine_exe" "$@"
