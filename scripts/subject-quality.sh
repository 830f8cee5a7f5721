#!/usr/bin/env bash
# Subject detection on real photographs: fetches Debian packages holding photographs into a
# cache, unpacks them and runs vantrel-subject on the annotated photographs of
# subject-quality.tsv beside this script. Not part of CI (it downloads).
# Usage: subject-quality.sh [BUILD_DIR] [--draw DIR]   (--draw writes each mask and annotation as a PNG)
#
# The Plasma wallpapers and the OpenCV documentation's pictures are left out on purpose: they
# are kept for an independent check.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build}
shift || true
cache=${QUALITY_CACHE:-$build/quality-cache}
packages=(python3-skimage python-matplotlib-data python3-sklearn qtbase5-examples mate-backgrounds tuxpaint-data scribus-template)

mkdir -p "$cache/debs" "$cache/root"
cache=$(cd "$cache" && pwd)
missing=()
for p in "${packages[@]}"; do
  compgen -G "$cache/debs/${p}_*.deb" >/dev/null || missing+=("$p")
done
if ((${#missing[@]})); then
  # apt's download user must be able to write into the folder.
  chmod a+rwx "$cache/debs" 2>/dev/null || true
  if ! (cd "$cache/debs" && apt-get download "${missing[@]}"); then
    apt-get update >/dev/null
    (cd "$cache/debs" && apt-get download "${missing[@]}")
  fi
fi
for deb in "$cache"/debs/*.deb; do
  stamp="$cache/root/.$(basename "$deb").unpacked"
  [ -e "$stamp" ] || { dpkg-deb -x "$deb" "$cache/root" && touch "$stamp"; }
done

cmake --build "$build" --target vantrel-subject >/dev/null
"$build/bench/vantrel-subject" "$here/subject-quality.tsv" "$cache/root" "$@"
