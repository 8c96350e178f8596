// Reading the command line's arguments into options. Kept apart from running
// them so that the reading can be tried on any arguments without effects.
#include "shell/command_options.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "exports/mesh_export.h"

const char* const commandLineUsage =
    "Usage: vexocad [FICHIER]            open FICHIER in the desktop program (the words\n"
    "                                    that are no option, joined by spaces)\n"
    "       vexocad --check FICHIER      compile FICHIER, print every message\n"
    "       vexocad --verify FICHIER     compile FICHIER, print every message, then\n"
    "                                    check the model: ports the pieces lack, keys\n"
    "                                    meant otherwise, pieces through each other,\n"
    "                                    clips holding two pieces, pieces left out;\n"
    "                                    each finding as FILE:LINE: Vérification: TEXT\n"
    "       vexocad --dump FICHIER       compile FICHIER, print the model table\n"
    "       vexocad --render FICHIER -o IMAGE.png\n"
    "                                    compile FICHIER, draw the model as the view\n"
    "                                    shows it (see --view), write a PNG\n"
    "       vexocad --steps FICHIER -o DOSSIER|LIVRET.pdf\n"
    "                                    compile FICHIER, write a building-steps\n"
    "                                    booklet: DOSSIER/index.html and a picture\n"
    "                                    per step (a block of lines between blank\n"
    "                                    lines; pictures 480x360 unless --size),\n"
    "                                    or one PDF file of A4 pages\n"
    "       vexocad --parts FICHIER [-o LISTE.txt|LISTE.csv|LISTE.html]\n"
    "                                    compile FICHIER, count its pieces by kind and\n"
    "                                    colour: a table on standard output or in LISTE\n"
    "       vexocad --export FICHIER -o MAILLAGE.stl|.obj|.glb|.ply|.3mf\n"
    "                                    compile FICHIER, write the placed pieces as\n"
    "                                    triangle meshes in their colours\n"
    "Options:\n"
    "  --have STOCK.csv  with --parts: what is missing beside the pieces in\n"
    "                    STOCK.csv (the columns of --parts' CSV)\n"
    "  --max-seconds N   stop a compile (and --verify's check) that runs longer\n"
    "                    than N seconds\n"
    "  --size WxH        size of the rendered image (default 600x600)\n"
    "  --size MM         with --export: scale the mesh so that its largest side\n"
    "                    is MM millimetres (instead of --scale)\n"
    "  --room            draw the room around the model\n"
    "  --edges           draw solids with their edges\n"
    "  --edges-only      draw edges only\n"
    "  --detail auto|full  auto: small pieces simpler, as the desktop view draws\n"
    "                    them (default full)\n"
    "  --view fit        turned three-quarters and fitted to the whole model\n"
    "                    (the default), as the program shows an opened file\n"
    "  --view start      the view at start-up: from the front, 400 units away\n"
    "  --turn AX AY      the view tilted AX degrees about the horizontal axis\n"
    "                    (positive looks down) after AY degrees about the\n"
    "                    vertical axis; each from -360 to 360 (fit: 30 -35,\n"
    "                    start: 0 0)\n"
    "  --scale S         with --export: multiply the coordinates by S, from\n"
    "                    0.000001 to 1000000 (default 1: a model unit is a\n"
    "                    millimetre; STL, PLY and 3MF are written Z up, glTF\n"
    "                    (in metres) and OBJ Y up)\n"
    "  --help            show this help\n"
    "  --version         show the version\n"
    "Messages are printed as FILE:LINE: CAPTION: TEXT on standard error.\n"
    "The user's guide (in French): Aide > Guide in the program, or\n"
    "share/vexocad/guide/index.html where it is installed (docs/ in the sources).\n"
    "The desktop program keeps its preferences (window, dividers, last folder,\n"
    "recent files, message boxes) in $XDG_CONFIG_HOME/vexocad/preferences.conf\n"
    "(else ~/.config/vexocad/preferences.conf); the command-line modes never read it.\n"
    "Exit status: 0 no message, 1 messages shown or findings of --verify, 2 file unreadable,\n"
    "3 compile or check stopped, 4 image, booklet, list or mesh not written, 5 standard\n"
    "output not written, 64 bad command line.\n";

