#!/usr/bin/env bash
# Writes the seed inputs of every fuzz target into OUT/<target>/: real MP3
# files made with sox and lame (constant and variable bit rate, mono,
# MPEG-2 and 2.5, Layer II, ID3v2 and ID3v1 tags), hand-made byte cases of
# the header search, tags, settings files, names and playlists. Any tool
# that is missing only leaves its seeds out.
# Usage: fuzz/seeds/make_seeds.sh OUT
set -euo pipefail
out=${1:?usage: make_seeds.sh OUT}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

seed() {  # seed TARGET NAME: the standard input becomes the seed
  mkdir -p "$out/$1"
  cat >"$out/$1/$2"
}

# Seeds of the targets that read several parameters: a text the fuzzer
# reads up to a "\" and one more character, then the bytes that follow.
field() { printf '%s\\|' "$1"; }

mp3_seeds() {
  local t=mp3_frame_fuzz
  # Audio files cut to the fuzzer's length: their first frames and tags
  # are what the header search looks at.
  if command -v sox >/dev/null; then
    sox -n -r 44100 -c 2 "$work/tone.wav" synth 0.4 sine 440 2>/dev/null
    sox -n -r 22050 -c 1 "$work/mono22.wav" synth 0.4 sine 330 2>/dev/null
    sox -n -r 8000 -c 1 "$work/mono8.wav" synth 0.4 sine 220 2>/dev/null
    sox "$work/tone.wav" "$work/layer2.mp2" 2>/dev/null && seed $t layer2 <"$work/layer2.mp2" || true
    if command -v lame >/dev/null; then
      local args
      while read -r name wav args; do
        # shellcheck disable=SC2086
        lame --quiet $args "$work/$wav" "$work/$name.mp3" && seed $t "$name" <"$work/$name.mp3"
      done <<'LIST'
cbr128 tone.wav -b 128
vbr tone.wav -V 2
vbr_mono tone.wav -V 5 -m m
abr tone.wav --abr 96
mpeg2 mono22.wav -b 32
mpeg25 mono8.wav -b 16
id3v2 tone.wav -b 64 --tt Titel --ta Interpret --id3v2-only
id3v1 tone.wav -b 64 --tt Titel --ta Interpret --tl Album --id3v1-only
LIST
    fi
  fi
  # The byte examples of the header search.
  printf '\xff\xfb\x90\x44' | seed $t mpeg1_layer3
  printf '\xff\xf3\x80\xc4' | seed $t mpeg2_mono
  { head -c 10 /dev/zero; printf '\xff\xfb\x90\x44'; } | seed $t zeros_then_header
  { printf 'ID3\x03\x00\x00\x00\x00\x00\x0a'; printf '\x00\xff\xf0\x00\x00\x00\x00\x00\x00\x00';
    printf '\xff\xfb\x90\x44'; } | seed $t id3v2_with_sync_inside
  printf 'no frame sync in here' | seed $t no_sync
  # A Layer III frame with a VBRI summary 32 bytes behind its header.
  { printf '\xff\xfb\x90\x44'; head -c 32 /dev/zero; printf 'VBRI\x00\x01\x00\x00\x00\x00';
    printf '\x00\x10\x00\x00\x00\x00\x00\x64'; head -c 360 /dev/zero; } | seed $t vbri
}

