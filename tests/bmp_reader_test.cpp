// The BMP reader against one table of sample files (tests/bmp_cases): every
// form it accepts decodes to the exact pixels, every damaged or forged file
// ends in one message and no image; every prefix of a good file whose rows
// need no padding is damaged.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/core_messages.h"
#include "support/process.h"
#include "view/bmp_reader.h"

namespace {
const std::string casesDir = std::string(VEXOCAD_SOURCE_DIR) + "/tests/bmp_cases/";
std::vector<std::string> messages;

void keepMessage(const char* text, const char*, MessageIcon) { messages.push_back(text); }

// "W H RGBHEX" for a decoded image, "refused MESSAGE" otherwise.
std::string outcome(const std::string& path) {
  setMessageSink(keepMessage);
  messages.clear();
  Image* image = loadDIBImage(path.c_str());
  if (!image) return messages.size() == 1 ? "refused " + messages[0] : "refused with no single message";
  std::ostringstream text;
  text << image->width << ' ' << image->height << ' ' << std::hex;
  const size_t bytes = size_t(image->width) * size_t(image->height) * 3;
  for (size_t i = 0; i < bytes; ++i) text << (image->pixels[i] >> 4) << (image->pixels[i] & 15);
  freeImage(image);
  return messages.empty() ? text.str() : "decoded with a message";
}
}  // namespace

TEST(BmpReader, EverySampleFileGivesItsExpectedPixelsOrOneMessage) {
  std::ifstream table(casesDir + "expected.txt");
  std::string line;
  int cases = 0;
  while (std::getline(table, line)) {
    if (line.empty() || line[0] == '#') continue;
    const size_t space = line.find(' ');
    EXPECT_EQ(outcome(casesDir + line.substr(0, space)), line.substr(space + 1)) << line.substr(0, space);
    ++cases;
  }
  EXPECT_GE(cases, 80);
}

TEST(BmpReader, EveryTruncationOfAGoodFileIsRefusedWithOneMessage) {
  const std::string part = makeTempDir() + "/part.bmp";
  for (const char* name : {"32-bit-1.bmp", "32-bit-2.bmp", "16-bit-2.bmp", "bare-bitmap-3.bmp",
                           "run-length-1.bmp", "run-length-2.bmp"}) {
    const std::string bytes = readFile(casesDir + name);
    for (size_t length = 0; length < bytes.size(); ++length) {
      writeFile(part, bytes.substr(0, length));
      EXPECT_EQ(outcome(part).rfind("refused ", 0), 0u) << name << " cut at " << length;
    }
  }
}

TEST(BmpReader, FilesThatCannotBeOpenedNameThePath) {
  const std::string missing = makeTempDir() + "/missing.bmp";
  EXPECT_EQ(outcome(missing), "refused Failed to open DIB file " + missing + ".\n");
  EXPECT_EQ(outcome(testing::TempDir()).rfind("refused Failed to open DIB file ", 0), 0u);  // a directory
}