namespace {
bool fail(std::string& error, const std::string& text) {
  error = text;
  return false;
}

// The parsers below change their results only when they accept the text, so
// that refused options never hold half-read values (such as a NaN).

// A decimal number from low to high: digits, a point, an exponent (strtod
// alone would also take "0x10", "inf" and leading blanks).
bool parseDecimal(const char* text, double low, double high, double& number) {
  if (!*text || std::strspn(text, "0123456789.eE+-") != std::strlen(text)) return false;
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  if (end == text || *end != '\0' || !(value >= low && value <= high)) return false;
  number = value;
  return true;
}

bool parseAngle(const char* text, float& degrees) {
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  if (end == text || *end != '\0' || !(value >= -360 && value <= 360)) return false;
  degrees = float(value);
  return true;
}

bool parseTurn(int argc, const char* const* argv, int& i, CommandOptions& o) {
  float tilt = 0, turn = 0;
  if (i + 2 >= argc || !parseAngle(argv[i + 1], tilt) || !parseAngle(argv[i + 2], turn)) return false;
  i += 2;
  o.tilt = tilt;
  o.turn = turn;
  o.turnGiven = true;
  return true;
}

bool parseSize(const char* text, int& width, int& height) {
  int w = 0, h = 0;
  char x = 0, extra = 0;
  if (std::sscanf(text, "%d%c%d%c", &w, &x, &h, &extra) != 3 || (x != 'x' && x != 'X')) return false;
  if (w <= 0 || h <= 0 || w > 8192 || h > 8192) return false;
  width = w;
  height = h;
  return true;
}
}  // namespace

PartsFormat partsFormatOf(const std::string& path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return PartsFormat::NONE;
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
  if (extension == "txt") return PartsFormat::TEXT;
  if (extension == "csv") return PartsFormat::CSV;
  if (extension == "html" || extension == "htm") return PartsFormat::HTML;
  return PartsFormat::NONE;
}

