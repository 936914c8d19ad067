#!/bin/sh
# Installs the packages Harf needs to build, run and test, skipping those
# already installed. Safe to run again, and silent when nothing is missing;
# needs root or sudo when something is.
#
# Packages are chosen by what the archive offers, not by release name, so the
# same list serves Debian 12 and 13 and Ubuntu 22.04 and 24.04: "a|b" takes the
# first of a and b that is installed or, failing that, installable. Where there
# is no apt (another distribution, macOS) the list is printed and the script
# goes on, so the scripts that call it still try the build.
set -eu

PACKAGES="
  cmake make g++ pkg-config clang clang-tidy CLANG_RT
  libgtest-dev libbenchmark-dev libicu-dev libfribidi-dev hunspell-ar
  qt6-base-dev libgl-dev
  python3 python3-fonttools fonts-hosny-amiri
  xvfb xdotool xclip time x11-xkb-utils xkb-data
  libxcb1-dev
  libzip-dev libpugixml-dev libexpat1-dev zlib1g-dev zip unzip
  python3-docx python3-odf libreoffice-writer-nogui|libreoffice-writer poppler-utils
  libreoffice-calc-nogui|libreoffice-calc libreoffice-impress-nogui|libreoffice-impress
  libpoppler-cpp-dev libpoppler-private-dev libxml2-dev
  emscripten chromium|chromium-browser
  pango1.0-tools libharfbuzz-bin python3-brotli imagemagick
  qt6-l10n-tools qt6-tools-dev-tools
  lintian desktop-file-utils appstream librsvg2-bin dpkg-dev file fakeroot
  man-db bsdextrautils libxml2-utils fontconfig gzip qt6-tools-dev
"

# The web page's tests need npm; a machine with a node of its own keeps it.
command -v npm >/dev/null 2>&1 || PACKAGES="$PACKAGES nodejs npm"

# The sanitizers' and the fuzzer's runtime must match the installed clang's
# version: libclang-rt-N-dev, or libclang-common-N-dev where the runtime is not
# split out of it (Ubuntu 22.04). N is the installed clang's, else the one the
# archive's clang depends on (known only after apt-get update).
clang_runtime() {
  n=""
  if command -v clang >/dev/null 2>&1; then
    n=$(clang -dumpversion | cut -d. -f1)
  elif command -v apt-cache >/dev/null 2>&1; then
    n=$(apt-cache depends clang 2>/dev/null | sed -n 's/^ *Depends: clang-\([0-9][0-9]*\)$/\1/p' | head -n1)
  fi
  if [ -z "$n" ]; then
    echo "libclang-rt-dev"
  else
    echo "libclang-rt-$n-dev|libclang-common-$n-dev"
  fi
}

# One dpkg-query for the whole list: one a package is slow on a busy machine.
installed() {
  case "$INSTALLED" in *" $1 "*) return 0 ;; esac
  return 1
}

available() {
  apt-cache policy "$1" 2>/dev/null | grep -q "Candidate: [^(]"
}

# Prints each entry of the list none of whose alternatives is installed.
missing_entries() {
  for entry in $PACKAGES; do
    [ "$entry" = CLANG_RT ] && entry=$(clang_runtime)
    found=""
    for p in $(echo "$entry" | tr '|' ' '); do
      if installed "$p"; then found=1; break; fi
    done
    [ -n "$found" ] || echo "$entry"
  done
}

if ! command -v dpkg-query >/dev/null 2>&1 || ! command -v apt-get >/dev/null 2>&1; then
  echo "install-deps.sh: no apt here; install the equivalents of these packages:" >&2
  echo "$PACKAGES" | sed "s/CLANG_RT/the clang runtime (compiler-rt) matching clang/" >&2
  exit 0
fi

INSTALLED=" $(dpkg-query -W -f='${db:Status-Status} ${Package}\n' 2>/dev/null |
  awk '$1 == "installed" { printf "%s ", $2 }')"
missing=$(missing_entries)
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  SUDO=""
elif command -v sudo >/dev/null 2>&1; then
  SUDO="sudo"
else
  echo "install-deps.sh: not root and no sudo; install these packages:" "$missing" >&2
  exit 0
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
missing=$(missing_entries)

chosen=""
unavailable=""
for entry in $missing; do
  pick=""
  for p in $(echo "$entry" | tr '|' ' '); do
    if available "$p"; then pick=$p; break; fi
  done
  if [ -n "$pick" ]; then chosen="$chosen $pick"; else unavailable="$unavailable $entry"; fi
done
if [ -n "$unavailable" ]; then
  echo "install-deps.sh: not in this system's archive, the tests that need them skip or fail:$unavailable" >&2
fi
[ -z "$chosen" ] && exit 0
echo "Installing:$chosen"
# shellcheck disable=SC2086
$SUDO apt-get install -y -q --no-install-recommends $chosen
