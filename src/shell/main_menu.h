// The main window's menu: its items with their keys, the examples and the
// recent files put in, the key switches' check items kept in agreement
// with the switches, and the preferences that last between runs.
#pragma once

#include <string>
#include <vector>

#include "platform/window_system.h"
#include "shell/preferences.h"

extern const MenuEntry mainMenu[];
extern const int mainMenuLength;

// The menu as the main window shows it: mainMenu with the examples after
// "Ouvrir..." and the recent files after them. The entries' paths live
// until the next call.
std::vector<MenuEntry> fullMenu();
// The main window's menu made anew (the recent files changed).
void rebuildMenu();
// The check items marked as the switches stand; cheap when nothing changed.
void showSwitchesInMenu();
// The key of a switch's check item, or 0 for other commands.
int switchOfCommand(int command);

// The running program's preferences (desktop.preferences): read at start,
// with one message at most about a file that cannot be used; written at
// once after a change of the recent files, the last folder or the
// preferences dialog; the window's place and the dividers are written once
// they have stayed still for a moment, and at the end. Until
// loadDesktopPreferences, nothing is written (tests, command-line modes).
void loadDesktopPreferences();
// The windows made as the preferences say: only a change from now on is
// written (a damaged file stays until then); a file that could not be read
// is said now, over the windows.
void preferencesShown();
void storeDesktopPreferences();
void keepWindowPlacement(bool now);
// An opened or saved document: first of the recent files, its folder the
// dialogs' next one.
void noteDocumentFile(const std::string& path);
