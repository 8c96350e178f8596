// Offscreen renders of the 3-D view checked by their pixels: background and
// axes, piece library built from piece files, display modes, frames, the
// room, the view transforms, and the offscreen render entry points.
//
// Most tests use a data directory of their own whose piece files hold flat
// squares facing the viewer, so that every piece lands on known pixels; the
// room textures are the generated ones of the build directory. The last
// group uses the generated piece files of the build directory.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

#include "insertion/insertion.h"
#include "insertion/picking.h"
#include "model/matrix.h"
#include "model/model_table.h"
#include "pieces/catalogue.h"
#include "pieces/piece_library_gl.h"
#include "platform/core_data_dir.h"
#include "platform/core_messages.h"
#include "platform/gl_offscreen.h"
#include "shell/gl_context.h"
#include "shell/render_command.h"
#include "shell/shared_state.h"
#include "view/room.h"
#include "view/scene.h"
#include "view/camera.h"
#include "view/view_switches.h"

namespace fs = std::filesystem;

// Mesa's software driver keeps some memory of its own until the process ends;
// sanitizer builds should not report it as ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:swrast_dri.so\n"; }

namespace {

// Odd, so the view axis falls on the centre of a pixel.
constexpr int SIZE = 201;
constexpr int CENTRE = SIZE / 2;
const std::string buildDir = VEXOCAD_BINARY_DIR "/";

struct Message {
  std::string text, caption;
  MessageIcon icon;
};
std::vector<Message> messages;
void keepMessage(const char* text, const char* caption, MessageIcon icon) {
  messages.push_back({text, caption, icon});
}
int countCaption(const std::string& caption) {
  int n = 0;
  for (const Message& m : messages) n += m.caption == caption;
  return n;
}

struct Pixel {
  int r, g, b;
};
bool operator==(Pixel a, Pixel b) { return a.r == b.r && a.g == b.g && a.b == b.b; }
std::ostream& operator<<(std::ostream& os, Pixel p) {
  return os << "(" << p.r << ", " << p.g << ", " << p.b << ")";
}
const Pixel BACKGROUND{0, 0, 51};

struct Frame {
  std::vector<unsigned char> rgb;
  int width = SIZE, height = SIZE;
  Pixel at(int col, int row) const {
    const size_t i = (size_t(row) * size_t(width) + size_t(col)) * 3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
  }
};

Frame renderFrame() {
  drawScene();
  drawInsertionGhost();
  return Frame{readOffscreenPixels(SIZE, SIZE)};
}

// Pixels per model unit in the plane z = 0 seen from the distance d.
double pixelsPerUnit(double distance = 400.0) {
  return (SIZE / 2.0) / (distance * std::tan(22.5 * std::numbers::pi / 180.0));
}
int colOf(double x) { return int(std::lround(CENTRE + x * pixelsPerUnit())); }
int rowOf(double y) { return int(std::lround(CENTRE - y * pixelsPerUnit())); }
Pixel seen(const Frame& f, double x, double y) { return f.at(colOf(x), rowOf(y)); }

bool isRedDominant(Pixel p) { return p.r > 120 && p.r > p.g + 60 && p.r > p.b + 60; }
bool isGreenDominant(Pixel p) { return p.g > 120 && p.g > p.r + 60 && p.g > p.b + 60; }

// ---- a data directory of flat test pieces ----

void writeFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path) << text;
}

// A 40 x 40 square facing +z (clockwise seen from +z), with one edge
// across it and beyond it, just in front.
const char* const TILE =
    "0 tile\n"
    "4 16 -20 20 0 20 20 0 20 -20 0 -20 -20 0\n"
    "2 24 -30 0 0.5 30 0 0.5\n";

