#!/usr/bin/env bash
# Installs everything a fresh Debian 12 machine lacks to build and test the
# installer, and builds the Windows copies of the compiled dependencies.
# Idempotent: a second run checks, finds everything in place and returns.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cache="$root/.cache"
deps="$root/.deps/i686"
mkdir -p "$cache"

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# --- Debian packages -------------------------------------------------------
packages=(
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-tools
  cmake make ninja-build g++ clang libclang-rt-14-dev
  wine wine32:i386 xvfb xauth x11-utils imagemagick
  libboost1.81-dev libboost-filesystem1.81-dev libboost-iostreams1.81-dev
  libbz2-dev googletest dpkg-dev xz-utils bzip2 python3
  libjpeg62-turbo-dev osslsigncode openssl
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
apt_updated=0
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  dpkg --print-foreign-architectures | grep -qx i386 || as_root dpkg --add-architecture i386
  as_root apt-get update -qq
  apt_updated=1
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# --- Source packages for the Windows builds of Boost and libbz2 -------------
# apt-get source needs deb-src lines; derive them from the machine's own
# deb822 source file so that no host is ever spelled out here.
fetch_source() { # package -> leaves its orig tarball in $cache/src
  local pkg=$1
  mkdir -p "$cache/src"
  if ls "$cache/src/${pkg}_"*.orig.tar.* >/dev/null 2>&1; then return; fi
  local srclist=/etc/apt/sources.list.d/tw-deb-src.sources
  if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && [ ! -f "$srclist" ]; then
    local base
    base=$(grep -ls '^Types: *deb' /etc/apt/sources.list.d/*.sources | head -n1)
    [ -n "$base" ] || { echo "setup: no deb822 apt source to derive deb-src from" >&2; exit 1; }
    sed 's/^Types: *deb$/Types: deb-src/' "$base" | as_root tee "$srclist" >/dev/null
    apt_updated=0
  fi
  if [ "$apt_updated" -eq 0 ]; then as_root apt-get update -qq; apt_updated=1; fi
  (cd "$cache/src" && apt-get source --download-only -qq "$pkg")
}

stamp="$deps/.stamp"
want_stamp=$(sha256sum "$root/scripts/build-win-deps.sh" | cut -d' ' -f1)
if [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$want_stamp" ]; then
  fetch_source boost1.81
  fetch_source bzip2
  "$root/scripts/build-win-deps.sh" "$cache/src" "$deps"
  echo "$want_stamp" > "$stamp"
fi

echo "setup: ready"
