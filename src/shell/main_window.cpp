// The main window's procedure: menu commands, document commands with their
// messages and the caption, key recording for the main loop, and the
// question before unsaved text is lost. The window system lays out the
// editor and the 3-D view; the view hears its own size.
#include "shell/main_window.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "exports/mesh_export.h"
#include "exports/steps_booklet.h"
#include "insertion/insertion.h"
#include "model/model_table.h"
#include "platform/core_data_dir.h"
#include "platform/core_editor.h"
#include "platform/core_messages.h"
#include "platform/core_text_encoding.h"
#include "platform/window_system.h"
#include "script/compiler.h"
#include "shell/documents.h"
#include "shell/example_documents.h"
#include "shell/export_command.h"
#include "shell/gl_window.h"
#include "shell/key_switches.h"
#include "shell/main_menu.h"
#include "shell/menu_forms.h"
#include "shell/panes.h"
#include "shell/recovery.h"
#include "shell/script_file.h"
#include "shell/shared_state.h"
#include "shell/verify_command.h"
#include "shell/view_status.h"
#include "view/camera.h"
#include "view/model_bounds.h"


namespace {
const char openFailed[] = "Erreur lors de l'ouverture du fichier!";
const char saveFailed[] = "Erreur lors de la sauvegarde du fichier!";
const char creditLine[] =
    "VexoCad 0.1\nConception de modèles à tiges et connecteurs,\ndécrits par un script et vus en 3D.";
const char unsavedQuestion[] =
    "Le texte du script a été modifié depuis la dernière sauvegarde.\n"
    "Voulez-vous l'enregistrer avant de continuer ?";

// File names are bytes of the file system; show them as UTF-8.
std::string displayName(const char* name) {
  const std::string bytes = name;
  return isValidUtf8(bytes) ? bytes : cp1252ToUtf8(bytes);
}

// The fixed message, with the reason on a line of its own where one is known.
void showDocumentError(const std::string& text, const char* caption) {
  std::string full = text;
  const char* reason = documentErrorReason(lastDocumentError());
  if (*reason) full += std::string("\n") + reason;
  showMessage(full.c_str(), caption, ICON_ERROR);
}

void showOpenedDocument() {
  sendCommand(CMD_COMPILE);
  sendCommand(CMD_FIT_VIEW);
  setDocumentTitle();
}

// A file opened or saved under its name: first of the recent files.
void showNamedDocument() {
  noteDocumentFile(desktop.documentName);
  showOpenedDocument();
}

// The empty text compiles to an empty model: nothing of the old document
// stays drawn, clickable or bound to a key.
void newCommand() {
  if (!confirmDiscardChanges()) return;
  newDocument(desktop.documentName, desktop.hEditor);
  sendCommand(CMD_COMPILE);
  setDocumentTitle();
}

// An installed example opens as a copy without a name: saving asks where.
void exampleCommand(int index) {
  if (size_t(index) >= examplePaths().size() || !confirmDiscardChanges()) return;
  if (openExampleCopy(desktop.documentName, desktop.hEditor, index))
    showOpenedDocument();
  else
    showDocumentError(displayName(examplePaths()[size_t(index)].c_str()), "Erreur d'ouverture du fichier suivant:");
}

void openCommand() {
  if (!confirmDiscardChanges()) return;
  if (openDocumentDialog(desktop.documentName, desktop.hEditor))
    showNamedDocument();
  else if (lastDocumentError() != DocumentError::Cancelled)
    showDocumentError(openFailed, "Erreur");
}

// A recent file that is gone leaves the list, with a message.
void recentCommand(int rank) {
  const std::vector<std::string> files = desktop.preferences.recentFiles;
  if (size_t(rank) >= files.size() || !confirmDiscardChanges()) return;
  const std::string& path = files[size_t(rank)];
  if (path.size() < sizeof desktop.documentName && access(path.c_str(), F_OK) == 0) {
    char name[sizeof desktop.documentName];
    std::strcpy(name, path.c_str());
    if (openDocumentFile(name, desktop.hEditor)) {
      std::strcpy(desktop.documentName, name);
      showNamedDocument();
      return;
    }
    showDocumentError(displayName(path.c_str()), "Erreur d'ouverture du fichier suivant:");
    return;
  }
  removeRecentFile(desktop.preferences, path);
  rebuildMenu();
  storeDesktopPreferences();
  const std::string text = "Ce fichier n'existe plus :\n" + displayName(path.c_str()) +
                           "\nIl est retiré des fichiers récents.";
  showMessage(text.c_str(), "Fichiers récents", ICON_EXCLAMATION);
}

// A cancelled dialog is no failure: nothing is said.
bool saveCommand(bool (*save)(char*, const Editor&)) {
  const bool saved = save(desktop.documentName, desktop.hEditor);
  if (saved) removeRecoveryCopy(), noteDocumentFile(desktop.documentName);
  if (!saved && lastDocumentError() != DocumentError::Cancelled) showDocumentError(saveFailed, "Erreur");
  if (lastDocumentError() != DocumentError::Cancelled) setDocumentTitle();
  return saved;
}

void goToLineCommand() {
  LineForm f;
  makeLineForm(f, editorLineCount(desktop.hEditor), editorCaretLine(desktop.hEditor));
  if (!desktop.dialogs.form || !desktop.dialogs.form(f.form)) return;
  moveEditorCaretToLine(desktop.hEditor, chosenLine(f));
  setFocus(desktop.hEditorControl);
}

// The selected text is proposed, when it holds no line break.
void replaceCommand() {
  size_t start = 0, end = 0;
  std::string selected;
  if (editorExists(desktop.hEditor)) {
    desktop.hEditor.ops->selection(desktop.hEditor.state, &start, &end);
    selected = editorTextUtf8(desktop.hEditor).substr(start, end - start);
  }
  ReplaceForm f;
  makeReplaceForm(f, desktop.hEditor, selected.find('\n') == std::string::npos ? selected : "");
  if (!desktop.dialogs.form || !desktop.dialogs.form(f.form)) return;
  replaceAsChosen(f);
  setFocus(desktop.hEditorControl);
}

void preferencesCommand() {
  Form form;
  makePreferencesForm(form, desktop.preferences);
  if (!desktop.dialogs.form || !desktop.dialogs.form(form)) return;
  readPreferencesForm(form, desktop.preferences);
  storeDesktopPreferences();
}

// A path that exists but cannot be read as a script must not become the
// name a later Save writes to; a missing one may (the file is made then).
void openAtStartCommand() {
  if (openDocumentFile(desktop.documentName, desktop.hEditor)) {
    showNamedDocument();
    return;
  }
  showDocumentError(displayName(desktop.documentName), "Erreur d'ouverture du fichier suivant:");
  if (lastDocumentError() != DocumentError::CannotOpen || access(desktop.documentName, F_OK) == 0)
    std::strcpy(desktop.documentName, "sans titre");
}

// The guide is built beside the program (dataDir), or installed with it; a
// build without it, or a deleted folder, must say so rather than show an
// empty window.
void showGuidePage(const char* page) {
  const std::string path = dataDir + "guide/" + page;
  struct stat info;
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || access(path.c_str(), R_OK) != 0) {
    const std::string text = "Le guide est introuvable :\n" + displayName(path.c_str()) +
                             "\nIl est fait avec le programme (sources dans docs/) et installé avec lui "
                             "dans share/vexocad/guide.";
    showMessage(text.c_str(), "Aide", ICON_ERROR);
    return;
  }
  showHelpPage(path);
}

