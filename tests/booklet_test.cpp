// What the expected booklets (tests/booklets, written by `vexocad --steps`)
// cannot show: a booklet stopped half-way leaves nothing behind, and the
// booklet written before it stands as it was; the pictures' halo keeps the
// new pieces' own colours.
#include <gtest/gtest.h>

#include <png.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <vector>

#include "exports/steps_booklet.h"
#include "platform/core_data_dir.h"
#include "shell/render_command.h"
#include "view/outline_halo.h"
#include "view/camera.h"
#include "support/process.h"

namespace fs = std::filesystem;

extern "C" const char* __lsan_default_suppressions() { return "leak:swrast_dri.so\n"; }

TEST(StepsBooklet, AStopLeavesTheFormerBookletAsItWas) {
  dataDir = VEXOCAD_BINARY_DIR "/";
  ASSERT_TRUE(startOffscreenView(64, 48));
  const Camera size = offscreenStartView().camera;
  const ScriptLines lines{"#8", "", "#12 %p1 @ h1 c1", "", "#8 %p1 @ c2 h1"};
  compileScript(lines);
  const fs::path dir = makeTempDir(), target = dir / "livret";
  EXPECT_EQ(writeStepsBooklet(offscreenRenderer(), size, modelTable, lines, target, "m").status,
            BookletResult::WRITTEN);
  const std::string page = readFile(target / "index.html");
  const ScriptLines twoSteps{"#8", "", "#8"};
  compileScript(twoSteps);
  int pictures = 0;
  const BookletProgress stopAtSecond{[](void* done, int, int) { return ++*static_cast<int*>(done) < 2; }, &pictures};
  EXPECT_EQ(writeStepsBooklet(offscreenRenderer(), size, modelTable, twoSteps, target, "m", &stopAtSecond).status,
            BookletResult::STOPPED);
  stopOffscreenView();
  std::set<std::string> beside, inside;
  for (const auto& entry : fs::directory_iterator(dir)) beside.insert(entry.path().filename());
  for (const auto& entry : fs::directory_iterator(target)) inside.insert(entry.path().filename());
  EXPECT_EQ(beside, std::set<std::string>{"livret"});
  EXPECT_EQ(inside, (std::set<std::string>{".vexocad", "index.html", "modele.png", "etape-0001.png",
                                           "etape-0002.png", "etape-0003.png"}));
  EXPECT_EQ(readFile(target / "index.html"), page);
}

namespace {
std::vector<unsigned char> pngPixels(const std::string& png, int& width, int& height) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  std::vector<unsigned char> rgb;
  if (png_image_begin_read_from_memory(&image, png.data(), png.size())) {
    image.format = PNG_FORMAT_RGB;
    rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) rgb.clear();
  }
  width = int(image.width), height = int(image.height);
  png_image_free(&image);
  return rgb;
}

int countPixels(const std::vector<unsigned char>& rgb, bool (*wanted)(const unsigned char* pixel)) {
  int count = 0;
  for (size_t i = 0; i + 2 < rgb.size(); i += 3) count += wanted(&rgb[i]);
  return count;
}

bool isCyan(const unsigned char* p) { return p[0] == 0 && p[1] == 255 && p[2] == 255; }
// A dark blue rod lit from the eye: far more blue than red or green.
bool isRodBlue(const unsigned char* p) { return p[2] > 120 && p[0] < 60 && p[1] < 60; }
}  // namespace

// A dark blue rod added on its own: in its step's picture it keeps its blue
// inside a cyan halo; the model page, which outlines nothing, has no cyan.
TEST(StepsBooklet, TheNewPiecesKeepTheirColourInsideAHalo) {
  dataDir = VEXOCAD_BINARY_DIR "/";
  ASSERT_TRUE(startOffscreenView(160, 120));
  const ScriptLines lines{"#8", "", "#12 %p1 @ h1 c1"};
  compileScript(lines);
  const fs::path target = fs::path(makeTempDir()) / "livret";
  EXPECT_EQ(writeStepsBooklet(offscreenRenderer(), offscreenStartView().camera, modelTable, lines, target, "m").status,
            BookletResult::WRITTEN);
  stopOffscreenView();
  int width = 0, height = 0;
  const std::vector<unsigned char> step = pngPixels(readFile(target / "etape-0002.png"), width, height);
  ASSERT_EQ(step.size(), size_t(160 * 120 * 3));
  EXPECT_GT(countPixels(step, isCyan), 100);
  EXPECT_GT(countPixels(step, isRodBlue), 100);
  EXPECT_EQ(countPixels(pngPixels(readFile(target / "modele.png"), width, height), isCyan), 0);
}

// Around a square of the mask, a dark ring first, then the cyan one; the
// square and what lies farther keep their pixels.
TEST(OutlineHalo, ADarkRingAgainstThePieceThenACyanOne) {
  const int w = 40, h = 40;
  std::vector<unsigned char> rgb(size_t(w * h * 3), 200), mask(size_t(w * h), 0);
  for (int y = 15; y < 25; ++y)
    for (int x = 15; x < 25; ++x) mask[size_t(y * w + x)] = 255;
  addOutlineHalo(rgb, mask, w, h);
  const auto pixel = [&](int x, int y) { return &rgb[size_t(3 * (y * w + x))]; };
  EXPECT_EQ(pixel(20, 20)[0], 200);                          // the piece
  EXPECT_EQ(pixel(25, 20)[0], 0);                            // against it: dark
  EXPECT_EQ(pixel(25, 20)[1], 0);
  EXPECT_TRUE(isCyan(pixel(27, 20)));                        // then cyan
  EXPECT_TRUE(isCyan(pixel(20, 12)));
  EXPECT_EQ(pixel(35, 20)[0], 200);                          // farther: as it was
  EXPECT_EQ(pixel(0, 0)[1], 200);
}

// Past 200 steps, neighbouring steps are joined into exactly 200 pages, as
// the README says, each step on one page in order, the pages differing by a
// step at most (201 steps made 101 pages, 1001 made 167).
TEST(StepsBooklet, LongScriptsAreJoinedIntoExactly200Pages) {
  for (int count : {201, 401, 1001, 9999}) {
    std::vector<BuildingStep> steps;
    for (int i = 0; i < count; ++i) steps.push_back({i + 1, i + 1, "", {i}});
    const std::vector<BuildingStep> pages = joinSteps(steps, MAX_BOOKLET_STEPS);
    EXPECT_EQ(pages.size(), 200u) << count;
    std::vector<int> pieces;
    size_t fewest = size_t(count), most = 0;
    for (const BuildingStep& page : pages) {
      EXPECT_EQ(page.firstLine, pieces.size() + 1) << count;
      pieces.insert(pieces.end(), page.pieces.begin(), page.pieces.end());
      EXPECT_EQ(page.lastLine, int(pieces.size())) << count;
      fewest = std::min(fewest, page.pieces.size()), most = std::max(most, page.pieces.size());
    }
    EXPECT_EQ(pieces.size(), size_t(count));
    EXPECT_LE(most - fewest, 1u) << count;
  }
}
