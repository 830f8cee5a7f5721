#!/bin/sh
# Side-by-side timing of one full-size development into a JPEG at quality 95: vantrel-develop
# (exposure +0.5, 7000 K, contrast 1.2, saturation 1.2, S-curve) against darktable-cli,
# rawtherapee-cli and a libvips chain with equivalent settings, on the same 6000x4000 16-bit
# TIFF; then peak resident memory of each, and of vantrel-develop on a 60 MP scan.
# Run make-inputs.sh first and build Release (build/bench/vantrel-develop). Installs hyperfine
# and the peers with apt-get when missing. Results: $W/results-develop.md and $W/results-rss.txt.
set -e
. "$(dirname "$0")/common.sh"
need hyperfine hyperfine
need /usr/bin/time time
need vips libvips-tools
[ -n "$NO_PEERS" ] || need darktable-cli darktable
[ -n "$NO_PEERS" ] || need rawtherapee-cli rawtherapee
[ -x "$DEVELOP" ] || { echo "build $DEVELOP first (Release)" >&2; exit 1; }
cd "$W"
RECIPE="$B/develop-recipe.json"
DTC="--core --configdir $W/dtconf --conf plugins/imageio/format/jpeg/quality=95"
S=/dev/shm/vantrel-peers; mkdir -p $S dtconf
VIPSCHAIN="vips colourspace frame24.tif $S/a.v scrgb && vips recomb $S/a.v $S/b.v $B/vips-recomb.mat && vips linear -- $S/b.v $S/c.v 1.2 -0.036 && vips colourspace $S/c.v $S/d.v rgb16 && vips maplut $S/d.v $S/e.v lut16.v && vips colourspace $S/e.v out_vips.jpg[Q=95] srgb"

set -- -n vantrel-develop "$DEVELOP frame24.tif $RECIPE out_vantrel.jpg --quality 0.95"
if [ -z "$NO_PEERS" ]; then
  set -- "$@" \
    -n dt-develop "darktable-cli frame24.tif $B/dt-develop.xmp out_dt.jpg $DTC" \
    -n rt-develop "rawtherapee-cli -q -Y -o out_rt.jpg -p $B/rt-develop.pp3 -j95 -js3 -c frame24.tif"
fi
hyperfine -N --warmup 1 --runs ${RUNS:-7} --export-markdown results-develop.md --export-json results-develop.json \
  --prepare "rm -f $W/out_dt.jpg $W/out_dt_01.jpg" "$@" \
  -n vips-chain "sh -c '$VIPSCHAIN'" \
  -n vips-floor-load-to-jpeg "vips colourspace frame24.tif out_floor.jpg[Q=95] srgb"

echo "peak RSS (kB), wall (s):" > results-rss.txt
for i in 1 2 3; do
  /usr/bin/time -f "vantrel-develop-24MP %M %e" "$DEVELOP" frame24.tif "$RECIPE" out_vantrel.jpg --quality 0.95 2>>results-rss.txt
  /usr/bin/time -f "vantrel-develop-60MP %M %e" "$DEVELOP" frame60.tif "$RECIPE" out_vantrel60.jpg --quality 0.95 2>>results-rss.txt
  /usr/bin/time -f "vantrel-develop-24MP-tiff16 %M %e" "$DEVELOP" frame24.tif "$RECIPE" out_vantrel.tiff --format tiff 2>>results-rss.txt
  if [ -z "$NO_PEERS" ]; then
    rm -f out_dt*.jpg
    /usr/bin/time -f "dt-develop %M %e" darktable-cli frame24.tif $B/dt-develop.xmp out_dt.jpg $DTC 2>>results-rss.txt >/dev/null
    /usr/bin/time -f "rt-develop %M %e" rawtherapee-cli -q -Y -o out_rt.jpg -p $B/rt-develop.pp3 -j95 -js3 -c frame24.tif 2>>results-rss.txt >/dev/null
  fi
  /usr/bin/time -f "vips-floor %M %e" vips colourspace frame24.tif out_floor.jpg[Q=95] srgb 2>>results-rss.txt
done
cat results-develop.md results-rss.txt