bool findInScript(const std::string& utf8) { return findInEditor(desktop.hEditor, utf8); }

// The exports take the model as last compiled: text changed since is
// compiled first, so that what is written is what the editor says.
ScriptLines lastCompiledLines;
ExportChoices lastExportChoices;

std::string exportPathForDocument(ExportKind kind) { return defaultExportPath(desktop.documentName, kind); }

bool keepExporting(const std::string& progress) {
  return !desktop.dialogs.exportProgress || desktop.dialogs.exportProgress(progress, false);
}

void exportCommand() {
  if (!desktop.dialogs.chooseExport) return;
  if (scriptLinesFromUtf8(editorTextUtf8(desktop.hEditor)) != lastCompiledLines) compileEditorScript();
  ExportChoices choices = lastExportChoices;
  choices.path = exportPathForDocument(choices.kind);
  choices.viewWidth = desktop.view.camera.viewportWidth, choices.viewHeight = desktop.view.camera.viewportHeight;
  choices.bookletWidth = BOOKLET_PICTURE_WIDTH, choices.bookletHeight = BOOKLET_PICTURE_HEIGHT;
  choices.sides = exportedSides(modelTable);
  const bool booklet = choices.kind == ExportKind::BOOKLET || choices.kind == ExportKind::BOOKLET_PDF;
  choices.width = booklet ? BOOKLET_PICTURE_WIDTH : desktop.view.camera.viewportWidth;
  choices.height = booklet ? BOOKLET_PICTURE_HEIGHT : desktop.view.camera.viewportHeight;
  const int pieces = countPieces();
  const std::string note = "Le modèle exporté est celui de la dernière compilation (" + std::to_string(pieces) +
                           (pieces > 1 ? " pièces" : " pièce") + ") : le script a été compilé s'il avait changé.";
  if (!desktop.dialogs.chooseExport(choices, exportPathForDocument, note)) return;
  lastExportChoices = choices;
  const ExportOutcome outcome = runExport(choices, lastCompiledLines, desktop.documentName, keepExporting);
  if (desktop.dialogs.exportProgress) desktop.dialogs.exportProgress("", true);
  if (!outcome.message.empty())
    showMessage(outcome.message.c_str(), outcome.written ? "Export terminé" : "Export non écrit",
                outcome.written ? ICON_INFORMATION : ICON_EXCLAMATION);
}

