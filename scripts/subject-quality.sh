#!/usr/bin/env bash
# Subject detection on real photographs: fetches Debian packages holding photographs into a
# cache, unpacks them and runs vantrel-subject on the annotated photographs of
# subject-quality.tsv beside this script. Not part of CI (it downloads).
# Usage: subject-quality.sh [BUILD_DIR] [--draw DIR]   (--draw writes each mask and annotation as a PNG)
#
# The Plasma wallpapers and the OpenCV documentation's pictures are left out on purpose: they
# are kept for an independent check.
set -euo pipefail
. "$(dirname "$0")/quality-photographs.sh"

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build}
shift || true
cache=${QUALITY_CACHE:-$build/quality-cache}
packages=(python3-skimage python-matplotlib-data python3-sklearn qtbase5-examples mate-backgrounds tuxpaint-data scribus-template kphotoalbum
  lomiri-wallpapers-16.04 lomiri-wallpapers-20.04 gimp-help-en lxqt-themes puzzle-jigsaw tuxtype-data
  libjs-jquery-colorbox libjs-slimbox libjs-cropper libjs-jquery-backstretch palapeli-data)

fetch_photographs "$cache" "${packages[@]}"

cmake --build "$build" --target vantrel-subject >/dev/null
"$build/bench/vantrel-subject" "$here/subject-quality.tsv" "$cache/root" "$@"