other_seeds() {
  local tag
  tag=$(printf 'TAG%-30s%-30s%-30s%-35s' 'Titel' 'Interpret' 'Album' '2001')
  { field 'Neuer Titel'; printf '%s' "$tag"; printf '\x02'; } | seed id3v1_fuzz tagged
  { field 'Ä ist 1252'; printf 'TAG'; head -c 125 /dev/zero; printf '\x01'; } | seed id3v1_fuzz zeros

  # ID3v2: a text, a tag of each version, and the field's number last (the
  # fuzzer takes numbers from the end).
  { field 'Neuer Titel'; printf 'ID3\x03\x00\x00\x00\x00\x00\x1e';
    printf 'TIT2\x00\x00\x00\x04\x00\x00\x00Alt'; head -c 16 /dev/zero; printf '\x00'; } |
    seed id3v2_fuzz v23
  { field 'Ärzte ☃'; printf 'ID3\x04\x00\x00\x00\x00\x00\x10';
    printf 'TPE1\x00\x00\x00\x06\x00\x00\x03B\xc3\xa4nd'; printf '\x01'; } |
    seed id3v2_fuzz v24
  { field 'Platte'; printf 'ID3\x02\x00\x00\x00\x00\x00\x0c';
    printf 'TT2\x00\x00\x05\x00Lied'; printf '\x00\x02'; } | seed id3v2_fuzz v22
  { field 'x'; printf 'ID3\x03\x00\x80\x00\x00\x00\x0e';
    printf 'TIT2\x00\x00\x00\x03\x00\x00\x00\xff\x00\xe0\x00'; } |
    seed id3v2_fuzz unsynchronised

  { field Form1; field DirStart; field Form1; field Mask; field '/home/user/Musik';
    printf '[Form1]\nMask=*.mp3\nDirStart=/tmp\n[Replace]\nSearch1=" "\n'; } |
    seed settings_fuzz form1
  { field Export; field Album; field Export; field Titel; field '  Blanks  ';
    printf '\xef\xbb\xbf[export]\r\nalbum = 1\r\n; comment\r\n[Export]\nTitel="x"\n'; } |
    seed settings_fuzz crlf_and_bom

  printf 'Ärger – Sänger.mp3' | seed encoding_fuzz utf8
  printf '\xc4rger.mp3' | seed encoding_fuzz latin1
  printf '\xc0\xaf\xed\xb2\x80\xf4\x90\x80\x80\xf4\x8f\xbf\xbf\x80\x81\x8d\x8f\x90\x9d' |
    seed encoding_fuzz invalid_sequences

  printf 'song.MP3\\|*.mp3;*.wav\\|\x00' | seed mask_fuzz plain
  printf '\x01*a*b?c**\x05' | seed mask_fuzz small_alphabet

  printf '!s. 01 - Artist - Title.mp3\\|xx\\|\x00\x01\x02\x03' | seed name_rules_fuzz marked
  printf 'Artist - Album - 03 - Title\\|\x05\x06\x07\x08' | seed name_rules_fuzz parts

  { printf '#EXTM3U\r\nD:\\\\Musik\\\\Alt\\\\a.mp3\r\nd:\\\\musik\\\\alt\\\\b.mp3\r\n'; field_end; } |
    seed text_model_fuzz crlf_playlist
  { printf '/home/u/Alt/a.mp3\n/home/u/Alt/b.mp3\r\nlast'; field_end; } | seed text_model_fuzz lf_playlist
  { printf 'a\rb\r\nc\nd\x1a'; field_end; } | seed text_model_fuzz cr_and_ctrl_z
  { printf 'a\x00b\r\n'; field_end; } | seed text_model_fuzz not_text

  printf 'aAb -.!s1\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09' | seed plan_fuzz small

  # Journal chunks: a count, then each action's kind and fields; two
  # renames sharing a folder, a tag write, a content replacement.
  printf '\x02\x01\x03/m\x01a\x01b\x01\x00\x01c\x01d' | seed journal_blob_fuzz renames
  printf '\x02\x02\x02/t\x03TAG\x03TAH\x04\x02/c\x0c\x0a\x03h\x01\x02' |
    seed journal_blob_fuzz tag_and_content
}

# The text model target reads the content first (a "\" in it doubled);
# a search and a replacement follow it.
field_end() { printf '\\|alt\\|Neu\\|\x01'; }

mp3_seeds
other_seeds
echo "seeds in $out: $(find "$out" -type f | wc -l) files"
