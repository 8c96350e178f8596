// The export dialog: the kinds of export and what the user chooses for one,
// asked through the platform's form.
#pragma once

#include <string>

#include "exports/mesh_export.h"
#include "platform/dialogs.h"

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
      "Image PNG de la vue",     "Liste des pièces (texte)", "Liste des pièces (CSV)", "Liste des pièces (HTML)",
      "Livret de montage",       "Livret de montage (PDF)",  "Maillage STL",           "Maillage OBJ",
      "Maillage glTF (.glb)",    "Maillage PLY",             "Maillage 3MF"};
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
  // The model's sides in millimetres at scale 1, for the mesh's size shown
  // beside its scale; none for a model without a triangle.
  MeshSides sides;
};

// Shows the export dialog with the given choices; pathFor gives the path
// proposed for a kind (it follows the kind chosen until the user edits it);
// note says which model is exported. Only the options of the kind chosen
// can be changed, and the scale must be a positive number. False when
// cancelled (Escape, closing the box, "Annuler").
bool askExportChoices(ExportChoices& choices, std::string (*pathFor)(ExportKind), const std::string& note);

// The dialog's form and what it keeps between the user's changes: made
// from the choices, changed through the form's callbacks as the user
// changes it, and read back once accepted. The form's context points at
// the record, which must stay where it is while the form is shown.
struct ExportForm {
  Form form;
  ExportChoices choices;  // the proposals, and the options no field shows
  std::string (*pathFor)(ExportKind) = nullptr;
  std::string proposedPath;  // the path follows the kind until the user edits it
  ExportKind shownKind = ExportKind::IMAGE;
};
void makeExportForm(ExportForm& dialog, const ExportChoices& choices, std::string (*pathFor)(ExportKind),
                    const std::string& note);
ExportChoices chosenExport(const ExportForm& dialog);
