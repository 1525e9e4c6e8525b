#!/usr/bin/env bash
# Installs what is missing, builds, starts Xvfb when there is no display, and runs every test stage:
#   normal    the whole suite, built as usual into build/
#   sanitize  the whole suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer
#             (clang) into build-asan/
#   fuzz      every fuzz target (the PNG loader, the track files, the editor's projects, the editor
#             protocol) for its share of MORIQ_FUZZ_SECONDS seconds (60 in all), corpora in build-asan/fuzz/
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

# Every fuzz target gets its share of the fuzzing time (the first also the remainder). Each corpus grows
# from the seeds the build writes; a crash leaves its input in build-asan/fuzz/, named after its target.
fuzz_targets=(fuzz_png fuzz_track_file fuzz_rocket_xml fuzz_sync_protocol)
fuzz() {
    build_sanitized >/dev/null || return 1
    local share=$((fuzz_seconds / ${#fuzz_targets[@]}))
    local extra=$((fuzz_seconds % ${#fuzz_targets[@]}))
    local failed=0 target seconds corpus seeds log
    for target in "${fuzz_targets[@]}"; do
        seconds=$((share + extra))
        extra=0
        [ "$seconds" -ge 1 ] || seconds=1
        if [ "$target" = fuzz_png ]; then
            corpus=build-asan/fuzz/corpus seeds=build-asan/fuzz/seeds log=build-asan/fuzz/fuzz.log
        else
            corpus=build-asan/fuzz/$target/corpus seeds=build-asan/fuzz/$target/seeds log=build-asan/fuzz/$target.log
        fi
        mkdir -p "$corpus"
        echo "Fuzzing $target for ${seconds}s (log: $log)"
        if "build-asan/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -close_fd_mask=2 \
            -print_final_stats=1 -artifact_prefix="build-asan/fuzz/$target-" "$corpus" "$seeds" >"$log" 2>&1; then
            grep -E '^(#[0-9]+[[:space:]]+DONE|Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || true
        else
            tail -n 60 "$log"
            echo "$target failed: its crashing input is in build-asan/fuzz/" >&2
            failed=1
        fi
    done
    return "$failed"
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
