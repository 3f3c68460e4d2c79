#!/usr/bin/env bash
# Builds the compiled parts of the dependencies for 32-bit Windows:
# libbz2 from Debian's bzip2 sources, Boost.Filesystem and the Boost.Iostreams
# bzip2 filter from Debian's boost1.81 sources, against Debian's Boost headers.
# Usage: build-win-deps.sh SOURCE_CACHE OUTPUT_PREFIX
set -euo pipefail

src=$1
out=$2
cxx=i686-w64-mingw32-g++-posix
cc=i686-w64-mingw32-gcc-posix
ar=i686-w64-mingw32-ar
jobs=$(nproc)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -rf "$out"
mkdir -p "$out/include" "$out/lib"

# Debian's headers serve both targets; linking them in keeps one copy.
ln -s /usr/include/boost "$out/include/boost"

# --- libbz2 -------------------------------------------------------------------
tar -xf "$(ls "$src"/bzip2_*.orig.tar.* | head -n1)" -C "$work"
bz=$(ls -d "$work"/bzip2-*/ | head -n1)
mkdir -p "$work/obj/bz2"
for f in blocksort huffman crctable randtable compress decompress bzlib; do
  echo "$cc -O2 -c $bz/$f.c -o $work/obj/bz2/$f.o"
done | xargs -P "$jobs" -I{} sh -c '{}'
$ar rcs "$out/lib/libbz2.a" "$work"/obj/bz2/*.o
cp "$bz/bzlib.h" "$out/include/"

# --- Boost.Filesystem and Boost.Iostreams (bzip2 only) --------------------------
boost_tar=$(ls "$src"/boost1.81_*.orig.tar.* | head -n1)
tar -xf "$boost_tar" -C "$work" --wildcards '*/libs/filesystem/src/*' '*/libs/iostreams/src/bzip2.cpp'
b=$(ls -d "$work"/boost*/ | head -n1)
flags="-O2 -std=c++20 -DBOOST_ALL_NO_LIB -DBOOST_FILESYSTEM_NO_CXX20_ATOMIC_REF -DBOOST_FILESYSTEM_STATIC_LINK -DBOOST_IOSTREAMS_STATIC_LINK -DNDEBUG -isystem $out/include"
mkdir -p "$work/obj/fs" "$work/obj/ios"
for f in "$b"/libs/filesystem/src/*.cpp; do
  echo "$cxx $flags -I$b/libs/filesystem/src -c $f -o $work/obj/fs/$(basename "$f" .cpp).o"
done | xargs -P "$jobs" -I{} sh -c '{}'
$cxx $flags -c "$b/libs/iostreams/src/bzip2.cpp" -o "$work/obj/ios/bzip2.o"
$ar rcs "$out/lib/libboost_filesystem.a" "$work"/obj/fs/*.o
$ar rcs "$out/lib/libboost_iostreams.a" "$work"/obj/ios/*.o

echo "build-win-deps: done in $out"