void quitCommand() {
  if (confirmDiscardChanges()) closeMainWindow();
}

void runCommand(int command) {
  switch (command) {
    case CMD_NEW: newCommand(); break;
    case CMD_OPEN: openCommand(); break;
    case CMD_SAVE: saveCommand(saveDocument); break;
    case CMD_SAVE_AS: saveCommand(saveDocumentAs); break;
    case CMD_OPEN_AT_START: openAtStartCommand(); break;
    case CMD_UNDO: undoEditor(desktop.hEditor); break;
    case CMD_REDO: redoEditor(desktop.hEditor); break;
    case CMD_FIND: showFindBox(findInScript); break;
    case CMD_REPLACE: replaceCommand(); break;
    case CMD_GO_TO_LINE: goToLineCommand(); break;
    case CMD_CUT: useEditorClipboard(desktop.hEditorControl, ClipboardAction::CUT); break;
    case CMD_COPY: useEditorClipboard(desktop.hEditorControl, ClipboardAction::COPY); break;
    case CMD_PASTE: useEditorClipboard(desktop.hEditorControl, ClipboardAction::PASTE); break;
    case CMD_PREFERENCES: preferencesCommand(); break;
    case CMD_STATISTICS: showStatistics(); break;
    case CMD_COMPILE: compileEditorScript(); break;
    case CMD_EXPORT: exportCommand(); break;
    case CMD_VERIFY: verifyModelCommand(); break;
    case CMD_QUIT: quitCommand(); break;
    case CMD_RESET_VIEW: resetView(desktop.view.camera); break;
    case CMD_FIT_VIEW: fitViewToModel(); break;
    case CMD_SELECT_ALL:
      selectAllText(desktop.hEditor);
      setFocus(desktop.hEditorControl);  // for what the user does with the selection
      break;
    case CMD_GUIDE: showGuidePage("index.html"); break;
    case CMD_SHORTCUTS: showGuidePage("raccourcis.html"); break;
    case CMD_ABOUT: showMessage(creditLine, "A propos...", ICON_INFORMATION); break;
    case CMD_UNDO_INSERTION:
      // Only a line insertion appended, and only while nothing changed the
      // text since: the user's own last change is never taken back here.
      takeBackInsertedLine(desktop.hEditor);
      compileEditorScript();
      break;
    default: break;  // unknown identifiers do nothing
  }
}


struct ProgressState {
  std::chrono::steady_clock::time_point start;
  long long lineCount = 0;
  bool shown = false;
};

bool reportProgress(void* context, int linesRead, int piecesPlaced) {
  ProgressState& state = *static_cast<ProgressState*>(context);
  if (!desktop.dialogs.compileProgress) return true;
  if (!state.shown && std::chrono::steady_clock::now() - state.start < std::chrono::milliseconds(500)) return true;
  state.shown = true;
  return desktop.dialogs.compileProgress(linesRead, state.lineCount, piecesPlaced, false);
}
}  // namespace

