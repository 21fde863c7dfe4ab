#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes a seed corpus for sequence_run_fuzz into the folder given: the
# scripts of the end-to-end cases and of the demo, and scripts that use every
# file of the fuzzed presentation.
set -eu
out=${1:?usage: sequence_seeds.sh FOLDER}
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$out"
n=0
find "$root/tests/e2e/cases" "$root/examples" -type f -iname sequence | sort | while read -r script; do
  n=$((n + 1))
  cp "$script" "$out/case$n"
done
printf 'still pic\ntimeout 1 -next\nhotspot 0 0 7 3 -goto again\nendstill\nmovie intro\nmusic tune\npause\n' >"$out/all-files"
printf 'music tune loop\nstill pic\ncursor\ntimeout 2 -exit\nendstill\nmusic none\n' >"$out/music-loop"
printf 'music tune mix\nmusic tune wait\nmusic cdaudio t1\nfade\nmovie intro\nblank\n' >"$out/music-modes"
printf 'blank\nstill pic\nclick\ndefault timeout\nendstill\nrestart\nmovie intro\ngoto sequence\n' >"$out/restart"
