#!/usr/bin/env bash
# Installs what is missing, builds, and plays the demo from the repository root (it reads data/ from there).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
if [ -z "${DISPLAY:-}" ]; then
    cat >&2 <<'MSG'
There is no display to show the demo on (DISPLAY is not set).
Watch it anyway in a virtual X server, with sound recorded to a file:
  SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/tmp/moriq.raw xvfb-run -a -s "-screen 0 1024x768x24" build/moriq-demo
or write a still of any moment:
  xvfb-run -a -s "-screen 0 1024x768x24" build/moriq-capture --at 12000 --out still.png
MSG
    exit 1
fi
exec build/moriq-demo