bool confirmDiscardChanges() {
  if (!documentChanged(desktop.hEditor)) return true;
  const SaveAnswer answer =
      desktop.dialogs.askToSave ? desktop.dialogs.askToSave(unsavedQuestion, "VexoCad") : SaveAnswer::Cancel;
  if (answer == SaveAnswer::Discard) {
    removeRecoveryCopy();  // dropped on purpose: not offered again
    return true;
  }
  if (answer == SaveAnswer::Cancel) return false;
  return saveCommand(saveDocument);
}

void compileEditorScript() {
  const ScriptLines lines = scriptLinesFromUtf8(editorTextUtf8(desktop.hEditor));
  ProgressState state{std::chrono::steady_clock::now(), (long long)lines.size(), false};
  CompileControl control;
  control.keepGoing = reportProgress;
  control.context = &state;
  control.interval = 200;
  control.showRepeatsOnce = true;
  startCompileRecord();
  // Without boxes the messages go to the list only (and the log).
  const MessageSink sink = currentMessageSink();
  if (!desktop.preferences.messageBoxes) setMessageSink([](const char*, const char*, MessageIcon) {});
  const CompileResult result = compileScript(lines, &control);
  setMessageSink(sink);
  lastCompiledLines = lines;
  noteModelMatchesText();
  requestRedraw();  // the model changed, whoever asked for the compile
  if (state.shown) desktop.dialogs.compileProgress(result.linesRead, state.lineCount, result.piecesPlaced, true);
  if (result.stopped) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "Compilation arrêtée après %lld lignes lues.\nLes %d pièces déjà placées sont gardées.",
                  result.linesRead, result.piecesPlaced);
    showMessage(text, "Compilation arrêtée", ICON_INFORMATION);
  }
  endCompileRecord();
}

void sendCommand(int command) { mainWindowProc(desktop.hMainWindow, WM_COMMAND, uintptr_t(command), 0); }

void closeMainWindow() {
  if (desktop.hMainWindow) keepWindowPlacement(true);
  destroyGlWindow();
  destroyPanes();
  WindowHandle window = desktop.hMainWindow;
  desktop.hMainWindow = desktop.hEditorControl = nullptr;
  desktop.hEditor = Editor{};
  destroyWindow(window);
}

void setDocumentTitle() { showDocumentTitle(); }

void showStatistics() {
  char text[64];
  std::snprintf(text, sizeof text, "Nombre de pièces: %d", countPieces());
  showMessage(text, "Statistiques", ICON_INFORMATION);
}

void fitViewToModel() { fitView(desktop.view.camera, modelCorners(modelTable), THREE_QUARTER_VIEW); }

intptr_t mainWindowProc(WindowHandle, uint32_t message, uintptr_t wParam, intptr_t) {
  requestRedraw();  // whatever the message, the next pass draws
  switch (message) {
    case WM_DESTROY: postQuitMessage(0); return 0;
    case WM_CLOSE: quitCommand(); return 0;
    case WM_KEYDOWN:
    case WM_KEYUP: return viewKeyMessage(message, wParam);
    case WM_COMMAND: {
      const int command = loWord(wParam);
      if (command >= CMD_NEW && command <= CMD_OPEN_AT_START) runCommand(command);
      if (command >= CMD_EXAMPLE_FIRST && command < CMD_EXAMPLE_FIRST + maxExamples)
        exampleCommand(command - CMD_EXAMPLE_FIRST);
      if (command >= CMD_RECENT_FIRST && command < CMD_RECENT_FIRST + maxRecentFiles)
        recentCommand(command - CMD_RECENT_FIRST);
      if (const int key = switchOfCommand(command)) runSwitch(key, desktop.view, desktop.insertion);
      return 0;
    }
    case WM_MBUTTONDOWN:
      if (desktop.insertion.insertionMode) insertAtPointer();
      return 0;
    case WM_MOUSEWHEEL: return turnWheel(uint32_t(wParam), -1, -1);  // not over the view: its centre
    default: return 0;
  }
}
