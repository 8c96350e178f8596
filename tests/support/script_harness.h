// Compiling script text in tests: messages captured instead of printed, and
// the model read back through the same text form --dump prints.
#pragma once

#include <string>
#include <vector>

#include "model/model_table.h"
#include "script/compiler.h"

struct CompileOutcome {
  // "LINE: CAPTION: TEXT" for each message, in order.
  std::vector<std::string> messages;
  CompileResult result;
};

// Captures every message shown while it lives.
struct MessageCapture {
  MessageCapture();
  ~MessageCapture();
  std::vector<std::string> take();
};

CompileOutcome compileText(const std::string& text, const CompileControl* control = nullptr);

// The number of used records before the first unused one.
int placedCount();
// Record n of the model table, which must be used.
const PieceRecord& piece(int n);

// Largest difference between two matrices' elements.
double maxDifference(const Matrix& a, const Matrix& b);
