// The main window's menu commands, by the identifier WM_COMMAND carries:
// the menu, its shortcuts and the key switches send them.
#pragma once

enum MenuCommand : int {
  CMD_NEW = 40002,
  CMD_OPEN = 40003,
  CMD_SAVE = 40004,
  CMD_SAVE_AS = 40005,
  CMD_UNDO = 40006,
  CMD_COMPILE = 40010,
  CMD_EXPORT = 40011,
  CMD_QUIT = 40012,
  CMD_RESET_VIEW = 40015,
  CMD_SELECT_ALL = 40016,
  CMD_ABOUT = 40017,
  CMD_UNDO_INSERTION = 40018,
  CMD_FIT_VIEW = 40030,
  CMD_REDO = 40019,
  CMD_FIND = 40020,
  CMD_VERIFY = 40021,
  CMD_STATISTICS = 40022,
  CMD_REPLACE = 40023,
  CMD_GO_TO_LINE = 40024,
  CMD_CUT = 40025,
  CMD_COPY = 40026,
  CMD_PASTE = 40027,
  CMD_PREFERENCES = 40028,
  CMD_GUIDE = 40040,
  CMD_SHORTCUTS = 40041,
  CMD_OPEN_AT_START = 40050,
  // A key switch's check item: CMD_SWITCH_FIRST + the key's code.
  CMD_SWITCH_FIRST = 40200,
  // Fichier > Fichiers récents: CMD_RECENT_FIRST + the file's rank.
  CMD_RECENT_FIRST = 40500,
};
