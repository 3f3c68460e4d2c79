#!/usr/bin/env bash
# Sets everything up, builds the three trees and runs every test: native and
# sanitized tests (and short fuzz runs) directly, Windows tests under Wine;
# then builds the installer once more elsewhere and compares the bytes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
sfx=${TW_BUILD_SUFFIX:-}
jobs=$(nproc)
status=0
for dir in "build-native$sfx" "build-sanitize$sfx" "build-win$sfx"; do
  echo "== tests in $dir"
  (cd "$root/$dir" && ctest --output-on-failure -j "$jobs") || status=1
done
echo "== reproducibility"
"$root/scripts/check-reproducible.sh" || status=1
exit $status
