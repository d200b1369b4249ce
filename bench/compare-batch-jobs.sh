#!/usr/bin/env bash
# A one-file-at-a-time batch (gamma, sharpen, save as TIFF) over 20 pictures of 4000 x 3000
# 16-bit RGB, run by `orva-cli batch` with --jobs 1 and --jobs 2 in one run; the outputs of
# both must be the same bytes.
#
#   bench/compare-batch-jobs.sh [BUILD_DIR]        RUNS=3 FILES=20 bench/compare-batch-jobs.sh
set -euo pipefail
build=${1:-build}
source "$(dirname "$0")/compare-lib.sh" "$build"
files=${FILES:-20}

"$cli" sample "$work/in-1.tif" 4000 3000 >/dev/null
inputs=("$work/in-1.tif")
for i in $(seq 2 "$files"); do
  cp "$work/in-1.tif" "$work/in-$i.tif"
  inputs+=("$work/in-$i.tif")
done
"$cli" batch --write "$work/seq.ovb" --step gamma --step sharpen --save "$work/out" tif \
  --set gamma=1,0,0,64,96,255,255,0,0,64,96,255,255,0,0,64,96,255,255,0,0,64,96,255,255

one=$(best "$cli" batch "$work/seq.ovb" "${inputs[@]}" --out "$work/out1" --overwrite)
two=$(best "$cli" batch "$work/seq.ovb" "${inputs[@]}" --out "$work/out2" --jobs 2 --overwrite)
same=yes
for i in $(seq 1 "$files"); do
  cmp -s "$work/out1/in-$i.TIF" "$work/out2/in-$i.TIF" || same=no
done
printf '%-34s %9s\n' "batch of $files, --jobs 1 (s)" "$one"
printf '%-34s %9s\n' "batch of $files, --jobs 2 (s)" "$two"
printf '%-34s %9s\n' "speed-up" "$(ratio "$one" "$two")"
printf '%-34s %9s\n' "outputs identical" "$same"
