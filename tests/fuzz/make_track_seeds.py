# Writes the seed corpora of the sync-tracks fuzz targets into DIR/<target>/seeds: player files, editor
# projects and protocol streams, good ones and the damaged kinds the readers refuse. Generated at build
# time, so no binary files live in the repository.
import math
import os
import struct
import sys


def track_file(keys, count=None):
    body = struct.pack("<i", len(keys) if count is None else count)
    for row, value, kind in keys:
        body += struct.pack("<ifB", row, value, kind)
    return body


def track_files():
    good = [(0, 0.0, 1), (8, 1.5, 2), (16, -3.0, 3), (24, 2.0, 0)]
    return {
        "empty-list": track_file([]),
        "one-key": track_file([(0, 1.0, 0)]),
        "four-kinds": track_file(good),
        "truncated": track_file(good)[:-5],
        "huge-count": struct.pack("<i", 2000000000) + bytes(41),
        "nan": track_file([(0, 1.0, 0), (1, math.nan, 1)]),
        "out-of-order": track_file([(5, 1.0, 0), (4, 1.0, 0)]),
        "negative-row": track_file([(-1, 1.0, 0)]),
        "bad-kind": track_file([(0, 1.0, 9)]),
    }


PROJECT = """<?xml version="1.0" encoding="UTF-8"?>
<!-- an editor's project -->
<sync rows="10000">
\t<tracks>
\t\t<track name="Heightfield&#58;camera.z" folded="0" muteKeyCount="0">
\t\t\t<key row="0" value="0" interpolation="1"/>
\t\t\t<key row="32" value="-1e+06" interpolation='2'/>
\t\t\t<key row="64" value="0.5" interpolation="3"></key>
\t\t</track>
\t\t<track name='fade &amp; &lt;x&gt; &quot;&apos; &#x41;'><key row="8" value="1" interpolation="0"/></track>
\t\t<track name="empty"/>
\t</tracks>
\t<bookmarks><bookmark row="32"/></bookmarks>
</sync>
"""


def projects():
    return {
        "project.rocket": PROJECT.encode(),
        "minimal.rocket": b"<sync/>",
        "cdata.rocket": b"<sync><![CDATA[x]]><tracks><track name='a'><key row='1' value='2' interpolation='0'/></track></tracks></sync>",
        "bad-order.rocket": PROJECT.replace('row="64"', 'row="16"').encode(),
        "unclosed.rocket": PROJECT[:-10].encode(),
    }


def command_stream():
    s = struct.pack(">BIIfB", 0, 1, 16, 0.25, 2)  # SET_KEY
    s += struct.pack(">BII", 1, 0, 7)  # DELETE_KEY
    s += struct.pack(">BI", 3, 1234)  # SET_ROW
    s += bytes([4, 1, 5, 4, 0])  # PAUSE on, SAVE_TRACKS, PAUSE off
    return s


def streams():
    good = command_stream()
    return {
        "all-commands": bytes([2, 255]) + good,
        "byte-by-byte": bytes([2, 0]) + good,
        "three-byte-chunks": bytes([2, 2]) + good,
        "track-out-of-range": bytes([1, 255]) + good,
        "unknown-command": bytes([2, 4]) + good + bytes([9]),
        "nan": bytes([1, 255]) + struct.pack(">BIIIB", 0, 0, 0, 0x7FC00000, 0),
        "cut-command": bytes([2, 255]) + good[:6],
    }


def write(folder, files):
    os.makedirs(folder, exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    root = sys.argv[1]
    write(os.path.join(root, "fuzz_track_file", "seeds"), track_files())
    write(os.path.join(root, "fuzz_rocket_xml", "seeds"), projects())
    write(os.path.join(root, "fuzz_sync_protocol", "seeds"), streams())
