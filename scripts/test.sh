#!/usr/bin/env bash
# Installs what is missing, builds, starts Xvfb when there is no display, and runs every test stage:
#   normal    the whole suite, built as usual into build/
#   sanitize  the whole suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer
#             (clang) into build-asan/
#   fuzz      the PNG loader's fuzz target for MORIQ_FUZZ_SECONDS seconds (60), corpus in build-asan/fuzz/
#   web       the page built into build-web/ and tested in headless Chromium (tests/web/)
# MORIQ_STAGES chooses some of them (default: all), run in this order; an unknown name exits with 2. Extra
# arguments go to ctest in both suites (for example -LE long to skip the full-length demo runs). Exits
# non-zero if any stage failed; a stage fails at its first failing command.
set -euo pipefail
cd "$(dirname "$0")/.."
all_stages=(normal sanitize fuzz web)
read -r -a stages <<<"${MORIQ_STAGES:-${all_stages[*]}}"
for stage in "${stages[@]}"; do
    if [[ " ${all_stages[*]} " != *" $stage "* ]]; then
        echo "test.sh: no stage '$stage' in MORIQ_STAGES; the stages are: ${all_stages[*]}" >&2
        exit 2
    fi
done
fuzz_seconds=${MORIQ_FUZZ_SECONDS:-60}
jobs=2

scripts/deps.sh --test

. scripts/xvfb.sh
trap stop_xvfb EXIT
[ -n "${DISPLAY:-}" ] || start_xvfb

normal() {
    scripts/build.sh -DMORIQ_TESTS=ON -DMORIQ_BENCH=ON && ctest --test-dir build --output-on-failure -j"$jobs" "$@"
}

build_sanitized() {
    CC=clang CXX=clang++ cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORIQ_SANITIZE=ON \
        -DMORIQ_TESTS=ON -DMORIQ_BENCH=OFF >/dev/null && cmake --build build-asan -j"$jobs"
}

sanitize() {
    build_sanitized && ctest --test-dir build-asan --output-on-failure -j"$jobs" "$@"
}

# The corpus grows from the seeds the build writes; a crash leaves its input in build-asan/fuzz/.
fuzz() {
    build_sanitized >/dev/null || return 1
    mkdir -p build-asan/fuzz/corpus
    echo "Fuzzing the PNG loader for ${fuzz_seconds}s (log: build-asan/fuzz/fuzz.log)"
    if build-asan/fuzz_png -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 -close_fd_mask=2 \
        -print_final_stats=1 -artifact_prefix=build-asan/fuzz/ build-asan/fuzz/corpus build-asan/fuzz/seeds \
        >build-asan/fuzz/fuzz.log 2>&1; then
        grep -E '^(#[0-9]+[[:space:]]+DONE|Done|stat::number_of_executed_units|stat::peak_rss_mb)' \
            build-asan/fuzz/fuzz.log || true
    else
        tail -n 60 build-asan/fuzz/fuzz.log
        return 1
    fi
}

# The page against the capture tool's stills, so both are built; playwright-core drives Debian's Chromium.
web() {
    scripts/web.sh --build && scripts/build.sh --target moriq-capture >/dev/null &&
        (cd tests/web && npm ci --no-audit --no-fund --silent) && node --test tests/web/page.test.mjs tests/web/player.test.mjs tests/web/sync.test.mjs
}

failed=()
ran=()
for stage in "${all_stages[@]}"; do
    [[ " ${stages[*]} " == *" $stage "* ]] || continue
    echo "=== $stage ==="
    # A subshell outside any condition, so that set -e stops the stage at its first failing command.
    set +e
    (set -e; "$stage" "$@")
    status=$?
    set -e
    ran+=("$stage")
    [ "$status" -eq 0 ] || failed+=("$stage")
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "Failed stages: ${failed[*]}" >&2
    exit 1
fi
echo "All stages passed: ${ran[*]}"
