#!/usr/bin/env bash
# Configures and builds build/: everything, or only the targets named after --target. Other arguments are
# configure options. Tests and benchmarks are configured where GoogleTest and Google Benchmark are installed
# (-DMORIQ_TESTS=ON/-DMORIQ_BENCH=ON require them).
set -euo pipefail
cd "$(dirname "$0")/.."
options=()
targets=()
while [ $# -gt 0 ]; do
    if [ "$1" = "--target" ]; then
        shift
        targets=(--target "$@")
        break
    fi
    options+=("$1")
    shift
done
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" >/dev/null
cmake --build build -j"$(nproc)" "${targets[@]}"
