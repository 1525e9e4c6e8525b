#!/usr/bin/env bash
# Builds the Debian package: installs what is missing (scripts/deps.sh --package), builds a release into
# build-package/, makes the .deb with CPack (its Depends computed from the binaries by dpkg-shlibdeps),
# shows lintian's findings, and prints the .deb's path as its last line. Fails on lintian errors.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh --package
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DMORIQ_TESTS=OFF -DMORIQ_BENCH=OFF >/dev/null
cmake --build build-package -j2
rm -f build-package/*.deb
(cd build-package && cpack -G DEB >/dev/null)
deb=$(ls build-package/*.deb)
echo "lintian:"
lintian --tag-display-limit 0 "$deb" || { echo "lintian found errors in $deb" >&2; exit 1; }
echo "$(du -k "$deb" | cut -f1) KiB, $(dpkg-deb -f "$deb" Depends)"
realpath "$deb"
