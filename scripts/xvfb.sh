#!/usr/bin/env bash
# The one way this repository starts a virtual X server. Sourced (run.sh, test.sh, the benchmarks):
# start_xvfb [WxH] starts one in the background, waits until it takes clients and exports DISPLAY; it sets
# no trap, so the caller stops it with stop_xvfb in its own. Run as `scripts/xvfb.sh [WxH]` (tests/demo.py),
# it becomes the server and prints its display number once it takes clients.
xvfb_script=${BASH_SOURCE[0]}

# -noreset keeps the server up between clients: SDL's probing connection closing would otherwise reset it
# and now and then turn the program away. Xvfb writes its display number to the descriptor once it listens.
serve_xvfb() {
    local size=${1:-1024x768}
    if [[ ! $size =~ ^[1-9][0-9]*x[1-9][0-9]*$ ]]; then
        echo "xvfb.sh: the screen size must be WxH, not '$size'" >&2
        return 2
    fi
    exec Xvfb -displayfd 1 -screen 0 "${size}x24" -nolisten tcp -noreset 2>/dev/null
}

# Reading the number blocks until the server listens, or ends empty if it dies first. In a session of its
# own, Ctrl-C reaches only the programs using it, which can then stop in good order.
start_xvfb() {
    exec {xvfb_out}< <(exec setsid bash "$xvfb_script" "$@")
    xvfb_pid=$!
    local number=""
    read -r number <&"$xvfb_out" || true
    exec {xvfb_out}<&-
    if [ -z "$number" ]; then
        echo "Xvfb did not start" >&2
        return 1
    fi
    export DISPLAY=":$number"
}

stop_xvfb() {
    [[ -z ${xvfb_pid:-} ]] || kill "$xvfb_pid" 2>/dev/null || true
}

if [[ ${BASH_SOURCE[0]} == "$0" ]]; then
    serve_xvfb "$@"
fi
