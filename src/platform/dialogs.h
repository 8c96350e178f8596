// Modal dialogs of the desktop program, whatever toolkit runs it: message
// boxes, the question about unsaved text, the file chooser and the progress
// window of a long compile. Each blocks its caller until answered, as the
// program expects; after a termination signal each is answered as cancelled
// (or stopped) at once. The FLTK backend (fltk_dialogs.cpp) shows them; the
// headless one (headless_dialogs.cpp) has no one to ask and gives the
// answers that lose nothing.
#pragma once

#include <string>
#include <vector>

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

// What the export dialog offers. The formats of a kind are kinds of their
// own, so that one list in the dialog names them all.
enum class ExportKind {
  IMAGE,
  PARTS_TEXT,
  PARTS_CSV,
  PARTS_HTML,
  BOOKLET,
  BOOKLET_PDF,
  MESH_STL,
  MESH_OBJ,
  MESH_GLB,
  MESH_PLY,
  MESH_3MF,
};
constexpr int EXPORT_KIND_COUNT = int(ExportKind::MESH_3MF) + 1;
// The name shown in the dialog's list, in French.
inline const char* exportKindLabel(ExportKind kind) {
  static const char* const labels[EXPORT_KIND_COUNT] = {
      "Image PNG de la vue",         "Liste des pièces (texte)", "Liste des pièces (CSV)",
      "Liste des pièces (HTML)",     "Livret de montage",        "Livret de montage (PDF)",  "Maillage STL",
      "Maillage OBJ",                "Maillage glTF (.glb)",     "Maillage PLY",
      "Maillage 3MF"};
  const int k = int(kind);
  return k >= 0 && k < EXPORT_KIND_COUNT ? labels[k] : "";
}

// The user's choices, as the dialog fills them (or a test). width x height
// is the image's size, or the booklet's pictures'; scale is the mesh's.
struct ExportChoices {
  ExportKind kind = ExportKind::IMAGE;
  std::string path;        // a file, or the booklet's folder
  int width = 0, height = 0;
  std::string havePath;    // the builder's collection for the parts list, or ""
  double scale = 1.0;
  // The sizes proposed when the kind changes: the view's for the image, the
  // booklet's own for its pictures.
  int viewWidth = 0, viewHeight = 0;
  int bookletWidth = 0, bookletHeight = 0;
};

// Shows the export dialog with the given choices; pathFor gives the path
// proposed for a kind (it follows the kind chosen until the user edits it);
// note says which model is exported. False when cancelled (Escape, closing
// the box, "Annuler").
bool askExportChoices(ExportChoices& choices, std::string (*pathFor)(ExportKind), const std::string& note);

// Shows (or updates) the progress of a long export, saying text, with
// "Arrêter"; events are handled meanwhile. False once the user asked to
// stop; finished closes it.
bool showExportProgress(const std::string& text, bool finished);

// Shows an HTML page of the guide (a file path, optionally with "#anchor")
// in the program's help window, which stays open beside the program; showing
// it again loads the page into the same window. The caller checks that the
// file is there.
void showHelpPage(const std::string& path);
// The headless backend shows nothing and keeps every path asked for, for
// the tests.
const std::vector<std::string>& helpPagesShown();
