// The command line's arguments read into options, with nothing run: the modes
// and files it names are acted on by runCommandLine.
#pragma once

#include <cstdint>
#include <string>

#include "view/view_state.h"
#include "view/visible_pieces.h"

struct CommandOptions {
  enum Mode { NONE, CHECK, VERIFY, DUMP, RENDER, STEPS, PARTS, EXPORT, HELP, VERSION } mode = NONE;
  std::string file;
  std::string document;  // the words that are no option, for the desktop program
  double maxSeconds = 0;  // 0: no limit
  std::string pngPath;  // -o: the image, the booklet's folder, the parts list or the mesh file
  std::string havePath;  // --have: the builder's collection, as CSV
  double scale = 1;      // --scale, for --export
  double meshSize = 0;   // --size MM, for --export: the largest side in millimetres (0: none)
  int width = 600, height = 600;
  bool sizeGiven = false;  // --size; else each mode's own size
  bool room = false;
  uint32_t displayMode = DISPLAY_SOLIDS;
  DrawDetail detail = DrawDetail::FULL;
  bool fitView = true;      // --view fit; false: --view start
  bool turnGiven = false;   // --turn, else the view's own angles
  float tilt = 0, turn = 0;  // --turn AX AY, degrees
};

extern const char* const commandLineUsage;

// The form of --parts' output, by the extension of -o's name (any case).
enum class PartsFormat { NONE, TEXT, CSV, HTML };
PartsFormat partsFormatOf(const std::string& path);

// Reads argv[1..argc-1]. False with the reason in error (one line, without
// the usage text) when the arguments make no sense.
bool parseCommandLine(int argc, const char* const* argv, CommandOptions& options, std::string& error);
