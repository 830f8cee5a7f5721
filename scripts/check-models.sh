#!/usr/bin/env bash
# Checks the converted subject models once against the original TensorFlow.js models under node
# (@tensorflow/tfjs-core, -converter and -backend-cpu, fetched into a cache): on a photograph,
# then on the golden test's own picture, whose TF.js outputs it writes as the golden file the
# CI test keeps OpenCV and the converter to. Not part of CI (it downloads).
# Usage: check-models.sh [BUILD_DIR] <photograph>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
photo=${2:?a photograph (JPEG, PNG or TIFF)}
cache=${XDG_CACHE_HOME:-$HOME/.cache}/vantrel
tfjs=$cache/tfjs-check
models=$cache/human-models-3.0.4/models
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ ! -d "$tfjs/node_modules/@tensorflow/tfjs-converter" ]; then
  mkdir -p "$tfjs"
  npm install --prefix "$tfjs" --no-audit --no-fund --silent \
    @tensorflow/tfjs-core@4.22.0 @tensorflow/tfjs-converter@4.22.0 @tensorflow/tfjs-backend-cpu@4.22.0
fi
cmake --build "$build" --target vantrel-models >/dev/null
export NODE_PATH=$tfjs/node_modules

echo "== the photograph $photo"
"$build/bench/vantrel-models" "$photo" "$work/photo"
node "$here/check-models.js" "$models" "$work/photo"

echo "== the golden test's picture"
"$build/bench/vantrel-models" --test-picture "$work/golden"
node "$here/check-models.js" "$models" "$work/golden" --write-golden "$here/../tests/engine/data/subject-models-golden.json"
