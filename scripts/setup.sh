#!/bin/sh
# Installs everything the build and the tests need, on Debian bookworm, as root.
# Idempotent: a second run with everything in place finishes in seconds.
#   - Debian packages (toolchains, Wine, Xvfb, native libraries)
#   - for i686 and x86_64 MinGW: static libbz2, Boost.Iostreams' bzip2 filter source,
#     GoogleTest, all built from Debian's source packages into the dependency cache.
# The cache lives outside the clone ($SARVELIO_DEPS, default ~/.cache/sarvelio-installer-deps);
# deleting it only costs a rebuild.
set -eu
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(dirname "$HERE")
DEPS=${SARVELIO_DEPS:-${XDG_CACHE_HOME:-$HOME/.cache}/sarvelio-installer-deps}
export DEPS
mkdir -p "$DEPS"

PKGS="cmake ninja-build g++ make pkg-config dpkg-dev xz-utils
 mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64
 wine wine64 fonts-wine xvfb xauth xdotool imagemagick
 libbz2-dev libboost-dev libboost-iostreams-dev googletest python3
 clang libclang-rt-14-dev osslsigncode openssl"

# The shipped installer is a 32-bit program: its tests need 32-bit Wine beside wine64.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need_update=1
fi

missing=""
for p in $PKGS; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done

# Source packages need a deb-src entry; add one for bookworm when none exists.
need_src=0
[ -f "$DEPS/src/bzip2/bzip2-1.0.8/bzlib.h" ] || need_src=1
[ -f "$DEPS/src/boostsrc/boost/libs/iostreams/src/bzip2.cpp" ] || need_src=1
if [ "$need_src" = 1 ] && ! grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  cat > /etc/apt/sources.list.d/sarvelio-deb-src.sources <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  missing="$missing __update__"
fi

export DEBIAN_FRONTEND=noninteractive
if [ -n "$missing" ] || [ "${need_update:-0}" = 1 ]; then
  echo "setup: installing Debian packages:$missing"
  apt-get update -qq
  pkgs=$(echo "$missing" | sed 's/__update__//')
  [ -z "$(echo $pkgs)" ] || apt-get install -y -qq --no-install-recommends $pkgs >/dev/null
fi

# wine32:i386 must match wine64's version exactly; for a moment after a Debian update the i386
# and amd64 lists can differ, so one failure is retried after a fresh 'apt-get update'.
if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
  echo "setup: installing wine32:i386 (32-bit Wine, for the shipped 32-bit installer)"
  if ! apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null; then
    echo "setup: installing wine32:i386 failed; updating the package lists and trying once more"
    apt-get update -qq
    if ! apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null; then
      echo "setup: ERROR: wine32:i386 could not be installed. The 32-bit installer cannot be tested" >&2
      echo "setup: without it. Debian's i386 and amd64 packages of wine may briefly differ in version:" >&2
      echo "setup: wait, then run 'apt-get update && apt-get install wine32:i386' and this script again." >&2
      exit 1
    fi
  fi
fi

# Boost headers for MinGW: a folder holding only a link to Debian's boost headers.
mkdir -p "$DEPS/boostinc"
ln -sfn /usr/include/boost "$DEPS/boostinc/boost"

# Static libbz2 for both MinGW targets, from Debian's bzip2 source package.
W="$DEPS/src/bzip2"
mkdir -p "$W"
if [ ! -f "$W/bzip2-1.0.8/bzlib.h" ]; then
  (cd "$W" && apt-get source -qq bzip2 >/dev/null 2>&1)
fi
for T in i686-w64-mingw32 x86_64-w64-mingw32; do
  P="$DEPS/prefix/$T"
  if [ ! -f "$P/lib/libbz2.a" ]; then
    echo "setup: building libbz2 for $T"
    O="$DEPS/build/bzip2-$T"; mkdir -p "$O" "$P/lib" "$P/include"
    for f in blocksort huffman crctable randtable compress decompress bzlib; do
      $T-gcc -O2 -w -D_FILE_OFFSET_BITS=64 -c "$W/bzip2-1.0.8/$f.c" -o "$O/$f.o"
    done
    rm -f "$O/libbz2.a"; $T-ar rcs "$O/libbz2.a" "$O"/*.o
    cp "$W/bzip2-1.0.8/bzlib.h" "$P/include/"
    cp "$O/libbz2.a" "$P/lib/libbz2.a"
  fi
done

# Boost.Iostreams' compiled sources (the bzip2 filter) from Debian's boost1.74 source package.
B="$DEPS/src/boostsrc"
if [ ! -f "$B/boost/libs/iostreams/src/bzip2.cpp" ]; then
  echo "setup: fetching boost1.74 source (Iostreams only)"
  mkdir -p "$B"
  (cd "$B" && { ls boost1.74_*.orig.tar.xz >/dev/null 2>&1 || apt-get source -qq --download-only boost1.74 >/dev/null 2>&1; } \
    && tar -xJf boost1.74_*.orig.tar.xz --wildcards '*/libs/iostreams/src/*' && rm -f boost1.74_*)
  # the archive's top folder is "boost"
  [ -f "$B/boost/libs/iostreams/src/bzip2.cpp" ]
fi

# GoogleTest for both MinGW targets, from Debian's googletest sources.
for A in x86_64 i686; do
  T=$A-w64-mingw32
  if [ ! -f "$DEPS/prefix/$T/lib/cmake/GTest/GTestConfig.cmake" ]; then
    echo "setup: building GoogleTest for $T"
    BD="$DEPS/build/gtest-$A"
    cmake -S /usr/src/googletest -B "$BD" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-$A.cmake" -DDEPS_PREFIX="$DEPS/prefix" \
      -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON \
      -DCMAKE_INSTALL_PREFIX="$DEPS/prefix/$T" >/dev/null
    cmake --build "$BD" >/dev/null
    cmake --install "$BD" >/dev/null
  fi
done
echo "setup: dependencies ready in $DEPS"
