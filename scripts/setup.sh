#!/usr/bin/env bash
# Installs what building, running and testing Quillbox needs on Debian 12.
# Idempotent and quick when everything is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-format
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libqt6svg6 qt6-image-formats-plugins
  libx11-dev libx11-xcb-dev libxext-dev libxtst-dev libxfixes-dev
  libxcb1-dev libxcb-keysyms1-dev libxcb-xtest0-dev libxcb-shm0-dev libxcb-image0-dev libxcb-xfixes0-dev
  libxcb-xinput-dev
  libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev libcanberra-dev libcurl4-openssl-dev
  sound-theme-freedesktop adwaita-icon-theme fonts-dejavu-core
  xvfb xauth x11-utils x11-xserver-utils xdotool xclip openbox trayer dbus imagemagick xcompmgr
  xfce4-panel libglib2.0-bin
  python3-gi gir1.2-gtk-3.0
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "quillbox setup: missing packages (${missing[*]}); run as root to install them" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
