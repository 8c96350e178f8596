// What the expected renders (tests/renders, drawn by `vexocad --render`)
// cannot show: the piece library's messages for a data directory of its own,
// the camera turned away from the start-up view, the ghost piece at the
// mouse, the GL state drawing leaves, the texture rows fault, and the
// failures of the offscreen render entry points.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "pieces/catalogue.h"
#include "script/compiler.h"
#include "shell/script_file.h"
#include "platform/core_data_dir.h"
#include "platform/core_messages.h"
#include "platform/gl_offscreen.h"
#include "shell/render_command.h"
#include "support/process.h"
#include "view/camera.h"
#include "view/kept_model.h"
#include "view/scene.h"
#include "view/visible_pieces.h"

namespace fs = std::filesystem;

// Mesa's software driver keeps some memory of its own until the process ends;
// sanitizer builds should not report it as ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:swrast_dri.so\n"; }

namespace {

// Odd, so the view axis falls on the centre of a pixel; about the 600 x 600
// view window the ghost piece's placement is laid out for.
constexpr int SIZE = 601;
constexpr int CENTRE = SIZE / 2;
const fs::path buildDir = VEXOCAD_BINARY_DIR;

// "CAPTION: TEXT", then "!" for an exclamation mark or "x" for an error icon.
std::vector<std::string> messages;
void keepMessage(const char* text, const char* caption, MessageIcon icon) {
  messages.push_back(std::string(caption) + ": " + text + " !ix"[icon]);
}

using Pixel = std::array<int, 3>;  // red, green, blue
const Pixel BACKGROUND{0, 0, 51};

// One frame of the view state as the main loop draws it, read back; the
// pixel at (col, row).
struct Frame {
  explicit Frame(ViewState& view) : rgb((drawOffscreenFrame(view), readOffscreenPixels(SIZE, SIZE))) {}
  std::vector<unsigned char> rgb;
  Pixel at(int col, int row) const {
    const size_t i = (size_t(row) * SIZE + size_t(col)) * 3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
  }
};

// The generated room textures in dir/data, but for the one named skipped.
void linkTextures(const fs::path& dir, const std::string& skipped) {
  fs::create_directories(dir / "data");
  for (const char* name : {"Wood.bmp", "Boden.bmp", "Wand.bmp", "Marble.bmp", "Crate.bmp"})
    if (name != skipped) fs::create_symlink(buildDir / "data" / name, dir / "data" / name);
}

// Piece files that hold nothing, but for kind 3, a 40 x 40 square in the x-z
// plane facing +y as connectors lie, and kind 16, which names a sub-part
// wrongly; one sub-part file and one piece file are missing. The floor
// texture is plain red, 5 x 4 pixels.
fs::path makeTestDataDir() {
  const fs::path dir = makeTempDir();
  linkTextures(dir, "Marble.bmp");
  fs::create_directories(dir / "vexo/P");
  fs::create_directories(dir / "vexo/Parts");
  fs::copy_file(fs::path(VEXOCAD_SOURCE_DIR) / "tests/bmp_cases/rows-of-15-bytes-red.bmp", dir / "data/Marble.bmp");
  for (int i = 0; i < SUBPART_COUNT; ++i) writeFile(dir / "vexo/P" / subPartFileNames[i], "0 empty\n");
  for (int k = 0; k < KIND_COUNT; ++k) writeFile(dir / "vexo/Parts" / pieceFileNames[k], "0 empty\n");
  writeFile(dir / "vexo/Parts/vx304.dat", "4 16 -20 0 -20 20 0 -20 20 0 20 -20 0 20\n");
  writeFile(dir / "vexo/Parts/vxrond.dat", "1 16 0 0 0 1 0 0 0 1 0 0 0 1 HUB.dat\n");
  fs::remove(dir / "vexo/P/e-rod3.dat");
  fs::remove(dir / "vexo/Parts/vx207.dat");
  return dir;
}

class ViewTest : public ::testing::Test {
 protected:
  static inline fs::path testData;
  static void SetUpTestSuite() { testData = makeTestDataDir(); }
  static void TearDownTestSuite() { fs::remove_all(testData); }

