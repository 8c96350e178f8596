// Matrices, connection-point frames and the frame chain of the model table.
#include <gtest/gtest.h>

#include <cmath>

#include "model/connection.h"
#include "model/matrix.h"
#include "model/model_table.h"
#include "support/script_harness.h"

namespace {
Matrix rotation(float ax, float ay, float az) {
  Matrix m;
  setRotation(m, ax, ay, az);
  return m;
}

Matrix frameOf(int kind, uint8_t port, double position, bool outward, bool clipOnBar = false) {
  PieceRecord p{};
  p.kind = int16_t(kind);
  ConnectionPoint c = makeConnectionPoint(port, position);
  placeConnectionPoint(c, p, outward, clipOnBar);
  return c.frame;
}

Vec3 originOf(const Matrix& m) { return transformPoint(m, 0, 0, 0); }

// The angle about y, in degrees [0, 360), at which a clip's gripping point lies:
// 0 on -z, 90 on -x, 180 on +z, 270 on +x.
double clipAngle(int kind, double place) {
  const Vec3 p = originOf(frameOf(kind, PORT_PINCE, place, true));
  double a = std::atan2(-p.x, -p.z) * 180.0 / M_PI;
  if (a < -1e-3) a += 360.0;
  return a;
}

void expectAxis(const Matrix& m, int column, double x, double y, double z) {
  EXPECT_NEAR(m.m[4 * column + 0], x, 1e-6);
  EXPECT_NEAR(m.m[4 * column + 1], y, 1e-6);
  EXPECT_NEAR(m.m[4 * column + 2], z, 1e-6);
}
}  // namespace

TEST(MatrixTest, RotationsTurnTheAxesAsDocumented) {
  Matrix m = rotation(90, 0, 0);
  expectAxis(m, 1, 0, 0, -1);  // y to -z
  expectAxis(m, 2, 0, 1, 0);   // z to +y
  m = rotation(0, 90, 0);
  expectAxis(m, 0, 0, 0, -1);  // x to -z
  expectAxis(m, 2, 1, 0, 0);   // z to +x
  m = rotation(0, 0, 90);
  expectAxis(m, 0, 0, -1, 0);  // x to -y
  expectAxis(m, 1, 1, 0, 0);   // y to +x
}

TEST(MatrixTest, ZeroAndHalfTurns) {
  EXPECT_EQ(maxDifference(rotation(0, 0, 0), identityMatrix()), 0.0);
  const Matrix half = rotation(180, 0, 0);
  EXPECT_NEAR(half.m[0], 1, 1e-7);
  EXPECT_NEAR(half.m[5], -1, 1e-7);
  EXPECT_NEAR(half.m[10], -1, 1e-7);
  EXPECT_EQ(half.m[15], 1);
}

TEST(MatrixTest, RotationIsRoundedOnceFromDoubleProducts) {
  // cy of a single-precision quarter turn is not zero; the product keeps it.
  const Matrix m = rotation(0, 90, 0);
  EXPECT_EQ(m.m[0], float(std::cos(double(90 * 0.017453292f))));
  EXPECT_EQ(m.m[2], -1.0f);
}

TEST(MatrixTest, MultiplicationOrderAndAliasing) {
  Matrix t;
  setTranslation(t, 0, 0, 10);
  const Matrix r = rotation(0, 90, 0);
  Matrix tr = t;
  multiplyRight(tr, r);
  EXPECT_EQ(tr.m[14], 10.0f);  // the turn happens after the move
  Matrix rt = r;
  multiplyRight(rt, t);
  EXPECT_NEAR(rt.m[12], 10.0, 1e-5);  // the move is turned onto x
  EXPECT_NEAR(rt.m[14], 0.0, 1e-5);

  Matrix a = rotation(30, 40, 50);
  const Matrix copy = a;
  multiplyRight(a, identityMatrix());
  EXPECT_EQ(maxDifference(a, copy), 0.0);
  Matrix b = copy;
  multiplyLeft(identityMatrix(), b);
  EXPECT_EQ(maxDifference(b, copy), 0.0);

  Matrix square = rotation(0, 45, 0);
  multiplyRight(square, square);
  EXPECT_LT(maxDifference(square, rotation(0, 90, 0)), 1e-6);
}

