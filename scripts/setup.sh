#!/usr/bin/env bash
# Installs the Debian packages the build, the program, the tests and the packaging need; only those
# missing. CPack's Debian generator calls `file` and dpkg-shlibdeps.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config clang-format
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-wayland
  libgtest-dev libgmock-dev libbenchmark-dev libicu-dev
  unicode-data
  xvfb xauth x11-utils xclip xdotool imagemagick
  openbox weston wl-clipboard xwayland
  fonts-noto-cjk
  dpkg-dev file desktop-file-utils appstream
  # the accessibility check walks the window through AT-SPI
  dbus-x11 at-spi2-core python3-pyatspi
)
if [ "${VARNOPILE_EXTRA_PACKAGES:-}" ]; then
  # shellcheck disable=SC2206
  packages+=(${VARNOPILE_EXTRA_PACKAGES})
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
echo "Installing: ${missing[*]}" >&2
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