  void SetUp() override {
    messages.clear();
    setMessageSink(keepMessage);
    dataDir = testData.string() + "/";
    ASSERT_TRUE(startOffscreenView(SIZE, SIZE))
        << "no offscreen OpenGL view (EGL with Mesa's surfaceless platform is needed): "
        << (messages.empty() ? "" : messages.back());
    view = offscreenStartView();
  }
  void TearDown() override {
    stopOffscreenView();
    setMessageSink(nullptr);
  }
  ViewState view;
  Camera& camera = view.camera;
};

}  // namespace

TEST_F(ViewTest, LibraryReportsMissingFilesAndUnknownSubParts) {
  // Built during start-up: the missing sub-part once, the missing piece file
  // once for each of its two lists, the wrong name once per list.
  std::sort(messages.begin(), messages.end());
  const std::string open = "Erreur lors de l'ouverture de la pièce: " + dataDir;
  EXPECT_EQ(messages, (std::vector<std::string>{open + "vexo/P/e-rod3.dat ", open + "vexo/Parts/vx207.dat ",
                                                open + "vexo/Parts/vx207.dat ", "Non trouvé: HUB.datx",
                                                "Non trouvé: HUB.datx"}));
}

TEST_F(ViewTest, TurnsOfTheCameraTurnTheDrawnAxes) {
  rotateViewByDrag(camera, 90, 0);  // a quarter turn about the eye's x axis
  const Frame f(view);
  EXPECT_EQ(f.at(CENTRE, CENTRE + 50), (Pixel{128, 128, 255})) << "z axis, downwards";
  EXPECT_EQ(f.at(CENTRE, CENTRE - 50), BACKGROUND) << "the y axis now points at the eye";
  EXPECT_EQ(f.at(CENTRE + 50, CENTRE), (Pixel{255, 0, 0}));
  // A turn after a move is about the eye's axes: Ry(90) x T(12, 0, 0) turns the move too.
  resetView(camera);
  translateView(camera, 10, 0, 0);
  rotateViewByDrag(camera, 0, 90);
  EXPECT_NEAR(camera.viewMatrix.m[12], 0.0f, 1e-5);
  EXPECT_NEAR(camera.viewMatrix.m[14], -12.0f, 1e-5);
}

TEST_F(ViewTest, GhostPieceHangsAtTheMouseWhateverTheViewAndLeavesBlendingOff) {
  view.showAxes = 0;
  // Red, half transparent over the background, by the hole: the face turns
  // towards the eye.
  view.ghost = {true, pieceTemplates[3], 0, 1.0f};
  rotateViewByDrag(camera, 40, 70);
  translateView(camera, 30, 30, 0);
  auto ghostAt = [&](int col, int row) {
    const Pixel p = Frame(view).at(col, row);
    return p[0] > 100 && p[0] > p[2] + 40;
  };
  view.mouseX = 300;  // the window's centre: on the view axis
  view.mouseY = 300;
  EXPECT_TRUE(ghostAt(300, 300));
  EXPECT_FALSE(ghostAt(340, 300));
  view.mouseX = 400;  // 100 pixels right: 100 units at 730 units from the eye
  EXPECT_TRUE(ghostAt(399, 300));
  EXPECT_FALSE(ghostAt(300, 300));
  EXPECT_EQ(view.ghost.piece.colour[3], 1.0f) << "drawn half transparent, the ghost itself unchanged";
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  // Without a ghost shown (insertion mode off), blending is left as found.
  view.ghost.shown = false;
  glEnable(GL_BLEND);
  Frame{view};
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
}

