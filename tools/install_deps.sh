#!/usr/bin/env bash
# Installs and builds everything the project needs on a Debian 12 machine.
# Safe to run again: packages already present are skipped, and libraries
# built from Debian source packages are cached outside the clone, keyed by
# their Debian version and by the build recipe below.
set -euo pipefail

CACHE=${LUMAVOX_DEPS_CACHE:-$HOME/.cache/lumavox-deps}
JOBS=${JOBS:-2}
HOST=x86_64-w64-mingw32

# Bump a recipe number when its build commands change.
CURL_RECIPE=2
LZMA_RECIPE=1
PUGIXML_RECIPE=1

APT_PACKAGES=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools
  binutils-mingw-w64-x86-64 libz-mingw-w64-dev
  wine wine64 libgnutls30 xvfb xauth fonts-wqy-microhei
  imagemagick xdotool librsvg2-bin
  libstb-dev googletest 7zip nsis
  cmake ninja-build make dpkg-dev python3
  aria2 curl openssl
)

log() { printf '[deps] %s\n' "$*"; }

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

missing_packages() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || echo "$p"
  done
}

if dpkg-query -W -f='${Status}\n' wine32:i386 2>/dev/null | grep -q 'ok installed'; then
  echo "wine32:i386 is installed; it breaks every Wine call on this machine. Remove it first." >&2
  exit 1
fi

# --- Debian binary packages ---------------------------------------------------
mapfile -t need < <(missing_packages "${APT_PACKAGES[@]}")
if [ "${#need[@]}" -gt 0 ]; then
  log "installing ${need[*]}"
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}"
fi

# --- source lists, derived from the binary ones ------------------------------
src_list=/etc/apt/sources.list.d/debian-src.sources
if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ /etc/apt/sources.list 2>/dev/null; then
  log "enabling Debian source packages"
  sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | as_root tee "$src_list" >/dev/null
  as_root apt-get update -qq
fi

mkdir -p "$CACHE/src" "$CACHE/current"

# Candidate version of a source package, without the epoch.
src_version() {
  apt-cache showsrc "$1" | awk '/^Version:/ {print $2}' | sort -V | tail -n 1 | sed 's/^[0-9]*://'
}

# Unpacks a Debian source package (patches applied) and prints its folder.
unpack_source() {
  local pkg=$1 ver=$2 dir="$CACHE/src/$1-$2"
  if [ ! -d "$dir" ]; then
    local dl
    dl=$(mktemp -d "$CACHE/src/dl.XXXXXX")
    (cd "$dl" && apt-get source --download-only "$pkg=$ver" >/dev/null 2>&1 \
      || apt-get source --download-only "$pkg" >/dev/null)
    (cd "$dl" && dpkg-source --no-check -x ./*.dsc unpacked >/dev/null)
    mv "$dl/unpacked" "$dir"
    rm -rf "$dl"
  fi
  echo "$dir"
}

# Runs build function $2 for package $1 into a keyed prefix unless cached,
# then points $CACHE/current/$3 at it.
cached_build() {
  local pkg=$1 fn=$2 name=$3 recipe=$4 ver prefix
  ver=$(src_version "$pkg")
  [ -n "$ver" ] || { echo "no source package $pkg" >&2; exit 1; }
  prefix="$CACHE/$name-$ver-r$recipe"
  if [ ! -f "$prefix/.done" ]; then
    log "building $name $ver"
    rm -rf "$prefix"
    local srcdir
    srcdir=$(unpack_source "$pkg" "$ver")
    "$fn" "$srcdir" "$prefix"
    touch "$prefix/.done"
  fi
  ln -sfn "$prefix" "$CACHE/current/$name"
}

build_curl() {
  local src=$1 prefix=$2 bdir
  bdir=$(mktemp -d)
  (cd "$bdir" && "$src/configure" --host=$HOST --prefix="$prefix" \
      CC=$HOST-gcc-posix AR=$HOST-ar RANLIB=$HOST-ranlib \
      --with-schannel --without-openssl --disable-shared --enable-static \
      --with-zlib=/usr/$HOST --without-libpsl --without-brotli --without-zstd \
      --without-nghttp2 --without-libidn2 --without-libssh2 --without-librtmp \
      --disable-ldap --disable-ldaps --disable-rtsp --disable-dict --disable-telnet \
      --disable-tftp --disable-pop3 --disable-imap --disable-smb --disable-smtp \
      --disable-gopher --disable-mqtt --disable-manual --disable-ftp \
      >/dev/null \
    && make -s -j"$JOBS" -C lib >/dev/null \
    && make -s -C lib install >/dev/null \
    && make -s -C include install >/dev/null)
  rm -rf "$bdir"
}

build_lzma() {
  local src=$1 prefix=$2 bdir f
  local files=(7zAlloc 7zArcIn 7zBuf 7zBuf2 7zCrc 7zCrcOpt 7zDec 7zFile 7zStream
               Alloc Bcj2 Bra Bra86 BraIA64 CpuArch Delta Lzma2Dec LzmaDec Ppmd7 Ppmd7Dec)
  bdir=$(mktemp -d)
  for f in "${files[@]}"; do
    $HOST-gcc-posix -O2 -c "$src/C/$f.c" -o "$bdir/$f.o"
  done
  mkdir -p "$prefix/lib" "$prefix/include/lzma"
  $HOST-ar rcs "$prefix/lib/liblzma7z.a" "$bdir"/*.o
  cp "$src"/C/*.h "$prefix/include/lzma/"
  rm -rf "$bdir"
}

build_pugixml() {
  local src=$1 prefix=$2 bdir
  bdir=$(mktemp -d)
  $HOST-g++-posix -O2 -std=c++17 -c "$src/src/pugixml.cpp" -o "$bdir/pugixml.o"
  mkdir -p "$prefix/lib" "$prefix/include"
  $HOST-ar rcs "$prefix/lib/libpugixml.a" "$bdir/pugixml.o"
  cp "$src/src/pugixml.hpp" "$src/src/pugiconfig.hpp" "$prefix/include/"
  rm -rf "$bdir"
}

cached_build curl build_curl curl $CURL_RECIPE
cached_build 7zip build_lzma lzma $LZMA_RECIPE
cached_build pugixml build_pugixml pugixml $PUGIXML_RECIPE

log "ready: $CACHE/current"
