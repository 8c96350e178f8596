#include "support/script_harness.h"

#include "platform/core_messages.h"

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
