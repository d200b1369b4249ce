#!/usr/bin/env bash
# Latency of `orva-cli live`: synthetic 16-bit mono FITS lights (12 MP, then 24 MP) are made
# beforehand in a staging folder, then renamed one by one into the watched folder, as a camera
# program lands a file whole. For each light it prints the time from the rename to the moment
# OUT is replaced (its inode changes; measured here, outside the program), the milliseconds
# orva-cli itself reports, and at the end the peak resident memory (/usr/bin/time -v).
#
# usage: bench/live-latency.sh [FRAMES_12MP] [FRAMES_24MP] [ORVA_CLI ...]
#   frames default to 20 and 8; ORVA_CLI to build/apps/orva-cli/orva-cli. Given several
#   programs (an older build first, say), each takes the same frames in turn, for a
#   before/after comparison in one run.
# Needs python3 with numpy and astropy (for the frames), GNU time and stat.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
n12=${1:-20}
n24=${2:-8}
shift $(($# < 2 ? $# : 2))
clis=("$@")
[ ${#clis[@]} -gt 0 ] || clis=("$here/../build/apps/orva-cli/orva-cli")
py=${PYTHON:-/usr/bin/python3}
work=$(mktemp -d "${TMPDIR:-/tmp}/orva-live-bench.XXXXXX")
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
pid=

inode() { stat -c %i "$1" 2>/dev/null || echo 0; }
now_ms() { date +%s%3N; }

# run LABEL FRAMES_DIR CLI
run() {
    local label=$1 frames=$2 cli=$3 n
    local stage=$work/stage-$label watch=$work/watch-$label out=$work/$label.fits
    mkdir -p "$watch"
    cp -r "$frames" "$stage"
    n=$(ls "$stage" | wc -l)
    echo "$label: $cli" >&2
    /usr/bin/time -v -o "$work/$label.time" "$cli" live "$watch" "$out" \
        --preview "$work/$label.png" --frames "$n" >"$work/$label.log" 2>"$work/$label.err" &
    pid=$!
    sleep 0.5
    local k=0 total=0 worst=0
    for f in "$stage"/*.fits; do
        local before lines t0 t1 ms
        before=$(inode "$out")
        lines=$(wc -l <"$work/$label.log")
        t0=$(now_ms)
        mv "$f" "$watch/"
        # The light is taken when its line is printed; OUT is replaced only for one accepted.
        while [ "$(wc -l <"$work/$label.log")" -le "$lines" ]; do sleep 0.005; done
        t1=$(now_ms)
        [ "$(inode "$out")" != "$before" ] || echo "  (OUT not replaced)" >&2
        ms=$((t1 - t0))
        total=$((total + ms))
        [ "$ms" -gt "$worst" ] && worst=$ms
        printf '%s frame %2d: %5d ms landing -> OUT replaced | orva-cli: %s\n' "$label" "$k" "$ms" \
            "$(tail -n 1 "$work/$label.log" | sed 's/.*, \([0-9]* ms\)$/\1/')"
        k=$((k + 1))
    done
    wait "$pid" || true
    pid=
    printf '%s: %d frames, mean %d ms, worst %d ms, peak RSS %s MB\n' "$label" "$k" \
        $((total / k)) "$worst" \
        "$(awk '/Maximum resident/ {printf "%.0f", $6 / 1024}' "$work/$label.time")"
    grep -c ': accepted' "$work/$label.log" | sed "s/^/$label: accepted /"
    rm -rf "$stage" "$watch"
}

for size in "12mp 4000 3000 $n12" "24mp 6000 4000 $n24"; do
    set -- $size
    echo "making $4 frames of $2x$3 ..." >&2
    mkdir -p "$work/frames-$1"
    "$py" "$here/live_frames.py" "$work/frames-$1" "$2" "$3" "$4" "$1" >/dev/null
    k=0
    for cli in "${clis[@]}"; do
        run "$1-$k" "$work/frames-$1" "$cli"
        k=$((k + 1))
    done
    rm -rf "$work/frames-$1"
done
