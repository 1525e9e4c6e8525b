#!/usr/bin/env bash
# Installs what is missing, builds, starts Xvfb when there is no display, and runs every test.
# Extra arguments go to ctest (for example -LE long to skip the full-length demo runs).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh --test
scripts/build.sh

if [ -z "${DISPLAY:-}" ]; then
    displayfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$displayfile" >/dev/null 2>&1 &
    xvfb=$!
    trap 'kill $xvfb 2>/dev/null; rm -f "$displayfile"' EXIT
    for _ in $(seq 100); do [ -s "$displayfile" ] && break; sleep 0.1; done
    [ -s "$displayfile" ] || { echo "Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$(head -n1 "$displayfile")"
fi
ctest --test-dir build --output-on-failure -j2 "$@"
