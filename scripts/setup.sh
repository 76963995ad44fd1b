#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing, and the comma-decimal
# locale the tests read numbers under. Qt 6 builds the desktop application; Xvfb lets CI run its
# tests once on a real X server; the DejaVu fonts draw the plot and the windows' texts (DejaVu Sans
# Mono the result window's columns). Noto Sans Mono, a default font of desktop installs, becomes
# the desktop's monospace font, so the tests run with the fonts a user's desktop has. pybind11 and
# Python with NumPy build the Python module; pytest and matplotlib run its tests and examples.
set -euo pipefail

# clang and its runtime libraries (libFuzzer, the sanitizers) build the fuzzing harnesses.
packages=(g++ cmake ninja-build libgtest-dev libbenchmark-dev libxml2-utils clang-format locales nlohmann-json3-dev
          clang libclang-rt-14-dev qt6-base-dev qt6-qpa-plugins fonts-dejavu-core fonts-noto-mono xvfb xauth
          pybind11-dev python3-dev python3-numpy python3-pytest python3-matplotlib)

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi

# A German desktop writes 0,5: the tests check that Talvex reads and prints numbers the same there.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    $SUDO localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
