// The main window: its procedure, the menu commands, the document commands
// with the caption, and the F6 and F11 reports.
#pragma once

#include <cstdint>
#include <string>

#include "platform/core_window_messages.h"
#include "platform/dialogs.h"

extern WindowHandle hMainWindow;
// The widget that holds hEditor.
extern WindowHandle hEditorControl;

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
  CMD_GUIDE = 40040,
  CMD_SHORTCUTS = 40041,
  CMD_OPEN_AT_START = 40050,
};

struct MenuEntry;
extern const MenuEntry mainMenu[];
extern const int mainMenuLength;

intptr_t mainWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// The desktop's answers to questions the commands ask. Without them (no
// display) unsaved text is never discarded and compiles show no progress.
struct DesktopDialogs {
  SaveAnswer (*askToSave)(const char* text, const char* caption) = nullptr;
  bool (*compileProgress)(long long linesRead, long long lineCount, int piecesPlaced, bool finished) = nullptr;
  // Without the export dialog, "Exporter le code" does nothing.
  bool (*chooseExport)(ExportChoices& choices, std::string (*pathFor)(ExportKind), const std::string& note) = nullptr;
  bool (*exportProgress)(const std::string& text, bool finished) = nullptr;
};
extern DesktopDialogs desktopDialogs;

// True when the editor text may be dropped: unchanged, or the user saved it
// or chose to discard it.
bool confirmDiscardChanges();
// Compiles the editor's text; a compile running longer than about half a
// second shows its progress and can be stopped.
void compileEditorScript();
// Destroys the view and the main window (which posts the quit message). The
// handles are cleared first, so a second call, or a message sent meanwhile,
// finds no window; does nothing when there is none.
// The main window runs the command as if chosen in its menu.
void sendCommand(int command);
void closeMainWindow();
// "VexoCad - " and the document's name, on windowTitle and the caption.
void setDocumentTitle();
void showStatistics();
void reportPieceUnderMouse();
// The three-quarter view of the whole model ("Cadrer le modèle", Home).
void fitViewToModel();