TEST(ConnectionTest, PositionCodesSplitIntoTurnsAndPlace) {
  double t, p;
  splitPosition(3, t, p);
  EXPECT_EQ(t, 0);
  EXPECT_EQ(p, 3);
  splitPosition(203, t, p);
  EXPECT_EQ(t, 2);
  EXPECT_EQ(p, 3);
  splitPosition(-97, t, p);
  EXPECT_EQ(t, -1);
  EXPECT_EQ(p, 3);
  splitPosition(-50, t, p);
  EXPECT_EQ(t, -1);
  EXPECT_EQ(p, 50);
  splitPosition(100, t, p);
  EXPECT_EQ(t, 1);
  EXPECT_EQ(p, 0);
  splitPosition(1e30, t, p);  // ends at once, whatever the size
  EXPECT_GE(p, 0);
  EXPECT_LT(p, 100);
  splitPosition(INFINITY, t, p);
  EXPECT_EQ(t, 0);
}

TEST(ConnectionTest, ClipAnglesFollowEachKindsWrapRule) {
  for (int place = 1; place <= 8; ++place) EXPECT_NEAR(clipAngle(8, place), (place - 1) * 45, 1e-3);
  const double kind5[] = {180, 135, 90, 45};
  for (int place = 1; place <= 4; ++place) EXPECT_NEAR(clipAngle(5, place), kind5[place - 1], 1e-3);
  const double kind7[] = {180, 225, 270, 315, 45, 90, 135};
  for (int place = 1; place <= 7; ++place) EXPECT_NEAR(clipAngle(7, place), kind7[place - 1], 1e-3);
  EXPECT_NEAR(clipAngle(2, 1), 0, 1e-3);
  EXPECT_NEAR(clipAngle(2, 2), 180, 1e-3);
  for (double place : {1.0, 2.0, 5.0, 42.0}) EXPECT_NEAR(clipAngle(9, place), 0, 1e-3);
  EXPECT_LT(maxDifference(frameOf(4, PORT_PINCE, 5, true), frameOf(4, PORT_PINCE, 1, true)), 1e-6);
  EXPECT_LT(maxDifference(frameOf(8, PORT_PINCE, 9, true), frameOf(8, PORT_PINCE, 1, true)), 1e-4);
  const Vec3 grip = originOf(frameOf(8, PORT_PINCE, 1, true));
  EXPECT_NEAR(grip.z, -53.9062, 1e-4);
}

TEST(ConnectionTest, ClipTurnsDependOnClipOnBar) {
  const Matrix plain = frameOf(8, PORT_PINCE, 3, true);
  Matrix turned = plain;
  multiplyRight(turned, rotation(0, 0, 135));
  EXPECT_LT(maxDifference(frameOf(8, PORT_PINCE, 303, true), turned), 1e-5);
  Matrix half = plain;
  multiplyRight(half, rotation(0, 0, 180));
  EXPECT_LT(maxDifference(frameOf(8, PORT_PINCE, 103, true, true), half), 1e-5);
  EXPECT_EQ(maxDifference(frameOf(8, PORT_PINCE, 203, true, true), plain), 0.0);
}

TEST(ConnectionTest, RodEndsAndBodyPlaces) {
  const Matrix second = frameOf(13, PORT_BOUT, 2, true);
  EXPECT_EQ(maxDifference(frameOf(13, PORT_BOUT, 1.5, true), second), 0.0);
  EXPECT_EQ(maxDifference(frameOf(13, PORT_BOUT, 7, true), second), 0.0);
  EXPECT_NEAR(originOf(second).z, -370.35788, 1e-3);
  EXPECT_NEAR(originOf(frameOf(13, PORT_BOUT, 1, true)).z, -53.9062, 1e-4);
  EXPECT_NEAR(originOf(frameOf(11, PORT_BARRE, 1, true)).z, -80, 1e-4);
  EXPECT_NEAR(originOf(frameOf(12, PORT_BARRE, 3, true)).z, -137.5, 1e-4);
  // The shortest rod's body gives only the turn of a clip grip.
  EXPECT_EQ(maxDifference(frameOf(10, PORT_BARRE, 2, true), identityMatrix()), 0.0);
  EXPECT_LT(maxDifference(frameOf(10, PORT_BARRE, 2, true, true), rotation(-90, 0, 0)), 1e-6);
}

