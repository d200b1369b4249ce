#!/usr/bin/env bash
# Calibrated stacking of one synthetic session: 20 light frames of 4000 x 3000 (16-bit FITS,
# one plane) with 10 bias, 10 dark and 10 flat frames. Masters, calibration, registration on
# the stars and sigma-clipped combination: orva-cli stack against siril-cli (convert, master
# stacks, preprocess, register, stack with rejection 3 3) on the same files, in one run.
# Prints wall-clock seconds (best of RUNS), the ratio orva / siril, and each one's peak
# resident memory (largest of the runs, from /usr/bin/time) with its largest anonymous and
# file-backed parts (mapped input files are resident memory the page cache can drop), the
# memory ratio, and whether orva-cli meets its targets: at most 0.3 x siril's time and at
# most siril's peak memory.
#
#   bench/compare-calstack.sh [BUILD_DIR]      RUNS=3 bench/compare-calstack.sh build
#
# BASELINE=OTHER_BUILD_DIR also runs that build's orva-cli on the same sessions (as
# "before"), and checks that both write the same result byte for byte.
#
# Two sessions: "shift", lights moved by whole pixels only (siril registers with
# -transf=shift), and "rotated", lights also turned by up to 1.5 degrees (orva-cli with
# --register stars, siril with its default transformation). The rotated one runs only when
# `orva-cli stack` offers --register. SIZE="W H" and LIGHTS=N change the session (for trying
# the script out); the frames are written by our own code (orva-cli sample-session).
# Every run starts from the raw frames: what the last one wrote is removed first. A siril run
# whose log does not show every light registered and stacked, or an orva-cli result whose
# HISTORY cards do not, counts as failed: a stack without registration would be no
# comparison.
set -euo pipefail
build=${1:-build}
source "$(dirname "$0")/compare-lib.sh" "$build"
source "$(dirname "$0")/measure-lib.sh"
need_peers siril-cli=siril /usr/bin/time=time

# The sessions and siril's working copies take several GB: keep them on disk, not in memory.
rm -rf "$work"
work=$(mktemp -d "${TMPDIR:-/tmp}/orva-calstack.XXXXXX")
read -r width height <<<"${SIZE:-4000 3000}"
lights=${LIGHTS:-20}

# make_session DIR [options]: the session's frames in DIR/lights, bias, darks, flats.
make_session() {
  local dir=$1
  shift
  "$cli" sample-session "$dir" --size "$width" "$height" --lights "$lights" --bias 10 \
    --darks 10 --flats 10 --seed 7 "$@" >/dev/null
}

# measure NAME PREPARE COMMAND...: runs PREPARE (untimed) then the command, RUNS times; sets
# secs[NAME] to the best wall-clock seconds and rss[NAME] to the largest peak resident memory
# in MB with, in brackets, the largest anonymous / file-backed parts seen (see
# measure-lib.sh); both "fail" when a run fails. The last run's output stays in
# $work/NAME.log.
declare -A secs rss peak_mb evidence orva_evidence
measure() {
  local name=$1 prepare=$2 best_t="" peak=0 anon=0 file=0
  shift 2
  for _ in $(seq "$runs"); do
    "$prepare"
    if ! timed_run "$work/$name.log" "$@"; then
      secs[$name]=fail
      rss[$name]=fail
      peak_mb[$name]=fail
      return
    fi
    keep_best
  done
  secs[$name]=$(printf '%.2f' "$best_t")
  rss[$name]="$peak ($anon/$file)"
  peak_mb[$name]=$peak
}

baseline_cli=""
if [ -n "${BASELINE:-}" ]; then
  baseline_cli="$top/$BASELINE/apps/orva-cli/orva-cli"
  [ -x "$baseline_cli" ] || { echo "no orva-cli in $BASELINE"; exit 1; }
fi

# siril_script TRANSFORM_OPTION: the whole job for siril-cli, run in the session folder.
siril_script() {
  cat <<SSF
requires 1.0.0
setext fits
cd bias
convert bias -out=../process
cd ../process
stack bias rej 3 3 -nonorm -out=../masters/bias_stacked
cd ../darks
convert dark -out=../process
cd ../process
stack dark rej 3 3 -nonorm -out=../masters/dark_stacked
cd ../flats
convert flat -out=../process
cd ../process
preprocess flat -bias=../masters/bias_stacked
stack pp_flat rej 3 3 -norm=mul -out=../masters/pp_flat_stacked
cd ../lights
convert light -out=../process
cd ../process
preprocess light -dark=../masters/dark_stacked -flat=../masters/pp_flat_stacked
register pp_light $1
stack r_pp_light rej 3 3 -norm=addscale -output_norm -out=../siril-result
close
SSF
}

# Before each run: no output of an earlier one left, so each run does the whole job.
session=""
declare -A same
clean() {
  rm -rf "$session/process" "$session/masters" "$session"/siril-result* "$session/orva-result.fits"
}

# True when siril's log shows every light registered and all of them stacked.
siril_registered() {
  grep -q "Total: 0 failed, $lights registered" "$1" &&
    grep -q "Rejection stacking complete. $lights images have been stacked" "$1"
}

