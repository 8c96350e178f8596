// Message boxes. Every message the program shows to the user goes through
// showMessage. The desktop program installs a sink that opens a modal box;
// without one (command-line modes, tests) each message becomes one line on
// standard error.
#pragma once

#include <string>
#include <vector>

enum MessageIcon { ICON_NONE, ICON_EXCLAMATION, ICON_INFORMATION, ICON_ERROR };

// Texts and captions are UTF-8. Script bytes quoted in a text must be
// converted first (cp1252ToUtf8).
void showMessage(const char* text, const char* caption, MessageIcon icon);

// A sink receives every message; nullptr restores the standard-error writer.
using MessageSink = void (*)(const char* text, const char* caption, MessageIcon icon);
void setMessageSink(MessageSink sink);
MessageSink currentMessageSink();

// Where headless messages say they come from: "FILE:LINE: CAPTION: TEXT"
// while a line of FILE is being compiled (line > 0), else
// "vexocad: CAPTION: TEXT".
void setMessageSourceName(const char* fileName);
void setMessageLine(int lineNumber);
int messageLine();

// Number of messages shown since the program started (or since reset).
int messagesShown();
void resetMessageCount();

// A message as the messages pane lists it: the line being compiled when it
// was shown (0 outside a compile), its caption and its text.
struct LineMessage {
  int line;
  std::string caption, text;
};
// From startMessageRecord on, every message shown is also kept, the first
// MESSAGE_RECORD_CAPACITY of them, until the next start; kept messages stay
// readable after stopMessageRecord.
constexpr size_t MESSAGE_RECORD_CAPACITY = 1000;
void startMessageRecord();
void stopMessageRecord();
const std::vector<LineMessage>& recordedMessages();
// Messages shown while recording, the ones past the capacity included.
long long recordedMessageCount();
// Time the recorded messages kept the program waiting (a box open until the
// user closed it), in seconds.
double recordedMessageSeconds();

// The one-line form of a message as the standard-error writer prints it.
void formatMessageLine(const char* text, const char* caption, char* out, int capacity);
