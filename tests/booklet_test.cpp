// What the expected booklets (tests/booklets, written by `vexocad --steps`)
// cannot show: a booklet stopped half-way leaves nothing behind, and the
// booklet written before it stands as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "exports/steps_booklet.h"
#include "platform/core_data_dir.h"
#include "shell/render_command.h"
#include "view/camera.h"
#include "support/process.h"

namespace fs = std::filesystem;

extern "C" const char* __lsan_default_suppressions() { return "leak:swrast_dri.so\n"; }

TEST(StepsBooklet, AStopLeavesTheFormerBookletAsItWas) {
  dataDir = VEXOCAD_BINARY_DIR "/";
  ASSERT_TRUE(startOffscreenView(64, 48));
  const ScriptLines lines{"#8", "", "#12 %p1 @ h1 c1", "", "#8 %p1 @ c2 h1"};
  compileScript(lines);
  const fs::path dir = makeTempDir(), target = dir / "livret";
  EXPECT_EQ(writeStepsBooklet(offscreenRenderer(), camera, lines, target, "m").status, BookletResult::WRITTEN);
  const std::string page = readFile(target / "index.html");
  compileScript({"#8", "", "#8"});
  int pictures = 0;
  const BookletProgress stopAtSecond{[](void* done, int, int) { return ++*static_cast<int*>(done) < 2; }, &pictures};
  EXPECT_EQ(writeStepsBooklet(offscreenRenderer(), camera, {"#8", "", "#8"}, target, "m", &stopAtSecond).status, BookletResult::STOPPED);
  stopOffscreenView();
  std::set<std::string> beside, inside;
  for (const auto& entry : fs::directory_iterator(dir)) beside.insert(entry.path().filename());
  for (const auto& entry : fs::directory_iterator(target)) inside.insert(entry.path().filename());
  EXPECT_EQ(beside, std::set<std::string>{"livret"});
  EXPECT_EQ(inside, (std::set<std::string>{"index.html", "modele.png", "etape-0001.png", "etape-0002.png",
                                           "etape-0003.png"}));
  EXPECT_EQ(readFile(target / "index.html"), page);
}