fs::path makeTestDataDir() {
  char pattern[] = "/tmp/vexocad-render-XXXXXX";
  const fs::path dir = mkdtemp(pattern);
  fs::create_directory_symlink(fs::path(buildDir) / "data", dir / "data");
  for (int i = 0; i < SUBPART_COUNT; ++i)
    writeFile(dir / "vexo/P" / subPartFileNames[i], "0 empty\n");
  for (int k = 0; k < KIND_COUNT; ++k)
    writeFile(dir / "vexo/Parts" / pieceFileNames[k], "0 empty\n");
  writeFile(dir / "vexo/Parts/vx304.dat", TILE);  // kind 3
  // Kind 2: the same square listed counter-clockwise, so culled.
  writeFile(dir / "vexo/Parts/vx225.dat", "4 16 -20 -20 0 20 -20 0 20 20 0 -20 20 0\n");
  // Kind 9: a square in the x-z plane facing +y, as connectors lie.
  writeFile(dir / "vexo/Parts/vx119.dat", "4 16 -20 0 -20 20 0 -20 20 0 20 -20 0 20\n");
  // Kind 10, a rod: a bar along x, turned 45 degrees when loaded.
  writeFile(dir / "vexo/Parts/vx0002.dat", "4 16 -50 3 0 50 3 0 50 -3 0 -50 -3 0\n");
  // Kind 16 places the hub sub-part at x = 60, and names one wrongly.
  writeFile(dir / "vexo/Parts/vxrond.dat",
            "1 16 60 0 0 1 0 0 0 1 0 0 0 1 hub.dat\n"
            "1 16 0 0 0 1 0 0 0 1 0 0 0 1 HUB.dat\n");
  writeFile(dir / "vexo/P/hub.dat",
            "4 16 -5 5 0 5 5 0 5 -5 0 -5 -5 0\n"
            "2 16 -5 0 1 5 0 1\n");
  // Missing files: one sub-part, one piece.
  fs::remove(dir / "vexo/P/e-rod3.dat");
  fs::remove(dir / "vexo/Parts/vx207.dat");
  return dir;
}

PieceRecord& place(int index, int kind, float x, float y, float z) {
  PieceRecord& p = modelTable[index];
  p = pieceTemplates[kind];
  setTranslation(p.matrix, x, y, z);
  return p;
}

void setColour(PieceRecord& p, float r, float g, float b) {
  p.colour[0] = r;
  p.colour[1] = g;
  p.colour[2] = b;
  p.colour[3] = 1.0f;
}

class ViewTest : public ::testing::Test {
 protected:
  static fs::path testData;
  static void SetUpTestSuite() { testData = makeTestDataDir(); }
  static void TearDownTestSuite() { fs::remove_all(testData); }

  virtual std::string dataDirectory() const { return testData.string() + "/"; }

  void SetUp() override {
    resetSharedState();
    resetViewSwitches();
    clearModel();
    messages.clear();
    setMessageSink(keepMessage);
    dataDir = dataDirectory();
    ASSERT_TRUE(startOffscreenView(SIZE, SIZE))
        << "no offscreen OpenGL view (EGL with Mesa's surfaceless platform is needed): "
        << (messages.empty() ? "" : messages.back().text);
  }
  void TearDown() override {
    stopOffscreenView();
    setMessageSink(nullptr);
  }
};
fs::path ViewTest::testData;

}  // namespace

// ---- background, axes and view transforms ----

TEST_F(ViewTest, EmptyModelShowsBackgroundAndTheAxes) {
  const Frame f = renderFrame();
  EXPECT_EQ(f.at(0, 0), BACKGROUND);
  EXPECT_EQ(f.at(SIZE - 1, SIZE - 1), BACKGROUND);
  EXPECT_EQ(f.at(CENTRE + 50, CENTRE), (Pixel{255, 0, 0})) << "x axis, to the right";
  EXPECT_EQ(f.at(CENTRE, CENTRE - 50), (Pixel{0, 255, 0})) << "y axis, upwards";
  EXPECT_EQ(f.at(CENTRE - 50, CENTRE), BACKGROUND);
  EXPECT_EQ(f.at(CENTRE, CENTRE + 50), BACKGROUND);
}