TEST(ConnectionTest, InwardFramesInvertOutwardOnesExceptTurnedBodyGrips) {
  struct Case {
    int kind;
    uint8_t port;
    double position;
    bool clipOnBar;
  } cases[] = {{8, PORT_PINCE, 3, false},  {7, PORT_TROU, 103, false}, {5, PORT_PINCE, 302, true},
               {13, PORT_BOUT, 2, false},  {13, PORT_BOUT, 201, false}, {14, PORT_BARRE, 5, false},
               {14, PORT_BARRE, 5, true}};
  for (const Case& c : cases) {
    Matrix m = frameOf(c.kind, c.port, c.position, true, c.clipOnBar);
    multiplyRight(m, frameOf(c.kind, c.port, c.position, false, c.clipOnBar));
    EXPECT_LT(maxDifference(m, identityMatrix()), 1e-4) << c.kind << " " << c.position;
  }
  Matrix m = frameOf(14, PORT_BARRE, 105, true, true);
  multiplyRight(m, frameOf(14, PORT_BARRE, 105, false, true));
  EXPECT_GT(maxDifference(m, identityMatrix()), 0.5);
}

TEST(ConnectionTest, HoleFrameOfHalfConnectorsIsOffset) {
  EXPECT_NEAR(originOf(frameOf(5, PORT_TROU, 1, true)).z, -13, 1e-5);
  EXPECT_NEAR(originOf(frameOf(7, PORT_TROU, 1, true)).z, -13, 1e-5);
  EXPECT_NEAR(distance(originOf(frameOf(8, PORT_TROU, 1, true)), {0, 0, 0}), 0, 1e-6);
}

class FrameChainTest : public ::testing::Test {
 protected:
  void SetUp() override { clearModel(); }
  PieceRecord* make(int n, uint32_t flags = PIECE_USED) {
    PieceRecord* p = &modelTable[n];
    setIdentity(p->matrix);
    p->flags = flags;
    return p;
  }
};

TEST_F(FrameChainTest, FindFrameAncestorCountsMarkers) {
  PieceRecord* root = make(0, PIECE_USED | PIECE_FRAME_MARKER);
  PieceRecord* a = make(1);
  a->attachedTo = root;
  PieceRecord* b = make(2, PIECE_USED | PIECE_FRAME_MARKER);
  b->attachedTo = a;
  EXPECT_EQ(findFrameAncestor(b, 0), b);
  EXPECT_EQ(findFrameAncestor(a, -3), a);
  EXPECT_EQ(findFrameAncestor(b, 1), b);
  EXPECT_EQ(findFrameAncestor(b, 2), root);
  EXPECT_EQ(findFrameAncestor(b, 3), nullptr);
  EXPECT_EQ(findFrameAncestor(nullptr, 1), nullptr);
}

TEST_F(FrameChainTest, RebaseOntoTheAttachedPieceItself) {
  PieceRecord* frame = make(0, PIECE_USED | PIECE_FRAME_MARKER);
  setTranslation(frame->matrix, 5, 0, 0);
  PieceRecord* p = make(1);
  p->attachedTo = frame;
  rebaseOnFrame(p, 1);
  EXPECT_EQ(p->frameParent, frame);
  EXPECT_TRUE(isInFrame(*p));
  EXPECT_EQ(maxDifference(p->matrix, identityMatrix()), 0.0);

  PieceRecord* loose = make(2);
  rebaseOnFrame(loose, 1);
  EXPECT_EQ(loose->frameParent, nullptr);
  EXPECT_EQ(maxDifference(loose->matrix, identityMatrix()), 0.0);
}

TEST_F(FrameChainTest, WalksEndOnLoopedLinks) {
  PieceRecord* a = make(0);
  PieceRecord* b = make(1);
  a->attachedTo = b;
  b->attachedTo = a;
  EXPECT_EQ(findFrameAncestor(a, 1), nullptr);
  a->frameParent = b;
  b->frameParent = a;
  PieceRecord* c = make(2);
  c->attachedTo = a;
  rebaseOnFrame(c, 1);
  EXPECT_EQ(c->frameParent, nullptr);
}

TEST_F(FrameChainTest, CountingAndAppending) {
  EXPECT_EQ(countPieces(), 0);
  EXPECT_EQ(findFreeRecord(), &modelTable[0]);
  for (int n = 0; n < MODEL_CAPACITY; ++n) modelTable[n].flags = PIECE_USED;
  EXPECT_EQ(countPieces(), MODEL_CAPACITY);
  EXPECT_EQ(findFreeRecord(), nullptr);
  clearModel();
}
