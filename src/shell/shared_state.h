// The desktop program's window and what is decided in it, in one record the
// shell owns: the window procedures, the main loop and the menu commands
// work on it and hand its parts down as parameters (the view state to
// drawing and to the pickers, the insertion state and the editor to
// insertion). Touched only by the one program thread.
#pragma once

#include <cstdint>

#include "insertion/insertion.h"
#include "platform/core_editor.h"
#include "platform/core_window_messages.h"
#include "platform/dialogs.h"
#include "shell/export_dialog.h"
#include "shell/key_switches.h"
#include "shell/preferences.h"
#include "view/view_state.h"

constexpr int editorWidth = 400;

// The desktop's answers to questions the commands ask. Without them (no
// display) unsaved text is never discarded and compiles show no progress.
struct DesktopDialogs {
  SaveAnswer (*askToSave)(const char* text, const char* caption) = nullptr;
  bool (*compileProgress)(long long linesRead, long long lineCount, int piecesPlaced, bool finished) = nullptr;
  // Without the export dialog, "Exporter le code" does nothing.
  bool (*chooseExport)(ExportChoices& choices, std::string (*pathFor)(ExportKind), const std::string& note) = nullptr;
  bool (*exportProgress)(const std::string& text, bool finished) = nullptr;
  // The small forms of the menu (a line to go to, a text to replace, the
  // preferences); without it they do nothing.
  bool (*form)(Form& form) = nullptr;
};

struct DesktopState {
  // How the 3-D window draws: its camera, switches and mouse. Its ghost is
  // insertion's, set before each frame.
  ViewState view;
  InsertionState insertion;
  KeyboardState keys;
  // The script editor (no operations until one exists).
  Editor hEditor;
  // Current document: its full path, or "sans titre".
  char documentName[260] = "sans titre";
  // Text last given to the main window's caption.
  char windowTitle[280] = "VexioCad - sans titre";
  uint8_t windowActive = 1;  // draw only while set
  WindowHandle hMainWindow = nullptr;
  WindowHandle hEditorControl = nullptr;  // the widget that holds hEditor
  WindowHandle hGlWindow = nullptr;
  WindowHandle hMessageList = nullptr;
  WindowHandle hStatusBar = nullptr;
  DesktopDialogs dialogs;
  Preferences preferences;
};

// The desktop program's one window.
extern DesktopState desktop;

// Everything the program decides back to its values at start-up: the
// document's name, the view state, insertion, the keys, the model and the
// key bindings (for tests). The windows, the editor and the dialogs stay.
void resetSharedState();
