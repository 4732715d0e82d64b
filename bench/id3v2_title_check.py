#!/usr/bin/python3
# After `mp3sonavex-cli --recursive I 1 - -` with "ID3v2 mitführen" on: every
# file that has an ID3v2 tag holds in it the whole title taken from its name
# ("NN Interpret - Titel.mp3"), and its ID3v1 title is that title as ID3v1
# holds it (30 Windows-1252 characters, "..." at the end of a cut one).
# Reads the tags with mutagen, not with the program. Prints the counts and
# the first mismatches; exits 1 on any.
# Usage: bench/id3v2_title_check.py TREE
import os
import sys

from mutagen.id3 import ID3


def title_from_name(name):
    base = name[:-4]
    at = base.find(" - ")
    title = base[at + 3:].strip(" ") if at > 0 else base.strip(" ")
    if len(title) > 3 and title[:2].isdigit() and title[2] == " ":
        title = title[3:]
    return title


def as_id3v1(text):
    held = text.encode("cp1252", "replace").decode("cp1252")
    return held if len(held) <= 30 else held[:27] + "..."


def id3v1_title(path):
    with open(path, "rb") as f:
        f.seek(-128, os.SEEK_END)
        tag = f.read(128)
    if tag[:3] != b"TAG":
        return None
    return tag[3:33].rstrip(b"\0 ").decode("cp1252")


def main(tree):
    checked = without = longer = 0
    bad = []
    for root, _, files in os.walk(tree):
        for name in sorted(files):
            if not name.lower().endswith(".mp3"):
                continue
            path = os.path.join(root, name)
            with open(path, "rb") as f:
                has_v2 = f.read(3) == b"ID3"
            if not has_v2:  # mutagen would read ID3v1 in its place
                without += 1
                continue
            v2 = ID3(path, v2_version=4, load_v1=False)
            want = title_from_name(name)
            got = str(v2["TIT2"]) if "TIT2" in v2 else ""
            v1 = id3v1_title(path)
            checked += 1
            longer += len(want) > 30
            if got != want or v1 != as_id3v1(want):
                bad.append((path, want, got, v1))
    print(f"{checked} files with ID3v2 checked ({longer} titles longer than 30 characters), "
          f"{without} without, {len(bad)} mismatches")
    for path, want, got, v1 in bad[:10]:
        print(f"  {path}\n    name: {want!r}\n    ID3v2: {got!r}\n    ID3v1: {v1!r}")
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
