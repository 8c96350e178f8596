// The script compiler: turns the editor's text into placed pieces in the
// model table and into key bindings. Errors are shown as messages and the
// compile goes on; it never refuses a script.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// Script lines as Windows-1252 bytes, one entry per editor line (an empty
// editor is one empty line). They are kept as one text and the end of each
// line in it, not as a string each: a script of millions of empty lines
// costs four bytes a line, not forty. Lines past 4 GB of text are dropped.
struct ScriptLines {
  std::string text;            // the lines one after the other
  std::vector<uint32_t> ends;  // where each line ends in text

  ScriptLines() = default;
  ScriptLines(const std::vector<std::string>& lines);  // NOLINT: editor lines convert
  ScriptLines(std::initializer_list<std::string_view> lines);
  void push_back(std::string_view line);
  size_t size() const { return ends.size(); }
  bool empty() const { return ends.empty(); }
  std::string_view operator[](size_t i) const {
    const uint32_t start = i ? ends[i - 1] : 0;
    return std::string_view(text).substr(start, ends[i] - start);
  }
  bool operator==(const ScriptLines&) const = default;
};

// Asked every so many lines whether the compile should go on; answering
// false stops it, keeping what was built.
struct CompileControl {
  bool (*keepGoing)(void* context, int linesRead, int piecesPlaced) = nullptr;
  void* context = nullptr;
  int interval = 4096;  // lines read between two questions
  // For message boxes: a message that comes back from the same line (a
  // repeat block passing over one error) is shown once, and the end of the
  // compile says how many were held back. Printed messages keep every one.
  bool showRepeatsOnce = false;
};

struct CompileResult {
  bool stopped = false;  // the control asked to stop
  long long linesRead = 0;
  int piecesPlaced = 0;  // pieces created, capped at the table's capacity
  int variablesLeft = 0; // variable entries of the top level when the compile ended
};

CompileResult compileScript(const ScriptLines& lines, const CompileControl* control = nullptr);
