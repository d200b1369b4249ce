#!/usr/bin/env bash
# Develops a 24-megapixel camera RAW (a DNG that orva-cli writes itself, 6000 x 4000 RGGB)
# into a 48-bit TIFF with orva-cli and with LibRaw's dcraw_emu, in one run on the same file,
# and prints seconds (best of N) and ratios:
#   fast       orva-cli convert x.dng x.tif (the fast development)
#   reference  orva-cli convert with the decoder's development at quality 0..3
#   dcraw_emu  dcraw_emu -q Q -4 -T at the same quality
#
#   bench/compare-raw.sh [BUILD_DIR] [WIDTH HEIGHT]
set -euo pipefail
build=${1:-build}
width=${2:-6000}
height=${3:-4000}
source "$(dirname "$0")/compare-lib.sh" "$build"
need_peers dcraw_emu=libraw-bin

dng="$work/x.dng"
"$cli" sample-raw "$dng" "$width" "$height"
echo "picture: ${width}x${height} DNG, $(du -m "$dng" | cut -f1) MB, best of $runs runs"

# dcraw_emu writes x.dng.tiff beside its input.
emu() { dcraw_emu -q "$1" -4 -T "$dng"; }

fast=$(best "$cli" convert "$dng" "$work/fast.tif")
emu0=$(best emu 0)
printf '%-24s %10s %10s %8s\n' development orva-cli dcraw_emu ratio
printf '%-24s %10s %10s %8s\n' "fast vs -q 0" "$fast" "$emu0" "$(ratio "$fast" "$emu0")"
for q in 0 1 2 3; do
  ref=$(best "$cli" convert "$dng" "$work/ref.tif" --set "dark=1,$q,2,0" --set "raw=2.2,2.2,2.2,5,180,3,160,0,130,4,0,2,3,18,$q")
  e=$( [ "$q" = 0 ] && echo "$emu0" || best emu "$q")
  printf '%-24s %10s %10s %8s\n' "reference vs -q $q" "$ref" "$e" "$(ratio "$ref" "$e")"
done
