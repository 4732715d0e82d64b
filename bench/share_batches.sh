#!/bin/bash
# Batches on a slow share: set-00 of the yardstick corpus (1,000 files in 10
# album folders) on ../shared/tools/slowfs.py at LATENCY ms a request, the
# journal on the local disk as a user has it. Prints the seconds of info,
# X there and back, B and A, and undo of the A batch, once with the steps
# in flight the tool chooses (16 on a share) and, with --compare, once more
# with one step at a time (SONAVEX_READS_IN_FLIGHT=1). Then the floor:
# bench/floor_share_write.c, what a minimal program with 16 requests in
# flight takes to check and write the ID3v1 title of each file, twice.
# ID3V2=0 in the environment turns "&ID3v2 mitführen" off (default: on).
#
#   bench/share_batches.sh CLI [LATENCY_MS] [--compare]
#
# The corpus is the one /work/shared/tools/yardstick makes in
# ${YARD_ROOT:-/tmp/sonavex-yardstick}/corpus; it is copied, never changed.
set -eu
tools=/work/shared/tools
here=$(cd "$(dirname "$0")" && pwd)
CLI=$(readlink -f "$1"); LATENCY=${2:-1}; COMPARE=${3:-}
C=${YARD_ROOT:-${TMPDIR:-/tmp}/sonavex-yardstick}/corpus
W=$(mktemp -d); M=$W/mnt
trap 'fusermount -u "$M" 2>/dev/null || true; rm -rf "$W"' EXIT
: > "$W/empty.INI"
[ -n "${ID3V2:-}" ] && printf '[Optionen]\r\nID3v2=%s\r\n' "$ID3V2" > "$W/empty.INI"
gcc -O2 -pthread -o "$W/floor_share_write" "$here/floor_share_write.c"

secs() { local s; s=$(date +%s.%N); eval "$1" > /dev/null 2>&1 || true; echo "$(date +%s.%N) - $s" | bc; }

run_all() {  # $1: label, $2: environment for the tool
  rm -rf "$W/tree" "$W/state"; mkdir -p "$W/state" "$M"; cp -a "$C/tree/set-00" "$W/tree"
  /usr/bin/python3 "$tools/slowfs.py" "$W/tree" "$M" "$LATENCY" & local fs=$!
  for _ in $(seq 50); do mountpoint -q "$M" && break; sleep 0.1; done
  local T="$2 XDG_STATE_HOME='$W/state' '$CLI' --settings '$W/empty.INI' --dir '$M' --recursive"
  echo "== $1: 1,000 files on a $LATENCY ms FUSE share, seconds"
  echo "info           $(secs "$T info")"
  echo "rename there   $(secs "$T X ' - ' ' -- '")"
  echo "rename back    $(secs "$T X ' -- ' ' - '")"
  echo "tag B          $(secs "$T B --title '[' ']'")"
  echo "tag A          $(secs "$T A --title 1 1")"
  echo "undo (A)       $(secs "$T undo")"
  (cd "$W/tree" && find . -name '*.mp3' | sed 's|^\./||') > "$W/all.list"
  echo "floor write    $(secs "'$W/floor_share_write' '$M' '$W/all.list' T1")"
  echo "floor again    $(secs "'$W/floor_share_write' '$M' '$W/all.list' T2")"
  fusermount -u "$M"; wait "$fs" || true
}

run_all "in flight as chosen" ""
[ "$COMPARE" = --compare ] && run_all "one step at a time" "SONAVEX_READS_IN_FLIGHT=1"
exit 0
