#!/usr/bin/env bash
# Installs everything the build, the game and the tests need from Debian 12's
# packages. Uses sudo when not run as root; does nothing when all are there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libsdl1.2-dev libsdl-mixer1.2-dev libpng-dev zlib1g-dev
  libogg-dev libvorbis-dev libxvidcore-dev libgl1-mesa-dev libglu1-mesa-dev
  libgl1-mesa-dri xvfb xauth
  imagemagick ffmpeg ogmtools vorbis-tools
)

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
