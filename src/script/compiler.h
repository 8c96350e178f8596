// The script compiler: turns the editor's text into placed pieces in the
// model table and into key bindings. Errors are shown as messages and the
// compile goes on; it never refuses a script.
#pragma once

#include <string>
#include <vector>

// Script lines as Windows-1252 bytes, one entry per editor line (an empty
// editor is one empty line).
using ScriptLines = std::vector<std::string>;

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
