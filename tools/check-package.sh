#!/usr/bin/env bash
# Builds the Debian package from a finished build folder (default: build) and
# checks it: it holds exactly what `cmake --install` puts under /usr, the
# program among it, and dpkg-shlibdeps gave it the libraries the program
# links. Prints the package's name, size and dependencies.
set -euo pipefail
build="${1:-build}"
staged=$(mktemp -d)
trap 'rm -rf "$staged"' EXIT
rm -rf "$build/package"
if ! (cd "$build" && cpack -G DEB) >"$staged.log" 2>&1; then
  cat "$staged.log" >&2
  rm -f "$staged.log"
  exit 1
fi
rm -f "$staged.log"
deb=$(echo "$build"/package/vexocad_*.deb)
DESTDIR="$staged" cmake --install "$build" --prefix /usr >/dev/null
installed=$(cd "$staged" && find . -type f | sort)
packaged=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)
if [ "$installed" != "$packaged" ]; then
  echo "the package does not hold what cmake --install puts:" >&2
  diff <(echo "$installed") <(echo "$packaged") >&2 || true
  exit 1
fi
grep -qx ./usr/bin/vexocad <<<"$packaged" || { echo "the package has no usr/bin/vexocad" >&2; exit 1; }
depends=$(dpkg-deb -f "$deb" Depends)
for library in libfltk1.3 libegl1 libpng16-16 libassimp5 libcsv3 libcairo2 libpango-1.0-0 libpangocairo-1.0-0; do
  grep -q "\b$library\b" <<<"$depends" || { echo "the package does not depend on $library: $depends" >&2; exit 1; }
done
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes, installed $(dpkg-deb -f "$deb" Installed-Size) KiB"
echo "Depends: $depends"
