// The exports of the desktop program: the same writers as the command line
// (--render, --parts, --steps, --export), on the model the window shows.
#include "shell/export_command.h"

#include <cctype>
#include <cstdlib>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>
#include <vector>

#include "exports/booklet_pdf.h"
#include "exports/mesh_export.h"
#include "exports/steps_booklet.h"
#include "model/model_table.h"
#include "platform/core_data_dir.h"
#include "platform/core_safe_writer.h"
#include "platform/window_system.h"
#include "shell/command_options.h"
#include "shell/parts_command.h"
#include "shell/render_command.h"
#include "shell/shared_state.h"
#include "view/camera.h"
#include "view/offscreen_view.h"

namespace fs = std::filesystem;

namespace {
const char* extensionOf(ExportKind kind) {
  static const char* const extensions[EXPORT_KIND_COUNT] = {".png", ".txt", ".csv", ".html", "-livret", "-livret.pdf",
                                                            ".stl", ".obj", ".glb", ".ply",  ".3mf"};
  return extensions[int(kind)];
}

bool isPngPath(const std::string& path) {
  std::string extension = fs::path(path).extension().string();
  for (char& ch : extension) ch = char(std::tolower(static_cast<unsigned char>(ch)));
  return extension == ".png";
}

bool isMesh(ExportKind kind) { return kind >= ExportKind::MESH_STL; }

std::string untitledFolder() {
  const char* home = std::getenv("HOME");
  std::error_code error;
  if (home && *home && fs::is_directory(home, error)) return home;
  const fs::path here = fs::current_path(error);
  return error ? "." : here.string();
}

// An export draws in an offscreen view of its own, with its own renderer
// and view state: the window's context is only released meanwhile, and
// made current again after, its lists, buffers and textures untouched.
void leaveWindowContext() { releaseGlWindowContext(desktop.hGlWindow); }

void backToWindowContext() {
  if (desktop.hGlWindow) makeGlWindowCurrent(desktop.hGlWindow);
}

ExportOutcome failed(const std::string& message) { return {false, message}; }
ExportOutcome written(const std::string& what, const std::string& path) { return {true, what + " " + path}; }

bool sizeAllowed(int width, int height) {
  return width >= 1 && height >= 1 && width <= MAX_EXPORT_IMAGE_SIDE && height <= MAX_EXPORT_IMAGE_SIDE;
}

// A file name typed without an extension gets the kind's, as a save dialog
// gives one; a wrong one is refused by the writer of the kind.
ExportChoices withExtension(ExportChoices c) {
  const fs::path name = fs::path(c.path).filename();
  if (c.kind != ExportKind::BOOKLET && !name.empty() && !name.has_extension() && name.string()[0] != '.')
    c.path += c.kind == ExportKind::BOOKLET_PDF ? ".pdf" : extensionOf(c.kind);
  return c;
}

std::string sizeText(int width, int height) { return std::to_string(width) + " x " + std::to_string(height); }

// The view as the user sees it (camera, display mode, room), at another
// size: the same turn and distance, the projection of the new size; no
// ghost piece.
ExportOutcome writeImage(const ExportChoices& c) {
  ViewState view = desktop.view;
  view.ghost.shown = false;
  setViewport(view.camera, c.width, c.height);
  leaveWindowContext();
  OffscreenView offscreen;
  if (!openOffscreenView(offscreen, c.width, c.height, dataDir)) return backToWindowContext(), failed("");
  const std::string png = drawOffscreenPng(offscreen, modelTable, view);
  closeOffscreenView(offscreen);
  backToWindowContext();
  if (!writePngFile(c.path, png)) return failed("");
  return written("Image de " + sizeText(c.width, c.height) + " pixels écrite :", c.path);
}

ExportOutcome writePartsList(const ExportChoices& c, const std::string& documentPath) {
  static const PartsFormat formats[] = {PartsFormat::TEXT, PartsFormat::CSV, PartsFormat::HTML};
  if (partsFormatOf(c.path) != formats[int(c.kind) - int(ExportKind::PARTS_TEXT)])
    return failed(std::string("Le nom du fichier doit finir par ") + extensionOf(c.kind) + " pour ce format.");
  std::vector<PartCount> have;
  std::string error;
  if (!c.havePath.empty() && !readCollection(c.havePath, have, error))
    return failed("Collection de pièces illisible : " + c.havePath + "\n" + error);
  const bool html = c.kind == ExportKind::PARTS_HTML;
  if (html) leaveWindowContext();  // its pictures are drawn offscreen
  const bool done = writePartsFile(c.path, documentPath, c.havePath.empty() ? nullptr : &have);
  if (html) backToWindowContext();
  return done ? written("Liste des pièces écrite :", c.path) : failed("");
}

struct BookletAsker {
  ExportKeepGoing keepGoing;
};

bool askBooklet(void* context, int done, int count) {
  const ExportKeepGoing keepGoing = static_cast<BookletAsker*>(context)->keepGoing;
  return !keepGoing || keepGoing("Livret de montage en cours\nImages dessinées : " + std::to_string(done) + " sur " +
                                 std::to_string(count));
}

ExportOutcome writeBooklet(const ExportChoices& c, const ScriptLines& lines, const std::string& documentPath,
                           ExportKeepGoing keepGoing) {
  const bool pdf = c.kind == ExportKind::BOOKLET_PDF;
  if (pdf && !isPdfPath(c.path)) return failed("Le nom du fichier doit finir par .pdf pour ce format.");
  leaveWindowContext();
  OffscreenView offscreen;
  if (!openOffscreenView(offscreen, c.width, c.height, dataDir)) return backToWindowContext(), failed("");
  BookletAsker asker{keepGoing};
  BookletProgress progress;
  progress.keepGoing = askBooklet;
  progress.context = &asker;
  Camera size;
  setViewport(size, c.width, c.height);
  const std::string modelName = fs::path(documentPath).filename().string();
  std::string bytes;
  const PieceRecord* table = modelTable;
  BookletResult result = pdf ? drawStepsPdf(offscreen.renderer, size, table, lines, modelName, bytes, &progress)
                             : writeStepsBooklet(offscreen.renderer, size, table, lines, c.path, modelName, &progress);
  closeOffscreenView(offscreen);
  backToWindowContext();
  if (result.status == BookletResult::WRITTEN && pdf && !writeBookletPdf(c.path, bytes, result.error))
    result.status = BookletResult::FAILED;
  if (result.status == BookletResult::STOPPED) return failed("Livret de montage arrêté : rien n'a été écrit.");
  if (result.status != BookletResult::WRITTEN) return failed("Le livret de montage n'a pas été écrit. " + result.error);
  const std::string what = "Livret de montage (" + std::to_string(result.steps) + " étapes) écrit ";
  return written(what + (pdf ? "dans le fichier" : "dans le dossier"), c.path);
}

// A large model's mesh takes seconds: it is written beside the window,
// which says how long it has been going and lets the user stop it (Assimp's
// writers cannot be stopped midway, so a stop waits for the file and throws
// it away).
bool writeMeshBesideTheWindow(const ExportChoices& c, ExportKeepGoing keepGoing, std::string* error, bool* stopped) {
  if (!keepGoing) return exportModelMesh(modelTable, c.path, c.scale, error);
  const auto start = std::chrono::steady_clock::now();
  std::atomic<bool> stop = false;
  const auto ask = [&] {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start);
    const std::string going = "Maillage en cours d'écriture : " + std::to_string(seconds.count()) + " s";
    if (!keepGoing(stop ? "Arrêt dès que le maillage en cours est fini..." : going)) stop = true;
  };
  ask();
  if (stop) return *stopped = true, false;
  auto writing =
      std::async(std::launch::async, [&] { return exportModelMesh(modelTable, c.path, c.scale, error, &stop); });
  while (writing.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) ask();
  *stopped = stop;
  return writing.get();
}

