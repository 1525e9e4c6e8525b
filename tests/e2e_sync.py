# The live demo driven by a scripted sync editor speaking GNU Rocket's protocol: the greetings, every track
# asked for in the demo's order, a key that changes the picture and whose deletion brings it back byte for
# byte, the editor's row and pause, rows sent while playing, a save read back at the next start and when
# rewritten while playing, and the editor missing at the start, going away and coming back (the demo plays
# on, says so once, and asks for every track again).
import os
import socket
import struct
import subprocess
import sys
import time
import unittest

import numpy

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import demo  # noqa: E402

ROW_MS = 550 / 8
TRACK = "Greetings:background.g"


class Editor:
    def __init__(self, port=0):
        self.server = socket.socket()
        self.server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.server.bind(("127.0.0.1", port))
        self.server.listen(1)
        self.server.settimeout(30)
        self.port = self.server.getsockname()[1]

    # Takes the demo's connection and greets it; returns the names of the tracks it asks for.
    def accept(self, count):
        self.conn, _ = self.server.accept()
        self.conn.settimeout(30)
        assert self.read(19) == b"hello, synctracker!"
        self.conn.sendall(b"hello, demo!")
        names = []
        for _ in range(count):
            command, length = struct.unpack(">BI", self.read(5))
            assert command == 2, command
            names.append(self.read(length).decode())
        return names

    def read(self, n):
        data = b""
        while len(data) < n:
            chunk = self.conn.recv(n - len(data))
            assert chunk, "the demo closed the connection"
            data += chunk
        return data

    def send(self, fmt, *values):
        self.conn.sendall(struct.pack(">" + fmt, *values))

    # The rows the demo sends, until count have come.
    def rows(self, count):
        out = []
        while len(out) < count:
            command, row = struct.unpack(">BI", self.read(5))
            assert command == 3, command
            out.append(row)
        return out

    def close(self):
        self.conn.close()
        self.server.close()


def grab(run):
    x, y, w, h = demo.geometry(run)
    return demo.grab(run.display, "1024x768")[y:y + h, x:x + w]


# The picture once it holds still (paused, the editor's change drawn): two grabs in a row alike.
def settled(run):
    deadline = time.monotonic() + 20
    last = grab(run)
    while time.monotonic() < deadline:
        now = grab(run)
        if numpy.array_equal(now, last):
            return now
        last = now
    raise AssertionError("the picture did not settle")


class Sync(unittest.TestCase):
    def test_an_editor_drives_the_demo_and_its_save_is_played_at_the_next_start(self):
        names = subprocess.run([os.path.join(demo.BUILD, "moriq-demo"), "--list-tracks"], capture_output=True,
                               text=True, check=True).stdout.splitlines()
        names = [line.split("\t")[0] for line in names]
        self.assertGreaterEqual(len(names), 30)
        track = names.index(TRACK)
        cwd = demo.workdir()
        os.mkdir(os.path.join(cwd, "data", "tracks"))
        port = Editor().port
        row = round(64000 / ROW_MS)
        with demo.Demo(cwd, args=["--window", "--sync", "127.0.0.1:%d" % port, "--start", "62"]) as run:
            # No editor yet: the demo says so and plays; it finds the editor once it listens.
            run.said("no editor at")
            editor = Editor(port)
            self.assertEqual(editor.accept(len(names)), names)
            # Playing, the demo tells its rows, one after the other as the music goes.
            rows = editor.rows(3)
            self.assertTrue(all(b > a for a, b in zip(rows, rows[1:])), rows)
            self.assertTrue(round(62000 / ROW_MS) - 2 <= rows[0] < round(70000 / ROW_MS), rows)
            editor.send("BB", 4, 1)
            editor.send("BI", 3, row)
            before = settled(run)
            editor.send("BIIfB", 0, track, 0, 1.0, 0)
            keyed = settled(run)
            # Green all over the background, the rest as it was.
            self.assertGreater(keyed[..., 1].mean() - before[..., 1].mean(), 40)
            self.assertEqual(abs(keyed[..., 0] - before[..., 0]).max(), 0)
            editor.send("BII", 1, track, 0)
            self.assertTrue(numpy.array_equal(settled(run), before))

            # Saved with a key, then the editor goes away with the key still set.
            editor.send("BIIfB", 0, track, 0, 1.0, 0)
            editor.send("B", 5)
            saved = os.path.join(cwd, "data", "tracks", "sync_Greetings-3Abackground.g.track")
            run.wait(lambda: os.path.exists(saved), "saved")
            with open(saved, "rb") as f:
                self.assertEqual(f.read(), struct.pack("<iifB", 1, 0, 1.0, 0))
            self.assertEqual(len(os.listdir(os.path.dirname(saved))), len(set(names)))
            editor.close()
            kept = settled(run)
            self.assertGreater(kept[..., 1].mean() - before[..., 1].mean(), 40)

            # A track file renamed over is read again; a damaged one is named and changes nothing.
            def rename_over(data):
                demo.write(saved + ".tmp", data)
                os.replace(saved + ".tmp", saved)
            rename_over(struct.pack("<iifB", 1, 0, 0.0, 0))
            run.wait(lambda: settled(run)[..., 1].mean() < before[..., 1].mean() - 5, "the file's key drawn")
            dark = settled(run)
            rename_over(struct.pack("<iifB", 2, 0, 1.0, 0))
            run.said("truncated")
            # The notice's line at the bottom; the picture above it as it was.
            noticed = settled(run)
            self.assertTrue(numpy.array_equal(noticed[:440], dark[:440]))
            self.assertFalse(numpy.array_equal(noticed[440:], dark[440:]))
            rename_over(struct.pack("<iifB", 1, 0, 1.0, 0))
            run.wait(lambda: numpy.array_equal(settled(run), kept), "the good file drawn again")

            # Back again: every track asked for anew, with its keys cleared.
            editor = Editor(editor.port)
            self.assertEqual(editor.accept(len(names)), names)
            self.assertTrue(numpy.array_equal(settled(run), before))
            editor.send("BB", 4, 0)
            self.assertGreater(editor.rows(2)[1], row)
            run.focus()
            run.xdotool("key", "Escape")
            errors = run.finish(self, reports=[])
        editor.close()
        self.assertEqual(errors.count("went away"), 1, errors)
        self.assertEqual(errors.count("no editor at"), 1, errors)
        self.assertIn("sync_Greetings-3Abackground.g.track not reloaded", errors)

        # The next start plays the saved key, and so does the capture tool.
        for tracks in ([], ["--tracks", os.path.join(demo.SOURCE, "data", "no-such-folder")]):
            shot = demo.still(round(row * ROW_MS), *tracks, cwd=cwd)
            self.assertEqual(shot[..., 1].mean() - before[..., 1].mean() > 40, not tracks)


if __name__ == "__main__":
    unittest.main()
