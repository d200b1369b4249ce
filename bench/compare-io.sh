#!/usr/bin/env bash
# Reads and writes a 6000 x 4000 16-bit RGB picture in each format with orva-cli, ImageMagick
# and libvips, in one run on the same files, and prints seconds (best of N) and ratios.
#
#   bench/compare-io.sh [BUILD_DIR] [FORMATS...]      e.g. bench/compare-io.sh build bmp ppm
set -euo pipefail
build=${1:-build}
shift || true
formats=("$@")
[ ${#formats[@]} -eq 0 ] && formats=(bmp ppm tif png jpg fits)
source "$(dirname "$0")/compare-lib.sh" "$build"
need_peers convert-im6.q16=imagemagick vips=libvips-tools
make_picture "$work/src.ppm"

printf '%-6s %10s %12s %10s %12s %12s\n' format orva-cli imagemagick vips orva/magick orva/vips
for f in "${formats[@]}"; do
  in="$work/in.$f"
  # The input is made by ImageMagick from the same 16-bit picture (16 bits where the
  # format holds them), so every tool reads the same file.
  case $f in
    bmp|jpg) convert-im6.q16 "$work/src.ppm" "$in" ;;
    *) convert-im6.q16 "$work/src.ppm" -depth 16 "$in" ;;
  esac
  o=$(best "$cli" convert "$in" "$work/orva-out.$f" --ppm binary)
  m=$(best convert-im6.q16 "$in" "$work/magick-out.$f")
  v=$(best vips copy "$in" "$work/vips-out.$f")
  printf '%-6s %10s %12s %10s %12s %12s\n' "$f" "$o" "$m" "$v" "$(ratio "$o" "$m")" "$(ratio "$o" "$v")"
done
