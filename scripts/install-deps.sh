#!/bin/sh
# Installs the Debian packages Harf needs to build, run and test, skipping
# those already installed. Safe to run again; needs root or sudo when something
# is missing.
set -eu

PACKAGES="
  cmake make g++ pkg-config clang libclang-rt-14-dev
  libgtest-dev libbenchmark-dev libicu-dev libfribidi-dev hunspell-ar
  qt6-base-dev libgl-dev
  python3 python3-fonttools fonts-hosny-amiri
  xvfb xdotool xclip time x11-xkb-utils xkb-data
  libxcb1-dev
  libzip-dev libpugixml-dev libexpat1-dev zlib1g-dev zip unzip
  python3-docx python3-odf libreoffice-writer-nogui poppler-utils
  libreoffice-calc-nogui libreoffice-impress-nogui libpoppler-cpp-dev libpoppler-private-dev libxml2-dev
  emscripten chromium
  pango1.0-tools libharfbuzz-bin python3-brotli imagemagick
  qt6-l10n-tools qt6-tools-dev-tools
  lintian desktop-file-utils appstream librsvg2-bin dpkg-dev file fakeroot
  man-db bsdextrautils libxml2-utils fontconfig gzip qt6-tools-dev
"

# The web page's tests need npm; a machine with a node of its own keeps it.
command -v npm >/dev/null 2>&1 || PACKAGES="$PACKAGES nodejs npm"

missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then
  SUDO=""
else
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
# shellcheck disable=SC2086
$SUDO apt-get install -y -q --no-install-recommends $missing
