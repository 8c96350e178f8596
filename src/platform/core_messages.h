// Message boxes. Every message the program shows to the user goes through
// showMessage. The desktop program installs a sink that opens a modal box;
// without one (command-line modes, tests) each message becomes one line on
// standard error.
#pragma once

enum MessageIcon { ICON_NONE, ICON_EXCLAMATION, ICON_INFORMATION, ICON_ERROR };

// Texts and captions are UTF-8. Script bytes quoted in a text must be
// converted first (cp1252ToUtf8).
void showMessage(const char* text, const char* caption, MessageIcon icon);

// A sink receives every message; nullptr restores the standard-error writer.
using MessageSink = void (*)(const char* text, const char* caption, MessageIcon icon);
void setMessageSink(MessageSink sink);

// Where headless messages say they come from: "FILE:LINE: CAPTION: TEXT"
// while a line of FILE is being compiled (line > 0), else
// "vexocad: CAPTION: TEXT".
void setMessageSourceName(const char* fileName);
void setMessageLine(int lineNumber);
int messageLine();

// Number of messages shown since the program started (or since reset).
int messagesShown();
void resetMessageCount();

// The one-line form of a message as the standard-error writer prints it.
void formatMessageLine(const char* text, const char* caption, char* out, int capacity);
