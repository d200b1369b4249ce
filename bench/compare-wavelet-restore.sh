#!/usr/bin/env bash
# Wavelet processing and blur restoration of a 6000 x 4000 16-bit RGB picture as whole jobs
# (read, process, write PPM) with orva-cli and ImageMagick, in one run on the same file, and
# prints seconds (best of N) and ratios. The plain read-and-write job comes first for scale.
#
#   bench/compare-wavelet-restore.sh [BUILD_DIR]        RUNS=5 bench/compare-wavelet-restore.sh build
set -euo pipefail
build=${1:-build}
source "$(dirname "$0")/compare-lib.sh" "$build"
need_peers convert-im6.q16=imagemagick
make_picture

row() {  # label, orva-cli command, its options, ImageMagick operator arguments
  local label=$1 orva=$2 options=$3 magick=$4 o m
  # shellcheck disable=SC2086
  o=$(best "$cli" $orva "$in" "$work/orva-out.ppm" --ppm binary $options)
  # shellcheck disable=SC2086
  m=$(best convert-im6.q16 "$in" $magick -depth 16 "$work/magick-out.ppm")
  printf '%-34s %-28s %9s %12s %12s\n' "$label" "${magick:-(copy)}" "$o" "$m" "$(ratio "$o" "$m")"
}

printf '%-34s %-28s %9s %12s %12s\n' job imagemagick orva-cli imagemagick orva/magick
row "read + write" "convert" "" ""
# The "中" preset: 1.2, 1.5, 2.0, 3.0, 5.0 from the coarsest band to the finest.
row "wavelet sub-bands, preset 中" "apply wavelet" \
    "--set wavelet=10,12,15,20,30,50 --set filter=2,0" "-wavelet-denoise 5%"
row "blur restoration, defaults" "apply restore" "--set restore=10,20,3,1" "-sharpen 0x1"
