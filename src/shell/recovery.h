// Recovery copies of unsaved text, so that a kill, a hang-up, Ctrl+C or a crash
// loses at most the last few seconds of typing. While the editor holds
// changes, the main loop keeps a copy of its text in the user's state folder
// ($XDG_STATE_HOME/vexocad, else ~/.local/state/vexocad), never beside the
// document, named after the process (recovery-PID.vxo) so that a running
// instance never takes another's. The copy goes when the text is saved or
// dropped; a later start offers the copies of instances that are gone.
#pragma once

#include <string>
#include <vector>

#include "platform/core_editor.h"

// "" when neither XDG_STATE_HOME nor HOME gives an absolute folder.
std::string recoveryFolder();

// Writes the editor's text to this process's copy when it changed since the
// last look (a look at most every two seconds unless now is set); removes
// the copy once the text has no unsaved changes.
void keepRecoveryCopy(const Editor& editor, bool now = false);
void removeRecoveryCopy();

// Copies left by processes that no longer run, newest first.
std::vector<std::string> orphanedRecoveryCopies();
// The text of a copy (UTF-8); false when it cannot be read.
bool readRecoveryCopy(const std::string& path, std::string* text);
