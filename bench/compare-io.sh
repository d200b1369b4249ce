#!/usr/bin/env bash
# Reads and writes a 6000 x 4000 16-bit RGB picture in each format with orva-cli, ImageMagick
# and libvips, in one run on the same files, and prints seconds (best of N) and ratios.
#
#   bench/compare-io.sh [BUILD_DIR] [FORMATS...]      e.g. bench/compare-io.sh build bmp ppm
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
shift || true
formats=("$@")
[ ${#formats[@]} -eq 0 ] && formats=(bmp ppm tif png jpg fits)
cli="$top/$build/apps/orva-cli/orva-cli"
[ -x "$cli" ] || { echo "build orva-cli first (make build)"; exit 1; }
runs=${RUNS:-3}

# The peers come from Debian's packages; the tests never need them.
need=()
command -v convert-im6.q16 >/dev/null || need+=(imagemagick)
command -v vips >/dev/null || need+=(libvips-tools)
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq && $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

work=$(mktemp -d /dev/shm/orva-bench.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT
# ImageMagick's default policy refuses pictures this large.
mkdir -p "$work/magick"
cat > "$work/magick/policy.xml" <<'XML'
<policymap>
  <policy domain="resource" name="memory" value="16GiB"/>
  <policy domain="resource" name="map" value="16GiB"/>
  <policy domain="resource" name="disk" value="16GiB"/>
  <policy domain="resource" name="width" value="100KP"/>
  <policy domain="resource" name="height" value="100KP"/>
  <policy domain="resource" name="area" value="10GP"/>
</policymap>
XML
export MAGICK_CONFIGURE_PATH="$work/magick"

"$cli" sample "$work/src.ppm" 6000 4000 >/dev/null

# Best wall-clock seconds of $runs runs of a command; "fail" when it does not succeed.
best() {
  local best_t="" t
  for _ in $(seq "$runs"); do
    local start end
    start=$(date +%s.%N)
    if ! "$@" >/dev/null 2>&1; then echo fail; return; fi
    end=$(date +%s.%N)
    t=$(awk -v a="$end" -v b="$start" 'BEGIN { printf "%.6f", a - b }')
    if [ -z "$best_t" ] || awk -v a="$t" -v b="$best_t" 'BEGIN { exit !(a < b) }'; then best_t=$t; fi
  done
  printf '%.3f' "$best_t"
}

ratio() {
  if [[ "$1" == fail || "$2" == fail ]]; then echo "-"; else awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; fi
}

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