TEST_F(ViewTest, AxesCanBeHidden) {
  showAxes = 0;
  const Frame f = renderFrame();
  EXPECT_EQ(f.at(CENTRE + 50, CENTRE), BACKGROUND);
  EXPECT_EQ(f.at(CENTRE, CENTRE - 50), BACKGROUND);
}

TEST_F(ViewTest, QuarterTurnByDragBringsTheZAxisDownTheScreen) {
  rotateViewByDrag(camera, 90, 0);
  const Frame f = renderFrame();
  EXPECT_EQ(f.at(CENTRE, CENTRE + 50), (Pixel{128, 128, 255})) << "z axis, downwards";
  EXPECT_EQ(f.at(CENTRE, CENTRE - 50), BACKGROUND) << "the y axis now points at the eye";
  EXPECT_EQ(f.at(CENTRE + 50, CENTRE), (Pixel{255, 0, 0}));
  const float expected[16] = {1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1};
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(camera.viewMatrix.m[i], expected[i], 1e-6) << i;
}

TEST_F(ViewTest, KeyTurnIsAboutTheVerticalAxis) {
  rotateViewByKeys(camera, 90.0f, 0.0f);
  const Frame f = renderFrame();
  EXPECT_EQ(f.at(CENTRE + 50, CENTRE), (Pixel{128, 128, 255})) << "z axis, to the right";
  EXPECT_EQ(f.at(CENTRE, CENTRE - 50), (Pixel{0, 255, 0}));
}

TEST_F(ViewTest, NullChangesLeaveTheViewAndMovesScaleBySixFifths) {
  rotateViewByDrag(camera, 20, -35);
  const Matrix before = camera.viewMatrix;
  rotateViewByKeys(camera, 0.0f, 0.0f);
  translateView(camera, 0, 0, 0);
  rotateViewByDrag(camera, 0, 0);
  for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(camera.viewMatrix.m[i], before.m[i]) << i;
  resetView(camera);
  translateView(camera, 10, -5, 2);
  EXPECT_NEAR(camera.viewMatrix.m[12], 12.0f, 1e-5);
  EXPECT_NEAR(camera.viewMatrix.m[13], -6.0f, 1e-5);
  EXPECT_NEAR(camera.viewMatrix.m[14], 2.4f, 1e-5);
}

TEST_F(ViewTest, TurnAfterMoveIsAboutTheEyeAxesNotTheModelOrigin) {
  translateView(camera, 10, 0, 0);
  rotateViewByDrag(camera, 0, 90);
  // Ry(90) x T(12, 0, 0): the move itself is turned.
  EXPECT_NEAR(camera.viewMatrix.m[12], 0.0f, 1e-5);
  EXPECT_NEAR(camera.viewMatrix.m[13], 0.0f, 1e-5);
  EXPECT_NEAR(camera.viewMatrix.m[14], -12.0f, 1e-5);
}

TEST_F(ViewTest, HalvingTheViewDistanceDoublesTheSizeOnScreen) {
  showAxes = 0;
  place(0, 3, 0, 0, 0);
  auto width = [](const Frame& f) {
    int n = 0;
    for (int col = 0; col < SIZE; ++col) n += !(f.at(col, CENTRE + 5) == BACKGROUND);
    return n;
  };
  const int far = width(renderFrame());
  camera.viewDistance = -200.0f;  // as twenty presses of Page Down would leave it
  const int near = width(renderFrame());
  EXPECT_NEAR(far, 40 * pixelsPerUnit(400), 1.5);
  EXPECT_NEAR(near, 40 * pixelsPerUnit(200), 1.5);
}

TEST_F(ViewTest, ResizeToHeightZeroUsesHeightOne) {
  resizeGlView(120, 0);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[3], 1);
  GLfloat projection[16];
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  // f / aspect with the aspect computed as 120 / 1.
  EXPECT_NEAR(projection[0], (1.0 / std::tan(22.5 * std::numbers::pi / 180.0)) / 120.0, 1e-6);
}

// ---- piece library ----