// The texture rows fault was found by a 5 x 4 floor texture: its rows of 15
// bytes were read by GL as rows of 16, past the image's end, and a plain red
// texture showed bands.
TEST_F(ViewTest, RoomHasFourWallsAFloorReadWholeAndLeavesTexturingOffAndTheColourWhite) {
  view.showAxes = 0;
  view.showRoom = 1;
  for (int turn = 0; turn < 4; ++turn) {
    EXPECT_FALSE(Frame(view).at(CENTRE, 5) == BACKGROUND) << "wall after " << turn << " quarter turns";
    rotateViewByKeys(camera, 90.0f, 0.0f);
  }
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  GLfloat colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_EQ(colour[0] + colour[1] + colour[2], 3.0f);
  rotateViewByDrag(camera, 90, 0);  // looking straight down at the floor
  camera.viewDistance = -20.0f;
  const Frame f(view);
  for (int at : {10, CENTRE, SIZE - 10}) {  // red, darkened by the light
    const Pixel p = f.at(at, at);
    EXPECT_TRUE(p[0] > 40 && p[1] < 8 && p[2] < 8) << p[0] << " " << p[1] << " " << p[2];
  }
}

TEST_F(ViewTest, FailuresOfTheOffscreenEntryPointsAreReported) {
  messages.clear();
  EXPECT_EQ(renderCurrentModelToPng((testData / "no/such/dir/frame.png").c_str(), view), 1);
  stopOffscreenView();
  EXPECT_EQ(renderCurrentModelToPng((testData / "frame.png").c_str(), view), 1);
  ASSERT_EQ(messages.size(), 2u);
  for (const std::string& m : messages) EXPECT_EQ(m.rfind("Erreur: ", 0), 0u) << m;

  const fs::path dir = testData / "no-crate";
  linkTextures(dir, "Crate.bmp");  // which the room never shows
  dataDir = dir.string() + "/";
  messages.clear();
  EXPECT_FALSE(startOffscreenView(SIZE, SIZE));
  EXPECT_FALSE(offscreenContextCurrent());
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back(), "Erreur: Initialization ratée(initgl)!");
  for (const std::string& m : messages) EXPECT_EQ(m.find("Erreur lors de l'ouverture"), std::string::npos);
  EXPECT_EQ(renderModelToPng((dir / "x.png").c_str(), SIZE, SIZE, false, DISPLAY_SOLIDS), 1);
  EXPECT_FALSE(fs::exists(dir / "x.png"));

  messages.clear();
  EXPECT_FALSE(startOffscreenView(0, 100));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].rfind("Erreur: Ne peut pas créer un GL rendering context.", 0), 0u) << messages[0];
}

// At a glance a 600-pixel view is seen as cells of about 5 x 5 pixels; a
// cell counts as changed when its mean moves by more than 32 of 255 in a
// channel (an eighth of the range, past lighting's shading steps). The
// model's cells (not background in the first picture) and the changed ones.
struct CellChanges {
  int model = 0, changed = 0;
};

CellChanges changedCells(const Frame& first, const Frame& second) {
  constexpr int CELL = 5, CELLS = SIZE / CELL;
  CellChanges counts;
  for (int cell = 0; cell < CELLS * CELLS; ++cell) {
    int difference[3] = {0, 0, 0};
    bool background = true;
    for (int at = 0; at < CELL * CELL; ++at) {
      const int col = cell % CELLS * CELL + at % CELL, row = cell / CELLS * CELL + at / CELL;
      background = background && first.at(col, row) == BACKGROUND;
      for (int c = 0; c < 3; ++c) difference[c] += first.at(col, row)[c] - second.at(col, row)[c];
    }
    counts.model += !background;
    counts.changed += std::max({std::abs(difference[0]), std::abs(difference[1]), std::abs(difference[2])}) > 32 * CELL * CELL;
  }
  return counts;
}

// The examples' tall tower compiled, seen from the side and a little above
// at the middle of its height from each distance in turn.
template <typename Look>
void lookAtTallTower(std::initializer_list<float> distances, Look look) {
  dataDir = buildDir.string() + "/";
  ASSERT_TRUE(startOffscreenView(SIZE, SIZE));
  ScriptLines tower;
  std::string error;
  ASSERT_TRUE(readScriptFile(VEXOCAD_SOURCE_DIR "/examples/tall-tower.vxo", tower, error)) << error;
  compileScript(tower);
  float top = 0;
  for (int i = 0; i < MODEL_CAPACITY && isUsed(modelTable[i]); ++i) top = std::max(top, modelTable[i].matrix.m[13]);
  ViewState view = offscreenStartView();
  Camera& camera = view.camera;
  for (float distance : distances) {
    resetView(camera);
    setTranslation(camera.viewMatrix, -50.0f, -top / 2, 0.0f);
    rotateViewByDrag(camera, 20, 30);
    camera.viewDistance = distance;
    look(view);
  }
  stopOffscreenView();
}

