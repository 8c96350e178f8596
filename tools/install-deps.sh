#!/usr/bin/env bash
# Installs the Debian 12 packages VexoCad needs to build, run and test.
set -euo pipefail
packages=(
  g++ cmake ninja-build pkg-config
  libfltk1.3-dev libgl-dev libglu1-mesa-dev libegl-dev libegl1-mesa-dev libgl1-mesa-dri
  libpng-dev zlib1g-dev
  # the parts list reads collections as CSV
  libcsv-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xdotool x11-utils
  # the booklet's and the parts list's tests check their HTML with a strict
  # HTML5 parser
  python3-html5lib
  # the fuzz targets: clang 14 with libFuzzer and the sanitizer runtimes, and
  # llvm-symbolizer for readable reports
  clang-14 libclang-rt-14-dev llvm-14
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then exit 0; fi
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
