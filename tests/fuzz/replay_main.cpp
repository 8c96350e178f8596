// Runs a fuzz target over saved inputs without libFuzzer: each argument is a
// file or a directory of files, fed once each in name order. The ordinary
// build uses it to replay the corpora as a regression test.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "platform/core_files.h"

namespace fs = std::filesystem;

namespace {
std::vector<fs::path> inputsOf(const char* argument) {
  std::vector<fs::path> inputs;
  if (fs::is_directory(argument)) {
    for (const auto& entry : fs::directory_iterator(argument))
      if (entry.is_regular_file()) inputs.push_back(entry.path());
    std::sort(inputs.begin(), inputs.end());
  } else {
    inputs.push_back(argument);
  }
  return inputs;
}

bool replay(const fs::path& path) {
  std::string bytes;
  if (readRegularFile(path.c_str(), 1LL << 30, &bytes) != FileReadError::None) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return false;
  }
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  return true;
}
}  // namespace

int main(int argc, char** argv) {
  LLVMFuzzerInitialize(&argc, &argv);
  int count = 0;
  for (int i = 1; i < argc; ++i)
    for (const fs::path& input : inputsOf(argv[i])) {
      // Named first, so that a failure shows which input it was.
      std::printf("%s\n", input.c_str());
      std::fflush(stdout);
      if (!replay(input)) return 1;
      ++count;
    }
  std::printf("replayed %d inputs\n", count);
  return count > 0 ? 0 : 1;
}
