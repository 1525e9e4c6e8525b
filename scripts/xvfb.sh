# Sourced by run.sh and test.sh: start_xvfb starts a virtual X server of this script's own, waits until it
# takes clients, exports its DISPLAY and stops it when the script exits.
start_xvfb() {
    # Xvfb writes its display number to the descriptor once it listens; -noreset keeps it up between
    # clients. Reading the number blocks until then, or ends empty if Xvfb dies first. In a session of
    # its own, Ctrl-C reaches only the programs using it, which can then stop in good order.
    exec {xvfb_out}< <(exec setsid Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp -noreset 2>/dev/null)
    xvfb_pid=$!
    trap 'kill "$xvfb_pid" 2>/dev/null' EXIT
    local number=""
    read -r number <&"$xvfb_out" || true
    if [ -z "$number" ]; then
        echo "Xvfb did not start" >&2
        return 1
    fi
    export DISPLAY=":$number"
}
