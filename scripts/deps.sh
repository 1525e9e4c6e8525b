#!/usr/bin/env bash
# Installs the Debian packages a step needs, only those missing:
#   scripts/deps.sh           building and playing the demo
#   scripts/deps.sh --video   recording it without a display: a virtual X server and the video encoder
#   scripts/deps.sh --web     building the page for browsers (scripts/web.sh)
#   scripts/deps.sh --test    everything scripts/test.sh builds and runs
#   scripts/deps.sh --package building the Debian package (scripts/package.sh) and checking it
set -euo pipefail

# The compilers and build tools, and the libraries the demo and the capture tool link and load.
build=(cmake make g++ pkg-config libsdl1.2-dev libsdl-mixer1.2-dev libpng-dev libvorbis-dev libgl-dev
       libglu1-mesa-dev libglx-mesa0 libgl1-mesa-dri)
# Xvfb for the virtual X server; ffmpeg encodes the video and ffprobe reads its length back.
video=(xvfb ffmpeg)
# Emscripten (with its own SDL 1.2 and SDL_mixer 1.2) compiles the page, configured by CMake; dpkg-dev
# unpacks the libpng and zlib sources that apt-get fetches for it; ffmpeg makes the second soundtrack
# format; python3 packages the pictures and serves the page.
web=(emscripten cmake make dpkg-dev ffmpeg python3)

case "${1:-}" in
    "") packages=("${build[@]}") ;;
    --video) packages=("${video[@]}") ;;
    --web) packages=("${web[@]}") ;;
    # GoogleTest and Google Benchmark; clang and its runtimes for the sanitized build and the fuzzer, llvm
    # for symbolized reports; Xvfb and xdotool for the rendering and end-to-end tests (xauth for xvfb-run);
    # ffmpeg, vorbis-tools (oggenc, oggdec) and sox (with its Ogg Vorbis writer in libsox-fmt-base) make
    # and check the test sounds and videos; python3 with numpy, PIL and the DejaVu fonts runs the generators.
    # libegl-dev, libegl-mesa0 and libgles-dev: the GL layer's tests draw in Mesa's OpenGL ES through EGL.
    # The page's tests run in Chromium headless with software WebGL.
    --test) packages=("${build[@]}" "${video[@]}" "${web[@]}" chromium libgtest-dev libbenchmark-dev clang
                      libclang-rt-14-dev llvm libegl-dev libegl-mesa0 libgles-dev
                      xauth xdotool vorbis-tools sox libsox-fmt-base python3 python3-numpy python3-pil
                      fonts-dejavu-core fonts-dejavu-extra) ;;
    # dpkg-shlibdeps (dpkg-dev) computes the package's dependencies from the binaries, file finds them;
    # lintian checks the package.
    --package) packages=("${build[@]}" dpkg-dev file lintian) ;;
    *) echo "usage: scripts/deps.sh [--video | --web | --test | --package]" >&2; exit 2 ;;
esac

# npm installs the browser tests' driver; a Node.js that brings its own npm needs no package for it.
if [ "${1:-}" = "--test" ] && ! command -v npm >/dev/null; then packages+=(npm); fi

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
