# A stand-in sync editor for timing the demo with an editor connected: it listens on PORT (default 1338),
# greets each demo that connects, answers every track it asks for with smooth keys on every 8th row over
# the whole demo, all at the demo's own value (so each cue is interpolated every frame, as in a worked-on
# project, and the pictures stay the same), and reads the rows the demo sends until it goes away.
#
#   python3 bench/sync_editor.py [PORT] &
#   bench/live_frames.sh --sync 127.0.0.1:PORT     # against a run of bench/live_frames.sh without it
import os
import socket
import struct
import subprocess
import sys

ROWS = 115000 * 8 // 550
port = int(sys.argv[1]) if len(sys.argv) > 1 else 1338
listing = subprocess.run([os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "build", "moriq-demo"),
                          "--list-tracks"], capture_output=True, text=True, check=True).stdout
own = {line.split("\t")[0]: float(line.split("\t")[1]) for line in listing.splitlines()}
server = socket.socket()
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind(("127.0.0.1", port))
server.listen(1)
print("sync_editor: listening on 127.0.0.1:%d" % port, flush=True)
while True:
    conn, _ = server.accept()
    buffer = b""
    try:
        while len(buffer) < 19:
            buffer += conn.recv(19 - len(buffer)) or b"!" * 19
        conn.sendall(b"hello, demo!")
        buffer, track = b"", 0
        while True:
            data = conn.recv(65536)
            if not data:
                break
            buffer += data
            while buffer:
                if buffer[0] == 2 and len(buffer) >= 5 and len(buffer) >= 5 + struct.unpack(">I", buffer[1:5])[0]:
                    length = struct.unpack(">I", buffer[1:5])[0]
                    value = own[buffer[5:5 + length].decode()]
                    keys = b"".join(struct.pack(">BIIfB", 0, track, row, value, 2) for row in range(0, ROWS, 8))
                    conn.sendall(keys)
                    track += 1
                    buffer = buffer[5 + length:]
                elif buffer[0] == 3 and len(buffer) >= 5:
                    buffer = buffer[5:]
                else:
                    break
    except OSError:
        pass
    conn.close()
