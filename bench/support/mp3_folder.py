"""Writes COUNT small MP3 files (two MPEG-1 Layer III frames and an ID3v1
tag) named as a collection names them into FOLDER, or PER to a subfolder.

Usage: mp3_folder.py FOLDER COUNT [PER]
"""
import os
import sys

folder, count = sys.argv[1], int(sys.argv[2])
per = int(sys.argv[3]) if len(sys.argv) > 3 else 0
frame = b"\xff\xfb\x90\x44" + b"\x55" * 413
tag = (b"TAG" + b"Titel".ljust(30) + b"Interpret".ljust(30) + b"Album".ljust(30)
       + b"2001" + b" " * 30 + b"\x00")
data = frame * 2 + tag
os.makedirs(folder, exist_ok=True)
for i in range(count):
    target = folder if per == 0 else os.path.join(folder, "d%04d" % (i // per))
    if per and i % per == 0:
        os.mkdir(target)
    with open(os.path.join(target, "Band %d - Titel %d.mp3" % (i % 97, i)), "wb") as f:
        f.write(data)
