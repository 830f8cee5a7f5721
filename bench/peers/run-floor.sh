#!/bin/sh
# Our develop against the bare libvips floor: vantrel-develop on the 24 MP 16-bit TIFF with the
# core recipe (bench/core_recipe.json) to JPEG at quality 95, beside
# `vips colourspace frame24.tif out.jpg[Q=95] srgb` (load and encode only), in one hyperfine
# run; then the minor page faults, peak resident memory and wall time of ours (/usr/bin/time).
# BASE=/path/to/another/vantrel-develop adds a second build to both, for a before/after
# comparison in the same run. Run make-inputs.sh first and build Release. The machine's load
# is printed before and after. Results: $W/results-floor.{md,json} and $W/results-faults.txt.
set -e
. "$(dirname "$0")/common.sh"
need hyperfine hyperfine
need /usr/bin/time time
need vips libvips-tools
[ -x "$DEVELOP" ] || { echo "build $DEVELOP first (Release)" >&2; exit 1; }
cd "$W"
[ -f frame24.tif ] || { echo "run make-inputs.sh first" >&2; exit 1; }
RECIPE="$ROOT/bench/core_recipe.json"
ours() { echo "$1 frame24.tif $RECIPE out_$2.jpg --quality 0.95"; }

set -- -n vantrel-develop "$(ours "$DEVELOP" vantrel)"
[ -z "$BASE" ] || set -- "$@" -n vantrel-develop-base "$(ours "$BASE" base)"
echo "load before: $(uptime)"
hyperfine -N --warmup 2 --runs "${RUNS:-15}" --export-markdown results-floor.md --export-json results-floor.json \
  "$@" -n vips-floor "vips colourspace frame24.tif out_floor.jpg[Q=95] srgb"

echo "minor page faults, peak RSS (kB), wall (s):" > results-faults.txt
for i in 1 2 3 4 5; do
  /usr/bin/time -f "vantrel-develop %R %M %e" $(ours "$DEVELOP" vantrel) 2>>results-faults.txt
  [ -z "$BASE" ] || /usr/bin/time -f "vantrel-develop-base %R %M %e" $(ours "$BASE" base) 2>>results-faults.txt
done
echo "load after: $(uptime)"
cat results-floor.md results-faults.txt
# Medians and each command's ratio to the floor.
if command -v python3 >/dev/null 2>&1; then
  python3 - results-floor.json <<'EOF'
import json, sys
results = {r["command"]: r["median"] for r in json.load(open(sys.argv[1]))["results"]}
floor = results["vips-floor"]
for name, median in results.items():
    print(f"{name}: median {median:.3f} s, {median / floor:.2f} x the floor")
EOF
fi
