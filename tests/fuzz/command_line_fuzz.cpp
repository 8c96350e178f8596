// Fuzz target: the command line's argument reading. The input is split at
// NUL bytes into arguments after the program name. Checks that reading is
// deterministic, that an accepted command line is complete (a mode that
// names a file has one, --help is obeyed wherever it stands, --render has its
// image, sizes and limits are in range) and that a refused one says why.
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "shell/command_options.h"

namespace {
constexpr size_t MAX_ARGUMENTS = 64;

std::vector<std::string> splitArguments(const uint8_t* data, size_t size) {
  std::vector<std::string> arguments{"vexocad"};
  std::string current;
  for (size_t i = 0; i < size && arguments.size() < MAX_ARGUMENTS; ++i) {
    if (data[i] == '\0') {
      arguments.push_back(current);
      current.clear();
    } else {
      current += char(data[i]);
    }
  }
  if (size > 0 && arguments.size() < MAX_ARGUMENTS) arguments.push_back(current);
  return arguments;
}

bool sameOptions(const CommandOptions& a, const CommandOptions& b) {
  return a.mode == b.mode && a.file == b.file && a.document == b.document && a.maxSeconds == b.maxSeconds && a.pngPath == b.pngPath &&
         a.width == b.width && a.height == b.height && a.room == b.room && a.displayMode == b.displayMode &&
         a.scale == b.scale;
}

void checkAccepted(const CommandOptions& o, const std::vector<std::string>& arguments) {
  const bool namesFile = o.mode == CommandOptions::CHECK || o.mode == CommandOptions::DUMP ||
                         o.mode == CommandOptions::RENDER || o.mode == CommandOptions::STEPS ||
                         o.mode == CommandOptions::PARTS || o.mode == CommandOptions::EXPORT;
  // The file is one of the arguments, taken whole.
  if (namesFile) {
    FUZZ_CHECK(o.document.empty());
    bool found = false;
    for (size_t i = 1; i < arguments.size(); ++i) found = found || arguments[i] == o.file;
    FUZZ_CHECK(found);
  }
  // Help wins wherever it stands: first, or last after an argument that
  // takes no value.
  const auto isHelp = [](const std::string& a) { return a == "--help" || a == "-h"; };
  const auto takesValue = [](const std::string& a) {
    return a == "--check" || a == "--verify" || a == "--dump" || a == "--render" || a == "--steps" || a == "--parts" ||
           a == "--export" || a == "-o" || a == "--size" || a == "--max-seconds" || a == "--scale" || a == "--have";
  };
  const size_t last = arguments.size() - 1;
  if (last >= 1 && (isHelp(arguments[1]) || (isHelp(arguments[last]) && !takesValue(arguments[last - 1]))))
    FUZZ_CHECK(o.mode == CommandOptions::HELP);
  if (o.mode == CommandOptions::RENDER || o.mode == CommandOptions::STEPS || o.mode == CommandOptions::EXPORT)
    FUZZ_CHECK(!o.pngPath.empty());
  FUZZ_CHECK(o.havePath.empty() || o.mode == CommandOptions::PARTS);
  FUZZ_CHECK(o.scale > 0 && o.scale < 1e30);
  FUZZ_CHECK(o.width >= 1 && o.width <= 8192 && o.height >= 1 && o.height <= 8192);
  FUZZ_CHECK(o.maxSeconds == 0 || (o.maxSeconds > 0 && o.maxSeconds <= 1e9));
  FUZZ_CHECK(o.displayMode >= 1 && o.displayMode <= 3);
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> arguments = splitArguments(data, size);
  std::vector<const char*> argv;
  for (const std::string& a : arguments) argv.push_back(a.c_str());
  argv.push_back(nullptr);
  const int argc = int(arguments.size());

  CommandOptions first, second;
  std::string firstError, secondError;
  const bool accepted = parseCommandLine(argc, argv.data(), first, firstError);
  FUZZ_CHECK(parseCommandLine(argc, argv.data(), second, secondError) == accepted);
  FUZZ_CHECK(sameOptions(first, second) && firstError == secondError);
  if (accepted) {
    FUZZ_CHECK(firstError.empty());
    checkAccepted(first, arguments);
  } else {
    FUZZ_CHECK(!firstError.empty());
    // Two modes are only refused when two were asked for.
    if (firstError == "choose one of --check, --verify, --dump, --render, --steps, --parts and --export") {
      int modes = 0;
      for (const std::string& a : arguments)
        modes += a == "--check" || a == "--verify" || a == "--dump" || a == "--render" || a == "--steps" ||
                 a == "--parts" || a == "--export";
      FUZZ_CHECK(modes >= 2);
    }
    // Only arguments quoted back can bring a line break into the reason.
    const size_t lineBreak = firstError.find('\n');
    bool argumentWithBreak = false;
    for (const std::string& a : arguments) argumentWithBreak |= a.find('\n') != std::string::npos;
    FUZZ_CHECK(lineBreak == std::string::npos || argumentWithBreak);
  }
  return 0;
}