// Pieces drawn simpler when small must look the same at a glance, from near
// to whole in sight: at most 1% of the model's cells may change. Pixel by
// pixel the shapes of pieces a few pixels across do differ: that is the
// point of them.
TEST(SimplerPieces, LookTheSameAsFullDetailAtAGlance) {
  lookAtTallTower({-600.0f, -1500.0f, -4000.0f, -12000.0f}, [](ViewState& view) {
    view.drawing.detail = DrawDetail::FULL;
    const Frame full(view);
    view.drawing.detail = DrawDetail::AUTO;
    const Frame simpler(view);
    const CellChanges cells = changedCells(full, simpler);
    EXPECT_LE(cells.changed * 100, cells.model)
        << cells.changed << " of " << cells.model << " cells changed from " << -view.camera.viewDistance;
  });
}

// While the view moves, the pieces seen small are marks from one batch: at
// a glance the picture is still the still one, at most one cell in 20
// changed (a rod's round end drawn square changes a cell or two). Pieces
// placed wrongly, missing or turned inside out would change most.
TEST(MovingPictures, LookLikeTheStillOneAtAGlance) {
  lookAtTallTower({-600.0f, -1500.0f, -4000.0f, -12000.0f}, [](ViewState& view) {
    view.drawing.moving = false;
    const Frame still(view);
    view.drawing.moving = true;
    const Frame moving(view);
    const CellChanges cells = changedCells(still, moving);
    EXPECT_LE(cells.changed * 20, cells.model)
        << cells.changed << " of " << cells.model << " cells changed from " << -view.camera.viewDistance;
  });
}

// The batch follows the table from one moving frame to the next: pieces
// moved and recoloured (by a key binding, say), then a model of other
// pieces (a compile), each seen in the moving frame where the still one
// shows them.
TEST(MovingPictures, FollowThePiecesThatMoveAndTheModelThatChanges) {
  lookAtTallTower({-8000.0f}, [](ViewState& view) {
    const auto compare = [&view](const char* what) {
      view.drawing.moving = true;
      const Frame moving(view);
      view.drawing.moving = false;
      const Frame still(view);
      const CellChanges cells = changedCells(still, moving);
      EXPECT_LE(cells.changed * 20, cells.model) << what << ": " << cells.changed << " of " << cells.model;
    };
    compare("as compiled");
    for (int i = 0; i < MODEL_CAPACITY && isUsed(modelTable[i]); i += 2) {
      modelTable[i].matrix.m[12] += 400.0f;
      modelTable[i].colour[1] = 0.0f;
    }
    compare("moved and recoloured");
    const int count = usedPrefixLength();
    for (int i = 0; i < count; ++i) modelTable[i].kind = int16_t(i % 3 ? 8 : 12);
    modelTable[count - 1].flags = 0;
    compare("other kinds, one piece fewer");
  });
}

// A picture drawn while the view moved, kept for the pointer hovering over
// it, is never put back for the still picture once the view rests.
TEST(MovingPictures, AreNeverPutBackForTheStillOne) {
  lookAtTallTower({-8000.0f}, [](ViewState& view) {
    const int width = view.camera.viewportWidth, height = view.camera.viewportHeight;
    KeptModel kept;
    view.drawing.moving = true;
    const Frame moving(view);
    ASSERT_TRUE(keepModel(kept, width, height, modelFingerprint(modelTable, view)));
    EXPECT_TRUE(restoreModel(kept, width, height, modelFingerprint(modelTable, view)));
    view.drawing.moving = false;
    EXPECT_FALSE(restoreModel(kept, width, height, modelFingerprint(modelTable, view)));
    releaseKeptModel(kept);
  });
}