// --help wins over everything and --version over the modes that compile,
// wherever they stand on the line.
bool parseCommandLine(int argc, const char* const* argv, CommandOptions& o, std::string& error) {
  using Options = CommandOptions;
  bool fileModeChosen = false, outputGiven = false, haveGiven = false, scaleGiven = false;
  const char* sizeText = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      o.mode = Options::HELP;
    } else if (a == "--version") {
      if (o.mode != Options::HELP) o.mode = Options::VERSION;
    } else if (a == "--check" || a == "--verify" || a == "--dump" || a == "--render" || a == "--steps" || a == "--parts" ||
               a == "--export") {
      if (fileModeChosen)
        return fail(error, "choose one of --check, --verify, --dump, --render, --steps, --parts and --export");
      fileModeChosen = true;
      if (o.mode == Options::NONE)
        o.mode = a == "--check"    ? Options::CHECK
                 : a == "--verify" ? Options::VERIFY
                 : a == "--dump"   ? Options::DUMP
                 : a == "--render" ? Options::RENDER
                 : a == "--steps"  ? Options::STEPS
                 : a == "--parts"  ? Options::PARTS
                                   : Options::EXPORT;
      if (i + 1 >= argc) return fail(error, a + " needs a file");
      o.file = argv[++i];
    } else if (a == "-o") {
      if (i + 1 >= argc) return fail(error, "-o needs the name of the image file or folder");
      if (outputGiven) return fail(error, "-o is given twice: " + o.pngPath + " and " + argv[i + 1]);
      outputGiven = true;
      o.pngPath = argv[++i];
    } else if (a == "--scale") {
      if (i + 1 >= argc || !parseDecimal(argv[++i], MIN_MESH_SCALE, MAX_MESH_SCALE, o.scale))
        return fail(error, "--scale needs a positive number from 0.000001 to 1000000, such as 0.4 or 25.4");
      scaleGiven = true;
    } else if (a == "--have") {
      if (i + 1 >= argc) return fail(error, "--have needs the name of a CSV file");
      if (haveGiven) return fail(error, "--have is given twice: " + o.havePath + " and " + argv[i + 1]);
      haveGiven = true;
      o.havePath = argv[++i];
    } else if (a == "--size") {  // read once the mode is known: an image's WxH, a mesh's millimetres
      if (i + 1 >= argc) return fail(error, "--size needs WIDTHxHEIGHT, or with --export a length in millimetres");
      sizeText = argv[++i];
      o.sizeGiven = true;
    } else if (a == "--view") {
      const std::string view = i + 1 < argc ? argv[++i] : "";
      if (view != "fit" && view != "start") return fail(error, "--view needs fit or start");
      o.fitView = view == "fit";
    } else if (a == "--turn") {
      if (!parseTurn(argc, argv, i, o)) return fail(error, "--turn needs two angles in degrees, each from -360 to 360");
    } else if (a == "--room") {
      o.room = true;
    } else if (a == "--edges") {
      o.displayMode = DISPLAY_SOLIDS | DISPLAY_EDGES;
    } else if (a == "--edges-only") {
      o.displayMode = DISPLAY_EDGES;
    } else if (a == "--detail") {
      const std::string value = i + 1 < argc ? argv[++i] : "";
      if (value != "auto" && value != "full") return fail(error, "--detail needs auto or full");
      o.detail = value == "auto" ? DrawDetail::AUTO : DrawDetail::FULL;
    } else if (a == "--max-seconds") {
      if (i + 1 >= argc || !parseDecimal(argv[++i], 1e-9, 1e9, o.maxSeconds))
        return fail(error, "--max-seconds needs a positive number of seconds");
    } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
      return fail(error, "unknown argument: " + a);
    } else {
      o.document += (o.document.empty() ? "" : " ") + a;
    }
  }
  const bool compiles = o.mode == Options::CHECK || o.mode == Options::VERIFY || o.mode == Options::DUMP || o.mode == Options::RENDER ||
                        o.mode == Options::STEPS || o.mode == Options::PARTS || o.mode == Options::EXPORT;
  if (compiles && !o.document.empty()) return fail(error, "unexpected argument: " + o.document);
  if (o.mode == Options::RENDER && o.pngPath.empty()) return fail(error, "--render needs -o IMAGE.png");
  if (o.mode == Options::STEPS && o.pngPath.empty()) return fail(error, "--steps needs -o FOLDER or -o BOOKLET.pdf");
  if (o.mode == Options::EXPORT && o.pngPath.empty())
    return fail(error, "--export needs -o MESH.stl (or .obj .glb .ply .3mf)");
  if (!o.havePath.empty() && o.mode != Options::PARTS) return fail(error, "--have goes with --parts");
  if (scaleGiven && o.mode != Options::EXPORT && o.mode != Options::HELP && o.mode != Options::VERSION)
    return fail(error, "--scale goes with --export");
  if (sizeText && o.mode == Options::EXPORT) {
    if (scaleGiven) return fail(error, "--size and --scale both set the mesh's size: give one of them");
    if (!parseDecimal(sizeText, MIN_MESH_SIZE, MAX_MESH_SIZE, o.meshSize))
      return fail(error, "--size with --export needs the largest side in millimetres, from 0.001 to 1000000, such as 200");
  } else if (sizeText && !parseSize(sizeText, o.width, o.height)) {
    return fail(error, "--size needs WIDTHxHEIGHT, each from 1 to 8192");
  }
  if (o.mode == Options::PARTS && !o.pngPath.empty() && partsFormatOf(o.pngPath) == PartsFormat::NONE)
    return fail(error, "--parts writes LIST.txt, LIST.csv or LIST.html: " + o.pngPath + " is none of them");
  return true;
}
