#!/usr/bin/env bash
# Fresh machine: installs what is missing, builds, and runs the program's main job.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build
build/talvex-demo
