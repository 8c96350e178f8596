// "Exporter le code": what builders take away from the model as last
// compiled (an image of the view, the parts list, the building-steps
// booklet, a mesh), written where the user chose, by default beside the
// document. The dialog only fills an ExportChoices; what it asks for is done
// here, so that it runs alike with or without a display.
#pragma once

#include <string>

#include "shell/export_dialog.h"
#include "script/compiler.h"

// The largest image side: what the offscreen framebuffer holds on every
// driver we meet, and 256 MB of pixels at most.
constexpr int MAX_EXPORT_IMAGE_SIDE = 8192;

// Beside the document: its folder and name, with the kind's extension
// ("modele.png", "modele.csv", "modele-livret" for the booklet's folder);
// an unsaved document ("sans titre") goes to the home folder, else the
// working folder.
std::string defaultExportPath(const std::string& documentPath, ExportKind kind);

// Asked while a long export runs (between two pictures of a booklet, and
// every tenth of a second while a mesh is written), with what it has done;
// false stops it.
using ExportKeepGoing = bool (*)(const std::string& progress);

struct ExportOutcome {
  bool written = false;
  std::string message;  // French: what was written where, or why not ("" when a box already said it)
};

// Writes the PDF booklet's bytes to path: the one place where they reach
// the disk, through the safe writer (platform/core_safe_writer.h: a regular
// file replaced whole or left as it was, anything else refused). False with
// a French reason.
bool writeBookletPdf(const std::string& path, const std::string& pdf, std::string& reason);

// Runs the chosen export on the model table as it stands, compiled from
// lines. Nothing is left half-written: each writer replaces its file or
// folder whole, or leaves it as it was. The view's camera and switches are
// the image's; they, and the window's GL state, are as before afterwards.
ExportOutcome runExport(const ExportChoices& choices, const ScriptLines& lines, const std::string& documentPath,
                        ExportKeepGoing keepGoing = nullptr);
