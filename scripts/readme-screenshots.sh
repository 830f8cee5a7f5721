#!/bin/sh
# The README's pictures of the window: viewing, crop, retouch and mask modes and
# the export dialog in English, and the window in German at its minimum size and
# in French at its default size, each taken on the sample roll on a virtual
# display with a home folder of its own (so no setting or roll of the user's shows).
#
#   scripts/readme-screenshots.sh [BUILD_DIR] [OUT_DIR]      (defaults: build, docs)
#
# Needs xvfb-run and a built build/bench/vantrel-screenshot.
set -eu

build=${1:-build}
out=${2:-docs}
tool="$build/bench/vantrel-screenshot"
[ -x "$tool" ] || { echo "no $tool: build the project first" >&2; exit 1; }
command -v xvfb-run >/dev/null || { echo "xvfb-run is missing (apt-get install xvfb)" >&2; exit 1; }
mkdir -p "$out"

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT INT TERM

# shot LANGUAGE OUT.png ARGUMENTS...: one picture in a fresh home of that language.
shot() {
    language=$1
    file=$2
    shift 2
    rm -rf "$home" && mkdir -p "$home/.config/Vantrel"
    printf '[General]\nVantrelAppLanguage=%s\n' "$language" > "$home/.config/Vantrel/Vantrel.conf"
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$home" XDG_CONFIG_HOME="$home/.config" \
        XDG_DATA_HOME="$home/.local/share" XDG_CACHE_HOME="$home/.cache" \
        xvfb-run -a -s "-screen 0 1920x1200x24" "$tool" "$file" "$@"
    echo "$file"
}

for mode in viewing crop retouch mask export; do
    extra=""
    # Three ticked frames make the export a batch, which lists them.
    [ "$mode" = export ] && extra="--checked 3"
    # shellcheck disable=SC2086
    shot en "$out/mode-$mode.png" 1300 840 --mode "$mode" $extra
done
shot de "$out/window-de-1080x720.png" 1080 720
shot fr "$out/window-fr-default.png" 1300 840
