#!/usr/bin/env bash
# Checks the .deb on a fresh Debian 12 with no build tools: installs it with apt (with Xvfb), then, started
# from /, the installed moriq-capture must draw the same still as the build tree's. FRESH is a command that
# runs its arguments as a shell command line in a fresh Debian 12 chroot with the host's /dev mounted (the
# .deb and the still pass through /dev/shm).
#   packaging/fresh_install_check.sh FRESH [DEB]    (DEB: the newest build-package/*.deb)
set -euo pipefail
cd "$(dirname "$0")/.."
fresh=${1:?usage: packaging/fresh_install_check.sh FRESH [DEB]}
deb=${2:-$(ls -t build-package/*.deb | head -1)}
shared=$(mktemp -d /dev/shm/moriq-fresh-XXXXXX)
trap 'rm -rf "$shared"' EXIT
cp "$deb" "$shared/moriq-demo.deb"
cat >"$shared/run.sh" <<SCRIPT
set -e
start=\$(date +%s)
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $shared/moriq-demo.deb xvfb xauth >/dev/null
echo "apt install: \$((\$(date +%s) - start)) s"
for tool in cc gcc g++ c++ cmake make ld; do if command -v \$tool; then echo "build tool installed: \$tool"; exit 1; fi; done
cd /
xvfb-run -a -s "-screen 0 1024x768x24 -noreset" moriq-capture --at 64000 --out $shared/installed.png
SCRIPT
"$fresh" bash "$shared/run.sh"
xvfb=()
[[ -n ${DISPLAY:-} ]] || xvfb=(xvfb-run -a -s "-screen 0 1024x768x24 -noreset")
"${xvfb[@]}" build/moriq-capture --at 64000 --out "$shared/build.png"
cmp "$shared/installed.png" "$shared/build.png"
echo "the installed package draws the build tree's still"
