// The one geometry of each piece kind and everything derived from it, on a
// deliberately asymmetric piece (tests/pieces/asymmetric): a rod's file with
// a sub-part placed off its axis and a face of its own on one side. Turned
// 45 degrees about z as rods are, it differs from itself turned the other
// way or not at all, so a turn left out or applied the wrong way by any one
// consumer (bounds, mesh export, simpler meshes, the pickers, the display
// lists) fails here. Each is checked against the tests' own reader.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <vector>

#include "exports/mesh_scene.h"
#include "insertion/picking.h"
#include "model/model_table.h"
#include "pieces/catalogue.h"
#include "pieces/flat_mesh.h"
#include "platform/core_data_dir.h"
#include "platform/core_messages.h"
#include "platform/gl_offscreen.h"
#include "shell/render_command.h"
#include "support/piece_shapes.h"
#include "support/process.h"
#include "view/camera.h"
#include "view/scene.h"

namespace fs = std::filesystem;

extern "C" const char* __lsan_default_suppressions() { return "leak:swrast_dri.so\n"; }

namespace {

constexpr int KIND = 12;
constexpr int SIZE = 301;

// The centres of a list of faces, each face's corners averaged.
std::vector<ShapePoint> centres(const std::vector<ShapeFace>& faces) {
  std::vector<ShapePoint> out;
  for (const ShapeFace& f : faces) {
    ShapePoint c{0, 0, 0};
    for (const ShapePoint& p : f) c = {c.x + p.x / double(f.size()), c.y + p.y / double(f.size()), c.z + p.z / double(f.size())};
    out.push_back(c);
  }
  return out;
}

// Each expected centre is met by one of the actual ones, and as many.
void expectSameCentres(const std::vector<ShapePoint>& actual, const std::vector<ShapePoint>& expected,
                       const char* what) {
  ASSERT_EQ(actual.size(), expected.size()) << what;
  for (const ShapePoint& e : expected) {
    bool met = false;
    for (const ShapePoint& a : actual) met = met || std::hypot(a.x - e.x, a.y - e.y, a.z - e.z) < 1e-3;
    EXPECT_TRUE(met) << what << ": no face round " << e.x << " " << e.y << " " << e.z;
  }
}

// The faces of the test reader cut into triangles as the program cuts them.
std::vector<ShapeFace> expectedTriangles(const std::vector<ShapeFace>& faces) {
  std::vector<ShapeFace> triangles;
  for (const ShapeFace& f : faces)
    for (size_t i = 1; i + 1 < f.size(); ++i) triangles.push_back({f[0], f[i], f[i + 1]});
  return triangles;
}

class AsymmetricPiece : public ::testing::Test {
 protected:
  static inline fs::path dir;
  static void SetUpTestSuite() {
    dir = makeTempDir();
    fs::copy(VEXOCAD_SOURCE_DIR "/tests/pieces/asymmetric", dir, fs::copy_options::recursive);
    fs::create_directory_symlink(VEXOCAD_BINARY_DIR "/data", dir / "data");
  }
  static void TearDownTestSuite() { fs::remove_all(dir); }
  void SetUp() override {
    setMessageSink([](const char*, const char*, MessageIcon) {});  // the kinds this folder lacks
    dataDir = dir.string() + "/";
    expected = facesOfKind(dataDir, KIND);
    ASSERT_EQ(expected.size(), 4u);
  }
  void TearDown() override { setMessageSink(nullptr); }
  std::vector<ShapeFace> expected;
};

TEST_F(AsymmetricPiece, BoundsHoldEveryCornerAsTurned) {
  const Box box = kindBounds(KIND);
  for (const ShapeFace& f : expected)
    for (const ShapePoint& p : f)
      for (int a = 0; a < 3; ++a) {
        const double v = a == 0 ? p.x : a == 1 ? p.y : p.z;
        EXPECT_LE(box.low[a], v + 1e-3) << "axis " << a;
        EXPECT_GE(box.high[a], v - 1e-3) << "axis " << a;
      }
}

TEST_F(AsymmetricPiece, MeshExportAndSimplerMeshesHaveTheFacesAsTurned) {
  std::vector<ShapeFace> exported;
  for (const auto& t : kindTriangles(KIND))  // corners as the export writes them, all faces
    exported.push_back({{t[0].x, t[0].y, t[0].z}, {t[1].x, t[1].y, t[1].z}, {t[2].x, t[2].y, t[2].z}});
  expectSameCentres(centres(exported), centres(expectedTriangles(expected)), "mesh export");
  for (const MeshDetail detail : {MeshDetail::COARSE, MeshDetail::TINY}) {
    std::vector<ShapeFace> flat;
    const std::vector<FlatMesh> meshes = loadFlatMeshes(detail);
    for (const MeshFace& f : meshes[KIND].faces) {
      flat.emplace_back();
      for (int k = 0; k < f.count; ++k) flat.back().push_back({f.p[k].x, f.p[k].y, f.p[k].z});
    }
    expectSameCentres(centres(flat), centres(expected), "simpler mesh");
  }
}

// One piece at the origin, seen from the front at the start-up view: the
// own face's centre and its mirror image through the y axis, which only a
// turn the wrong way would fill.
TEST_F(AsymmetricPiece, DrawnAndPickedWhereTurned) {
  ASSERT_TRUE(startOffscreenView(SIZE, SIZE));
  clearModel();
  modelTable[0] = pieceTemplates[KIND];
  ViewState view = offscreenStartView();
  view.showAxes = 0;
  const std::vector<ShapePoint> faceCentres = centres(expected);
  const ShapePoint own = faceCentres[2];  // the file's own first face, after the sub-part's two
  ASSERT_LT(own.x, -20.0) << "turned by +45 degrees, the +y face goes to -x";
  const Matrix mvp = [&] {
    Matrix m = projectionOf(view.camera);
    multiplyRight(m, modelviewOf(view.camera));
    return m;
  }();
  auto pixelOf = [&](double x, double y) {
    const float* e = mvp.m;
    const double w = e[3] * x + e[7] * y + e[15];
    return std::array<int, 2>{int(std::lround((1 + (e[0] * x + e[4] * y + e[12]) / w) * SIZE / 2)),
                              int(std::lround((1 - (e[1] * x + e[5] * y + e[13]) / w) * SIZE / 2))};
  };
  drawOffscreenFrame(view);
  const std::vector<unsigned char> rgb = readOffscreenPixels(SIZE, SIZE);
  auto drawn = [&](std::array<int, 2> at) {
    const size_t i = (size_t(at[1]) * SIZE + size_t(at[0])) * 3;
    return !(rgb[i] == 0 && rgb[i + 1] == 0 && rgb[i + 2] == 51);
  };
  for (const bool mirrored : {false, true}) {
    const auto at = pixelOf(mirrored ? -own.x : own.x, own.y);
    view.mouseX = at[0], view.mouseY = at[1];
    EXPECT_EQ(drawn(at), !mirrored) << "display lists, mirrored " << mirrored;
    EXPECT_EQ(pickPiece(modelTable, view), mirrored ? -1 : 0) << "picking, mirrored " << mirrored;
    EXPECT_EQ(pickPieceGlSelect(modelTable, view, SelectDrawing::PlainPrimitives), mirrored ? -1 : 0)
        << "selection, mirrored " << mirrored;
  }
  clearModel();
  stopOffscreenView();
}

}  // namespace
