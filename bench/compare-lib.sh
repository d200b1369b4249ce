# Setup shared by the bench/compare-*.sh scripts; source it with the build folder:
#
#   source "$(dirname "$0")/compare-lib.sh" "$build"
#
# Sets top, cli (the orva-cli binary), runs (RUNS, default 3), work (a scratch folder removed on
# exit) and in (where make_picture puts the test picture by default), points ImageMagick at a
# policy that accepts large pictures, and defines need_peers, make_picture, best and ratio.
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cli="$top/$1/apps/orva-cli/orva-cli"
[ -x "$cli" ] || { echo "build orva-cli first (make build)"; exit 1; }
runs=${RUNS:-3}

# need_peers COMMAND=PACKAGE...: installs the packages whose command is missing. The peers come
# from Debian's packages; the tests never need them.
need_peers() {
  local pair need=()
  for pair in "$@"; do
    command -v "${pair%%=*}" >/dev/null || need+=("${pair#*=}")
  done
  if [ ${#need[@]} -gt 0 ]; then
    local SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update -qq && $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
  fi
}

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
in="$work/in.ppm"

# make_picture [PATH]: the 6000 x 4000 16-bit RGB test picture every comparison starts from, at
# PATH or else at $in.
make_picture() {
  "$cli" sample "${1:-$in}" 6000 4000 >/dev/null
}

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

# ratio A B: A / B to two places, "-" when either failed.
ratio() {
  if [[ "$1" == fail || "$2" == fail ]]; then echo "-"; else awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; fi
}
