#!/usr/bin/env bash
# Sets everything up, builds both targets and runs every test: the native
# tests directly, the Windows tests under Wine (tests/harness/wine-run).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
jobs=$(nproc)
status=0
echo "== native tests"
(cd "$root/build-native" && ctest --output-on-failure -j "$jobs") || status=1
echo "== Windows tests under Wine"
(cd "$root/build-win" && ctest --output-on-failure -j "$jobs") || status=1
exit $status
