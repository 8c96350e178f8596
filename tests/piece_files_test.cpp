// Tests of the generated piece files (build dir vexo/Parts and vexo/P): the
// format and its limits, closed outward-facing solids, and the fit of the
// shapes to the connection points: clips round every gripping point, open
// holes, rods reaching into the clips without gaps or overlaps.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <numeric>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <unistd.h>

#include "model/connection.h"
#include "model/matrix.h"
#include "pieces/catalogue.h"
#include "pieces/piece_file.h"

namespace {

constexpr double PI = 3.14159265358979323846;

// Design figures of the generated shapes that the fit depends on.
constexpr float ROD_CORNER_RADIUS = 8.0f;  // rods fit holes and jaws
constexpr float JAW_INNER = 8.3f;          // room round a gripping point
constexpr float JAW_MIDDLE = 10.8f;        // inside the jaws' material
constexpr float HOLE_PROBE = 12.0f;        // inside the material round a hole

const std::string generatedDir = std::string(VEXOCAD_BINARY_DIR) + "/vexo/";

std::string pieceFile(int kind) { return generatedDir + "Parts/" + pieceFileNames[kind]; }
std::string subPartFile(int index) { return generatedDir + "P/" + subPartFileNames[index]; }

std::vector<std::string> allFiles() {
  std::vector<std::string> files;
  for (int i = 0; i < SUBPART_COUNT; ++i) files.push_back(subPartFile(i));
  for (int k = 0; k < KIND_COUNT; ++k) files.push_back(pieceFile(k));
  return files;
}

std::string readWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// ------------------------------------------------------------------ vectors
struct V {
  double x, y, z;
};
V operator+(V a, V b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V operator-(V a, V b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V operator*(double s, V a) { return {s * a.x, s * a.y, s * a.z}; }
V cross(V a, V b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double dot(V a, V b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double norm(V a) { return std::sqrt(dot(a, a)); }
V fromPoint(const Point3& p) { return {p.x, p.y, p.z}; }

V transform(const Matrix& m, V p) {
  const float* e = m.m;
  return {e[0] * p.x + e[4] * p.y + e[8] * p.z + e[12], e[1] * p.x + e[5] * p.y + e[9] * p.z + e[13],
          e[2] * p.x + e[6] * p.y + e[10] * p.z + e[14]};
}

// The normal the display lists give a face: (P1 - P0) x (P1 - P2).
V listNormal(V p0, V p1, V p2) { return cross(p1 - p0, p1 - p2); }

// ------------------------------------------------------------------ files
struct OwnMesh {
  std::unique_ptr<MeshBuffer> mesh = std::make_unique<MeshBuffer>();
  std::vector<std::pair<Matrix, std::string>> subParts;
};

OwnMesh readOwn(const std::string& path) {
  OwnMesh own;
  loadMesh(path.c_str(), *own.mesh);
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return own;
  char line[DATA_LINE_CAPACITY];
  while (readDataLine(f, line)) {
    Matrix m;
    char name[256];
    if (parseSubPartLine(line, m, name)) own.subParts.push_back({m, name});
  }
  std::fclose(f);
  return own;
}

// A face as its corners, in file order (clockwise seen from outside).
using Face = std::vector<V>;

std::vector<Face> facesOf(const MeshBuffer& b) {
  std::vector<Face> faces;
  for (int i = 0; i < b.quadCount; ++i)
    faces.push_back({fromPoint(b.quads[i][0]), fromPoint(b.quads[i][1]), fromPoint(b.quads[i][2]), fromPoint(b.quads[i][3])});
  for (int i = 0; i < b.triangleCount; ++i)
    faces.push_back({fromPoint(b.triangles[i][0]), fromPoint(b.triangles[i][1]), fromPoint(b.triangles[i][2])});
  return faces;
}

// The whole shape of a kind in its file's frame: own faces and every placed
// sub-part, as triangles; rods optionally with their 45 degree load turn.
std::vector<Face> assembled(int kind, bool withLoadTurn) {
  OwnMesh own = readOwn(pieceFile(kind));
  std::vector<Face> faces = facesOf(*own.mesh);
  for (const auto& [m, name] : own.subParts) {
    const int index = findSubPart(name.c_str());
    if (index < 0) continue;
    auto sub = std::make_unique<MeshBuffer>();
    loadMesh(subPartFile(index).c_str(), *sub);
    for (Face f : facesOf(*sub)) {
      for (V& p : f) p = transform(m, p);
      faces.push_back(f);
    }
  }
  if (withLoadTurn && isTurnedAtLoad(kind)) {
    Matrix turn;
    setRotation(turn, 0, 0, -45);  // the display lists' glRotatef(45, 0, 0, 1)
    for (Face& f : faces)
      for (V& p : f) p = transform(turn, p);
  }
  std::vector<Face> triangles;
  for (const Face& f : faces)
    for (size_t i = 1; i + 1 < f.size(); ++i) triangles.push_back({f[0], f[i], f[i + 1]});
  return triangles;
}

std::vector<Face> placed(std::vector<Face> faces, const Matrix& m) {
  for (Face& f : faces)
    for (V& p : f) p = transform(m, p);
  return faces;
}

// Triangles with their bounding box, so that far points are outside at once.
struct Shape {
  std::vector<Face> triangles;
  V low{1e30, 1e30, 1e30}, high{-1e30, -1e30, -1e30};
};

Shape shapeOf(std::vector<Face> triangles) {
  Shape s{std::move(triangles)};
  for (const Face& t : s.triangles)
    for (const V& p : t) {
      s.low = {std::min(s.low.x, p.x), std::min(s.low.y, p.y), std::min(s.low.z, p.z)};
      s.high = {std::max(s.high.x, p.x), std::max(s.high.y, p.y), std::max(s.high.z, p.z)};
    }
  return s;
}

// Generalised winding number: about 1 inside a closed outward solid, 0
// outside. Faces run clockwise seen from outside.
double winding(const std::vector<Face>& triangles, V p) {
  double total = 0;
  for (const Face& t : triangles) {
    const V a = t[0] - p, b = t[2] - p, c = t[1] - p;
    const double la = norm(a), lb = norm(b), lc = norm(c);
    const double det = dot(a, cross(b, c));
    const double div = la * lb * lc + dot(a, b) * lc + dot(a, c) * lb + dot(b, c) * la;
    total += 2 * std::atan2(det, div);
  }
  return total / (4 * PI);
}

bool inside(const Shape& s, V p) {
  if (p.x < s.low.x || p.y < s.low.y || p.z < s.low.z || p.x > s.high.x || p.y > s.high.y || p.z > s.high.z)
    return false;
  return winding(s.triangles, p) > 0.5;
}

// ------------------------------------------------------------------ ports
PieceRecord pieceOfKind(int kind) {
  PieceRecord p{};
  p.kind = int16_t(kind);
  setIdentity(p.matrix);
  return p;
}

Matrix outwardFrame(int kind, uint8_t port, double position) {
  PieceRecord piece = pieceOfKind(kind);
  ConnectionPoint point = makeConnectionPoint(port, position);
  placeConnectionPoint(point, piece, true, false);
  return point.frame;
}

Matrix clipFrameAtAngle(double degrees) {
  Matrix f, t;
  setRotation(f, 0, float(degrees), 0);
  setTranslation(t, 0, 0, -CLIP_REACH);
  multiplyRight(f, t);
  return f;
}

double clipAngle(int kind, int place) { return std::fmod((wrapClipPlace(kind, place) - 1) * 45.0, 360.0); }

// ------------------------------------------------------------------ tests

TEST(PieceFiles, AllTwentyFiveExistParseAndKeepTheFormatLimits) {
  for (const std::string& path : allFiles()) {
    SCOPED_TRACE(path);
    const std::string text = readWhole(path);
    ASSERT_FALSE(text.empty()) << "missing or empty";
    EXPECT_EQ(text[0], '0') << "starts with a comment naming the piece";
    EXPECT_EQ(text.back(), '\n') << "the last line must end with a line break to be read";
    std::istringstream lines(text);
    std::string line;
    int counts[5] = {};
    while (std::getline(lines, line)) {
      ASSERT_LT(line.size() + 1, 254u) << line;  // with its line break, read whole
      ASSERT_FALSE(line.empty());
      const char form = line[0];
      ASSERT_TRUE(form >= '0' && form <= '4') << line;
      counts[form - '0'] += 1;
      int type, colour;
      float v[12];
      char name[256];
      if (form == '1') {
        EXPECT_EQ(std::sscanf(line.c_str(), "%d %d %f %f %f %f %f %f %f %f %f %f %f %f %255s", &type, &colour, &v[0],
                              &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8], &v[9], &v[10], &v[11], name),
                  15)
            << line;
      } else if (form >= '2') {
        EXPECT_EQ(std::sscanf(line.c_str(), "%d %d %f %f %f %f %f %f %f %f %f %f %f %f", &type, &colour, &v[0], &v[1],
                              &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8], &v[9], &v[10], &v[11]),
                  2 + 3 * (form - '0'))
            << line;
      }
    }
    EXPECT_LE(counts[2], MESH_CAPACITY);
    EXPECT_LE(counts[3], MESH_CAPACITY);
    EXPECT_LE(counts[4], MESH_CAPACITY);
    if (counts[3] + counts[4] > 0) {
      EXPECT_GT(counts[2], 0) << "edge lines for the edge display mode";
    }

    OwnMesh own = readOwn(path);
    EXPECT_EQ(own.mesh->edgeCount, counts[2]);
    EXPECT_EQ(own.mesh->triangleCount, counts[3]);
    EXPECT_EQ(own.mesh->quadCount, counts[4]);
    const bool isSubPart = path.find("/vexo/P/") != std::string::npos;
    if (isSubPart) {
      EXPECT_TRUE(own.subParts.empty()) << "sub-parts place no sub-parts";
    }
    for (const auto& [m, name] : own.subParts) EXPECT_GE(findSubPart(name.c_str()), 0) << name;
  }
}

TEST(PieceFiles, EverySolidIsClosedAndFacesOutwards) {
  using Key = std::tuple<long, long, long>;
  auto key = [](V p) { return Key{std::lround(p.x * 1000), std::lround(p.y * 1000), std::lround(p.z * 1000)}; };
  for (const std::string& path : allFiles()) {
    SCOPED_TRACE(path);
    OwnMesh own = readOwn(path);
    const std::vector<Face> faces = facesOf(*own.mesh);
    // Each directed edge once, and its reverse once: closed and turned alike.
    std::map<std::pair<Key, Key>, std::vector<int>> directed;
    for (int fi = 0; fi < int(faces.size()); ++fi) {
      const Face& f = faces[fi];
      const V n = listNormal(f[0], f[1], f[2]);
      ASSERT_GT(norm(n), 1e-6) << "a face the display list would give no normal";
      for (size_t i = 0; i < f.size(); ++i) directed[{key(f[i]), key(f[(i + 1) % f.size()])}].push_back(fi);
      if (f.size() == 4) {
        EXPECT_GT(dot(n, listNormal(f[0], f[2], f[3])), 0) << "quadrilateral folded or turned";
      }
    }
    std::vector<int> group(faces.size());
    std::iota(group.begin(), group.end(), 0);
    std::function<int(int)> root = [&](int i) { return group[i] == i ? i : group[i] = root(group[i]); };
    for (const auto& [edge, users] : directed) {
      ASSERT_EQ(users.size(), 1u) << "an edge used twice in one direction";
      const auto back = directed.find({edge.second, edge.first});
      ASSERT_NE(back, directed.end()) << "an open edge";
      group[root(users[0])] = root(back->second[0]);
    }
    // Each solid encloses a positive volume with the display lists' normals.
    std::map<int, double> volume;
    for (int fi = 0; fi < int(faces.size()); ++fi) {
      const Face& f = faces[fi];
      for (size_t i = 1; i + 1 < f.size(); ++i) volume[root(fi)] += dot(f[0], listNormal(f[0], f[i], f[i + 1])) / 6;
    }
    for (const auto& [solid, v] : volume) EXPECT_GT(v, 1.0) << "a solid turned inside out";
  }
}

TEST(PieceFiles, ConnectorsHaveJawsExactlyWhereTheirClipsAre) {
  for (int kind = 0; kind <= 9; ++kind) {
    const Shape shape = shapeOf(assembled(kind, false));
    std::vector<bool> clipAt(8, false);
    for (int p = 1; p <= clipCount(kind); ++p) {
      SCOPED_TRACE("kind " + std::to_string(kind) + " clip " + std::to_string(p));
      clipAt[int(std::lround(clipAngle(kind, p) / 45.0)) % 8] = true;
      const Matrix f = outwardFrame(kind, PORT_PINCE, p);
      for (float y : {-5.0f, 0.0f, 5.0f}) {
        EXPECT_TRUE(inside(shape, transform(f, {JAW_MIDDLE, y, 0})));
        EXPECT_TRUE(inside(shape, transform(f, {-JAW_MIDDLE, y, 0})));
        EXPECT_TRUE(inside(shape, transform(f, {0, y, JAW_MIDDLE}))) << "the jaws' back, towards the hub";
        EXPECT_FALSE(inside(shape, transform(f, {0, y, 0}))) << "a rod's place at the gripping point";
        EXPECT_FALSE(inside(shape, transform(f, {0, y, -JAW_MIDDLE}))) << "the mouth is open";
      }
    }
    for (int slot = 0; slot < 8; ++slot) {
      if (clipAt[slot]) continue;
      SCOPED_TRACE("kind " + std::to_string(kind) + " no clip at " + std::to_string(slot * 45));
      const Matrix f = clipFrameAtAngle(slot * 45.0);
      EXPECT_FALSE(inside(shape, transform(f, {JAW_MIDDLE, 0, 0})));
      EXPECT_FALSE(inside(shape, transform(f, {-JAW_MIDDLE, 0, 0})));
      EXPECT_FALSE(inside(shape, transform(f, {0, 0, JAW_MIDDLE})));
    }
  }
}

TEST(PieceFiles, HolesAreOpenForARodAlongY) {
  for (int kind : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 16}) {
    SCOPED_TRACE("kind " + std::to_string(kind));
    const Shape shape = shapeOf(assembled(kind, false));
    const V centre = transform(outwardFrame(kind, PORT_TROU, 1), {0, 0, 0});
    EXPECT_NEAR(centre.z, kind == 5 || kind == 7 ? -HOLE_OFFSET : 0.0, 1e-4);
    for (double y = -20; y <= 20; y += 2.5) {
      EXPECT_FALSE(inside(shape, centre + V{0, y, 0}));
      for (int k = 0; k < 16; ++k) {
        const double a = k * PI / 8;
        EXPECT_FALSE(inside(shape, centre + V{ROD_CORNER_RADIUS * std::cos(a), y, ROD_CORNER_RADIUS * std::sin(a)}));
      }
    }
    EXPECT_TRUE(inside(shape, centre + V{HOLE_PROBE, 0, 0})) << "material round the hole";
    EXPECT_TRUE(inside(shape, centre + V{-HOLE_PROBE, 0, 0})) << "material round the hole";
  }
}

TEST(PieceFiles, RodsRunBetweenTheirEndsAndFitHolesAndJaws) {
  for (int kind = 10; kind <= 15; ++kind) {
    SCOPED_TRACE("kind " + std::to_string(kind));
    const std::vector<Face> shape = assembled(kind, true);
    double zMax = -1e9, zMin = 1e9, radial = 0;
    for (const Face& t : shape)
      for (const V& p : t) {
        zMax = std::max(zMax, p.z);
        zMin = std::min(zMin, p.z);
        radial = std::max(radial, std::hypot(p.x, p.y));
      }
    const double firstEnd = transform(outwardFrame(kind, PORT_BOUT, 1), {0, 0, 0}).z;
    const double secondEnd = transform(outwardFrame(kind, PORT_BOUT, 2), {0, 0, 0}).z;
    EXPECT_NEAR(firstEnd, -CLIP_REACH, 1e-4);
    EXPECT_NEAR(secondEnd, -rodFarEnd(kind), 1e-3);
    // Each tip reaches past its end's gripping point into the jaws, short of
    // their back.
    EXPECT_GT(zMax - firstEnd, 7.0);
    EXPECT_LT(zMax - firstEnd, JAW_INNER);
    EXPECT_GT(secondEnd - zMin, 7.0);
    EXPECT_LT(secondEnd - zMin, JAW_INNER);
    EXPECT_LE(radial, ROD_CORNER_RADIUS + 1e-3);
  }
}

// Points along every edge of a shape, a step apart, near a centre.
std::vector<V> edgeSamples(const Shape& shape, V centre, double reach) {
  std::vector<V> samples;
  for (const Face& t : shape.triangles)
    for (size_t i = 0; i < t.size(); ++i) {
      const V a = t[i], b = t[(i + 1) % t.size()];
      const int steps = std::max(1, int(norm(b - a) / 0.5));
      for (int s = 0; s <= steps; ++s) {
        const V p = a + (double(s) / steps) * (b - a);
        if (norm(p - centre) < reach) samples.push_back(p);
      }
    }
  return samples;
}

void expectNoOverlap(const Shape& a, const Shape& b, V near) {
  int overlaps = 0;
  for (const V& p : edgeSamples(a, near, 90)) overlaps += inside(b, p);
  for (const V& p : edgeSamples(b, near, 90)) overlaps += inside(a, p);
  EXPECT_EQ(overlaps, 0) << "points of one piece inside the other";
}

struct Joint {
  Shape connector, rod;
};

// A kind-8 connector at the origin and a rod joined to it as the script
// compiler joins them.
Joint joined(int rodKind, ConnectionPoint onConnector, ConnectionPoint onRod) {
  static PieceRecord connector = pieceOfKind(8);
  PieceRecord rod = pieceOfKind(rodKind);
  rod.attachedTo = &connector;
  attachPiece(&rod, false, onConnector, onRod, 0, 0, 0);
  return {shapeOf(assembled(8, true)), shapeOf(placed(assembled(rodKind, true), rod.matrix))};
}

TEST(PieceFiles, RodEndsSitInTheClipsWithoutGapOrOverlap) {
  for (int kind = 10; kind <= 15; ++kind) {
    SCOPED_TRACE("kind " + std::to_string(kind));
    const Joint first = joined(kind, makeConnectionPoint(PORT_PINCE, 3), makeConnectionPoint(PORT_BOUT, 1));
    const V grip = transform(outwardFrame(8, PORT_PINCE, 3), {0, 0, 0});
    expectNoOverlap(first.connector, first.rod, grip);
    // The tip comes within a unit of the jaws' back.
    const V towardHub = (1.0 / norm(grip)) * (V{0, 0, 0} - grip);
    EXPECT_TRUE(inside(first.connector, grip + (JAW_INNER + 0.5) * towardHub));
    EXPECT_TRUE(inside(first.rod, grip + (JAW_INNER - 1.5) * towardHub));

    // The second end, turned by a whole number of 45 degree steps.
    const Joint second = joined(kind, makeConnectionPoint(PORT_PINCE, 106), makeConnectionPoint(PORT_BOUT, 2));
    expectNoOverlap(second.connector, second.rod, transform(outwardFrame(8, PORT_PINCE, 6), {0, 0, 0}));
  }
}

TEST(PieceFiles, ClipsGripRodBodiesAndHolesTakeThemWithoutOverlap) {
  const Joint gripped = joined(13, makeConnectionPoint(PORT_PINCE, 2), makeConnectionPoint(PORT_BARRE, 3));
  expectNoOverlap(gripped.connector, gripped.rod, transform(outwardFrame(8, PORT_PINCE, 2), {0, 0, 0}));
  const Joint turned = joined(12, makeConnectionPoint(PORT_PINCE, 105), makeConnectionPoint(PORT_BARRE, 1));
  expectNoOverlap(turned.connector, turned.rod, transform(outwardFrame(8, PORT_PINCE, 5), {0, 0, 0}));
  const Joint throughHole = joined(11, makeConnectionPoint(PORT_TROU, 1), makeConnectionPoint(PORT_BARRE, 2));
  expectNoOverlap(throughHole.connector, throughHole.rod, {0, 0, 0});
}

TEST(PieceFiles, GeneratorIsDeterministicAndMatchesTheBuild) {
  const std::filesystem::path base = std::filesystem::temp_directory_path() / ("vexo_gen_" + std::to_string(::getpid()));
  const std::string tool = std::string(VEXOCAD_BINARY_DIR) + "/gen_pieces";
  for (const char* run : {"a", "b"})
    ASSERT_EQ(std::system((tool + " " + (base / run).string()).c_str()), 0);
  for (const std::string& built : allFiles()) {
    const std::string relative = built.substr(std::string(VEXOCAD_BINARY_DIR).size());
    const std::string a = readWhole((base / "a").string() + relative);
    EXPECT_FALSE(a.empty()) << relative;
    EXPECT_EQ(a, readWhole((base / "b").string() + relative)) << relative;
    EXPECT_EQ(a, readWhole(built)) << relative;
  }
  std::filesystem::remove_all(base);
  EXPECT_NE(std::system((tool + " 2>/dev/null").c_str()), 0) << "no output directory is a usage error";
}

}  // namespace
