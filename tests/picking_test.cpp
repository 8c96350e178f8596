// Picking in an offscreen view of the generated pieces, at mouse positions
// computed from the view the way the GL projects them: the piece under a
// pixel and the nearest of two, the connection point under the mouse (hole,
// clip, rod end, body place), pieces in frames at their world position, and
// places where nothing is. Then insertion driven by real picks: clicks, the
// wheel on a piece just inserted and after the text or the table changed,
// and clicks that find no place to insert.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "insertion/insertion.h"
#include "insertion/picking.h"
#include "model/connection.h"
#include "model/model_table.h"
#include "pieces/catalogue.h"
#include "platform/core_editor.h"
#include "platform/core_data_dir.h"
#include "platform/core_messages.h"
#include "platform/core_window_messages.h"
#include "platform/gl_offscreen.h"
#include "script/compiler.h"
#include "shell/render_command.h"
#include "shell/shared_state.h"
#include "view/scene.h"
#include "view/camera.h"
#include "view/view_switches.h"

// Mesa's software driver keeps some memory of its own until the process ends.
extern "C" const char* __lsan_default_suppressions() { return "leak:swrast_dri.so\n"; }

namespace {

constexpr int WINDOW = 600;

std::vector<std::string> messages;
void keepMessage(const char* text, const char* caption, MessageIcon) {
  messages.push_back(std::string(caption) + ": " + text);
}

struct Point {
  double x, y, z;
};

// Where a point of the world lands in the window, as mouse coordinates.
void moveMouseTo(const Point& world) {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(0.0f, 0.0f, camera.viewDistance);
  glMultMatrixf(camera.viewMatrix.m);
  GLdouble modelview[16], projection[16];
  GLint viewport[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  glGetIntegerv(GL_VIEWPORT, viewport);
  GLdouble wx, wy, wz;
  gluProject(world.x, world.y, world.z, modelview, projection, viewport, &wx, &wy, &wz);
  mouseX = int(std::lround(wx));
  mouseY = viewport[3] - int(std::lround(wy));
}

// The world position of a port's origin on a placed piece.
Point portAt(const PieceRecord& piece, const Matrix& world, uint8_t portKind, double place) {
  ConnectionPoint point = makeConnectionPoint(portKind, place);
  placeConnectionPoint(point, piece, true, false);
  Matrix m = world;
  multiplyRight(m, point.frame);
  return {m.m[12], m.m[13], m.m[14]};
}
Point portAt(const PieceRecord& piece, uint8_t portKind, double place) {
  return portAt(piece, piece.matrix, portKind, place);
}

Point originOf(const Matrix& m) { return {m.m[12], m.m[13], m.m[14]}; }

Point pointOn(const Matrix& m, float x, float y, float z) {
  Matrix t;
  setTranslation(t, x, y, z);
  multiplyLeft(m, t);
  return originOf(t);
}

// Turned to face the eye (connectors lie in their x-z plane) and moved.
PieceRecord& place(int index, int kind, float x, float y, float z) {
  PieceRecord& p = modelTable[index];
  p = pieceTemplates[kind];
  Matrix move;
  setTranslation(move, x, y, z);
  setRotation(p.matrix, 90.0f, 0.0f, 0.0f);
  multiplyLeft(move, p.matrix);
  return p;
}

void inFrameOf(int piece, int parent) {
  modelTable[piece].flags |= PIECE_IN_FRAME;
  modelTable[piece].frameParent = &modelTable[parent];
}

class Picking : public ::testing::Test {
 protected:
  void SetUp() override {
    resetSharedState();
    resetViewSwitches();
    clearModel();
    resetGhostPiece();
    messages.clear();
    setMessageSink(keepMessage);
    dataDir = VEXOCAD_BINARY_DIR "/";
    ASSERT_TRUE(startOffscreenView(WINDOW, WINDOW))
        << "no offscreen OpenGL view (EGL with Mesa's surfaceless platform is needed): "
        << (messages.empty() ? "" : messages.back());
    ASSERT_TRUE(messages.empty()) << messages.front();
    pickedPiece = nullptr;
    pickedPortKind = 1;
    pickedPlace = 1.0f;
    lastInserted = nullptr;
  }
  void TearDown() override {
    stopOffscreenView();
    setMessageSink(nullptr);
  }
  void expectPicked(int piece, int32_t portKind, float place) {
    pickConnectionPoint(modelTable);
    EXPECT_EQ(pieceNumber(pickedPiece), piece);
    EXPECT_EQ(pickedPortKind, portKind);
    EXPECT_EQ(pickedPlace, place);
  }
};

TEST_F(Picking, PieceUnderThePixelIsTheNearestAndNothingIsUnderEmptySpace) {
  place(0, 8, 0, 0, 0);
  place(1, 4, 0, 0, -200);  // behind it, seen through nothing
  const Point ring{0, 15, 0};  // on both hubs, beside the hole
  moveMouseTo(ring);
  EXPECT_EQ(pickPiece(modelTable), 0);
  place(1, 4, 0, 0, 100);  // now in front
  moveMouseTo(ring);
  EXPECT_EQ(pickPiece(modelTable), 1);
  moveMouseTo({0, 140, 0});  // above both
  EXPECT_EQ(pickPiece(modelTable), -1);
  mouseX = -50;  // outside the window
  EXPECT_EQ(pickPiece(modelTable), -1);
}

TEST_F(Picking, PieceInAFrameIsFoundAtItsWorldPositionByBothPickers) {
  place(0, 3, -150, 40, 0);
  place(1, 8, 0, -150, 0);
  place(2, 6, 150, 0, 0);
  setTranslation(modelTable[2].matrix, 150, 0, 0);  // relative to piece 0's frame, which turns it
  inFrameOf(2, 0);
  Matrix world = modelTable[0].matrix;
  multiplyRight(world, modelTable[2].matrix);
  moveMouseTo(pointOn(world, 15, 0, 0));  // its hub
  EXPECT_EQ(pickPiece(modelTable), 2);
  moveMouseTo(originOf(world));
  expectPicked(2, PORT_TROU, 1.0f);
  moveMouseTo(portAt(modelTable[2], world, PORT_PINCE, 4));
  expectPicked(2, PORT_PINCE, 4.0f);
  moveMouseTo(pointOn(modelTable[2].matrix, 15, 0, 0));  // where it would be outside the frame
  EXPECT_NE(pickPiece(modelTable), 2);
}

TEST_F(Picking, ConnectionPointsOfAConnectorAndARod) {
  camera.viewDistance = -1000.0f;
  place(0, 8, -250, 150, 0);
  PieceRecord& rod = modelTable[1];
  rod = pieceTemplates[13];
  setRotation(rod.matrix, 0.0f, 90.0f, 0.0f);  // running along -x
  rod.matrix.m[12] = 200.0f;
  rod.matrix.m[13] = -100.0f;

  moveMouseTo(originOf(modelTable[0].matrix));
  expectPicked(0, PORT_TROU, 1.0f);
  moveMouseTo(portAt(modelTable[0], PORT_PINCE, 3));
  expectPicked(0, PORT_PINCE, 3.0f);
  moveMouseTo(portAt(rod, PORT_BOUT, 2));
  expectPicked(1, PORT_BOUT, 2.0f);
  moveMouseTo(portAt(rod, PORT_BARRE, 5));
  expectPicked(1, PORT_BARRE, 5.0f);
  moveMouseTo(portAt(rod, PORT_BOUT, 1));
  expectPicked(1, PORT_BOUT, 1.0f);
  moveMouseTo(portAt(rod, PORT_BARRE, 11));
  expectPicked(1, PORT_BARRE, 11.0f);

  moveMouseTo({0, 300, 0});  // nothing there: only the piece is forgotten
  pickConnectionPoint(modelTable);
  EXPECT_EQ(pickedPiece, nullptr);
  EXPECT_EQ(pickedPortKind, PORT_BARRE);
  EXPECT_EQ(pickedPlace, 11.0f);
}

TEST_F(Picking, NearestMarkerWinsAndPiecesWithoutMarkersAreNotFound) {
  place(0, 4, 0, 0, -150);
  place(1, 4, 0, 0, 0);  // both holes on the view axis, this one nearer
  moveMouseTo({0, 0, 0});
  expectPicked(1, PORT_TROU, 1.0f);
  place(1, 4, 0, 0, -300);  // now farther
  expectPicked(0, PORT_TROU, 1.0f);

  clearModel();
  place(0, 16, 0, 0, 0);
  moveMouseTo({0, 25, 0});  // on its disc
  EXPECT_EQ(pickPiece(modelTable), 0) << "drawn, so found as a piece";
  pickConnectionPoint(modelTable);
  EXPECT_EQ(pickedPiece, nullptr) << "kind 16 has no markers";

  PieceRecord& shortest = modelTable[0];
  shortest = pieceTemplates[10];
  setRotation(shortest.matrix, 0.0f, 90.0f, 0.0f);
  moveMouseTo({-75, 0, 0});  // between its two ends
  pickConnectionPoint(modelTable);
  EXPECT_EQ(pickedPiece, nullptr) << "the shortest rod has no body places";
  moveMouseTo(portAt(shortest, PORT_BOUT, 2));
  expectPicked(0, PORT_BOUT, 2.0f);
}

// Connectors one behind the other, each with its hub on the same line of
// sight from the eye.
void stackOnTheLineOfSight(int count) {
  clearModel();
  for (int i = 0; i < count; ++i) {
    const float z = -5.0f * float(i);
    place(i, 8, 0, 15.0f * (400.0f - z) / 400.0f - 15.0f, z);
  }
  moveMouseTo({0, 15, 0});
}

TEST_F(Picking, MoreHitsThanTheSelectBufferHoldsCountAsNone) {
  stackOnTheLineOfSight(100);
  EXPECT_EQ(pickPiece(modelTable), 0) << "100 hits of 4 entries fit in 512";
  stackOnTheLineOfSight(200);
  EXPECT_EQ(pickPiece(modelTable), -1);
}

// ---- insertion through real picks ----

class InsertionByMouse : public Picking {
 protected:
  void SetUp() override {
    Picking::SetUp();
    if (HasFatalFailure()) return;
    hEditor = makeHeadlessEditor();
    insertionMode = 1;
  }
  void TearDown() override {
    destroyHeadlessEditor(hEditor);
    Picking::TearDown();
  }
  void load(const std::vector<std::string>& lines) {
    loadEditorLines(hEditor, lines);
    compileScript(readEditorLines(hEditor));
    ASSERT_TRUE(messages.empty()) << messages.front();
  }
  std::vector<std::string> lines() { return readEditorLines(hEditor); }
  void mouseOnClip(int piece, int clip) { moveMouseTo(portAt(modelTable[piece], PORT_PINCE, clip)); }
};

TEST_F(InsertionByMouse, ClickInsertsAtTheClipAndTheCompileRebuildsThePiece) {
  camera.viewDistance = -1000.0f;  // the whole rod in view
  load({"#8 rot 90 0 0"});
  mouseOnClip(0, 3);
  insertPiece(nullptr);
  EXPECT_EQ(lines(), (std::vector<std::string>{"#8 rot 90 0 0", "#13 %p1 @ h3 c1"}));
  const Matrix inserted = modelTable[1].matrix;
  compileScript(readEditorLines(hEditor));
  for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(modelTable[1].matrix.m[i], inserted.m[i]);
  // The rod's far end, just inserted, takes a connector by its hole.
  cycleGhostKind(-1);  // kind 12
  cycleGhostKind(-1);
  cycleGhostKind(-1);
  cycleGhostKind(-1);  // kind 9: by its clip
  moveMouseTo(portAt(modelTable[1], PORT_BOUT, 2));
  insertPiece(nullptr);
  EXPECT_EQ(lines().back(), "#9 %p1 @ c2 h1");
}

TEST_F(InsertionByMouse, WheelWithAButtonMovesTheLastPieceOnlyWhileItsLineIsTheLastChange) {
  load({"#8 rot 90 0 0"});
  mouseOnClip(0, 3);
  insertPiece(nullptr);
  handleInsertionWheel((uint32_t(WHEEL_DELTA) << 16) | MK_LBUTTON);
  EXPECT_EQ(lines(), (std::vector<std::string>{"#8 rot 90 0 0", "#13 %p1 @ h103 c1"}));

  // The user edits: the wheel inserts anew where the mouse is.
  hEditor.ops->selectEnd(hEditor.state);
  hEditor.ops->replaceSelection(hEditor.state, " // mine", true);
  mouseOnClip(0, 5);
  handleInsertionWheel((uint32_t(WHEEL_DELTA) << 16) | MK_LBUTTON);
  EXPECT_EQ(lines(), (std::vector<std::string>{"#8 rot 90 0 0", "#13 %p1 @ h103 c1 // mine", "#13 %p2 @ h5 c1"}));
  EXPECT_EQ(usedPrefixLength(), 3);

  // A compile refills the table: the same.
  compileScript(readEditorLines(hEditor));
  mouseOnClip(0, 7);
  handleInsertionWheel((uint32_t(uint16_t(-WHEEL_DELTA)) << 16) | MK_RBUTTON | MK_SHIFT);
  EXPECT_EQ(lines().size(), 4u);
  EXPECT_EQ(lines()[2], "#13 %p2 @ h5 c1");
  EXPECT_EQ(lines()[3], "#13 %p3 @ h7 c0.75");
}

TEST_F(InsertionByMouse, ClicksThatFindNoPlaceChangeNeitherModelNorText) {
  load({"#8 rot 90 0 0", "#16 trans 200 0 0", "#10 trans -200 0 0 rot 0 90 0"});
  const std::vector<std::string> text = lines();
  const int pieces = usedPrefixLength();
  moveMouseTo({0, 250, 0});  // empty space
  insertPiece(nullptr);
  moveMouseTo({200, 0, 0});  // kind 16
  insertPiece(nullptr);
  moveMouseTo({-275, 0, 0});  // the shortest rod's body, between its ends
  insertPiece(nullptr);
  mouseOnClip(0, 1);  // a clip, with a clip as the ghost's port
  ghostPiece = pieceTemplates[3];
  ghostPortKind = PORT_PINCE;
  insertPiece(nullptr);
  EXPECT_EQ(lines(), text);
  EXPECT_EQ(usedPrefixLength(), pieces);

  for (int i = pieces; i < MODEL_CAPACITY; ++i) modelTable[i] = modelTable[1];
  cycleGhostKind(1);  // kind 4, by a clip: fits the hole
  moveMouseTo(originOf(modelTable[0].matrix));
  insertPiece(nullptr);
  EXPECT_EQ(lines(), text) << "full table";
}

TEST_F(InsertionByMouse, TheGhostDrawnAtTheMouseFollowsTheWheel) {
  showAxes = 0;
  mouseX = mouseY = WINDOW / 2;
  auto drawnPixels = [] {
    drawScene();
    drawInsertionGhost();
    const std::vector<unsigned char> rgb = readOffscreenPixels(WINDOW, WINDOW);
    std::vector<unsigned char> drawn;
    for (size_t i = 0; i < rgb.size(); i += 3) drawn.push_back(rgb[i] + rgb[i + 1] + rgb[i + 2] > 51);
    return drawn;
  };
  const std::vector<unsigned char> rod = drawnPixels();
  handleInsertionWheel(uint32_t(WHEEL_DELTA) << 16);  // another port of the rod
  const std::vector<unsigned char> rodBody = drawnPixels();
  handleInsertionWheel((uint32_t(WHEEL_DELTA) << 16) | MK_CONTROL);  // kind 14
  const std::vector<unsigned char> longerRod = drawnPixels();
  EXPECT_NE(rod, rodBody);
  EXPECT_NE(rodBody, longerRod);
  EXPECT_EQ(ghostPiece.kind, 14);
}

}  // namespace