TEST_F(ViewTest, LibraryReportsMissingFilesAndUnknownSubParts) {
  // Built during start-up: the missing sub-part once, the missing piece file
  // once for each of its two lists, the wrong name once per list.
  int subPart = 0, piece = 0;
  for (const Message& m : messages) {
    if (m.caption != "Erreur lors de l'ouverture de la pièce") continue;
    subPart += m.text == dataDir + "vexo/P/e-rod3.dat";
    piece += m.text == dataDir + "vexo/Parts/vx207.dat";
  }
  EXPECT_EQ(subPart, 1);
  EXPECT_EQ(piece, 2);
  EXPECT_EQ(countCaption("Erreur lors de l'ouverture de la pièce"), 3);
  ASSERT_EQ(countCaption("Non trouvé"), 2);
  for (const Message& m : messages)
    if (m.caption == "Non trouvé") {
      EXPECT_EQ(m.text, "HUB.dat");
      EXPECT_EQ(m.icon, ICON_ERROR);
    }
}

TEST_F(ViewTest, RodsAreTurnedFortyFiveDegreesAboutZ) {
  showAxes = 0;
  setColour(place(0, 10, 0, 0, 0), 0.0f, 0.6f, 0.0f);
  const Frame f = renderFrame();
  EXPECT_TRUE(isGreenDominant(seen(f, 25, 25))) << seen(f, 25, 25);
  EXPECT_TRUE(isGreenDominant(seen(f, -25, -25))) << seen(f, -25, -25);
  EXPECT_EQ(seen(f, 40, 0), BACKGROUND);
}

TEST_F(ViewTest, SubPartsAreDrawnWhereThePieceFilePlacesThem) {
  showAxes = 0;
  setColour(place(0, 16, 0, 0, 0), 0.6f, 0.0f, 0.0f);
  const Frame f = renderFrame();
  EXPECT_TRUE(isRedDominant(seen(f, 60, 2))) << seen(f, 60, 2);
  EXPECT_EQ(seen(f, 0, 2), BACKGROUND) << "the unknown sub-part is not drawn";
}

TEST_F(ViewTest, FacesListedCounterClockwiseFromOutsideAreCulled) {
  showAxes = 0;
  place(0, 2, -40, 0, 0);
  place(1, 3, 40, 0, 0);
  const Frame f = renderFrame();
  EXPECT_EQ(seen(f, -40, 5), BACKGROUND);
  EXPECT_FALSE(seen(f, 40, 5) == BACKGROUND);
}

// ---- display modes ----

class DisplayModeTest : public ViewTest {
 protected:
  // The tile's face at (0, 5), its edge over the face at (10, 0) and beyond
  // the face at (25, 0).
  Pixel face, edgeOverFace, edgeAlone;
  void renderTile(uint32_t mode) {
    showAxes = 0;
    displayMode = mode;
    setColour(place(0, 3, 0, 0, 0), 0.6f, 0.2f, 0.0f);
    const Frame f = renderFrame();
    face = seen(f, 0, 5);
    edgeOverFace = seen(f, 10, 0);
    edgeAlone = seen(f, 25, 0);
  }
};

TEST_F(DisplayModeTest, SolidsOnly) {
  renderTile(DISPLAY_SOLIDS);
  EXPECT_TRUE(isRedDominant(face)) << face;
  EXPECT_EQ(edgeOverFace, face);
  EXPECT_EQ(edgeAlone, BACKGROUND);
}

TEST_F(DisplayModeTest, EdgesOnlyInTheFullColour) {
  renderTile(DISPLAY_EDGES);
  EXPECT_EQ(face, BACKGROUND);
  EXPECT_TRUE(isRedDominant(edgeAlone)) << edgeAlone;
  EXPECT_EQ(edgeOverFace, edgeAlone);
}

