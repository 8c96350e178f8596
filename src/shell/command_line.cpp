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
#include "shell/command_options.h"
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

using Options = CommandOptions;

bool usageError(const std::string& text) {
  std::fprintf(stderr, "vexocad: %s\n%s", text.c_str(), commandLineUsage);
  return false;
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
  std::string error;
  if (!parseCommandLine(argc, argv, o, error)) return usageError(error), EXIT_USAGE;
  switch (o.mode) {
    case Options::HELP: std::fputs(commandLineUsage, stdout); return EXIT_CLEAN;
    case Options::VERSION: std::puts("vexocad 0.1.0"); return EXIT_CLEAN;
    case Options::CHECK:
    case Options::DUMP:
    case Options::RENDER: return compileFile(o);
    case Options::NONE: break;
  }
  return runDesktopProgram(o.document.c_str());
}
