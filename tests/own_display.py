"""Runs a command with an X server of its own (Xvfb). SDL's full-screen mode waits until it can grab
the pointer, so two programs on one display play one after the other, and a test timing one of them
fails while another test's demo holds the display. ctest runs the end-to-end tests through this."""
import os
import signal
import subprocess
import sys


def start_xvfb():
    """A new Xvfb and its display name (":N"). Without -noreset the server resets when its last client
    leaves, and SDL's probe connection is such a client: the real connection would now and then fail."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"],
        pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as f:
        number = f.readline().strip()
    if not number:
        server.kill()
        server.wait()
        raise RuntimeError("Xvfb did not start")
    return server, ":" + number


def main(command):
    server, display = start_xvfb()
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    try:
        return subprocess.call(command, env=dict(os.environ, DISPLAY=display))
    finally:
        server.terminate()
        server.wait()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
