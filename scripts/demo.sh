#!/usr/bin/env bash
# The first thing to run: installs the Debian packages the build needs that
# are missing, builds Quarvix (Release, in build/), and runs the analyzer on
# its demo signal (eight seconds of pink noise, a tone and a sweep, different
# left and right), writing a picture of the editor and the analysis as text.
#
# Usage: scripts/demo.sh [OUTPUT_DIR]   (default: demo-output)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-demo-output}

# shellcheck source=scripts/install-deps.sh
source scripts/install-deps.sh
quarvix_install_missing_packages

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target quarvix-host quarvix_module

mkdir -p "$out"
build/apps/quarvix-host/quarvix-host analyze --view fft --channels both \
  --snapshot "$out/quarvix-demo.png" --export "$out/quarvix-demo.txt"
echo "Open $out/quarvix-demo.png for the editor, $out/quarvix-demo.txt for the numbers."
