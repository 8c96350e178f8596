#include "platform/core_messages.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/core_text_encoding.h"

namespace {
MessageSink currentSink = nullptr;
std::string sourceName = "vexocad";
int currentLine = 0;
int shownCount = 0;
struct MessageRecord {
  bool on = false;
  std::vector<LineMessage> kept;
  long long count = 0;
  double seconds = 0;
};
MessageRecord record;

// Trailing line feeds go, inner ones become spaces, so one message is one line.
std::string singleLine(const char* text) {
  std::string s = text ? text : "";
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  for (char& c : s)
    if (c == '\n' || c == '\r') c = ' ';
  return s;
}

// Texts quote scripts and file names: their control characters are shown
// escaped, never sent to the terminal.
void writeToStandardError(const char* text, const char* caption, MessageIcon) {
  std::string line;
  if (currentLine > 0)
    line = sourceName + ":" + std::to_string(currentLine) + ": ";
  else
    line = "vexocad: ";
  line += caption ? caption : "";
  line += ": ";
  line += singleLine(text);
  std::fprintf(stderr, "%s\n", terminalText(line).c_str());
  std::fflush(stderr);
}

// Tests of the desktop program read every message from this log.
void appendToLogFile(const char* text, const char* caption) {
  const char* path = std::getenv("VEXOCAD_MESSAGE_LOG");
  if (!path || !*path) return;
  if (FILE* f = std::fopen(path, "a")) {
    std::fprintf(f, "%s: %s\n", caption ? caption : "", singleLine(text).c_str());
    std::fclose(f);
  }
}
}  // namespace

void showMessage(const char* text, const char* caption, MessageIcon icon) {
  ++shownCount;
  if (record.on && record.count++ < (long long)MESSAGE_RECORD_CAPACITY)
    record.kept.push_back({currentLine, caption ? caption : "", text ? text : ""});
  appendToLogFile(text, caption);
  const auto start = std::chrono::steady_clock::now();
  if (currentSink)
    currentSink(text, caption, icon);
  else
    writeToStandardError(text, caption, icon);
  if (record.on) record.seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void startMessageRecord() { record = {true, {}, 0, 0}; }
void stopMessageRecord() { record.on = false; }
const std::vector<LineMessage>& recordedMessages() { return record.kept; }
long long recordedMessageCount() { return record.count; }
double recordedMessageSeconds() { return record.seconds; }

void setMessageSink(MessageSink sink) { currentSink = sink; }
MessageSink currentMessageSink() { return currentSink; }
void setMessageSourceName(const char* fileName) { sourceName = fileName ? fileName : "vexocad"; }
void setMessageLine(int lineNumber) { currentLine = lineNumber; }
int messageLine() { return currentLine; }
int messagesShown() { return shownCount; }
void resetMessageCount() { shownCount = 0; }

void formatMessageLine(const char* text, const char* caption, char* out, int capacity) {
  if (capacity <= 0) return;
  std::string s = std::string(caption ? caption : "") + ": " + singleLine(text);
  std::snprintf(out, capacity, "%s", s.c_str());
}
