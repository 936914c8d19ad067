#!/bin/sh
# Builds the libraries the converter needs in the browser (zlib, expat,
# libzip, pugixml) to WebAssembly with Debian's emscripten, from Debian's own
# source packages, into DIR/prefix (default DIR: build-web/libs). Nothing of
# theirs is kept in the repository: `apt-get source` fetches them through a
# private apt configuration under DIR (the machine's own archives as deb-src
# lines), so neither root nor the system's apt lists are needed. A finished
# build is kept: a second run only checks its stamp.
set -eu
cd "$(dirname "$0")/.."

dir=${1:-build-web/libs}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
prefix=$dir/prefix
# The stamp names what was built; a change here builds again.
want="zlib expat libzip pugixml; -Os; 1"
if [ -f "$prefix/.built" ] && [ "$(cat "$prefix/.built")" = "$want" ]; then
  exit 0
fi

export NODE_PATH="${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs"

# deb-src lines for the archives this machine installs from, one-line and
# deb822 lists alike.
apt=$dir/apt
mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial"
{
  cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
    sed -n 's/^[[:space:]]*deb[[:space:]]\+/deb-src /p'
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    # One stanza per blank-line-separated block; only enabled "deb" ones.
    awk '
      function flush() {
        if (types ~ /(^| )deb( |$)/ && enabled != "no" && uris != "")
          print "deb-src " signed uris " " suites " " comps
        types = ""; uris = ""; suites = ""; comps = ""; signed = ""; enabled = ""
      }
      /^[[:space:]]*$/ { flush(); next }
      /^#/ { next }
      tolower($1) == "types:" { $1 = ""; types = substr($0, 2) }
      tolower($1) == "uris:" { uris = $2 }
      tolower($1) == "suites:" { suites = $2 }
      tolower($1) == "components:" { $1 = ""; comps = substr($0, 2) }
      tolower($1) == "signed-by:" { signed = "[signed-by=" $2 "] " }
      tolower($1) == "enabled:" { enabled = tolower($2) }
      END { flush() }
    ' "$f"
  done
} | sort -u >"$apt/sources.list"
if ! [ -s "$apt/sources.list" ]; then
  echo "web-libs.sh: no Debian archive found in /etc/apt to fetch sources from" >&2
  exit 1
fi
aptopts="-o Dir::Etc::SourceList=$apt/sources.list -o Dir::Etc::SourceParts=/nonexistent
  -o Dir::State::Lists=$apt/lists -o Dir::Cache=$apt/cache -o Debug::NoLocking=1
  -o APT::Sandbox::User=root"
src=$dir/src
mkdir -p "$src"
updated=0
for pkg in zlib expat libzip pugixml; do
  ls -d "$src/$pkg"-*/ >/dev/null 2>&1 && continue
  if [ "$updated" -eq 0 ]; then
    # shellcheck disable=SC2086
    apt-get -qq $aptopts update
    updated=1
  fi
  # The newest version first; where a mirror lacks its sources (security
  # updates often do), the one of each suite in turn.
  for want_pkg in "$pkg" $(awk '{ print "'"$pkg"'/" $(NF - 1) }' "$apt/sources.list"); do
    # shellcheck disable=SC2086
    (cd "$src" && apt-get -qq $aptopts source "$want_pkg" >/dev/null 2>&1) && break
    rm -rf "$src/$pkg"[-_]*
  done
  if ! ls -d "$src/$pkg"-*/ >/dev/null 2>&1; then
    echo "web-libs.sh: apt-get source $pkg failed (is deb.debian.org reachable?)" >&2
    exit 1
  fi
done

fail() {
  tail -n 20 "$dir/build-$1.log" >&2
  echo "web-libs.sh: building $1 failed; its log: $dir/build-$1.log" >&2
  exit 1
}

# One CMake build per library, all installed into one prefix: static, small,
# without their programs, tests or documentation. Configure checks run under
# node, which must not fetch the .wasm as a URL (emscripten 3.1.6 predates
# node's fetch): otherwise every type size comes out wrong.
build() {
  name=$1
  shift
  [ -f "$prefix/.built-$name" ] && return 0
  srcdir=$(ls -d "$src/$name"-*/ | head -n 1)
  # Debian's expat keeps the library one folder down.
  [ -f "$srcdir/CMakeLists.txt" ] || srcdir=$srcdir/$name
  rm -rf "$dir/build-$name"
  emcmake cmake -S "$srcdir" -B "$dir/build-$name" -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_FIND_ROOT_PATH="$prefix" -DBUILD_SHARED_LIBS=OFF \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$(command -v node);--no-experimental-fetch" "$@" \
    >"$dir/build-$name.log" 2>&1 || fail "$name"
  # Debian's expat patches test `XML_DTD == 1`, which its CMake header
  # defines empty (its autotools header says 1).
  config=$dir/build-$name/expat_config.h
  [ -f "$config" ] && sed -i 's/^#define XML_DTD$/#define XML_DTD 1/' "$config"
  cmake --build "$dir/build-$name" -j2 >>"$dir/build-$name.log" 2>&1 || fail "$name"
  cmake --install "$dir/build-$name" >>"$dir/build-$name.log" 2>&1 || fail "$name"
  touch "$prefix/.built-$name"
}

# Each library is built once; a failed run goes on from the one that failed.
# zlib through its own configure: Debian's repacked source lacks the Windows
# resource its CMake file names.
if ! [ -f "$prefix/.built-zlib" ]; then
rm -rf "$dir/build-zlib"
cp -R "$(ls -d "$src/zlib"-*/ | head -n 1)" "$dir/build-zlib"
(
  cd "$dir/build-zlib"
  CFLAGS=-Os emconfigure ./configure --static --prefix="$prefix"
  emmake make -j2 libz.a
  emmake make install
) >"$dir/build-zlib.log" 2>&1 || fail zlib
touch "$prefix/.built-zlib"
fi
build expat -DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF -DEXPAT_BUILD_TESTS=OFF \
  -DEXPAT_BUILD_DOCS=OFF -DEXPAT_SHARED_LIBS=OFF
build libzip -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF -DENABLE_OPENSSL=OFF \
  -DENABLE_GNUTLS=OFF -DENABLE_MBEDTLS=OFF -DENABLE_COMMONCRYPTO=OFF -DENABLE_WINDOWS_CRYPTO=OFF \
  -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF \
  -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include"
build pugixml -DPUGIXML_BUILD_TESTS=OFF
echo "$want" >"$prefix/.built"
