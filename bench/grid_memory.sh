#!/bin/bash
# The info grid over 100,000 MP3 files in one folder against the same
# program on an empty folder: time of the filling and peak RSS of each run,
# and the difference of the two peaks.
#
# Usage: bench/grid_memory.sh BUILD-DIR [PARENT-FOLDER]
# BUILD-DIR is a Release build configured with -DSONAVEX_BUILD_BENCH=ON:
#   cmake --build BUILD-DIR --target grid_fill_probe
set -euo pipefail
build=$(realpath "$1")
parent=${2:-${TMPDIR:-/tmp}}
work=$(mktemp -d "$parent/sonavex-grid-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/empty"

# Two MPEG-1 Layer III frames and an ID3v1 tag, 100,000 times, with names
# as a collection has them.
python3 "$(dirname "$(realpath "$0")")/support/mp3_folder.py" "$work/full" 100000

probe=$build/bin/grid_fill_probe
export SONAVEX_JOURNAL=$work/journal.sqlite  # never the user's journal
sync
empty=$(QT_QPA_PLATFORM=offscreen "$probe" "$work/empty")
full=$(QT_QPA_PLATFORM=offscreen "$probe" "$work/full")
echo "empty folder: $empty"
echo "100,000 files: $full"
peak() { sed -E 's/.*peak RSS ([0-9]+) KiB.*/\1/' <<<"$1"; }
echo "peak RSS above the empty folder: $(( ($(peak "$full") - $(peak "$empty")) / 1024 )) MiB"
