#!/bin/bash
# Playlists that follow a rename batch, on the yardstick corpus: X ' - ' ' -- '
# over tree/ with --playlists naming playlists/ beside it, then back. Prints
# the playlist lines that do not resolve afterwards (must be 0), checks that
# the way back gives every playlist byte for byte, and times the batch there
# and back with and without the playlists (pairbench, A = with, B = without).
#
#   bench/playlists_yardstick.sh CLI [RUNS]   CLI: an optimised mp3sonavex-cli
#
# The corpus is the one /work/shared/tools/yardstick makes in
# ${YARD_ROOT:-/tmp/sonavex-yardstick}/corpus; it is copied, never changed.
set -eu
tools=/work/shared/tools/yardstick
CLI=$(readlink -f "$1"); RUNS=${2:-7}
C=${YARD_ROOT:-${TMPDIR:-/tmp}/sonavex-yardstick}/corpus
W=$(mktemp -d); trap 'rm -rf "$W"' EXIT
cp -a "$C/tree" "$C/playlists" "$W/"; cp -a "$C/playlists" "$W/playlists.orig"
mkdir "$W/state"; : > "$W/empty.INI"
run="XDG_STATE_HOME='$W/state' '$CLI' --settings '$W/empty.INI' --dir '$W/tree' --recursive"

unresolved() {
  python3 - "$1" <<'PY'
import os, sys
total = missing = 0
for root, _, files in os.walk(sys.argv[1]):
    for name in (n for n in files if n.lower().endswith(('.m3u', '.m3u8'))):
        for line in open(os.path.join(root, name), 'rb').read().splitlines():
            if line and not line.startswith(b'#'):
                total += 1
                missing += not os.path.isfile(os.path.join(root.encode(), line))
print(f"{total} lines, {missing} do not resolve")
PY
}

eval "$run X ' - ' ' -- ' --playlists '$W/playlists'"
echo "after the batch: $(unresolved "$W/playlists")"
eval "$run X ' -- ' ' - ' --playlists '$W/playlists'"
diff -r "$W/playlists.orig" "$W/playlists" >/dev/null && echo "back: every playlist byte for byte"
python3 "$tools/pairbench.py" -n "$RUNS" -w 1 \
  "$run X ' - ' ' -- ' --playlists '$W/playlists' && $run X ' -- ' ' - ' --playlists '$W/playlists'" \
  "$run X ' - ' ' -- ' --no-playlists && $run X ' -- ' ' - ' --no-playlists"
