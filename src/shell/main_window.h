// The main window: its procedure, the menu commands, the document commands
// with the caption, and the F6 report.
#pragma once

#include <cstdint>
#include <string>

#include "platform/core_window_messages.h"
#include "shell/menu_commands.h"

struct MenuEntry;
extern const MenuEntry mainMenu[];
extern const int mainMenuLength;

intptr_t mainWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// True when the editor text may be dropped: unchanged, or the user saved it
// or chose to discard it.
bool confirmDiscardChanges();
// Compiles the editor's text; a compile running longer than about half a
// second shows its progress and can be stopped.
void compileEditorScript();
// The main window runs the command as if chosen in its menu.
void sendCommand(int command);
// Destroys the view and the main window (which posts the quit message). The
// handles are cleared first, so a second call, or a message sent meanwhile,
// finds no window; does nothing when there is none.
void closeMainWindow();
// "VexoCad - " and the document's name, on windowTitle and the caption.
void setDocumentTitle();
void showStatistics();
// The three-quarter view of the whole model ("Cadrer le modèle", Home).
void fitViewToModel();
