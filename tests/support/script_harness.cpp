#include "support/script_harness.h"

#include <cmath>

#include "pieces/catalogue.h"
#include "platform/core_messages.h"
#include "shell/script_file.h"

namespace {
std::vector<std::string>* captured = nullptr;

void captureSink(const char* text, const char* caption, MessageIcon) {
  char line[4096];
  formatMessageLine(text, caption, line, sizeof line);
  if (captured) captured->push_back(std::to_string(messageLine()) + ": " + line);
}
}  // namespace

MessageCapture::MessageCapture() {
  captured = new std::vector<std::string>;
  setMessageSink(captureSink);
}

MessageCapture::~MessageCapture() {
  setMessageSink(nullptr);
  delete captured;
  captured = nullptr;
}

std::vector<std::string> MessageCapture::take() {
  std::vector<std::string> out;
  out.swap(*captured);
  return out;
}

CompileOutcome compileText(const std::string& text, const CompileControl* control) {
  MessageCapture capture;
  CompileOutcome outcome;
  outcome.result = compileScript(splitScriptText(text), control);
  outcome.messages = capture.take();
  return outcome;
}

int placedCount() { return usedPrefixLength(); }

const PieceRecord& piece(int n) { return modelTable[n]; }

double maxDifference(const Matrix& a, const Matrix& b) {
  double d = 0;
  for (int i = 0; i < 16; ++i) d = std::max(d, double(std::fabs(a.m[i] - b.m[i])));
  return d;
}
