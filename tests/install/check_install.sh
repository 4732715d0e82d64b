#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what lands there: the
# programs alone in bin/ (the build-tree marker must stay behind, or installed
# programs would keep their settings in bin/), the desktop entry, the icon and
# the metainfo, which the desktop's own validators must accept.
# Usage: check_install.sh BUILD_DIR CMAKE WITH_GUI(0|1)
# Exits 77 (skipped) after the file checks when a validator is not installed.
set -euo pipefail

build=$1 cmake=$2 with_gui=$3
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

"$cmake" --install "$build" --prefix "$prefix" >/dev/null

id=de.sonavex.Mp3Sonavex
expected=(bin/mp3sonavex-cli)
if [ "$with_gui" = 1 ]; then
  expected+=(
    bin/mp3sonavex
    share/applications/$id.desktop
    share/icons/hicolor/scalable/apps/$id.svg
    share/metainfo/$id.metainfo.xml
  )
fi
actual=$(cd "$prefix" && find . -type f -printf '%P\n' | sort)
wanted=$(printf '%s\n' "${expected[@]}" | sort)
if [ "$actual" != "$wanted" ]; then
  echo "installed files differ from the expected ones:"
  diff <(echo "$wanted") <(echo "$actual") || true
  exit 1
fi

"$prefix/bin/mp3sonavex-cli" --help >/dev/null

[ "$with_gui" = 1 ] || exit 0
missing=0
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/share/applications/$id.desktop"
else
  echo "desktop-file-validate is not installed (scripts/setup installs it)"
  missing=1
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml"
else
  echo "appstreamcli is not installed (scripts/setup installs it)"
  missing=1
fi
[ "$missing" = 0 ] || exit 77
