#!/usr/bin/env bash
# Memory of calibrated stacking with many large frames: 50 light frames of 6000 x 4000
# (24 MP, 16-bit FITS, one plane, moved by up to 8 pixels) stacked by orva-cli stack with
# sigma rejection and registration, no calibration frames. Prints the peak resident memory
# (largest of RUNS runs, from /usr/bin/time) with its largest anonymous and file-backed parts
# (see measure-lib.sh) and the wall-clock seconds (best of RUNS).
# No peer: this is about staying within bounds, not about speed.
#
#   bench/memory-stack.sh [BUILD_DIR]        RUNS=1 bench/memory-stack.sh build
#
# The frames (2.4 GB) go to a folder under TMPDIR (default /tmp), removed at the end.
# SIZE="W H" and LIGHTS=N change the frames (for trying the script out).
set -euo pipefail
build=${1:-build}
source "$(dirname "$0")/compare-lib.sh" "$build"
source "$(dirname "$0")/measure-lib.sh"
need_peers /usr/bin/time=time

# On disk rather than in /dev/shm: 2.4 GB of frames held in memory would distort the figure.
rm -rf "$work"
work=$(mktemp -d "${TMPDIR:-/tmp}/orva-memstack.XXXXXX")
read -r width height <<<"${SIZE:-6000 4000}"
lights=${LIGHTS:-50}

"$cli" sample-session "$work/s" --size "$width" "$height" --lights "$lights" --bias 0 \
  --darks 0 --flats 0 --seed 11 >/dev/null
frame_mb=$((width * height * 2 / 1048576))

load_before=$(uptime | sed 's/.*load average: //')
best_t="" peak=0 anon=0 file=0
for _ in $(seq "$runs"); do
  rm -f "$work/out.fits"
  if ! timed_run "$work/log.txt" "$cli" stack "$work/out.fits" "$work"/s/lights/*.fits \
    --reject sigma; then
    echo "orva-cli stack failed:"
    tail -5 "$work/log.txt"
    exit 1
  fi
  keep_best
done
load_after=$(uptime | sed 's/.*load average: //')

echo "orva-cli stack --reject sigma of $lights lights $width x $height 16-bit FITS" \
  "($frame_mb MB each, $((frame_mb * lights)) MB in all); $(nproc) cores"
echo "load average before: $load_before; after: $load_after"
printf '%-22s %10s\n' "seconds (best of $runs)" "$(printf '%.2f' "$best_t")"
printf '%-22s %10s\n' "peak RSS MB" "$peak"
printf '%-22s %10s\n' "  anonymous MB" "$anon"
printf '%-22s %10s\n' "  mapped files MB" "$file"
