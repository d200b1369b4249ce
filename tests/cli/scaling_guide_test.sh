#!/usr/bin/env bash
# The scaling guide's GNU parallel example, taken from the guide itself so that the two
# cannot drift apart, run on this machine (two runs at a time) over a few sample pictures;
# its outputs must be the very bytes `orva-cli batch --jobs 2` writes.
#
#   tests/cli/scaling_guide_test.sh ORVA_CLI GUIDE.md
set -euo pipefail
cli=$1
guide=$2

if ! command -v parallel >/dev/null; then
  echo "FAIL: GNU parallel is missing (scripts/install-deps installs it)" >&2
  exit 1
fi
# The shell lines of the fenced block between the guide's begin and end markers.
example=$(awk '/<!-- parallel-example: begin/ { on = 1; next }
               /<!-- parallel-example: end/ { on = 0 }
               on && !/^```/' "$guide")
if [ -z "$example" ] || ! grep -q 'parallel ' <<<"$example"; then
  echo "FAIL: no parallel example between the markers in $guide" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bin="$work/bin"
mkdir -p "$bin" "$work/run/in"
ln -s "$(cd "$(dirname "$cli")" && pwd)/$(basename "$cli")" "$bin/orva-cli"
export PATH="$bin:$PATH"
cd "$work/run"

# Five pictures of different content and size, and the guide's own batch file.
orva-cli sample "$work/set" 120 90 >/dev/null
for f in starfield exposure-1 exposure-2 dark; do
  orva-cli convert "$work/set/$f.fits" "in/$f.tif" >/dev/null
done
orva-cli sample in/colour.tif 64 48 >/dev/null
orva-cli batch --write job.ovb --step gamma --step sharpen --save out tif >/dev/null

# Runs of parallel leave a few notes in ~/.parallel; keep them in the scratch folder.
export HOME="$work"
if ! MACHINES=2/: bash -euo pipefail -c "$example" 2>"$work/example.err"; then
  echo "FAIL: the guide's example did not run:" >&2
  cat "$work/example.err" >&2
  exit 1
fi
orva-cli batch job.ovb in/*.tif --out reference --jobs 2 2>/dev/null

status=0
count=0
for ref in reference/*; do
  count=$((count + 1))
  out="out/$(basename "$ref")"
  if ! cmp -s "$ref" "$out"; then
    echo "FAIL: $out differs from $ref (or is missing)" >&2
    status=1
  fi
done
if [ "$count" -ne 5 ] || [ "$(ls out | wc -l)" -ne 5 ]; then
  echo "FAIL: expected 5 outputs each way, got $count from --jobs and $(ls out | wc -l) from parallel" >&2
  status=1
fi
[ "$status" -eq 0 ] && echo "parallel example: 5 outputs identical to --jobs 2"
exit "$status"
