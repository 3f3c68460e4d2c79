#!/usr/bin/env bash
# Configures and builds the Windows target (build-win/) and the native one (build-native/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
[ -f build-native/build.ninja ] || cmake -S . -B build-native -G Ninja >/dev/null
[ -f build-win/build.ninja ] || cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build-native
cmake --build build-win
echo "build: installer at $root/build-win/InstallKorvane6.52a.exe"
