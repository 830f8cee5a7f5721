#!/usr/bin/env bash
# Installs the Debian 12 packages the project builds and runs with.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ make pkg-config git
  clang libclang-rt-14-dev
  qt6-base-dev qt6-svg-dev libqt6svg6 qt6-qpa-plugins qt6-translations-l10n
  libtbb-dev liblcms2-dev
  libjpeg62-turbo-dev libtiff-dev libpng-dev zlib1g-dev
  libexiv2-dev
  libcairo2-dev libpango1.0-dev fontconfig fonts-dejavu-core fonts-urw-base35 fonts-liberation2
  fonts-noto-cjk fonts-noto-color-emoji
  libopencv-core-dev libopencv-imgproc-dev libopencv-objdetect-dev opencv-data
  libopencv-dnn-dev nodejs npm
  nlohmann-json3-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth dbus-daemon
)

missing=()
for p in "${PACKAGES[@]}"; do
  # Node's own packages bundle npm and refuse Debian's: any npm on the path will do.
  if [ "$p" = npm ] && command -v npm >/dev/null; then
    continue
  fi
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