TEST_F(DisplayModeTest, SolidsWithHalfBrightEdges) {
  renderTile(DISPLAY_SOLIDS | DISPLAY_EDGES);
  const Pixel solidFace = face;
  EXPECT_TRUE(isRedDominant(solidFace)) << solidFace;
  EXPECT_LT(edgeOverFace.r, solidFace.r - 40) << edgeOverFace << " over " << solidFace;
  EXPECT_TRUE(isRedDominant(edgeOverFace)) << edgeOverFace;
  EXPECT_EQ(edgeAlone, edgeOverFace);
}

TEST_F(DisplayModeTest, NoModeDrawsNoPiece) {
  renderTile(0);
  EXPECT_EQ(face, BACKGROUND);
  EXPECT_EQ(edgeAlone, BACKGROUND);
}

// ---- frames ----

TEST_F(ViewTest, PieceInAFrameIsDrawnAtItsWorldPosition) {
  showAxes = 0;
  PieceRecord& frame = place(0, 3, 0, 0, 0);
  setColour(frame, 0.0f, 0.6f, 0.0f);
  setRotation(frame.matrix, 0.0f, 0.0f, -90.0f);  // a quarter turn about z
  PieceRecord& member = place(1, 3, 80, 0, 0);
  setColour(member, 0.6f, 0.0f, 0.0f);
  member.flags |= PIECE_IN_FRAME;
  member.frameParent = &frame;
  const Frame f = renderFrame();
  EXPECT_TRUE(isGreenDominant(seen(f, 0, 5))) << seen(f, 0, 5);
  EXPECT_TRUE(isRedDominant(seen(f, 0, 85))) << "turned with its frame: " << seen(f, 0, 85);
  EXPECT_EQ(seen(f, 80, 5), BACKGROUND);
}

TEST_F(ViewTest, PiecesWithoutReachableFrameAreNotDrawnAndTheFrameEnds) {
  showAxes = 0;
  setColour(place(0, 3, 0, 0, 0), 0.0f, 0.6f, 0.0f);
  PieceRecord& orphan = place(1, 3, 80, 0, 0);  // in a frame, with no frame parent
  orphan.flags |= PIECE_IN_FRAME;
  PieceRecord& a = place(2, 3, -80, 0, 0);  // a and b in each other's frame
  PieceRecord& b = place(3, 3, 0, 80, 0);
  a.flags |= PIECE_IN_FRAME;
  b.flags |= PIECE_IN_FRAME;
  a.frameParent = &b;
  b.frameParent = &a;
  modelTable[5] = pieceTemplates[3];  // after the first unused record
  setTranslation(modelTable[5].matrix, 0, -80, 0);
  const Frame f = renderFrame();
  EXPECT_FALSE(seen(f, 0, 5) == BACKGROUND);
  EXPECT_EQ(seen(f, 80, 5), BACKGROUND);
  EXPECT_EQ(seen(f, -80, 5), BACKGROUND);
  EXPECT_EQ(seen(f, 0, 85), BACKGROUND);
  EXPECT_EQ(seen(f, 0, -75), BACKGROUND);
}

