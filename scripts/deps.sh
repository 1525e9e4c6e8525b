#!/usr/bin/env bash
# Installs the Debian packages the demo needs (and, with --test, what its tests need), only those missing.
set -euo pipefail

packages=(cmake g++ make pkg-config libsdl1.2-dev libsdl-mixer1.2-dev libpng-dev libgl-dev
          libglu1-mesa-dev libgl1-mesa-dri libvorbis-dev)
if [ "${1:-}" = "--test" ]; then
    packages+=(libgtest-dev libbenchmark-dev xvfb xauth xdotool python3 python3-numpy python3-pil
               fonts-dejavu-core vorbis-tools ffmpeg clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
