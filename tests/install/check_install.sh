#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what lands there: the
# programs alone in bin/ (the build-tree marker must stay behind, or installed
# programs would keep their settings in bin/), the desktop entry, the icon and
# the metainfo, which the desktop's own validators must accept, the manual
# page (rendered without a warning), the bash completion (completing the
# commands) and the help page (its links lead somewhere).
# Usage: check_install.sh BUILD_DIR CMAKE WITH_GUI(0|1)
# Exits 77 (skipped) after the file checks when a checking tool is not
# installed.
set -euo pipefail

build=$1 cmake=$2 with_gui=$3
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

"$cmake" --install "$build" --prefix "$prefix" >/dev/null

id=de.sonavex.Mp3Sonavex
expected=(
  bin/mp3sonavex-cli
  share/man/man1/mp3sonavex-cli.1
  share/bash-completion/completions/mp3sonavex-cli
)
if [ "$with_gui" = 1 ]; then
  expected+=(
    bin/mp3sonavex
    share/applications/$id.desktop
    share/icons/hicolor/scalable/apps/$id.svg
    share/metainfo/$id.metainfo.xml
    share/doc/mp3sonavex/hilfe.html
  )
fi
actual=$(cd "$prefix" && find . -type f -printf '%P\n' | sort)
wanted=$(printf '%s\n' "${expected[@]}" | sort)
if [ "$actual" != "$wanted" ]; then
  echo "installed files differ from the expected ones:"
  diff <(echo "$wanted") <(echo "$actual") || true
  exit 1
fi

usage=$("$prefix/bin/mp3sonavex-cli" --help)

missing=0
manual=$prefix/share/man/man1/mp3sonavex-cli.1
completion=$prefix/share/bash-completion/completions/mp3sonavex-cli
if command -v man >/dev/null; then
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' man --warnings -l "$manual" 2>&1 >/dev/null)
  if [ -n "$warnings" ]; then
    echo "the manual page renders with warnings:"
    echo "$warnings"
    exit 1
  fi
  # Every command and option that --help lists is in the manual page and
  # in the completion.
  rendered=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$manual" 2>/dev/null)
  names=$( (sed -n '/^Befehle:/q; /^  -/p' <<<"$usage" | grep -o -- '--[a-z0-9-]*'
            sed -n '/^Befehle:/,$ s/^  \([A-Za-z][A-Za-z, -]*[a-z]\).*/\1/p' <<<"$usage" |
              tr ', ' '\n\n') | grep -v '^$' | sort -u)
  for name in $names; do
    if ! grep -qw -- "$name" <<<"$rendered" || ! grep -qw -- "$name" "$completion"; then
      echo "\"$name\" from --help is missing in the manual page or the completion"
      exit 1
    fi
  done
else
  echo "man is not installed (scripts/setup installs it)"
  missing=1
fi

# The completion as bash-completion loads it: the commands after the
# program's name, an option from its beginning.
completions=/usr/share/bash-completion/bash_completion
if [ -r "$completions" ]; then
  offered=$(bash -c '
    source "$1"; source "$2"
    complete_words() {
      COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMPREPLY=()
      COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
      _mp3sonavex_cli mp3sonavex-cli "${COMP_WORDS[-1]}" "${COMP_WORDS[-2]}"
      echo "${COMPREPLY[*]}"
    }
    complete_words mp3sonavex-cli ""
    complete_words mp3sonavex-cli --sep
    complete_words mp3sonavex-cli --separator ""' \
    check "$completions" "$completion")
  wanted_offer=$'list info L delete-ends E insert-ends X replace-name Y replace-type Z replace-text T swap G capitalize K lowercase S strip-marker R replace-table N name-from-tag I tag-from-name W tag-replace A tag-delete-ends B tag-insert-ends P export sync-tags journal undo redo\n--separator\ntab semicolon'
  if [ "$offered" != "$wanted_offer" ]; then
    echo "the bash completion offers:"
    echo "$offered"
    exit 1
  fi
else
  echo "bash-completion is not installed (scripts/setup installs it)"
  missing=1
fi

[ "$with_gui" = 1 ] || exit $((missing ? 77 : 0))

# Every link inside the help page leads to a heading of the page.
help=$prefix/share/doc/mp3sonavex/hilfe.html
for target in $(grep -o 'href="#[^"]*"' "$help" | sed 's/href="#\(.*\)"/\1/'); do
  if ! grep -q "id=\"$target\"" "$help"; then
    echo "the help page links to #$target, which it does not hold"
    exit 1
  fi
done
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
