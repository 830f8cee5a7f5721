#!/bin/sh
# Builds the synthetic scans for the peer comparison under $W (default /tmp/vantrel-peers):
#   frame24.tif  6000x4000 RGB 16-bit uncompressed TIFF: gradients plus gaussian grain
#   frame60.tif  9500x6334 (60 MP) of the same kind, for the memory bound
#   lut16.v      65536-entry S-curve for the libvips chain (y = x - 0.06 sin(2 pi x))
set -e
. "$(dirname "$0")/common.sh"
need vips libvips-tools
cd "$W"
make_frame() { # $1 width, $2 height, $3 output
  vips xyz xy.v "$1" "$2"
  vips extract_band xy.v x.v 0; vips extract_band xy.v y.v 1
  vips linear x.v r0.v "$(awk "BEGIN{print 65535 / $1}")" 0
  vips linear y.v g0.v "$(awk "BEGIN{print 65535 / $2}")" 0
  vips add x.v y.v xpy.v; vips linear xpy.v b0.v "$(awk "BEGIN{print 26000 / ($1 + $2)}")" 0
  for c in 1 2 3; do vips gaussnoise n$c.v "$1" "$2" --sigma 1500 --mean 0; done
  vips add r0.v n1.v r.v; vips add g0.v n2.v g.v; vips add b0.v n3.v b.v
  vips bandjoin "r.v g.v b.v" rgb.v
  vips cast rgb.v rgbu.v ushort
  vips copy rgbu.v rgb16.v --interpretation rgb16
  vips tiffsave rgb16.v "$3"
  rm -f xy.v x.v y.v r0.v g0.v b0.v xpy.v n1.v n2.v n3.v r.v g.v b.v rgb.v rgbu.v rgb16.v
}
[ -f frame24.tif ] || make_frame 6000 4000 frame24.tif
[ -f frame60.tif ] || make_frame 9500 6334 frame60.tif
if [ ! -f lut16.v ]; then
  vips identity lut0.v --ushort
  vips linear lut0.v t.v 0.0054932 0
  vips math t.v s.v sin
  vips linear -- s.v s2.v -3932 0
  vips add lut0.v s2.v y.v
  vips cast y.v lut16.v ushort
  rm -f lut0.v t.v s.v s2.v y.v
fi
ls -l "$W"
