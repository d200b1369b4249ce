#!/usr/bin/env bash
# A one-file-at-a-time batch (gamma, sharpen, save as TIFF) over 20 pictures of 4000 x 3000
# 16-bit RGB, run by `orva-cli batch` with --jobs 1 (one core), --jobs 2 (two files at once,
# one core each) and without --jobs (one file at a time on every core) in one run; the
# outputs must be the same bytes.
#
#   bench/compare-batch-jobs.sh [BUILD_DIR]        RUNS=3 FILES=20 bench/compare-batch-jobs.sh
set -euo pipefail
build=${1:-build}
source "$(dirname "$0")/compare-lib.sh" "$build"
files=${FILES:-20}
# On disk, as a batch's files are: in memory (tmpfs) the writers of two processes queue for
# the kernel's page allocation and the comparison would measure that instead.
work=$(mktemp -d "${TMPDIR:-/var/tmp}/orva-batch.XXXXXX")
trap 'rm -rf "$work"' EXIT

"$cli" sample "$work/in-1.tif" 4000 3000 >/dev/null
inputs=("$work/in-1.tif")
for i in $(seq 2 "$files"); do
  cp "$work/in-1.tif" "$work/in-$i.tif"
  inputs+=("$work/in-$i.tif")
done
"$cli" batch --write "$work/seq.ovb" --step gamma --step sharpen --save "$work/out" tif \
  --set gamma=1,0,0,64,96,255,255,0,0,64,96,255,255,0,0,64,96,255,255,0,0,64,96,255,255

one=$(best "$cli" batch "$work/seq.ovb" "${inputs[@]}" --out "$work/out1" --jobs 1 --overwrite)
two=$(best "$cli" batch "$work/seq.ovb" "${inputs[@]}" --out "$work/out2" --jobs 2 --overwrite)
threads=$(best "$cli" batch "$work/seq.ovb" "${inputs[@]}" --out "$work/out3" --overwrite)
same=yes
for i in $(seq 1 "$files"); do
  cmp -s "$work/out1/in-$i.TIF" "$work/out2/in-$i.TIF" || same=no
  cmp -s "$work/out1/in-$i.TIF" "$work/out3/in-$i.TIF" || same=no
done
printf '%-34s %9s\n' "batch of $files, --jobs 1 (s)" "$one"
printf '%-34s %9s\n' "batch of $files, --jobs 2 (s)" "$two"
printf '%-34s %9s\n' "batch of $files, no --jobs (s)" "$threads"
printf '%-34s %9s\n' "speed-up of --jobs 2 over --jobs 1" "$(ratio "$one" "$two")"
printf '%-34s %9s\n' "outputs identical" "$same"
