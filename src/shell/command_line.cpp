// The command line: the modes that compile a script without any window
// (--check, --dump) and, without an option, the desktop program.
#include "shell/command_line.h"

#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "exports/mesh_export.h"
#include "exports/booklet_pdf.h"
#include "exports/steps_booklet.h"
#include "pieces/kind_mesh.h"
#include "platform/core_data_dir.h"
#include "platform/core_files.h"
#include "platform/core_messages.h"
#include "platform/core_safe_writer.h"
#include "platform/core_text_encoding.h"
#include "script/compiler.h"
#include "script/key_bindings.h"
#include "shell/command_options.h"
#include "shell/export_command.h"
#include "shell/desktop_program.h"
#include "shell/model_dump.h"
#include "shell/parts_command.h"
#include "shell/render_command.h"
#include "shell/script_file.h"
#include "shell/verify_command.h"
#include "view/camera.h"
#include "view/model_bounds.h"

namespace {
enum ExitStatus {
  EXIT_CLEAN = 0,
  EXIT_MESSAGES = 1,
  EXIT_UNREADABLE = 2,
  EXIT_STOPPED = 3,
  EXIT_RENDER_FAILED = 4,
  EXIT_OUTPUT_FAILED = 5,
  EXIT_USAGE = 64
};

using Options = CommandOptions;

// Every line for the terminal that names an argument or a file goes through
// terminalText: a name's control characters are shown escaped.
bool usageError(const std::string& text) {
  std::fprintf(stderr, "vexocad: %s\n%s", terminalText(text).c_str(), commandLineUsage);
  return false;
}

// The image must not replace the script it is drawn from, whatever path
// (a link, "./", another hard link) names the same file.
bool isSameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

// The booklet's folder replaces the folder it names: not the script's own.
bool holdsScript(const std::string& folder, const std::string& script) {
  const std::string scriptFolder = std::filesystem::path(script).parent_path().string();
  return isSameFile(folder, scriptFolder.empty() ? "." : scriptFolder);
}

// The mesh export reads the piece files without the view, which reports
// them in the other modes.
void reportPieceFileProblems() {
  const auto report = [](const std::string& problem) {
    if (!problem.empty()) showMessage(problem.c_str(), "Erreur lors de l'ouverture de la pièce", ICON_NONE);
  };
  for (int index = 0; index < SUBPART_COUNT; ++index) report(subPartMesh(index).problem);
  for (int kind = 0; kind < KIND_COUNT; ++kind) {
    report(kindMesh(kind).problem);
    for (const std::string& name : kindMesh(kind).unknownSubParts)
      showMessage(cp1252ToUtf8(name).c_str(), "Non trouvé", ICON_ERROR);
  }
}

// Standard output is checked after every write: a full disk or /dev/full
// must not pass for a complete dump.
int writeStandardOutput(const std::string& text) {
  if (std::fputs(text.c_str(), stdout) != EOF && std::fflush(stdout) == 0 && !std::ferror(stdout)) return EXIT_CLEAN;
  std::fprintf(stderr, "vexocad: Erreur d'écriture sur la sortie standard (%s)\n", systemErrorText(errno).c_str());
  return EXIT_OUTPUT_FAILED;
}

struct Deadline {
  std::chrono::steady_clock::time_point end;
};

bool beforeDeadline(void* context, int, int) {
  return std::chrono::steady_clock::now() < static_cast<Deadline*>(context)->end;
}

// The time limit runs from the start, so that reading the file counts too.
void startDeadline(const Options& o, Deadline& deadline, CompileControl& control) {
  if (o.maxSeconds <= 0) return;
  deadline.end = std::chrono::steady_clock::now() +
                 std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                     std::chrono::duration<double>(o.maxSeconds));
  control.keepGoing = beforeDeadline;
  control.context = &deadline;
  control.interval = 256;
}

bool checkBeforeDeadline(void* context) { return beforeDeadline(context, 0, 0); }

// --verify: the findings after the compiler's messages; false when the time
// limit stopped the check.
bool verifyModel(const Options& o, Deadline& deadline) {
  CheckControl control;
  if (o.maxSeconds > 0) control = {checkBeforeDeadline, &deadline};
  return showModelFindings(&control);
}

