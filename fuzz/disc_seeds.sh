#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes a seed corpus for disc_image_fuzz into the folder given: small
# images of one tree with ISO 9660 names only, with Joliet and with Rock Ridge.
set -eu
out=${1:?usage: disc_seeds.sh FOLDER}
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$out" "$tree/PARTS/DEMO" "$tree/OTHER"
printf 'still title\nendstill\n' >"$tree/PARTS/DEMO/SEQUENCE"
printf 'BM' >"$tree/PARTS/DEMO/TITLE.BMP"
printf 'blank\n' >"$tree/OTHER/Read me.txt"
for names in "" "-J" "-R"; do
  # shellcheck disable=SC2086
  xorriso -as mkisofs -quiet -no-pad -iso-level 1 $names -o "$out/disc${names:-plain}.iso" "$tree" 2>/dev/null
done

# A damaged disc: two root folders of one name, the first claiming 4 GB. The
# library finds the second by its path and meets the first.
twins=$(mktemp -d)
trap 'rm -rf "$tree" "$twins"' EXIT
mkdir -p "$twins/A" "$twins/B"
printf 'a\n' >"$twins/A/X.TXT"
printf 'b\n' >"$twins/B/Y.TXT"
image=$out/twin-folders.iso
xorriso -as mkisofs -quiet --norock -no-pad -iso-level 1 -o "$image" "$twins" 2>/dev/null
byte() { od -An -tu1 -j "$1" -N1 "$image" | tr -d ' '; }
at=$(($(od -An -tu4 -j $((16 * 2048 + 156 + 2)) -N4 "$image" | tr -d ' ') * 2048))
while [ "$(byte "$at")" != 0 ]; do
  length=$(byte "$at")
  if [ "$(byte $((at + 32)))" = 1 ]; then
    case $(byte $((at + 33))) in
      65) printf '\000\360\377\377\377\377\360\000' | dd of="$image" bs=1 seek=$((at + 10)) conv=notrunc 2>/dev/null ;;
      66) printf 'A' | dd of="$image" bs=1 seek=$((at + 33)) conv=notrunc 2>/dev/null ;;
    esac
  fi
  at=$((at + length))
done
