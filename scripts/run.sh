#!/usr/bin/env bash
# Fresh machine: installs what is missing, builds, and runs the program's main job.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build
# The bundled example: a cyclic voltammogram, exported as CSV and drawn as SVG into out/.
mkdir -p out
cd out
../build/talvex-batch ../examples/cyclic_voltammogram.tvx
echo "Wrote out/cyclic_voltammogram.csv and out/cyclic_voltammogram.svg"
