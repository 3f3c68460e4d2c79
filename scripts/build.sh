#!/usr/bin/env bash
# Configures and builds the three trees:
#   build-win/       the installer and the Windows tests (mingw-w64, i686)
#   build-native/    portable code, host tools and their tests (g++)
#   build-sanitize/  the same with ASan and UBSan, and the fuzz targets (clang)
# TW_BUILD_SUFFIX=-x builds into build-win-x/ ... instead (parallel work trees).
# `build.sh installer` builds only what the installer needs: the host tools
# that pack its payload, and the installer itself (with the program that
# drives its demonstration run).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
sfx=${TW_BUILD_SUFFIX:-}
configure() { # dir args...
  local dir=$1; shift
  [ -f "$dir/build.ninja" ] || cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
}
configure "build-native$sfx"
configure "build-win$sfx" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
if [ "${1:-}" = installer ]; then
  cmake --build "build-native$sfx" --target payload_tool make_demo_data
  cmake --build "build-win$sfx" --target installer quick_install_demo
else
  configure "build-sanitize$sfx" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTW_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
  for dir in "build-native$sfx" "build-sanitize$sfx" "build-win$sfx"; do
    cmake --build "$dir"
  done
fi
echo "build: installer at $root/build-win$sfx/InstallKorvane6.52a.exe"