TEST_F(ViewTest, DeepFrameNestingIsDrawnWithoutExhaustingAnyStack) {
  showAxes = 0;
  place(0, 3, 0, 0, 0);
  for (int i = 1; i < MODEL_CAPACITY; ++i) {
    PieceRecord& p = place(i, 3, 0, 0, 0);
    p.flags |= PIECE_IN_FRAME;
    p.frameParent = &modelTable[i - 1];
  }
  // Each piece moves its frame 0.01 along x: the last is drawn at x = 99.99.
  for (int i = 1; i < MODEL_CAPACITY; ++i) setTranslation(modelTable[i].matrix, 0.01f, 0, 0);
  setColour(modelTable[MODEL_CAPACITY - 1], 0.6f, 0.0f, 0.0f);
  const GLuint nothing = glGenLists(1);  // only the last piece shows
  glNewList(nothing, GL_COMPILE);
  glEndList();
  kindSolidList[4] = nothing;
  for (int i = 0; i < MODEL_CAPACITY - 1; ++i) modelTable[i].kind = 4;
  const Frame f = renderFrame();
  EXPECT_TRUE(isRedDominant(seen(f, 100, 5))) << seen(f, 100, 5);
  EXPECT_EQ(seen(f, 0, 5), BACKGROUND);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// ---- ghost piece ----

TEST_F(ViewTest, GhostPieceHangsAtTheMouseWhateverTheView) {
  // The ghost's placement is laid out for the 600 x 600 view window.
  constexpr int WINDOW = 600;
  stopOffscreenView();
  ASSERT_TRUE(startOffscreenView(WINDOW, WINDOW));
  showAxes = 0;
  insertionMode = 1;
  ghostPiece = pieceTemplates[9];  // lying in the x-z plane, as connectors do
  setColour(ghostPiece, 1.0f, 0.0f, 0.0f);
  ghostPortKind = 0;  // by the hole: the face turns towards the eye
  ghostPlace = 1.0f;
  rotateViewByDrag(camera, 40, 70);
  translateView(camera, 30, 30, 0);
  auto ghostAt = [](int col, int row) {
    drawScene();
    drawInsertionGhost();
    const Frame f{readOffscreenPixels(WINDOW, WINDOW), WINDOW, WINDOW};
    const Pixel p = f.at(col, row);
    // Half transparent over the background.
    return p.r > 100 && p.r > p.b + 40;
  };
  mouseX = 300;  // the window's centre: on the view axis
  mouseY = 300;
  EXPECT_TRUE(ghostAt(300, 300));
  EXPECT_FALSE(ghostAt(340, 300));
  mouseX = 400;  // 100 pixels right: 100 units at 730 units from the eye
  EXPECT_TRUE(ghostAt(399, 300));
  EXPECT_FALSE(ghostAt(300, 300));
  EXPECT_EQ(ghostPiece.colour[3], 0.5f);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
}

TEST_F(ViewTest, NoGhostAndNoBlendSwitchingOutsideInsertionMode) {
  ghostPiece = pieceTemplates[9];
  insertionMode = 0;
  glEnable(GL_BLEND);  // left as found
  renderFrame();
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_EQ(ghostPiece.colour[3], 1.0f);
}

// ---- room ----

TEST_F(ViewTest, RoomShowsWallAboveAndFloorBelowAndLeavesTexturingOff) {
  showAxes = 0;
  const Frame bare = renderFrame();
  EXPECT_EQ(bare.at(CENTRE, 5), BACKGROUND);
  EXPECT_EQ(bare.at(CENTRE, SIZE - 5), BACKGROUND);
  showRoom = 1;
  const Frame room = renderFrame();
  EXPECT_FALSE(room.at(CENTRE, 5) == BACKGROUND) << "far wall";
  EXPECT_FALSE(room.at(CENTRE, SIZE - 5) == BACKGROUND) << "floor";
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  for (int turn = 1; turn < 4; ++turn) {
    rotateViewByKeys(camera, 90.0f, 0.0f);  // each of the other three walls, seen from inside
    EXPECT_FALSE(renderFrame().at(CENTRE, 5) == BACKGROUND)
        << "wall after " << turn << " quarter turns";
  }
  GLfloat colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_EQ(colour[0] + colour[1] + colour[2], 3.0f);
}

TEST_F(ViewTest, FloorLiesTwelveAndAHalfUnitsBelowTheOrigin) {
  showAxes = 0;
  showRoom = 1;
  rotateViewByDrag(camera, 90, 0);  // looking straight down
  camera.viewDistance = -20.0f;    // the eye 20 units above the origin, 32.5 above the floor
  const Frame f = renderFrame();
  GLfloat depth = 0;
  glReadPixels(CENTRE, CENTRE, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
  // Window depth back to eye distance for near 0.1 and far 100000.
  const double n = 0.1, far = 100000.0, ndc = 2.0 * depth - 1.0;
  const double distance = 2.0 * far * n / (far + n - ndc * (far - n));
  EXPECT_NEAR(distance, 32.5, 0.1);
  EXPECT_FALSE(f.at(CENTRE, CENTRE) == BACKGROUND);
}

// Found by a 5 x 4 floor texture: its rows of 15 bytes were read by GL as
// rows of 16, past the image's end, and a plain red texture showed bands.
TEST_F(ViewTest, TextureRowsNotAMultipleOfFourBytesAreReadWhole) {
  stopOffscreenView();
  const fs::path dir = testData / "odd-texture";
  fs::create_directories(dir / "data");
  fs::create_directory_symlink(testData / "vexo", dir / "vexo");
  for (const char* name : {"Wood.bmp", "Boden.bmp", "Wand.bmp", "Crate.bmp"})
    fs::create_symlink(fs::path(buildDir) / "data" / name, dir / "data" / name);
  const auto le32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
  std::string row;
  for (int x = 0; x < 5; ++x) row += std::string("\0\0\xFF", 3);  // blue, green, red
  const std::string bmp = "BM" + le32(118) + le32(0) + le32(54) + le32(40) + le32(5) + le32(4) +
                          le32(1 | 24 << 16) + le32(0) + le32(64) + le32(0) + le32(0) + le32(0) + le32(0) +
                          row + '\0' + row + '\0' + row + '\0' + row + '\0';
  writeFile(dir / "data/Marble.bmp", bmp);
  dataDir = dir.string() + "/";
  ASSERT_TRUE(startOffscreenView(SIZE, SIZE));
  showAxes = 0;
  showRoom = 1;
  rotateViewByDrag(camera, 90, 0);  // looking straight down at the floor
  camera.viewDistance = -20.0f;
  const Frame f = renderFrame();
  for (int at : {10, CENTRE, SIZE - 10}) {  // red, darkened by the light
    const Pixel p = f.at(at, at);
    EXPECT_TRUE(p.r > 40 && p.g < 8 && p.b < 8) << p;
  }
}

// ---- start-up and the offscreen render entry points ----

bool readPng(const std::string& path, Frame& frame) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  frame.width = int(image.width);
  frame.height = int(image.height);
  frame.rgb.resize(PNG_IMAGE_SIZE(image));
  return png_image_finish_read(&image, nullptr, frame.rgb.data(), 0, nullptr);
}

TEST_F(ViewTest, RenderWritesThePngWithRoomAndModeAsAsked) {
  const fs::path png = testData / "frame.png";
  showAxes = 0;
  setColour(place(0, 3, 0, 0, 0), 0.6f, 0.2f, 0.0f);
  ASSERT_EQ(renderCurrentModelToPng(png.c_str(), true, DISPLAY_SOLIDS), 0);
  EXPECT_EQ(showRoom, 1);
  Frame f;
  ASSERT_TRUE(readPng(png.string(), f));
  ASSERT_EQ(f.width, SIZE);
  ASSERT_EQ(f.height, SIZE);
  EXPECT_FALSE(f.at(CENTRE, 5) == BACKGROUND) << "room";
  EXPECT_TRUE(isRedDominant(seen(f, 0, 5))) << "face: " << seen(f, 0, 5);
  ASSERT_EQ(renderCurrentModelToPng(png.c_str(), false, DISPLAY_EDGES), 0);
  EXPECT_EQ(displayMode, DISPLAY_EDGES);
  EXPECT_EQ(showRoom, 0);
  ASSERT_TRUE(readPng(png.string(), f));
  EXPECT_EQ(f.at(CENTRE, 5), BACKGROUND) << "no room";
  EXPECT_EQ(seen(f, 0, 5), BACKGROUND) << "no face";
  EXPECT_FALSE(seen(f, 25, 0) == BACKGROUND) << "edge";
}

TEST_F(ViewTest, UnwritableImageIsReported) {
  EXPECT_EQ(
      renderCurrentModelToPng((testData / "no/such/dir/frame.png").c_str(), false, DISPLAY_SOLIDS),
      1);
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back().caption, "Erreur");
  stopOffscreenView();
  messages.clear();
  EXPECT_EQ(renderCurrentModelToPng((testData / "frame.png").c_str(), false, DISPLAY_SOLIDS), 1);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].caption, "Erreur");
}