has_register=0
"$cli" stack "$work/x.fits" x.fits --reject sigma --help 2>/dev/null | grep -q -- '--register' &&
  has_register=1

variants=(shift)
make_session "$work/shift" --shift 8
siril_script "-transf=shift" >"$work/shift.ssf"
if [ "$has_register" = 1 ]; then
  variants+=(rotated)
  make_session "$work/rotated" --shift 8 --rotate 1.5
  siril_script "" >"$work/rotated.ssf"
fi

load_before=$(uptime | sed 's/.*load average: //')
for v in "${variants[@]}"; do
  session="$work/$v"
  orva=("$cli" stack "$session/orva-result.fits" "$session"/lights/*.fits
    --bias "$session"/bias/*.fits --dark "$session"/darks/*.fits --flat "$session"/flats/*.fits
    --reject sigma)
  if [ "$v" = rotated ]; then orva+=(--register stars); fi
  if [ -n "$baseline_cli" ]; then
    measure "before-$v" clean "$baseline_cli" "${orva[@]:1}"
    mv "$session/orva-result.fits" "$work/before-$v.fits" 2>/dev/null || true
  fi
  measure "orva-$v" clean "${orva[@]}"
  if [ -n "$baseline_cli" ]; then
    if cmp -s "$work/before-$v.fits" "$session/orva-result.fits"; then
      same[$v]="identical"
    else
      same[$v]="DIFFERENT"
    fi
  fi
  # orva-cli says in the result's HISTORY cards how many lights it stacked and which it left
  # out; the same rule holds for it.
  history=$(head -c 28800 "$session/orva-result.fits" 2>/dev/null | fold -w 80 |
    grep -a '^HISTORY' || true)
  orva_evidence[$v]=$(grep -oE "stacked [0-9]+ light frame\(s\)|left out.*|registered by.*" \
    <<<"$history" | sed 's/ *$//' | tr '\n' ';' || true)
  if [ "${secs[orva-$v]}" != fail ] && { ! grep -q "stacked $lights light frame" <<<"$history" ||
    grep -q "left out" <<<"$history"; }; then
    echo "orva-cli did not register and stack all $lights lights in '$v': ${orva_evidence[$v]}"
    secs[orva-$v]=fail
  fi
  measure "siril-$v" clean siril-cli -d "$session" -s "$session.ssf"
  if [ "${secs[siril-$v]}" != fail ] && ! siril_registered "$work/siril-$v.log"; then
    echo "siril-cli did not register and stack all $lights lights in '$v'; its log says:"
    grep -E "registered|images have been stacked|rror" "$work/siril-$v.log" | sed 's/^/  /' || true
    secs[siril-$v]=fail
  fi
  # What siril says it did, as evidence next to the numbers.
  evidence[$v]=$(grep -hoE "Total: [0-9]+ failed, [0-9]+ registered|[0-9]+ images have been stacked" \
    "$work/siril-$v.log" | tail -2 | tr '\n' ';' || true)
  if [ "${secs[orva-$v]}" = fail ]; then
    echo "orva-cli failed in '$v':"
    tail -5 "$work/orva-$v.log" | sed 's/^/  /' || true
  fi
done
load_after=$(uptime | sed 's/.*load average: //')

echo "calibrated stacking of $lights lights $width x $height + 10 bias, 10 darks, 10 flats" \
  "(16-bit FITS); best of $runs, seconds; memory in MB; $(nproc) cores"
echo "load average before: $load_before; after: $load_after"
[ "$has_register" = 1 ] || echo "(orva-cli stack has no --register: the rotated session is skipped)"
# verdict TIME_RATIO RSS_RATIO: whether orva-cli meets both targets.
verdict() {
  if [[ "$1" == - || "$2" == - ]]; then echo "-"; return; fi
  awk -v t="$1" -v m="$2" 'BEGIN { print (t <= 0.30 && m <= 1.00) ? "met" : "missed" }'
}
printf '%-9s %-8s %9s %10s %7s   %-22s %-22s %7s  %s\n' session program orva-cli siril-cli \
  "t ratio" "orva RSS (anon/file)" "siril RSS (anon/file)" "RSS rat" "target (t<=0.30, RSS<=1)"
for v in "${variants[@]}"; do
  programs=(orva)
  [ -n "$baseline_cli" ] && programs=(before orva)
  for p in "${programs[@]}"; do
    t=$(ratio "${secs[$p-$v]}" "${secs[siril-$v]}")
    m=$(ratio "${peak_mb[$p-$v]}" "${peak_mb[siril-$v]}")
    printf '%-9s %-8s %9s %10s %7s   %-22s %-22s %7s  %s\n' "$v" "$p" "${secs[$p-$v]}" \
      "${secs[siril-$v]}" "$t" "${rss[$p-$v]}" "${rss[siril-$v]}" "$m" "$(verdict "$t" "$m")"
  done
done
for v in "${variants[@]}"; do
  echo "$v: orva-cli result: ${orva_evidence[$v]}"
  [ -n "$baseline_cli" ] && echo "$v: before and after results: ${same[$v]}"
  echo "$v: siril log: ${evidence[$v]}"
done
