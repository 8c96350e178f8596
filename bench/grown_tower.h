// The examples' tall tower grown to about a number of pieces, for the
// benchmarks: its storeys are 12 pieces on an 8-piece base, so 82 storeys
// make 992 pieces and 832 make 9992.
#pragma once

#include <string>

#include "script/compiler.h"
#include "shell/script_file.h"

inline ScriptLines grownTallTower(int pieces) {
  ScriptLines lines, grown;
  std::string error;
  readScriptFile(VEXOCAD_SOURCE_DIR "/examples/tall-tower.vxo", lines, error);
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string line(lines[i]);
    const bool storeys = line.rfind("int $etages=", 0) == 0;
    grown.push_back(storeys ? "int $etages=" + std::to_string((pieces - 8) / 12) + line.substr(line.find(' ', 4)) : line);
  }
  return grown;
}
