#!/usr/bin/env bash
# Every `orva-cli apply` operation as a whole job (read, process, write PPM) on the same
# 6000 x 4000 16-bit picture with two builds of orva-cli, in one run, best of N each, so that
# a change can show it made nothing slower. OTHER_CLI is the orva-cli of the older build,
# for example one built from a worktree of the commit before the change.
#
#   bench/compare-versions.sh OTHER_CLI [BUILD_DIR]        RUNS=5 bench/compare-versions.sh ...
set -euo pipefail
other=$1
build=${2:-build}
source "$(dirname "$0")/compare-lib.sh" "$build"
[ -x "$other" ] || { echo "no orva-cli at $other"; exit 1; }
make_picture

row() {  # label, orva-cli command ("convert", "apply OP"), its options
  local label=$1 command=$2 options=${3:-} o n
  # shellcheck disable=SC2086
  o=$(best "$other" $command "$in" "$work/other.ppm" --ppm binary $options)
  # shellcheck disable=SC2086
  n=$(best "$cli" $command "$in" "$work/this.ppm" --ppm binary $options)
  if ! cmp -s "$work/other.ppm" "$work/this.ppm"; then label="$label (differs)"; fi
  printf '%-30s %9s %9s %9s\n' "$label" "$o" "$n" "$(ratio "$n" "$o")"
}

printf '%-30s %9s %9s %9s\n' job other this this/other
row "read + write" convert
for op in sharpen edge gamma level dynamic-range wavelet restore gray saturation noise; do
  row "$op" "apply $op"
done
row "resize 50 % Lanczos" "apply resize" "--set resize=0,3 --set resize_size=6000,4000,3000,2000"
row "rotate 33°" "apply rotate" "--set round=3,3300"
row "distortion 100" "apply distortion" "--set waikyoku=100"