// The picture --render asks for, once the model is compiled: the room,
// edges and detail options, aimed by --view and --turn.
ViewState renderView(const Options& o) {
  ViewState view = offscreenStartView();
  view.showRoom = o.room ? 1 : 0;
  view.displayMode = o.displayMode;
  view.drawing.detail = o.detail;
  const ViewAngles angles = o.turnGiven ? ViewAngles{o.tilt, o.turn} : o.fitView ? THREE_QUARTER_VIEW : ViewAngles{};
  if (o.fitView)
    fitView(view.camera, modelCorners(modelTable), angles);
  else
    turnStartView(view.camera, angles);
  return view;
}

// The booklet of the model just compiled, through the started offscreen view.
// A path ending in .pdf gets it as one PDF file.
int writeBooklet(const Options& o, const ScriptLines& lines) {
  const std::string modelName = std::filesystem::path(o.file).filename().string();
  std::string pdf;
  const Camera size = offscreenStartView().camera;
  BookletResult result = isPdfPath(o.pngPath)
                             ? drawStepsPdf(offscreenRenderer(), size, modelTable, lines, modelName, pdf)
                             : writeStepsBooklet(offscreenRenderer(), size, modelTable, lines, o.pngPath, modelName);
  if (result.status == BookletResult::WRITTEN && isPdfPath(o.pngPath) && !writeBookletPdf(o.pngPath, pdf, result.error))
    result.status = BookletResult::FAILED;
  if (result.status == BookletResult::WRITTEN) return EXIT_CLEAN;
  showMessage(("Le livret de montage n'a pas été écrit. " + result.error).c_str(), "Erreur", ICON_EXCLAMATION);
  return EXIT_RENDER_FAILED;
}

// A stopped compile writes no mesh: half a model would pass for the whole.
// --size sets the scale from the model's largest side; a model without a
// triangle has none, and keeps scale 1.
bool exportMesh(const Options& o) {
  std::string error;
  double scale = o.scale;
  if (o.meshSize > 0) {
    const double sized = scaleForLargestSide(modelTable, o.meshSize);
    if (sized > 0) scale = sized;
    if (sized > 0 && !(sized >= MIN_MESH_SCALE && sized <= MAX_MESH_SCALE)) {
      char reason[160];
      std::snprintf(reason, sizeof reason, "un plus grand côté de %g mm demanderait l'échelle %g, hors de 0,000001 à 1000000",
                    o.meshSize, sized);
      error = "Impossible d'écrire le fichier " + o.pngPath + " (" + reason + ")";
      showMessage(error.c_str(), "Erreur", ICON_EXCLAMATION);
      return false;
    }
  }
  if (exportModelMesh(modelTable, o.pngPath, scale, &error)) return true;
  showMessage(error.c_str(), "Erreur", ICON_EXCLAMATION);
  return false;
}

// The list goes to standard output without -o, like --dump.
int writePartsList(const Options& o, const std::vector<PartCount>* have) {
  if (o.pngPath.empty()) return writeStandardOutput(partsText(modelParts(), have));
  return writePartsFile(o.pngPath, o.file, have) ? EXIT_CLEAN : EXIT_RENDER_FAILED;
}