TEST(OffscreenStartTest, MissingTextureFailsTheStartWithTheInitialisationMessage) {
  char pattern[] = "/tmp/vexocad-notex-XXXXXX";
  const fs::path dir = mkdtemp(pattern);
  fs::create_directories(dir / "data");
  for (const char* name : {"Wood.bmp", "Boden.bmp", "Wand.bmp", "Marble.bmp"})
    fs::copy_file(fs::path(buildDir) / "data" / name, dir / "data" / name);
  // Crate.bmp, which the room never shows, is missing.
  messages.clear();
  setMessageSink(keepMessage);
  dataDir = dir.string() + "/";
  EXPECT_FALSE(startOffscreenView(SIZE, SIZE));
  EXPECT_FALSE(offscreenContextCurrent());
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back().text, "Initialization ratée(initgl)");
  EXPECT_EQ(messages.back().caption, "Erreur");
  EXPECT_EQ(messages.back().icon, ICON_EXCLAMATION);
  EXPECT_EQ(countCaption("Erreur lors de l'ouverture de la pièce"), 0) << "no piece file was read";
  EXPECT_EQ(renderModelToPng((dir / "x.png").c_str(), SIZE, SIZE, false, DISPLAY_SOLIDS), 1);
  EXPECT_FALSE(fs::exists(dir / "x.png"));
  setMessageSink(nullptr);
  fs::remove_all(dir);
}

