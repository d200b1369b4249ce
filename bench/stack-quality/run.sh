#!/usr/bin/env bash
# Stacking quality on a night made outside ORVA: the session of make_session.py stacked by
# orva-cli with its DEFAULT options (sigma and winsorized rejection) and by ccdproc with the
# true registration, each measured against the truth by measure.py.
#
#   bench/stack-quality/run.sh [BUILD_DIR] [make_session.py options...]
# Needs python3-astropy, python3-ccdproc, python3-photutils and python3-scipy (Debian).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build}
shift || true
cli=$(cd "$build" && pwd)/apps/orva-cli/orva-cli
work=$(mktemp -d "${TMPDIR:-/tmp}/orva-quality.XXXXXX")
trap 'rm -rf "$work"' EXIT
python3 "$here/make_session.py" "$work" "$@"
cd "$work"
calib=(--bias bias/*.fits --dark darks/*.fits --flat flats/*.fits)
for reject in sigma winsor; do
  "$cli" stack "orva-$reject.fits" lights/*.fits "${calib[@]}" --reject "$reject" --float
done
python3 "$here/ccdproc_stack.py" . ccdproc.fits
python3 "$here/measure.py" . orva-sigma.fits orva-winsor.fits ccdproc.fits 2>&1 | grep -v Warning
