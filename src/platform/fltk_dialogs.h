// Modal dialogs of the desktop program on FLTK: message boxes, the question
// about unsaved text, the file chooser and the progress window of a long
// compile. Each blocks its caller until answered, as the program expects.
#pragma once

#include <string>

#include "platform/core_messages.h"

// The message box: caption as its title, the named icon, an OK button.
// Installed as the message sink by installFltkMessageBoxes.
void fltkMessageBox(const char* text, const char* caption, MessageIcon icon);
void installFltkMessageBoxes();

enum class SaveAnswer { Save, Discard, Cancel };
// Save, discard or cancel; Escape or closing the box cancels. Logged like a
// message (caption and text) for the tests.
SaveAnswer askFltkSaveQuestion(const char* text, const char* caption);

enum class RecoveryAnswer { Restore, Drop, Later };
// Restore or drop a recovery copy of unsaved text; Escape or closing the
// box leaves the choice for later. Logged like a message.
RecoveryAnswer askFltkRecoveryQuestion(const char* text, const char* caption);

// The two filters of the document dialogs, no proposed name; for saving, a
// name typed without an extension gets ".txt" and an existing file needs a
// confirmation. False when cancelled.
bool chooseFltkFileName(bool forSaving, std::string* path);
// A name typed without an extension gets ".txt".
std::string withDefaultExtension(const std::string& path);

// Shows (or updates) the progress window of a compile; false once the user
// asked to stop. finished closes it.
bool showFltkCompileProgress(long long linesRead, long long lineCount, int piecesPlaced, bool finished);
