// Fuzz target: a builder's collection (--have) over any file contents.
// Checks that a file is refused with a reason or read into counts of real
// kinds within the limits, one per kind and colour, and that those counts
// written as the parts list's CSV read back the same.
#include <string>
#include <vector>

#include "exports/parts_list.h"
#include "fuzz_support.h"

namespace {
bool sameCounts(const std::vector<PartCount>& a, const std::vector<PartCount>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].kind != b[i].kind || colourHex(a[i].colour) != colourHex(b[i].colour) || a[i].count != b[i].count)
      return false;
  return true;
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<PartCount> have, again;
  std::string error;
  if (!readPartsCsv(std::string(reinterpret_cast<const char*>(data), size), have, error)) {
    FUZZ_CHECK(!error.empty());
    return 0;
  }
  for (size_t i = 0; i < have.size(); ++i) {
    FUZZ_CHECK(have[i].kind >= 0 && have[i].kind < KIND_COUNT);
    FUZZ_CHECK(have[i].count >= 0 && have[i].count <= MAX_COLLECTION_COUNT);
    FUZZ_CHECK(i == 0 || have[i - 1].kind < have[i].kind || colourHex(have[i - 1].colour) < colourHex(have[i].colour));
  }
  FUZZ_CHECK(readPartsCsv(partsCsv(have), again, error) && sameCounts(have, again));
  return 0;
}