ExportOutcome writeMesh(const ExportChoices& c, ExportKeepGoing keepGoing) {
  MeshFormat format;
  static const MeshFormat formats[] = {MeshFormat::STL, MeshFormat::OBJ, MeshFormat::GLB, MeshFormat::PLY,
                                       MeshFormat::THREE_MF};
  if (!meshFormatOfPath(c.path, &format) || format != formats[int(c.kind) - int(ExportKind::MESH_STL)])
    return failed(std::string("Le nom du fichier doit finir par ") + extensionOf(c.kind) + " pour ce format.");
  if (!(c.scale >= MIN_MESH_SCALE && c.scale <= MAX_MESH_SCALE))
    return failed("L'échelle doit aller de 0,000001 à 1000000.");
  std::string error;
  bool stopped = false;
  if (!writeMeshBesideTheWindow(c, keepGoing, &error, &stopped))
    return failed(stopped ? "Export du maillage arrêté : rien n'a été écrit." : error);
  return written("Maillage écrit :", c.path);
}
}  // namespace

bool writeBookletPdf(const std::string& path, const std::string& pdf, std::string& reason) {
  const WriteResult result = writeFileSafely(path, pdf);
  if (!result.ok()) reason = "Impossible d'écrire le fichier " + path + " (" + result.reason + ")";
  return result.ok();
}

std::string defaultExportPath(const std::string& documentPath, ExportKind kind) {
  std::error_code error;
  const bool untitled = documentPath.empty() || documentPath == "sans titre";
  const fs::path document = untitled ? fs::path(untitledFolder()) / "sans titre" : fs::absolute(documentPath, error);
  fs::path base = document.parent_path() / document.stem();
  return base.string() + extensionOf(kind);
}

ExportOutcome runExport(const ExportChoices& chosen, const ScriptLines& lines, const std::string& documentPath,
                        ExportKeepGoing keepGoing) {
  if (chosen.path.empty()) return failed("Choisissez où écrire l'export.");
  const ExportChoices c = withExtension(chosen);
  const bool booklet = c.kind == ExportKind::BOOKLET || c.kind == ExportKind::BOOKLET_PDF;
  const bool sized = c.kind == ExportKind::IMAGE || booklet;
  if (sized && !sizeAllowed(c.width, c.height))
    return failed("La taille de l'image doit aller de 1 à " + std::to_string(MAX_EXPORT_IMAGE_SIDE) +
                  " pixels de côté.");
  if (c.kind == ExportKind::IMAGE && !isPngPath(c.path))
    return failed("Le nom du fichier doit finir par .png pour une image.");
  if (c.kind == ExportKind::IMAGE) return writeImage(c);
  if (booklet) return writeBooklet(c, lines, documentPath, keepGoing);
  if (isMesh(c.kind)) return writeMesh(c, keepGoing);
  return writePartsList(c, documentPath);
}
