#!/usr/bin/env python3
"""Writes a library of COUNT one-colour captures under DATA_HOME/Quillbox, newest first.
Capture i is "Quillbox i.png", coloured (8i, 255 - 8i, 128)."""
import json, os, struct, sys, time, uuid, zlib

data_home, count = sys.argv[1], int(sys.argv[2])
folder = os.path.join(data_home, "Quillbox", "screenshots")
os.makedirs(folder, exist_ok=True)


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def write_png(path, width, height, rgb):
    rows = b"".join(b"\x00" + bytes(rgb) * width for _ in range(height))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


now = time.time() - 978307200  # seconds since 1 January 2001
history = []
for i in range(count):
    name = "Quillbox %d.png" % i
    write_png(os.path.join(folder, name), 400, 280, ((8 * i) % 256, (255 - 8 * i) % 256, 128))
    history.append({"id": str(uuid.uuid4()).upper(), "fileName": name, "timestamp": now - 60 * i,
                    "kind": "area"})
with open(os.path.join(data_home, "Quillbox", "history.json"), "w") as f:
    json.dump(history, f)
