#!/usr/bin/env bash
# A one-file-at-a-time batch (gamma, sharpen, save as TIFF) run by `orva-cli batch` without
# --jobs (one file at a time on every core) beside each --jobs value from 1 to the number of
# cores, for many small pictures (40 of 600 x 400) and for a few large ones (4 of 6000 x
# 4000), all 16-bit RGB. Every run's outputs must be the same bytes, and the default should be
# within 10 % of the best --jobs.
#
#   bench/compare-batch-jobs.sh [BUILD_DIR]
#   RUNS=3 SMALL=40x600x400 LARGE=4x6000x4000 JOBS="1 2" bench/compare-batch-jobs.sh
set -euo pipefail
build=${1:-build}
source "$(dirname "$0")/compare-lib.sh" "$build"
small=${SMALL:-40x600x400}
large=${LARGE:-4x6000x4000}
jobs_list=${JOBS:-$(seq -s ' ' 1 "$(nproc)")}
# On disk, as a batch's files are: in memory (tmpfs) the writers of two processes queue for
# the kernel's page allocation and the comparison would measure that instead.
disk=$(mktemp -d "${TMPDIR:-/var/tmp}/orva-batch.XXXXXX")
trap 'rm -rf "$disk" "$work"' EXIT

"$cli" batch --write "$disk/seq.ovb" --step gamma --step sharpen --save "$disk/out" tif \
  --set gamma=1,0,0,64,96,255,255,0,0,64,96,255,255,0,0,64,96,255,255,0,0,64,96,255,255

verdict=0
printf '%-26s %-10s %9s %12s\n' "files" "setting" "best s" "vs default"
# run_case COUNTxWIDTHxHEIGHT: times the batch over COUNT copies of one sample picture.
run_case() {
  local count width height
  IFS=x read -r count width height <<<"$1"
  local dir="$disk/$1"
  mkdir -p "$dir"
  "$cli" sample "$dir/in-1.tif" "$width" "$height" >/dev/null
  local inputs=("$dir/in-1.tif")
  for i in $(seq 2 "$count"); do
    cp "$dir/in-1.tif" "$dir/in-$i.tif"
    inputs+=("$dir/in-$i.tif")
  done
  local label="$count of ${width}x$height"
  local base best_jobs="" best_n="" same=yes
  base=$(best "$cli" batch "$disk/seq.ovb" "${inputs[@]}" --out "$dir/default" --overwrite)
  printf '%-26s %-10s %9s %12s\n' "$label" "default" "$base" "1.00"
  for n in $jobs_list; do
    local t
    t=$(best "$cli" batch "$disk/seq.ovb" "${inputs[@]}" --out "$dir/jobs$n" --jobs "$n" --overwrite)
    printf '%-26s %-10s %9s %12s\n' "$label" "--jobs $n" "$t" "$(ratio "$t" "$base")"
    for i in $(seq 1 "$count"); do
      cmp -s "$dir/default/in-$i.TIF" "$dir/jobs$n/in-$i.TIF" || same=no
    done
    if [[ "$t" != fail ]] && { [ -z "$best_jobs" ] || awk -v a="$t" -v b="$best_jobs" 'BEGIN { exit !(a < b) }'; }; then
      best_jobs=$t
      best_n=$n
    fi
  done
  local within=no
  if [[ "$base" != fail && -n "$best_jobs" ]] &&
    awk -v d="$base" -v b="$best_jobs" 'BEGIN { exit !(d <= 1.10 * b) }'; then
    within=yes
  fi
  [[ "$within" == yes && "$same" == yes ]] || verdict=1
  printf '%-26s default %s s, best --jobs %s %s s: within 10 %%: %s; outputs identical: %s\n' \
    "$label" "$base" "$best_n" "$best_jobs" "$within" "$same"
  rm -rf "$dir"
}
run_case "$small"
run_case "$large"
exit "$verdict"
