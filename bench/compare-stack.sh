#!/usr/bin/env bash
# Stacking five 4000 x 3000 16-bit FITS exposures of one star field, each cut a few pixels
# further along the sky: orva-cli composite (five files stacked in groups: alignment +
# average with outlier removal and density normalisation, default compfile settings) against
# siril-cli (conversion to a sequence, star registration, average stacking with sigma
# rejection and additive normalisation) in one run on the same files. Prints wall-clock
# seconds, best of N, and the ratio orva / siril.
#
#   bench/compare-stack.sh [BUILD_DIR]        RUNS=3 bench/compare-stack.sh build
#
# The exposures are written by our own code (orva-cli starfield).
set -euo pipefail
build=${1:-build}
source "$(dirname "$0")/compare-lib.sh" "$build"
need_peers siril-cli=siril

frames="$work/frames"
mkdir -p "$frames"
shifts=("0 0" "3 -2" "-4 5" "7 1" "-2 -6")
for i in "${!shifts[@]}"; do
  # shellcheck disable=SC2086
  "$cli" starfield "$frames/e$i.fits" 4000 3000 ${shifts[$i]} 7 >/dev/null
done

orva_stack() {
  "$cli" composite "$work/orva-result.fits" "$frames"/e0.fits "$frames"/e1.fits \
    "$frames"/e2.fits "$frames"/e3.fits "$frames"/e4.fits
}

# Siril works in the exposures' folder; what it wrote is removed before every run so that
# every run does the whole job.
cat > "$work/stack.ssf" <<'SSF'
requires 1.0.0
setext fits
convert e -out=.
register e_
stack r_e_ rej 3 3 -norm=addscale -out=siril_result
close
SSF
siril_stack() {
  find "$frames" -mindepth 1 ! -name 'e[0-9].fits' -exec rm -rf {} +
  siril-cli -d "$frames" -s "$work/stack.ssf"
}

o=$(best orva_stack)
s=$(best siril_stack)
echo "five 4000 x 3000 16-bit FITS exposures, registration + stacking, best of $runs, seconds;" \
  "$(nproc) cores"
printf '%-10s %10s %10s %12s\n' job orva-cli siril-cli orva/siril
printf '%-10s %10s %10s %12s\n' stack "$o" "$s" "$(ratio "$o" "$s")"
"$cli" info "$work/orva-result.fits"
