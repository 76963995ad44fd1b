#!/usr/bin/env bash
# Fresh machine: installs what is missing, builds, and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build -DTALVEX_WERROR=ON -DTALVEX_GUI=ON
ctest --test-dir build --output-on-failure -j 2
