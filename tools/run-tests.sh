#!/usr/bin/env bash
# Installs what is missing, builds VexoCad, runs every test and builds the
# Debian package.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
ctest --test-dir build --output-on-failure -j2
tools/check-package.sh build
