// The desktop program's preferences, kept between runs in one text file,
// preferences.conf in $XDG_CONFIG_HOME/vexocad (else ~/.config/vexocad):
// the window's place and size, the dividers, the last folder of the file
// dialogs, the recent files and how compiler messages are shown. Only the
// desktop program reads it; a missing, unreadable, hostile or damaged file
// gives the defaults. Written whole through the safe writer.
#pragma once

#include <string>
#include <vector>

#include "platform/window_system.h"

constexpr int maxRecentFiles = 8;

struct Preferences {
  WindowPlacement window;  // width 0: the program's own placement
  PaneDividers dividers;   // 0: where the program puts them
  std::string lastFolder;  // of the last file opened or saved, "" for none
  std::vector<std::string> recentFiles;  // the newest first
  bool messageBoxes = true;  // each compiler message in a box, or only in the list
};

// The file's path; "" when neither XDG_CONFIG_HOME nor HOME is an absolute
// folder.
std::string preferencesPath();

// The file's text, and back: false for a text that is not one the program
// writes (a line of no known form, a number out of range, a NUL byte), the
// preferences then untouched. Lines of unknown names are skipped, for a
// later version's file.
std::string preferencesText(const Preferences& p);
bool readPreferencesText(const std::string& text, Preferences* p);

// Reads the file: the defaults when it is missing; the defaults and a
// French problem when it cannot be read, is no regular file (a folder, a
// pipe, a symbolic link, which is not followed), is too large or is
// damaged.
Preferences loadPreferences(const std::string& path, std::string* problem);
// Writes the file (its folder made first), unless something other than a
// regular file stands there; "" or the French problem.
std::string storePreferences(const std::string& path, const Preferences& p);

// The file goes first in the recent files, once.
void addRecentFile(Preferences& p, const std::string& path);
void removeRecentFile(Preferences& p, const std::string& path);