TEST(OffscreenStartTest, ImpossibleSizeIsRefusedClearly) {
  messages.clear();
  setMessageSink(keepMessage);
  dataDir = buildDir;
  EXPECT_FALSE(startOffscreenView(0, 100));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].caption, "Erreur");
  EXPECT_NE(messages[0].text.find("Ne peut pas créer un GL rendering context."), std::string::npos);
  setMessageSink(nullptr);
}

// ---- the generated piece files ----

class GeneratedPiecesTest : public ViewTest {
 protected:
  std::string dataDirectory() const override { return buildDir; }
};

TEST_F(GeneratedPiecesTest, AllPieceFilesLoadWithoutMessages) {
  for (const Message& m : messages) ADD_FAILURE() << m.caption << ": " << m.text;
}

TEST_F(GeneratedPiecesTest, ConnectorAtTheOriginShowsItsColourAtTheCentre) {
  showAxes = 0;
  place(0, 3, 0, 0, 0);     // red, lying in the x-z plane
  rotateViewByDrag(camera, 90, 0);  // look down on its face
  const Frame f = renderFrame();
  int red = 0;
  for (int row = CENTRE - 20; row <= CENTRE + 20; ++row)
    for (int col = CENTRE - 20; col <= CENTRE + 20; ++col) red += isRedDominant(f.at(col, row));
  EXPECT_GT(red, 41 * 41 / 4) << "red pixels in the central 41 x 41";
  EXPECT_EQ(f.at(0, 0), BACKGROUND);
}

TEST_F(GeneratedPiecesTest, RodShowsInEveryDisplayMode) {
  showAxes = 0;
  place(0, 13, 0, 0, 0);    // running along -z
  rotateViewByDrag(camera, 90, 0);  // so it runs up the screen
  for (uint32_t mode : {DISPLAY_SOLIDS, DISPLAY_EDGES, DISPLAY_SOLIDS | DISPLAY_EDGES}) {
    displayMode = mode;
    const Frame f = renderFrame();
    int drawn = 0;
    for (int row = 0; row < CENTRE; ++row) {
      bool seenHere = false;
      for (int col = CENTRE - 8; col <= CENTRE + 8; ++col)
        seenHere |= !(f.at(col, row) == BACKGROUND);
      drawn += seenHere;
    }
    // Edges alone are lit with whatever normal was set last, so only their
    // presence is checked, not their colour.
    EXPECT_GT(drawn, CENTRE / 2) << "rows showing the rod, display mode " << mode;
  }
}
