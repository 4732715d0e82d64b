#!/bin/bash
# Scale check: 100,000 small MP3 files in one folder and in 1,000 folders of
# 100. Wall time and peak RSS of `info`, of a rename batch ('X' " - " to
# " -- ", with --dry-run, for real and back, journal on) and of filling the
# info grid offscreen (100,000 files in one folder).
#
# Usage: bench/scale.sh BUILD-DIR [PARENT-FOLDER]
# BUILD-DIR is a Release build configured with -DSONAVEX_BUILD_BENCH=ON:
#   cmake --build BUILD-DIR --target mp3sonavex-cli info_grid_bench
set -euo pipefail
build=$(realpath "$1")
parent=${2:-${TMPDIR:-/tmp}}
cli=$build/bin/mp3sonavex-cli
work=$(mktemp -d "$parent/sonavex-scale-XXXXXX")
trap 'rm -rf "$work"' EXIT

# Two MPEG-1 Layer III frames and an ID3v1 tag, copied 100,000 times.
here=$(dirname "$(realpath "$0")")
python3 "$here/support/mp3_folder.py" "$work/flat" 100000
python3 "$here/support/mp3_folder.py" "$work/tree" 100000 100

measure() {
  local label=$1
  shift
  /usr/bin/time -f "$label: %e s wall, %U s user, %S s system, peak RSS %M KiB" "$@" >/dev/null
}

for layout in flat tree; do
  dir=$work/$layout
  options=(--dir "$dir" --journal "$work/journal.sqlite")
  [ "$layout" = tree ] && options+=(--recursive)
  sync
  measure "$layout: info" "$cli" "${options[@]}" info
  measure "$layout: X --dry-run" "$cli" "${options[@]}" --dry-run X " - " " -- "
  measure "$layout: X" "$cli" "${options[@]}" X " - " " -- "
  measure "$layout: X back" "$cli" "${options[@]}" X " -- " " - "
done
ls -l "$work/journal.sqlite"

# The grid shows one folder: 100,000 files in it. The benchmark makes its
# own tree; its time per filling is printed, the peak RSS covers the run.
SONAVEX_BENCH_FILES=100000 QT_QPA_PLATFORM=offscreen /usr/bin/time \
  -f "grid: %e s wall for the whole run, peak RSS %M KiB" \
  "$build/bin/info_grid_bench" --benchmark_filter=FillInfoGrid
