// Recovery copies of unsaved text, so that a kill, a hang-up, Ctrl+C or a
// crash loses at most the last few seconds of typing. While the editor holds
// changes, the main loop keeps a copy of its text in the user's state folder
// ($XDG_STATE_HOME/vexocad, else ~/.local/state/vexocad), never beside the
// document. The folder must be a real folder of the user running the
// program that nobody else may write: any other gets no copy, and one
// message says why. Each instance names its copy recovery-PID-RANDOM.vxo
// and holds an flock on it while it runs, so that a live owner is told by
// its lock, never by a PID number that another process may have taken
// since. The copy goes when the text is saved or dropped; a later start
// offers the copies whose owner is gone.
#pragma once

#include <string>
#include <vector>

#include "platform/core_editor.h"

// "" when neither XDG_STATE_HOME nor HOME gives an absolute folder.
std::string recoveryFolder();

// Writes the editor's text to this process's copy when it changed since the
// last look (a look at most every two seconds unless now is set): a new
// file (O_EXCL, O_NOFOLLOW, mode 0600) written whole, flushed to the disk,
// then renamed over the copy. Removes the copy once the text has no unsaved
// changes. True when the copy holds the text, or the text needs none (or no
// look was due).
bool keepRecoveryCopy(const Editor& editor, bool now = false);
void removeRecoveryCopy();

// Copies whose writer has ended, newest first: unlocked copies, and those
// of earlier versions (recovery-PID.vxo, no lock) whose PID is not a running
// vexocad. Leftover temporary files of ended writers are removed.
std::vector<std::string> orphanedRecoveryCopies();

// A copy left by an ended instance, locked by this one while the user
// decides, so that two instances never offer the same copy.
struct LeftCopy {
  std::string path;
  std::string text;     // UTF-8
  std::string problem;  // why the text cannot be restored whole; "" when it can
  int fd = -1;
};
// False when the copy is gone or another instance holds it.
bool claimRecoveryCopy(const std::string& path, LeftCopy* copy);
// Lets the copy go, deleting it when asked.
void releaseRecoveryCopy(LeftCopy& copy, bool remove);
