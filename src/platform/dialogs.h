// Modal dialogs of the desktop program, whatever toolkit runs it: message
// boxes, the question about unsaved text, the file chooser and the progress
// window of a long compile. Each blocks its caller until answered, as the
// program expects. The FLTK backend (fltk_dialogs.cpp) shows them; the
// headless one (headless_dialogs.cpp) has no one to ask and gives the
// answers that lose nothing.
#pragma once

#include <string>

#include "platform/core_messages.h"

// Makes every message a box: caption as its title, the named icon, an OK
// button.
void installMessageBoxes();

enum class SaveAnswer { Save, Discard, Cancel };
// Save, discard or cancel; Escape or closing the box cancels. Logged like a
// message (caption and text) for the tests.
SaveAnswer askSaveQuestion(const char* text, const char* caption);

enum class RecoveryAnswer { Restore, Drop, Later };
// Restore or drop a recovery copy of unsaved text; Escape or closing the
// box leaves the choice for later. Logged like a message.
RecoveryAnswer askRecoveryQuestion(const char* text, const char* caption);

// The two filters of the document dialogs, opened in the folder of the
// current document's path (when it has one) with its name proposed for
// saving; for saving, a name typed without an extension gets ".txt" and an
// existing file needs a confirmation. False when cancelled.
bool chooseDocumentFileName(bool forSaving, const std::string& current, std::string* path);

// The "Rechercher" box beside the program: a text field and "Suivant",
// which calls findNext with the text (UTF-8); the box says when it found
// nothing. It stays open, without holding the program, until closed;
// showing it again brings it forward.
void showFindBox(bool (*findNext)(const std::string& utf8));

// Shows (or updates) the progress window of a compile; false once the user
// asked to stop. finished closes it.
bool showCompileProgress(long long linesRead, long long lineCount, int piecesPlaced, bool finished);
