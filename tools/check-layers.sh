#!/bin/sh
# The folders of src/ are layers: platform and model at the bottom, then
# pieces, script, view, insertion and exports (side by side, neither
# includes the other) and shell on top. A file includes headers
# of its own folder and of lower layers only, so the include graph of the
# folders points down and cannot have a cycle. Prints every include that
# breaks this (or names a folder not listed here) and fails if there is one.
src=${1:-src}
# Arrows that still point up, each with the work that removes it; the list
# is meant to be empty.
# - view/scene.cpp reads the view switches and the held keys from shell/
#   until they move to view/ and to the frame.
known=""
grep -rH --include='*.cpp' --include='*.h' '^#include "[a-z_]*/' "$src" | awk -v known="$known" '
  BEGIN {
    split(known, k, " "); for (i in k) allowed[k[i]] = 1
    split("platform:1 model:1 pieces:2 script:3 view:4 insertion:5 exports:5 shell:6", pairs, " ")
    for (i in pairs) { split(pairs[i], kv, ":"); layer[kv[1]] = kv[2] }
  }
  {
    file = substr($0, 1, index($0, ":") - 1)
    n = split(file, path, "/"); from = path[n - 1]
    to = $0; sub(/^[^"]*"/, "", to); sub(/\/.*/, "", to)
    if (from == to || (path[n - 1] "/" path[n] ">" to) in allowed) next
    if (!(from in layer) || !(to in layer) || layer[to] >= layer[from]) {
      print file ": includes " to "/ (" from "/ may include only lower layers)"
      bad = 1
    }
  }
  END { exit bad }'
