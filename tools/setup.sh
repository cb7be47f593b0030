#!/usr/bin/env bash
# Installs the Debian packages the engine builds against and its tests run with, and only those
# that are missing.
set -euo pipefail
pkgs=(python3 cmake ninja-build pkg-config g++ clang libclang-rt-14-dev lld
  libgtest-dev libgmock-dev libbenchmark-dev libsdl2-dev libegl-dev libgl-dev libegl-mesa0
  libgl1-mesa-dri libfreetype-dev libfontconfig-dev libpng-dev zlib1g-dev libjpeg62-turbo-dev
  libvorbis-dev libogg-dev libavformat-dev libavcodec-dev libavutil-dev libswscale-dev
  libswresample-dev fonts-ipafont-gothic xvfb xauth xfonts-base
  # The end-to-end test of full screen needs a window manager that does full screen (a small one).
  evilwm)
missing=()
for p in "${pkgs[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
