#!/usr/bin/env bash
# Horizon levelling on real photographs: fetches Debian packages of photographs into a cache,
# unpacks them and runs vantrel-horizon on a fixed set of pictures that hold a real horizon or
# real verticals. Not part of CI (it downloads). Usage: horizon-quality.sh [BUILD_DIR]
#
# The Plasma wallpapers are left out on purpose: they are kept for an independent check.
set -euo pipefail

build=${1:-build}
cache=${QUALITY_CACHE:-$build/quality-cache}
packages=(lomiri-wallpapers-16.04 lomiri-wallpapers-20.04 mate-backgrounds opencv-doc)

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

walls=$cache/root/usr/share/backgrounds
samples=$cache/root/usr/share/doc/opencv-doc/examples
# One photograph a line; "@ANGLE" is the straightening that levels a photograph that is not
# level as published, measured by hand on its horizon.
photos=(
  "$walls/Infinite-Sea_by_Aury88.jpg"            # sea horizon under the night sky
  "$walls/mate/nature/Dune.jpg"                  # soft sea horizon behind grass
  "$walls/mate/nature/Storm.jpg"                 # dark field edge, road and rail in motion blur
  "$walls/Wine_by_Jakkub_Mede.jpg"               # room: window, table, shelves
  "$walls/friends_by_Aitzol_Berasategi.jpg"      # wooden house, planks and posts
  "$walls/Bridge_by_Sander_Klootwijk.jpg"        # hazy estuary horizon behind cables
  "$walls/sunset_by_Aitzol_Berasategi.jpg"       # mountain horizon against the sun
  "$walls/life_by_Aitzol_Berasategi.jpg"         # forest stream, trunks
  "$samples/data/building.jpg"                   # office block, looking up
  "$samples/data/home.jpg"                       # house front, looking up
  "$samples/data/leuvenA.jpg"                    # street of brick houses
  "$samples/data/leuvenB.jpg"                    # the same street, other view
  "$samples/reg/home.png"                        # small house front
  "$samples/data/basketball1.png"                # room with door and wall
  "$samples/data/messi5.jpg"                     # football pitch and stands
  "$samples/data/aero3.jpg"                      # aerial view with a hazy horizon
  "$samples/data/aloeL.jpg"                      # plant pot on a table before a wall
  "$samples/hfs/data/001.jpg@-0.76"              # lake shore (the shoreline rises to the right)
  "$samples/hfs/data/002.jpg"                    # tree on a meadow under the sky
  "$samples/data/left.jpg"                       # books standing on a table
)

cmake --build "$build" --target vantrel-horizon >/dev/null
"$build/bench/vantrel-horizon" "${photos[@]}"
