#!/usr/bin/env bash
# Colour and noise jobs on a 6000 x 4000 16-bit RGB picture, whole jobs (read PPM, operate,
# write PPM) through orva-cli apply and ImageMagick side by side in one run on the same file;
# prints seconds (best of N) and the ratio orva / ImageMagick.
#
#   bench/compare-colour.sh [BUILD_DIR]        RUNS=5 bench/compare-colour.sh build
#
# The jobs are the nearest counterparts, not identical algorithms:
#   noise        orva noise reduction, default settings   magick -enhance
#   saturation   saturation +30 %, hue +30 degrees         magick -modulate 100,130,116.67
#   colour-hsv   HSV colour change, hue 30 -> 60, 20 deg   magick -fuzz 8% -fill -opaque
#   colour-rgb   RGB colour change, tolerance 20           magick -fuzz 8% -fill -opaque
#   gray         black and white, standard luminance       magick -colorspace Gray
set -euo pipefail
build=${1:-build}
source "$(dirname "$0")/compare-lib.sh" "$build"
need_peers convert-im6.q16=imagemagick
make_picture

# One row: name, orva-cli operation and its --set options, the ImageMagick operators.
apply_row() {
  local name=$1 op=$2 sets=$3 magick_args=$4 o m
  # shellcheck disable=SC2086
  o=$(best "$cli" apply "$op" "$in" "$work/orva-out.ppm" $sets)
  # shellcheck disable=SC2086
  m=$(best convert-im6.q16 "$in" $magick_args "$work/magick-out.ppm")
  printf '%-12s %10s %12s %12s\n' "$name" "$o" "$m" "$(ratio "$o" "$m")"
}

echo "6000 x 4000 16-bit RGB, PPM in and out, best of $runs, seconds; $(nproc) cores"
printf '%-12s %10s %12s %12s\n' job orva-cli imagemagick orva/magick
apply_row noise noise "" "-enhance"
apply_row saturation saturation "--set color=130,210" "-modulate 100,130,116.67"
apply_row colour-hsv colour-hsv "--set chghsv=30,128,128,60,128,128,80" \
  "-fuzz 8% -fill rgb(128,128,0) -opaque rgb(128,64,0)"
apply_row colour-rgb colour-rgb "--set chgrgb=128,64,0,128,128,0,20" \
  "-fuzz 8% -fill rgb(128,128,0) -opaque rgb(128,64,0)"
apply_row gray gray "" "-colorspace Gray"
