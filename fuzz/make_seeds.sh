#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes a seed corpus for bmp_loader_fuzz into the folder given: one picture
# of every layout the loader reads, made by the image tool.
set -eu
out=${1:?usage: make_seeds.sh FOLDER}
mkdir -p "$out"
convert -size 16x8 gradient:red-blue -type palette -compress None BMP3:"$out/8bit.bmp"
convert -size 13x7 gradient:red-blue -type palette -compress None BMP3:"$out/8bit-padded.bmp"
convert -size 13x7 gradient:red-blue -type palette -compress RLE BMP3:"$out/rle8.bmp"
convert -size 11x5 gradient:red-blue -colors 16 -compress None BMP3:"$out/4bit.bmp"
convert -size 11x5 gradient:red-blue -colors 4 -compress None BMP3:"$out/4bit-short.bmp"
convert -size 17x3 pattern:checkerboard -monochrome BMP3:"$out/1bit.bmp"
