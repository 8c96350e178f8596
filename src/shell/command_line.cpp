// The command line: the modes that compile a script without any window
// (--check, --dump) and, without an option, the desktop program.
#include "shell/command_line.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "pieces/catalogue.h"
#include "platform/core_messages.h"
#include "platform/core_data_dir.h"
#include "script/compiler.h"
#include "script/key_bindings.h"
#include "shell/desktop_program.h"
#include "shell/model_dump.h"
#include "shell/render_command.h"
#include "shell/shared_state.h"
#include "shell/script_file.h"

namespace {
enum ExitStatus {
  EXIT_CLEAN = 0,
  EXIT_MESSAGES = 1,
  EXIT_UNREADABLE = 2,
  EXIT_STOPPED = 3,
  EXIT_RENDER_FAILED = 4,
  EXIT_USAGE = 64
};

struct Options {
  enum Mode { NONE, CHECK, DUMP, RENDER, HELP, VERSION } mode = NONE;
  std::string file;
  std::string document;  // the words that are no option, for the desktop program
  double maxSeconds = 0;  // 0: no limit
  std::string pngPath;
  int width = 600, height = 600;
  bool room = false;
  uint32_t displayMode = DISPLAY_SOLIDS;
};

const char* const usage =
    "Usage: vexocad [FICHIER]            open FICHIER in the desktop program (the words\n"
    "                                    that are no option, joined by spaces)\n"
    "       vexocad --check FICHIER      compile FICHIER, print every message\n"
    "       vexocad --dump FICHIER       compile FICHIER, print the model table\n"
    "       vexocad --render FICHIER -o IMAGE.png\n"
    "                                    compile FICHIER, draw the model as the view\n"
    "                                    shows it at start-up, write a PNG\n"
    "Options:\n"
    "  --max-seconds N   stop a compile that runs longer than N seconds\n"
    "  --size WxH        size of the rendered image (default 600x600)\n"
    "  --room            draw the room around the model\n"
    "  --edges           draw solids with their edges\n"
    "  --edges-only      draw edges only\n"
    "  --help            show this help\n"
    "  --version         show the version\n"
    "Messages are printed as FILE:LINE: CAPTION: TEXT on standard error.\n"
    "Exit status: 0 no message, 1 messages shown, 2 file unreadable, 3 compile stopped,\n"
    "4 image not rendered, 64 bad command line.\n";

bool usageError(const std::string& text) {
  std::fprintf(stderr, "vexocad: %s\n%s", text.c_str(), usage);
  return false;
}

bool parseSeconds(const char* text, double& seconds) {
  char* end = nullptr;
  seconds = std::strtod(text, &end);
  return end != text && *end == '\0' && seconds > 0 && seconds < 1e9;
}

bool parseSize(const char* text, int& width, int& height) {
  char x = 0, extra = 0;
  return std::sscanf(text, "%d%c%d%c", &width, &x, &height, &extra) == 3 && (x == 'x' || x == 'X') &&
         width > 0 && height > 0 && width <= 8192 && height <= 8192;
}

bool parseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      o.mode = Options::HELP;
    } else if (a == "--version") {
      o.mode = Options::VERSION;
    } else if (a == "--check" || a == "--dump" || a == "--render") {
      if (o.mode != Options::NONE) return usageError("choose one of --check, --dump and --render");
      o.mode = a == "--check" ? Options::CHECK : a == "--dump" ? Options::DUMP : Options::RENDER;
      if (i + 1 >= argc) return usageError(a + " needs a file");
      o.file = argv[++i];
    } else if (a == "-o") {
      if (i + 1 >= argc) return usageError("-o needs the name of the image file");
      o.pngPath = argv[++i];
    } else if (a == "--size") {
      if (i + 1 >= argc || !parseSize(argv[++i], o.width, o.height))
        return usageError("--size needs WIDTHxHEIGHT, each from 1 to 8192");
    } else if (a == "--room") {
      o.room = true;
    } else if (a == "--edges") {
      o.displayMode = DISPLAY_SOLIDS | DISPLAY_EDGES;
    } else if (a == "--edges-only") {
      o.displayMode = DISPLAY_EDGES;
    } else if (a == "--max-seconds") {
      if (i + 1 >= argc || !parseSeconds(argv[++i], o.maxSeconds))
        return usageError("--max-seconds needs a positive number of seconds");
    } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
      return usageError("unknown argument: " + a);
    } else {
      o.document += (o.document.empty() ? "" : " ") + a;
    }
  }
  if (o.mode != Options::NONE && o.mode != Options::HELP && o.mode != Options::VERSION &&
      !o.document.empty())
    return usageError("unexpected argument: " + o.document);
  if (o.mode == Options::RENDER && o.pngPath.empty()) return usageError("--render needs -o IMAGE.png");
  return true;
}

struct Deadline {
  std::chrono::steady_clock::time_point end;
};

bool beforeDeadline(void* context, int, int) {
  return std::chrono::steady_clock::now() < static_cast<Deadline*>(context)->end;
}

int compileFile(const Options& o) {
  ScriptLines lines;
  std::string error;
  if (!readScriptFile(o.file.c_str(), lines, error)) {
    std::fprintf(stderr, "vexocad: Erreur d'ouverture du fichier suivant: %s (%s)\n", o.file.c_str(),
                 error.c_str());
    return EXIT_UNREADABLE;
  }
  setMessageSourceName(o.file.c_str());
  if (o.mode == Options::RENDER) {
    // Starting the view builds the piece library, with the display lists the
    // compiled pieces then copy from their templates.
    if (!startOffscreenView(o.width, o.height)) return EXIT_RENDER_FAILED;
  } else {
    initPieceTemplatesHeadless();
  }
  resetMessageCount();
  Deadline deadline;
  CompileControl control;
  if (o.maxSeconds > 0) {
    deadline.end = std::chrono::steady_clock::now() +
                   std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                       std::chrono::duration<double>(o.maxSeconds));
    control.keepGoing = beforeDeadline;
    control.context = &deadline;
    control.interval = 256;
  }
  const CompileResult result = compileScript(lines, &control);
  if (o.mode == Options::DUMP) std::fputs(dumpModel().c_str(), stdout);
  std::fflush(stdout);
  const int messages = messagesShown();
  clearKeyBindings();
  if (o.mode == Options::RENDER) {
    const int status = renderCurrentModelToPng(o.pngPath.c_str(), o.room, o.displayMode);
    stopOffscreenView();
    if (status != 0) return EXIT_RENDER_FAILED;
  }
  if (result.stopped) {
    std::fprintf(stderr, "vexocad: compile stopped after %g seconds: %lld lines read, %d pieces placed\n",
                 o.maxSeconds, result.linesRead, result.piecesPlaced);
    return EXIT_STOPPED;
  }
  return messages > 0 ? EXIT_MESSAGES : EXIT_CLEAN;
}
}  // namespace

int runCommandLine(int argc, char** argv) {
  findDataDir(argc > 0 ? argv[0] : nullptr);
  Options o;
  if (!parseOptions(argc, argv, o)) return EXIT_USAGE;
  switch (o.mode) {
    case Options::HELP: std::fputs(usage, stdout); return EXIT_CLEAN;
    case Options::VERSION: std::puts("vexocad 0.1.0"); return EXIT_CLEAN;
    case Options::CHECK:
    case Options::DUMP:
    case Options::RENDER: return compileFile(o);
    case Options::NONE: break;
  }
  return runDesktopProgram(o.document.c_str());
}
