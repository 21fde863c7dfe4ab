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
