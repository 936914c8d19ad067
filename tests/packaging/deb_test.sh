#!/bin/sh
# Builds the Debian package from the build folder with cpack (the programs
# stripped as CPack does) and checks it: exactly the listed files under /usr,
# the control fields, stripped programs, and lintian with no error or warning.
# Arguments: build folder, project version, 1 if harf-convert is built.
set -u
build="$1" version="$2" convert="$3"
here="$(dirname "$0")"
. "$here/expected_files.sh"
fails=0
fail() {
  printf 'FAIL %s\n' "$*"
  fails=$((fails + 1))
}

out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$out/cpack.log" 2>&1; then
  cat "$out/cpack.log"
  echo "FAIL cpack -G DEB"
  exit 1
fi
deb="$(ls "$out"/*.deb)"
arch="$(dpkg --print-architecture)"
[ "$(basename "$deb")" = "harf_${version}-1_$arch.deb" ] || fail "package named $(basename "$deb")"

expected_files "$here/installed_files.txt" "$convert" | sed 's|^|usr/|' >"$out/expected"
dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./||' | LC_ALL=C sort >"$out/actual"
diff -u "$out/expected" "$out/actual" || fail "package files differ from installed_files.txt"

field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = harf ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version-1" ] || fail "Version: $(field Version)"
[ "$(field Section)" = text ] || fail "Section: $(field Section)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
# The shared libraries the programs link, as dpkg-shlibdeps found them.
for dependency in libqt6widgets6 libqt6gui6 libqt6core6 libicu72 libstdc++6 libc6; do
  field Depends | grep -q "$dependency " || fail "Depends lacks $dependency: $(field Depends)"
done

mkdir "$out/tree"
dpkg-deb --extract "$deb" "$out/tree"
for program in "$out"/tree/usr/bin/*; do
  file -b "$program" | grep -q ', stripped' || fail "$(basename "$program") is not stripped"
done

# Overrides live in the package itself, each with its reason.
if ! lintian --fail-on error,warning --no-tag-display-limit "$deb" >"$out/lintian.log" 2>&1; then
  cat "$out/lintian.log"
  fail "lintian"
fi

[ "$fails" -eq 0 ] || exit 1
echo "package: $(basename "$deb") checked, lintian clean"
