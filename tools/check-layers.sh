#!/bin/sh
# The folders of src/ are layers, and which folder may include which is a
# table of allowed arrows rather than one ranking: view and insertion sit
# above pieces but never include script; exports draw and write what the
# script made but include neither insertion nor shell; the model checker
# (checks/) reads the model, the pieces and the script and only the shell
# includes it; the platform includes nothing of ours. A file includes headers
# of its own folder and of the folders its folder's arrows point to. Prints
# every include that breaks the table (or names a folder not in it) and
# fails if there is one.
#
# Within a folder no file calls another round a circle (the shell's windows
# and key switches among them): a .cpp that calls another file's functions
# includes its header, so the arrows from each .cpp to the headers of its
# folder it includes (a header that only borrows another's types draws
# none) form no loop. Each loop found is printed.
src=${1:-src}
arrows="
platform:
model:
pieces: model platform
script: pieces model platform
view: pieces model platform
insertion: view pieces model platform
exports: view pieces script model platform
checks: pieces script model platform
shell: exports checks insertion view script pieces model platform
"
grep -rH --include='*.cpp' --include='*.h' '^#include "[a-z_]*/' "$src" | awk -v arrows="$arrows" '
  BEGIN {
    n = split(arrows, rows, "\n")
    for (i = 1; i <= n; ++i) {
      if (rows[i] == "") continue
      split(rows[i], parts, ":"); from = parts[1]; known[from] = 1
      m = split(parts[2], tos, " ")
      for (j = 1; j <= m; ++j) allowed[from ">" tos[j]] = 1
    }
  }
  {
    file = substr($0, 1, index($0, ":") - 1)
    n = split(file, path, "/"); from = path[n - 1]
    to = $0; sub(/^[^"]*"/, "", to); sub(/\/.*/, "", to)
    if (from == to && (from in known)) next
    if (!(from in known) || !(to in known) || !((from ">" to) in allowed)) {
      print file ": includes " to "/ (" from "/ may include only its own folder and: " allowedOf(from) ")"
      bad = 1
    }
  }
  function allowedOf(f,   k, out) {
    out = ""
    for (k in allowed) if (index(k, f ">") == 1) out = out " " substr(k, length(f) + 2)
    return out == "" ? " nothing" : out
  }
  END { exit bad }' || status=1
for dir in "$src"/*/; do
  folder=$(basename "$dir")
  grep -H "^#include \"$folder/" "$dir"*.cpp 2>/dev/null |
    sed -E 's#^.*/([a-z_0-9]+)\.(cpp|h):\#include "[a-z_]+/([a-z_0-9]+)\.h".*#\1 \3#' | awk '$1 != $2' |
    tsort > /dev/null 2> "${TMPDIR:-/tmp}/check-layers-loop.$$" ||
    { echo "$folder/: its files call each other round a loop:"; sed -n 's/^tsort: //p' "${TMPDIR:-/tmp}/check-layers-loop.$$" | grep -v 'input contains a loop'; status=1; }
  rm -f "${TMPDIR:-/tmp}/check-layers-loop.$$"
done
exit ${status:-0}