int compileFile(const Options& o) {
  Deadline deadline;
  CompileControl control;
  startDeadline(o, deadline, control);
  ScriptLines lines;
  std::string error;
  if (!readScriptFile(o.file.c_str(), lines, error)) {
    std::fprintf(stderr, "vexocad: Erreur d'ouverture du fichier suivant: %s (%s)\n", terminalText(o.file).c_str(),
                 error.c_str());
    return EXIT_UNREADABLE;
  }
  // A collection that cannot be read costs no compile.
  std::vector<PartCount> have;
  if (!o.havePath.empty() && !readCollectionFile(o.havePath, have)) return EXIT_UNREADABLE;
  setMessageSourceName(o.file.c_str());
  // Messages of the piece library (a missing piece file) count as well.
  resetMessageCount();
  // The view starts first so that the piece library's messages come before
  // the script's, and a view that cannot start costs no compile.
  const bool draws = o.mode == Options::RENDER || o.mode == Options::STEPS;
  const bool bookletSize = o.mode == Options::STEPS && !o.sizeGiven;
  if (draws && !startOffscreenView(bookletSize ? BOOKLET_PICTURE_WIDTH : o.width,
                                   bookletSize ? BOOKLET_PICTURE_HEIGHT : o.height))
    return EXIT_RENDER_FAILED;
  if (o.mode == Options::EXPORT) reportPieceFileProblems();
  const CompileResult result = compileScript(lines, &control);
  const bool checkStopped = o.mode == Options::VERIFY && !result.stopped && !verifyModel(o, deadline);
  // A stopped compile writes no file: half a model would pass for the whole,
  // and replace a whole one.
  const bool writes = !result.stopped;
  const int outputStatus = o.mode == Options::DUMP ? writeStandardOutput(dumpModel())
                           : o.mode == Options::PARTS && (writes || o.pngPath.empty())
                               ? writePartsList(o, o.havePath.empty() ? nullptr : &have)
                               : EXIT_CLEAN;
  const int messages = messagesShown();
  clearKeyBindings();
  if (o.mode == Options::RENDER) {
    const int status = writes ? renderCurrentModelToPng(o.pngPath.c_str(), renderView(o)) : 0;
    stopOffscreenView();
    if (status != 0) return EXIT_RENDER_FAILED;
  }
  if (o.mode == Options::STEPS) {
    const int status = writes ? writeBooklet(o, lines) : EXIT_CLEAN;
    stopOffscreenView();
    if (status != EXIT_CLEAN) return status;
  }
  if (o.mode == Options::EXPORT && writes && !exportMesh(o)) return EXIT_RENDER_FAILED;
  if (outputStatus != EXIT_CLEAN) return outputStatus;
  if (result.stopped) {
    std::fprintf(stderr, "vexocad: compile stopped after %g seconds: %lld lines read, %d pieces placed\n",
                 o.maxSeconds, result.linesRead, result.piecesPlaced);
    return EXIT_STOPPED;
  }
  if (checkStopped) {
    std::fprintf(stderr, "vexocad: check stopped after %g seconds\n", o.maxSeconds);
    return EXIT_STOPPED;
  }
  return messages > 0 ? EXIT_MESSAGES : EXIT_CLEAN;
}
}  // namespace

int runCommandLine(int argc, char** argv) {
  reportOversizedWrites();
  findDataDir(argc > 0 ? argv[0] : nullptr);
  Options o;
  std::string error;
  if (!parseCommandLine(argc, argv, o, error)) return usageError(error), EXIT_USAGE;
  const std::string output = (o.mode == Options::PARTS ? "the list " : "the output ") + o.pngPath;
  const bool writes = o.mode == Options::RENDER || o.mode == Options::EXPORT || o.mode == Options::PARTS ||
                      (o.mode == Options::STEPS && isPdfPath(o.pngPath));
  if (writes && (isSameFile(o.file, o.pngPath) ||
                 (o.mode == Options::EXPORT && isSameFile(o.file, materialFileOf(o.pngPath)))))
    return usageError(output + " is the script " + o.file + " itself: choose another -o"), EXIT_USAGE;
  if (o.mode == Options::STEPS && !isPdfPath(o.pngPath) && holdsScript(o.pngPath, o.file))
    return usageError("the folder " + o.pngPath + " holds the script " + o.file + ": choose another -o"), EXIT_USAGE;
  if (o.mode == Options::PARTS && isSameFile(o.havePath, o.pngPath))
    return usageError(output + " is the collection " + o.havePath + " itself: choose another -o"), EXIT_USAGE;
  MeshFormat format;
  if (o.mode == Options::EXPORT && !meshFormatOfPath(o.pngPath, &format))
    return usageError("unknown mesh format: " + o.pngPath + " (use .stl, .obj, .glb, .ply or .3mf)"), EXIT_USAGE;
  switch (o.mode) {
    case Options::HELP: return writeStandardOutput(commandLineUsage);
    case Options::VERSION: return writeStandardOutput("vexocad 0.1.0\n");
    case Options::CHECK:
    case Options::VERIFY:
    case Options::DUMP:
    case Options::RENDER:
    case Options::STEPS:
    case Options::EXPORT:
    case Options::PARTS: return compileFile(o);
    case Options::NONE: break;
  }
  return runDesktopProgram(o.document.c_str());
}
