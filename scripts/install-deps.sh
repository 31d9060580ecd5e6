#!/usr/bin/env bash
# Installs every Debian package Nalo needs to build, run and test. Idempotent.
set -euo pipefail
PKGS=(
  build-essential cmake pkg-config ninja-build
  qt6-base-dev qt6-base-dev-tools libgl-dev libxkbcommon-dev qt6-translations-l10n desktop-file-utils
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
  libjpeg62-turbo-dev libjpeg-turbo-progs libgif-dev libmp3lame-dev
  libpng-dev libwebp-dev libtiff-dev libexif-dev libimagequant-dev
  libcdio-dev libcdio-paranoia-dev libiso9660-dev libtag1-dev zlib1g-dev
  portaudio19-dev
  googletest libgtest-dev libgmock-dev
  libcli11-dev nlohmann-json3-dev help2man
  fonts-ipafont-gothic
  imagemagick webp ffmpeg lame sox giflib-tools gifsicle python3-pil
  xvfb xauth x11-utils xdg-utils openbox xdotool
)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi
echo "install-deps: installing ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
