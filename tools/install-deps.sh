#!/usr/bin/env bash
# Installs the Debian 12 packages VexoCad needs to build, run and test.
set -euo pipefail
packages=(
  g++ cmake ninja-build pkg-config
  libfltk1.3-dev libgl-dev libglu1-mesa-dev libegl-dev libegl1-mesa-dev libgl1-mesa-dri
  libpng-dev zlib1g-dev
  # the mesh export's file formats
  libassimp-dev
  # 3MF through the 3MF Consortium's own library; JSON for the .glb's
  # declared extensions
  lib3mf-dev nlohmann-json3-dev
  # the Khronos glTF validator that checks the exported .glb files
  nodejs
  # the parts list reads collections as CSV
  libcsv-dev
  # the model checker's collision tests
  libfcl-dev
  # the PDF booklet: cairo draws its pages, pango sets its text
  libcairo2-dev libpango1.0-dev
  # the printed booklets' tests: Chromium prints the HTML booklet to PDF,
  # poppler's pdfinfo and pdftotext read both PDFs back
  chromium poppler-utils
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xdotool x11-utils
  # a window manager, for the desktop tests of dialogs under one
  openbox
  # the booklet's and the parts list's tests check their HTML with a strict
  # HTML5 parser
  python3-html5lib
  # the user's guide: Markdown to HTML at build time
  python3-markdown
  # installing: the icon's PNG sizes drawn from its SVG, the validators of the
  # desktop entry, the AppStream data, the MIME type and the manual page, and
  # dpkg-shlibdeps (and file, which CPack runs with it) for the Debian
  # package's dependencies
  librsvg2-bin desktop-file-utils appstream shared-mime-info groff-base dpkg-dev file
  # the fuzz targets: clang 14 with libFuzzer and the sanitizer runtimes, and
  # llvm-symbolizer for readable reports
  clang-14 libclang-rt-14-dev llvm-14
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# Debian's npm, unless the installed nodejs brings its own (and then refuses
# Debian's).
command -v npm >/dev/null || missing+=(npm)
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
# The validator's pinned version, in its own folder rather than globally.
validator="$(dirname "$0")/gltf-validator"
if [ ! -d "$validator/node_modules/gltf-validator" ]; then
  (cd "$validator" && npm ci --no-audit --no-fund --loglevel=error)
fi
