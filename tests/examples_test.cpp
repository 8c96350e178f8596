// Every example model compiles without any message.
#include <gtest/gtest.h>

#include <filesystem>

#include "shell/script_file.h"
#include "support/script_harness.h"

namespace {
std::string example(const std::string& name) { return std::string(VEXOCAD_SOURCE_DIR) + "/examples/" + name; }

int compileExample(const std::string& name) {
  ScriptLines lines;
  std::string error;
  EXPECT_TRUE(readScriptFile(example(name).c_str(), lines, error)) << name << ": " << error;
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) (text += lines[i]) += "\n";
  const auto out = compileText(text);
  EXPECT_TRUE(out.messages.empty()) << name << ": " << (out.messages.empty() ? "" : out.messages[0]);
  return placedCount();
}
}  // namespace

TEST(ExamplesTest, EveryExampleCompilesCleanly) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(std::string(VEXOCAD_SOURCE_DIR) + "/examples")) {
    if (entry.path().extension() != ".vxo") continue;
    EXPECT_GT(compileExample(entry.path().filename().string()), 0) << entry.path();
    ++count;
  }
  EXPECT_GE(count, 5);
}

TEST(ExamplesTest, ModelsHaveTheirPieces) {
  EXPECT_EQ(compileExample("cube-frame.vxo"), 20);
  EXPECT_EQ(compileExample("tower.vxo"), 37);
  EXPECT_EQ(compileExample("wheel.vxo"), 21);
  EXPECT_EQ(compileExample("storeys.vxo"), 68);
  EXPECT_EQ(compileExample("tall-tower.vxo"), 1004);
  EXPECT_EQ(compileExample("turning-wheel.vxo"), 18);
}
