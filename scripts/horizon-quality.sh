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
# One photograph a line, each with a clear horizon or clear verticals. "@ANGLE" is the
# straightening that levels it as published, measured by hand: on a horizon, a line fitted to the
# tone step across the whole width; on buildings, the lean of the long verticals fitted against
# their column and read at the frame's centre column, which stays upright whatever the camera's
# tilt up or down (only the roll leans it). Left out for want of one clear line: the aerial views,
# a hilly meadow, mountain ridges, an estuary whose far shore bends.
photos=(
  "$walls/Infinite-Sea_by_Aury88.jpg@0"          # sea horizon under the night sky
  "$walls/mate/nature/Dune.jpg@-1.0"             # soft sea horizon behind leaning grass
  "$walls/mate/nature/Storm.jpg@0"               # field horizon under storm clouds, rails blurred by motion
  "$samples/hfs/data/001.jpg@-0.8"               # lake shore
  "$samples/data/building.jpg@-1.4"              # office block, looking up
  "$samples/data/home.jpg@+0.4"                  # palace front, looking steeply up
  "$samples/reg/home.png@+1.4"                   # small house front
  "$samples/data/leuvenA.jpg@-0.6"               # street of brick houses
  "$samples/data/leuvenB.jpg@-0.5"               # the same street, other view
  "$samples/text/scenetext01.jpg@+1.1"           # sign post before a street
  "$samples/text/scenetext02.jpg@-1.1"           # road sign under trees
  "$samples/text/scenetext03.jpg@-2.5"           # arcade, looking up
  "$samples/text/scenetext04.jpg@+1.1"           # shed before a wall
  "$samples/text/scenetext06.jpg@-1.9"           # shop front, looking up
  "$samples/data/basketball1.png@+0.4"           # room: door frame and wall corner
  "$samples/data/basketball2.png@+0.5"           # the same room a moment later
  "$samples/data/messi5.jpg@+0.7"                # football pitch before the stands
  "$samples/data/left.jpg@-3.0"                  # books standing on a table
  "$walls/friends_by_Aitzol_Berasategi.jpg@-0.5" # wooden house, planks and posts
  "$walls/Wine_by_Jakkub_Mede.jpg@-1.8"          # room: speakers, wall, table
)

cmake --build "$build" --target vantrel-horizon >/dev/null
"$build/bench/vantrel-horizon" "${photos[@]}"
