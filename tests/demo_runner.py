"""Runs the real demo binary for end-to-end tests: output read line by line with timeouts,
keys sent through xdotool, signals, and a scratch working directory with its own data/."""
import os
import queue
import shutil
import signal
import subprocess
import tempfile
import threading
import time

SOURCE_DIR = os.environ.get("MORIQ_SOURCE_DIR", os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD_DIR = os.environ.get("MORIQ_BUILD_DIR", os.path.join(SOURCE_DIR, "build"))
DEMO = os.path.join(BUILD_DIR, "moriq-demo")
REPORT_PREFIX = " frames draw\tAverage fps: "


class Demo:
    """One run of the demo; stdout and stderr are collected on threads so nothing blocks."""

    def __init__(self, cwd=SOURCE_DIR, env=None, binary=DEMO):
        full_env = dict(os.environ)
        full_env.setdefault("SDL_AUDIODRIVER", "dummy")
        full_env.update(env or {})
        # A busy Xvfb now and then drops a new client's handshake; start again when that is all that went wrong.
        for _ in range(4):
            self.started = time.monotonic()
            self.proc = subprocess.Popen([binary], cwd=cwd, env=full_env, stdout=subprocess.PIPE,
                                         stderr=subprocess.PIPE, text=True, errors="replace")
            self.lines, self.stdout, self.stderr = queue.Queue(), [], []
            self.pumps = [threading.Thread(target=self._pump, args=(self.proc.stdout, self.stdout, True), daemon=True),
                          threading.Thread(target=self._pump, args=(self.proc.stderr, self.stderr, False), daemon=True)]
            for pump in self.pumps:
                pump.start()
            try:
                self.proc.wait(timeout=1.0)
            except subprocess.TimeoutExpired:
                return
            self._join()
            if not any("Couldn't open X11 display" in line for line in self.stderr):
                return
            self.kill()

    def _pump(self, stream, store, announce):
        for line in stream:
            store.append(line)
            if announce:
                self.lines.put(line)

    def _join(self):
        for pump in self.pumps:
            pump.join(timeout=5)

    def next_line(self, timeout):
        """The next line of standard output, or None when none came in time."""
        try:
            return self.lines.get(timeout=timeout)
        except queue.Empty:
            return None

    def terminate_scene(self):
        """SIGTERM: SDL turns it into a close request, which ends only the scene playing."""
        self.proc.send_signal(signal.SIGTERM)

    def end_first_scene(self, timeout=40, every=3.0):
        """Close requests until the first scene reports. One polled while the scene's clock still
        reads 0 ms (during loading) is ignored by design, so a single early request may be lost."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            self.terminate_scene()
            line = self.next_line(every)
            if line is not None:
                return line
        return None

    def press(self, key):
        subprocess.run(["xdotool", "key", key], check=False, capture_output=True)

    def wait(self, timeout):
        status = self.proc.wait(timeout=timeout)
        self._join()
        return status

    def errors(self):
        return "".join(self.stderr)

    def kill(self):
        """Ends the run if it is still going and closes its pipes; safe to call twice."""
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        self._join()
        self.proc.stdout.close()
        self.proc.stderr.close()


def report_seconds(line):
    """The playing time a report line stands for: frames / fps."""
    frames, fps = line.rstrip("\n").split(REPORT_PREFIX)
    return int(frames) / float(fps) if float(fps) > 0 else 0.0


def scratch_dir(with_data=True):
    """A working directory of its own; with_data copies the real data/ into it."""
    path = tempfile.mkdtemp(prefix="moriq-e2e-")
    if with_data and os.path.isdir(os.path.join(SOURCE_DIR, "data")):
        shutil.copytree(os.path.join(SOURCE_DIR, "data"), os.path.join(path, "data"))
    else:
        os.makedirs(os.path.join(path, "data"), exist_ok=True)
    return path
