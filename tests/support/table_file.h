// Tables of cases kept in text files beside the tests: one case a row,
// fields between "|", blank lines and "//" comments skipped.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "platform/core_editor.h"
#include "platform/core_text_encoding.h"
#include "support/process.h"

// The rows of tests/NAME, in Windows-1252 as the editor and compiler hold text.
inline std::vector<std::string> tableRows(const std::string& name) {
  std::vector<std::string> rows;
  for (const std::string& line : splitLines(readFile(VEXOCAD_SOURCE_DIR "/tests/" + name)))
    if (!line.empty() && line.rfind("//", 0) != 0) rows.push_back(utf8ToCp1252(line));
  return rows;
}

// The fields of a row, trimmed; a "\n" in them stands for a line break.
inline std::vector<std::string> tableFields(const std::string& row) {
  std::vector<std::string> fields;
  std::istringstream in(row + "|");
  for (std::string f; std::getline(in, f, '|');) {
    for (size_t at; (at = f.find("\\n")) != std::string::npos;) f.replace(at, 2, "\n");
    const size_t first = f.find_first_not_of(' ');
    fields.push_back(first == std::string::npos ? "" : f.substr(first, f.find_last_not_of(' ') - first + 1));
  }
  return fields;
}
