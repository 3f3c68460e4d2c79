#!/usr/bin/env bash
# Builds the installer a second time, from a copy of the sources in a scratch
# folder, and compares it byte for byte with the build tree's installer and
# debug file. The two builds differ in folder and in time, so a time stamp or
# a build path anywhere in the output shows up as a difference.
# Builds only the installer and the host tools that pack its payload.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
sfx=${TW_BUILD_SUFFIX:-}
exe_name=InstallKorvane6.52a.exe

# The installer and the host tools that pack its payload, in a tree SRC that
# holds build-native and build-win (configured already).
build_installer() {
  cmake --build "$1/build-native$sfx" --target payload_tool make_demo_data >/dev/null
  cmake --build "$1/build-win$sfx" --target installer >/dev/null
}

if [ -f "$root/build-native$sfx/build.ninja" ] && [ -f "$root/build-win$sfx/build.ninja" ]; then
  build_installer "$root"
else
  "$root/scripts/build.sh" installer >/dev/null
fi
first=$root/build-win$sfx
cached() { sed -n "s/^$1:[A-Z]*=//p" "$first/CMakeCache.txt"; }

scratch=$(mktemp -d /tmp/tw-reproducible.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
src=$scratch/src
mkdir -p "$src"
(cd "$root" && tar --exclude='./build*' --exclude=./out --exclude=./.git --exclude=./.cache --exclude=./.deps -cf - .) |
  tar -xf - -C "$src"

started=$(date +%s)
cmake -S "$src" -B "$src/build-native$sfx" -G Ninja >/dev/null
cmake -S "$src" -B "$src/build-win$sfx" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
  -DCMAKE_BUILD_TYPE="$(cached CMAKE_BUILD_TYPE)" -DTW_DEPS="$(cached TW_DEPS)" >/dev/null
build_installer "$src"
seconds=$(( $(date +%s) - started ))

status=0
for file in "$exe_name" "$exe_name.debug"; do
  if cmp -s "$first/$file" "$src/build-win$sfx/$file"; then
    echo "reproducible: $file identical ($(stat -c %s "$first/$file") bytes)"
  else
    echo "reproducible: $file DIFFERS between $first and a build in $src:" >&2
    cmp -l "$first/$file" "$src/build-win$sfx/$file" 2>&1 | head -n 8 >&2 || true
    status=1
  fi
done
echo "reproducible: the second build took ${seconds} s"
exit $status
